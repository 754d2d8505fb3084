#ifndef ORV_XERCESPROXY_H
#define ORV_XERCESPROXY_H

#include <xercesc/sax/HandlerBase.hpp>

#include <cstddef>
#include <vector>

class NodeAttributes;
class ParseGuard;
class SAXHandler;

// Receives the XML library's SAX callbacks for one document and passes them on to a
// SAXHandler in the proxy layer's terms. Attributes, elements and text are numbered in
// document order from 0; an element's attributes are numbered before the element.
// Ignorable white space and processing instructions keep HandlerBase's behaviour: dropped.
// With a guard, every name, attribute and text is charged to the parse's bounds before the
// handler receives it.
class XercesProxy : public xercesc::HandlerBase {
public:
    explicit XercesProxy(SAXHandler* i_Handler, ParseGuard* i_Guard = nullptr);
    ~XercesProxy() override;
    XercesProxy(const XercesProxy&) = delete;
    XercesProxy& operator=(const XercesProxy&) = delete;

    void characters(const XMLCh* const i_Chars, const XMLSize_t i_Length) override;
    void endDocument() override;
    void endElement(const XMLCh* const i_Name) override;
    void setDocumentLocator(const xercesc::Locator* const i_Locator) override;
    void startDocument() override;
    void startElement(const XMLCh* const i_Name, xercesc::AttributeList& i_Attributes) override;
    void warning(const xercesc::SAXParseException& i_Exception) override;
    void error(const xercesc::SAXParseException& i_Exception) override;
    void fatalError(const xercesc::SAXParseException& i_Exception) override;

    // Deepest nesting of elements that a document may have. The XML library resolves
    // namespace prefixes by walking every open element, so a start tag costs as much as
    // the depth: a configuration document is a handful of levels deep, and a hostile one
    // must not buy hours of parsing with a million levels.
    // A start tag past it throws ParseRefusal after the handler has heard a critical error.
    static constexpr int MAX_ELEMENT_DEPTH = 1000;

private:
    // One attribute as the library reports it, its lengths measured once.
    struct AttributeText {
        const char16_t* name;
        std::size_t nameUnits;
        const char16_t* value;
        std::size_t valueUnits;
    };

    // Reads the library's attribute list once into m_Attributes.
    void takeAttributes(xercesc::AttributeList& i_Attributes);
    void fillAttributes(NodeAttributes* o_Out);
    void chargeElement(std::size_t i_NameUnits);
    int currentLine() const;
    int currentColumn() const;

    SAXHandler* m_Handler;
    ParseGuard* m_Guard;
    const xercesc::Locator* m_Locator;
    int m_Sequence;
    int m_Depth; // elements open
    // The attributes of the element being started; kept between elements for its storage.
    std::vector<AttributeText> m_Attributes;
};

#endif
