#ifndef ORV_REFUSINGENTITYRESOLVER_H
#define ORV_REFUSINGENTITYRESOLVER_H

#include "String.h"

#include <xercesc/util/XMLEntityResolver.hpp>

#include <vector>

class ParseGuard;

// Answers every request of the XML library for something outside the document. The only
// resource it hands out is a schema that the reader was configured with, read as a
// regular file; anything else a document names (external entities and parameter
// entities, an external DTD subset, a schema location hint, an import or include) is
// refused before anything is opened, and the refusal names the system id.
class RefusingEntityResolver : public xercesc::XMLEntityResolver {
public:
    // i_ConfiguredSchemas: the configured no-namespace schema location and the namespace
    // and location pairs, as the reader's settings hold them.
    RefusingEntityResolver(ParseGuard* i_Guard, const String& i_NoNamespaceSchema, const String& i_SchemaPairs);
    ~RefusingEntityResolver() override;
    RefusingEntityResolver(const RefusingEntityResolver&) = delete;
    RefusingEntityResolver& operator=(const RefusingEntityResolver&) = delete;

    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* i_Resource) override;

private:
    bool isConfiguredSchema(const String& i_SystemId) const;

    ParseGuard* m_Guard;
    std::vector<String> m_Schemas;
};

#endif
