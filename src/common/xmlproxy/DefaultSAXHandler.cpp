#include "DefaultSAXHandler.h"

#include "Node.h"
#include "NodeAttributes.h"
#include "NodeSink.h"
#include "TextNode.h"
#include "XmlProxyAssert.h"

#include <memory>
#include <utility>

namespace {

const char kInconsistentDepth[] = "Malformed XML: inconsistent depth at end of document";
constexpr int kNoDocumentLine = 0;

} // namespace

DefaultSAXHandler::DefaultSAXHandler(NodeSink* i_Sink, int i_SkipDepth)
    : m_Depth(0), m_Sink(i_Sink), m_SkipDepth(i_SkipDepth)
{
    XMLPROXY_ASSERT(m_SkipDepth >= 0);
}

DefaultSAXHandler::~DefaultSAXHandler()
{
    // A parse that ended before the root's end tag leaves its tree here, never delivered.
    // Only the bottom of the stack is a root; everything above it belongs to it.
    if (!m_OpenNodes.empty())
        delete m_OpenNodes.front();
}

void DefaultSAXHandler::startDocument()
{
}

void DefaultSAXHandler::endDocument()
{
    if (m_Depth != 0 && m_Sink != nullptr)
        m_Sink->onCriticalError(String(kInconsistentDepth), kNoDocumentLine);
}

bool DefaultSAXHandler::skipElement(NodeAttributes* i_Attributes)
{
    if (m_Depth >= m_SkipDepth)
        return false;
    delete i_Attributes;
    ++m_Depth;
    return true;
}

void DefaultSAXHandler::openElement(Node* i_Node)
{
    std::unique_ptr<Node> node(i_Node);
    if (m_OpenNodes.empty()) {
        m_OpenNodes.push_back(node.get());
    } else {
        Node* parent = m_OpenNodes.back();
        m_OpenNodes.push_back(node.get());
        node->setParent(parent);
        parent->addChild(node.get());
    }
    node.release();
    ++m_Depth;
}

void DefaultSAXHandler::startElement(const String& i_Name, NodeAttributes* i_Attributes, int i_Line,
                                     int i_Column, int i_Sequence)
{
    if (skipElement(i_Attributes))
        return;
    // Held until the node takes it over: the node's allocation comes first and may fail.
    std::unique_ptr<NodeAttributes> table(i_Attributes);
    openElement(new Node(i_Name, table.release(), i_Line, i_Column, i_Sequence));
}

void DefaultSAXHandler::startElementUnits(const char16_t* i_Name, std::size_t i_Length,
                                          NodeAttributes* i_Attributes, int i_Line, int i_Column,
                                          int i_Sequence)
{
    if (skipElement(i_Attributes))
        return;
    // Held until the node takes it over: allocating the node or making its name may fail.
    std::unique_ptr<NodeAttributes> table(i_Attributes);
    openElement(new Node(i_Name, i_Length, table.release(), i_Line, i_Column, i_Sequence));
}

void DefaultSAXHandler::startBareElementUnits(const char16_t* i_Name, std::size_t i_Length, int i_Line,
                                              int i_Column, int i_Sequence)
{
    if (skipElement(nullptr))
        return;
    openElement(new Node(i_Name, i_Length, i_Line, i_Column, i_Sequence));
}

void DefaultSAXHandler::closeElement()
{
    --m_Depth;
    if (m_OpenNodes.empty())
        return;
    Node* top = m_OpenNodes.back();
    m_OpenNodes.pop_back();
    if (m_Depth != m_SkipDepth)
        return; // the node belongs to its parent already
    if (m_Sink != nullptr)
        m_Sink->onNodeTree(top);
    else
        delete top;
}

void DefaultSAXHandler::endElement(const String&)
{
    closeElement();
}

void DefaultSAXHandler::endElementUnits(const char16_t*, std::size_t)
{
    closeElement();
}

void DefaultSAXHandler::characters(const String& i_Text, int i_Line, int i_Column, int i_Sequence)
{
    if (m_Depth < m_SkipDepth || m_OpenNodes.empty())
        return;
    m_OpenNodes.back()->addChild(new TextNode(i_Text, i_Line, i_Column, i_Sequence));
}

void DefaultSAXHandler::charactersUnits(const char16_t* i_Text, std::size_t i_Length, int i_Line,
                                        int i_Column, int i_Sequence)
{
    if (m_Depth < m_SkipDepth || m_OpenNodes.empty())
        return;
    m_OpenNodes.back()->addChild(new TextNode(i_Text, i_Length, i_Line, i_Column, i_Sequence));
}

int DefaultSAXHandler::warning(const String& i_Message, int i_Line)
{
    return m_Sink != nullptr ? m_Sink->onWarning(i_Message, i_Line) : 0;
}

int DefaultSAXHandler::error(const String& i_Message, int i_Line)
{
    return m_Sink != nullptr ? m_Sink->onError(i_Message, i_Line) : 0;
}

int DefaultSAXHandler::fatalError(const String& i_Message, int i_Line)
{
    return m_Sink != nullptr ? m_Sink->onCriticalError(i_Message, i_Line) : 0;
}

int DefaultSAXHandler::message(NodeSink::Level i_Level, const String& i_Message, int i_Line, int i_Column)
{
    return m_Sink != nullptr ? m_Sink->onMessage(i_Level, i_Message, i_Line, i_Column) : 0;
}
