#ifndef ORV_ENTITYEXPANSIONMETER_H
#define ORV_ENTITYEXPANSIONMETER_H

#include <xercesc/framework/XMLDocumentHandler.hpp>

class ParseGuard;

// Hears the XML library's entity references in element content and charges the text each
// one expands to: a few short declarations can otherwise name gigabytes of text. Every
// other event is left to the SAX handler.
class EntityExpansionMeter : public xercesc::XMLDocumentHandler {
public:
    explicit EntityExpansionMeter(ParseGuard* i_Guard);
    ~EntityExpansionMeter() override;
    EntityExpansionMeter(const EntityExpansionMeter&) = delete;
    EntityExpansionMeter& operator=(const EntityExpansionMeter&) = delete;

    void startEntityReference(const xercesc::XMLEntityDecl& i_Entity) override;

    void docCharacters(const XMLCh* const, const XMLSize_t, const bool) override {}
    void docComment(const XMLCh* const) override {}
    void docPI(const XMLCh* const, const XMLCh* const) override {}
    void endDocument() override {}
    void endElement(const xercesc::XMLElementDecl&, const unsigned int, const bool, const XMLCh* const) override {}
    void endEntityReference(const xercesc::XMLEntityDecl&) override {}
    void ignorableWhitespace(const XMLCh* const, const XMLSize_t, const bool) override {}
    void resetDocument() override {}
    void startDocument() override {}
    void startElement(const xercesc::XMLElementDecl&, const unsigned int, const XMLCh* const,
                      const xercesc::RefVectorOf<xercesc::XMLAttr>&, const XMLSize_t, const bool,
                      const bool) override {}
    void XMLDecl(const XMLCh* const, const XMLCh* const, const XMLCh* const, const XMLCh* const) override {}

private:
    ParseGuard* m_Guard;
};

#endif
