#include "XercesProxy.h"

#include "Node.h"
#include "NodeAttributes.h"
#include "ParseGuard.h"
#include "ParseRefusal.h"
#include "SAXHandler.h"
#include "String.h"
#include "TextNode.h"
#include "XmlProxyAssert.h"

#include <xercesc/sax/AttributeList.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>

#include <climits>
#include <cstddef>
#include <memory>
#include <string>

namespace {

// The same white space that the base library's trim removes. Checking in place saves
// building a trimmed copy for every run of indentation between elements.
bool isWhiteSpace(XMLCh unit)
{
    return unit == u' ' || unit == u'\t' || unit == u'\n' || unit == u'\r' || unit == u'\v' || unit == u'\f';
}

bool isAllWhiteSpace(const XMLCh* chars, XMLSize_t length)
{
    for (XMLSize_t i = 0; i < length; ++i) {
        if (!isWhiteSpace(chars[i]))
            return false;
    }
    return true;
}

// A null string from the XML library becomes the empty string.
String toString(const XMLCh* text)
{
    return text != nullptr ? String(text) : String();
}

// A null string from the XML library counts as empty text.
const char16_t* orEmpty(const XMLCh* text)
{
    return text != nullptr ? text : u"";
}

std::size_t unitCount(const char16_t* text)
{
    return std::char_traits<char16_t>::length(text);
}

// What an attribute costs a table beyond its units: the three strings' bookkeeping.
constexpr std::size_t kAttributeBytes = 3 * sizeof(void*);

int toLine(XMLFileLoc line)
{
    return static_cast<int>(line);
}

} // namespace

XercesProxy::XercesProxy(SAXHandler* i_Handler, ParseGuard* i_Guard)
    : m_Handler(i_Handler), m_Guard(i_Guard), m_Locator(nullptr), m_Sequence(0), m_Depth(0)
{
}

XercesProxy::~XercesProxy() = default;

int XercesProxy::currentLine() const
{
    // Without a locator there is no position to report.
    return m_Locator != nullptr ? toLine(m_Locator->getLineNumber()) : 0;
}

int XercesProxy::currentColumn() const
{
    return m_Locator != nullptr ? toLine(m_Locator->getColumnNumber()) : 0;
}

void XercesProxy::setDocumentLocator(const xercesc::Locator* const i_Locator)
{
    m_Locator = i_Locator;
    if (m_Guard != nullptr)
        m_Guard->setLocator(i_Locator);
}

void XercesProxy::startDocument()
{
    m_Handler->startDocument();
}

void XercesProxy::endDocument()
{
    m_Handler->endDocument();
}

void XercesProxy::startElement(const XMLCh* const i_Name, xercesc::AttributeList& i_Attributes)
{
    if (++m_Depth > MAX_ELEMENT_DEPTH) {
        const std::string message = "Elements nested deeper than " + std::to_string(MAX_ELEMENT_DEPTH) + " levels";
        m_Handler->fatalError(String(message.c_str()), currentLine());
        throw ParseRefusal();
    }
    const char16_t* name = orEmpty(i_Name);
    const std::size_t nameUnits = unitCount(name);
    takeAttributes(i_Attributes);
    if (m_Guard != nullptr)
        chargeElement(nameUnits);
    if (m_Attributes.empty()) {
        m_Handler->startBareElementUnits(name, nameUnits, currentLine(), currentColumn(), m_Sequence++);
        return;
    }
    std::unique_ptr<NodeAttributes> table(new NodeAttributes(1));
    fillAttributes(table.get());
    int sequence = m_Sequence++;
    m_Handler->startElementUnits(name, nameUnits, table.release(), currentLine(), currentColumn(), sequence);
}

void XercesProxy::takeAttributes(xercesc::AttributeList& i_Attributes)
{
    // Each name and value is asked of the library and measured once: the list answers
    // through virtual calls, and a table, the guard and the reservation all need them.
    const XMLSize_t count = i_Attributes.getLength();
    m_Attributes.resize(count);
    for (XMLSize_t index = 0; index < count; ++index) {
        AttributeText& attribute = m_Attributes[index];
        attribute.name = orEmpty(i_Attributes.getName(index));
        attribute.nameUnits = unitCount(attribute.name);
        attribute.value = orEmpty(i_Attributes.getValue(index));
        attribute.valueUnits = unitCount(attribute.value);
    }
}

void XercesProxy::chargeElement(std::size_t i_NameUnits)
{
    m_Guard->endTextRun();
    std::size_t bytes = Node::elementBytes() + 2 * i_NameUnits;
    for (const AttributeText& attribute : m_Attributes) {
        m_Guard->chargeAttributeValue(attribute.valueUnits);
        bytes += kAttributeBytes + 2 * (attribute.nameUnits + attribute.valueUnits);
    }
    m_Guard->chargeTree(bytes);
}

void XercesProxy::fillAttributes(NodeAttributes* o_Out)
{
    XMLPROXY_ASSERT(o_Out != 0);
    // Names and values are sized once for all the attributes instead of growing with each;
    // what a refused attribute leaves over is given back afterwards. The table keeps the
    // sequence numbers as the first one until their texts are read.
    std::size_t nameUnits = 0;
    std::size_t valueUnits = 0;
    for (const AttributeText& attribute : m_Attributes) {
        nameUnits += attribute.nameUnits + 1;
        valueUnits += attribute.valueUnits + 1;
    }
    // Sums past what a vector can count are left to grow, and to refuse, attribute by attribute.
    const std::size_t most = static_cast<std::size_t>(INT_MAX);
    if (nameUnits <= most && valueUnits <= most)
        o_Out->reserve(static_cast<int>(nameUnits), static_cast<int>(valueUnits), 0);
    for (const AttributeText& attribute : m_Attributes) {
        // A refused attribute (a second one of the same name) is simply left out.
        o_Out->addNumberedAttribute(attribute.name, attribute.nameUnits, attribute.value, attribute.valueUnits,
                                    m_Sequence++);
    }
    o_Out->releaseReserve();
}

void XercesProxy::endElement(const XMLCh* const i_Name)
{
    --m_Depth;
    if (m_Guard != nullptr)
        m_Guard->endTextRun();
    const char16_t* name = orEmpty(i_Name);
    m_Handler->endElementUnits(name, unitCount(name));
}

void XercesProxy::characters(const XMLCh* const i_Chars, const XMLSize_t i_Length)
{
    // The run is taken by its length: the library does not promise a terminating 0 after
    // every run it reports, and XML text cannot hold a 0 unit anyway. Text and names go
    // to the handler as units, so that no String is built for what it does not keep.
    if (i_Chars == nullptr || isAllWhiteSpace(i_Chars, i_Length))
        return;
    if (m_Guard != nullptr) {
        m_Guard->chargeTextRun(i_Length);
        m_Guard->chargeTree(sizeof(TextNode) + 2 * i_Length);
    }
    int sequence = m_Sequence++;
    m_Handler->charactersUnits(i_Chars, i_Length, currentLine(), currentColumn(), sequence);
}

void XercesProxy::warning(const xercesc::SAXParseException& i_Exception)
{
    m_Handler->message(NodeSink::LEVEL_WARNING, toString(i_Exception.getMessage()), toLine(i_Exception.getLineNumber()),
                       toLine(i_Exception.getColumnNumber()));
}

void XercesProxy::error(const xercesc::SAXParseException& i_Exception)
{
    m_Handler->message(NodeSink::LEVEL_ERROR, toString(i_Exception.getMessage()), toLine(i_Exception.getLineNumber()),
                       toLine(i_Exception.getColumnNumber()));
}

void XercesProxy::fatalError(const xercesc::SAXParseException& i_Exception)
{
    m_Handler->message(NodeSink::LEVEL_CRITICAL, toString(i_Exception.getMessage()), toLine(i_Exception.getLineNumber()),
                       toLine(i_Exception.getColumnNumber()));
}
