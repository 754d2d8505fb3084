#ifndef ORV_SAXPARSER_H
#define ORV_SAXPARSER_H

#include "ParseLimits.h"
#include "String.h"

class SAXHandler;

// The proxy layer's own parser: the settings of one parse, the handler that hears its
// events, and the error count that the XML library reported for the last parse. The
// creator sets every setting directly before calling parse.
class SAXParser {
public:
    explicit SAXParser(SAXHandler* i_Handler);
    virtual ~SAXParser();
    SAXParser(const SAXParser&) = delete;
    SAXParser& operator=(const SAXParser&) = delete;

    // Parses the document at the path (a plain file or a zip archive); the stop callback,
    // when given, is asked between parse steps. One of the proxy layer's result codes.
    virtual int parse(const String& i_Path, bool (*i_StopCallback)()) = 0;

    int validationScheme;              // 0 never, 1 always, 2 the XML library's automatic scheme
    bool doNamespaces;
    bool doSchema;
    bool validationSchemaFullChecking;
    int errorCount;
    String externalNoNamespaceSchemaLocation; // empty: none
    String externalSchemaLocation;            // namespace and location pairs; empty: none
    ParseLimits limits;                       // what one parse may spend

protected:
    SAXHandler* m_Handler;
};

#endif
