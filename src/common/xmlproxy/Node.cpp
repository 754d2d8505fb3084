#include "Node.h"

#include "NodeAttributes.h"
#include "SmallBlockPool.h"
#include "UTF8XMLEncoding.h"

#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <ostream>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

void writeSpaces(std::ostream& o_Out, int i_Count)
{
    static const char kSpaces[] = "                                                                ";
    constexpr int kChunk = static_cast<int>(sizeof kSpaces) - 1;
    while (i_Count > 0) {
        const int now = i_Count < kChunk ? i_Count : kChunk;
        o_Out.write(kSpaces, now);
        i_Count -= now;
    }
}

std::size_t nameBytes(std::size_t i_Length)
{
    return (i_Length + 1) * sizeof(char16_t);
}

// Element and attribute names reach the output through the narrow form of the base
// library and back, as every name handed to the outside does.
void writeName(std::ostream& o_Out, const String& i_Name)
{
    o_Out << UTF8XMLEncoding(static_cast<const char*>(i_Name));
}

// The same for a node's name. A name of ASCII units without a 0 among them comes back from
// the round trip unchanged, so it is written from its units directly.
void writeName(std::ostream& o_Out, const char16_t* i_Units, int i_Length)
{
    bool plain = true;
    for (int index = 0; index < i_Length && plain; ++index)
        plain = i_Units[index] != 0 && i_Units[index] < 0x80;
    if (plain) {
        o_Out << UTF8XMLEncoding(reinterpret_cast<const unsigned short*>(i_Units));
        return;
    }
    const std::string narrow = orvEncodeNarrow(i_Units, static_cast<std::size_t>(i_Length));
    o_Out << UTF8XMLEncoding(narrow.c_str());
}

// The library's own elements are copied and written by the loops of clone() and write(),
// which keep their own stack so that no depth of tree reaches the call stack. Every other
// kind of node, a text node or a host's own subclass, copies and writes itself through its
// virtual functions.
bool isLibraryElement(const Node* i_Node)
{
    return typeid(*i_Node) == typeid(Node);
}

} // namespace

Node::Node(const String& i_Name, NodeAttributes* i_Attributes, int i_Line, int i_Column, int i_Sequence)
    : Node(i_Name.getUnits(), static_cast<std::size_t>(i_Name.length()), i_Attributes, i_Line, i_Column, i_Sequence)
{
}

Node::Node(String&& i_Name, NodeAttributes* i_Attributes, int i_Line, int i_Column, int i_Sequence)
    : Node(i_Name.getUnits(), static_cast<std::size_t>(i_Name.length()), i_Attributes, i_Line, i_Column, i_Sequence)
{
}

Node::Node(const String& i_Name, int i_Line, int i_Column, int i_Sequence)
    : Node(i_Name.getUnits(), static_cast<std::size_t>(i_Name.length()), i_Line, i_Column, i_Sequence)
{
}

Node::Node(String&& i_Name, int i_Line, int i_Column, int i_Sequence)
    : Node(i_Name.getUnits(), static_cast<std::size_t>(i_Name.length()), i_Line, i_Column, i_Sequence)
{
}

Node::Node(const char16_t* i_Name, std::size_t i_Length, NodeAttributes* i_Attributes, int i_Line, int i_Column,
           int i_Sequence)
    : m_Name(),
      m_Column(i_Column),
      m_Line(i_Line),
      m_Sequence(i_Sequence),
      m_NameLength(0),
      m_Parts(nullptr),
      m_NextSibling(nullptr),
      m_PreviousSibling(0)
{
    // The node takes the table over even when it cannot be made.
    std::unique_ptr<NodeAttributes> table(i_Attributes);
    setNameUnits(i_Name, i_Length);
    try {
        m_Parts = new ElementParts;
    } catch (...) {
        releaseName();
        throw;
    }
    m_Parts->attributes = table.release();
}

Node::Node(const char16_t* i_Name, std::size_t i_Length, int i_Line, int i_Column, int i_Sequence)
    : m_Name(),
      m_Column(i_Column),
      m_Line(i_Line),
      m_Sequence(i_Sequence),
      m_NameLength(0),
      m_Parts(nullptr),
      m_NextSibling(nullptr),
      m_PreviousSibling(0)
{
    setNameUnits(i_Name, i_Length);
}

void Node::setNameUnits(const char16_t* i_Name, std::size_t i_Length)
{
    // A String's length is an int, and so is the name's.
    if (i_Length > static_cast<std::size_t>(std::numeric_limits<int>::max()) - 1)
        throw std::bad_alloc();
    char16_t* units = m_Name.inlineUnits;
    if (i_Length > static_cast<std::size_t>(kInlineNameUnits)) {
        units = static_cast<char16_t*>(SmallBlockPool::allocate(nameBytes(i_Length)));
        m_Name.units = units;
    }
    if (i_Length > 0)
        std::memcpy(units, i_Name, i_Length * sizeof(char16_t));
    units[i_Length] = 0;
    m_NameLength = static_cast<int>(i_Length);
}

void Node::releaseName() noexcept
{
    if (m_NameLength > kInlineNameUnits)
        SmallBlockPool::release(const_cast<char16_t*>(m_Name.units), nameBytes(static_cast<std::size_t>(m_NameLength)));
    m_Name.inlineUnits[0] = 0;
    m_NameLength = 0;
}

const String& Node::getName() const
{
    ElementParts& parts = elementParts();
    if (parts.name == nullptr)
        parts.name = new String(getNameUnits(), static_cast<std::size_t>(m_NameLength));
    return *parts.name;
}

void* Node::operator new(std::size_t i_Bytes)
{
    return SmallBlockPool::allocate(i_Bytes);
}

void Node::operator delete(void* i_Block, std::size_t i_Bytes) noexcept
{
    SmallBlockPool::release(i_Block, i_Bytes);
}

void* Node::ElementParts::operator new(std::size_t i_Bytes)
{
    return SmallBlockPool::allocate(i_Bytes);
}

void Node::ElementParts::operator delete(void* i_Block, std::size_t i_Bytes) noexcept
{
    SmallBlockPool::release(i_Block, i_Bytes);
}

Node::ElementParts& Node::elementParts() const
{
    if (m_Parts == nullptr)
        m_Parts = new ElementParts;
    return *m_Parts;
}

void Node::setParent(Node* i_Parent)
{
    if (i_Parent != nullptr || m_Parts != nullptr)
        elementParts().parent = i_Parent;
}

namespace {

// Never handed out and never changed: only its address is compared. At namespace scope
// rather than inside a function, so that making and deleting each of the many nodes does not
// pay for a check of first use.
NodeAttributes s_UnmadeEmptyTable(1);

} // namespace

NodeAttributes* Node::unmadeEmptyTable()
{
    return &s_UnmadeEmptyTable;
}

NodeAttributes* Node::getAttributes() const
{
    ElementParts& parts = elementParts();
    if (parts.attributes == unmadeEmptyTable())
        parts.attributes = new NodeAttributes(1);
    return parts.attributes;
}

Node::~Node()
{
    releaseName();
    if (m_Parts == nullptr)
        return; // no children and no table of its own
    // The descendants are deleted from one chain threaded through their forward links: a
    // node's children join the chain before the node goes, so its own destructor finds no
    // children and the depth of the tree never reaches the call stack.
    Node* pending = m_Parts->children.m_First;
    m_Parts->children.clear();
    while (pending != nullptr) {
        Node* node = pending;
        pending = node->m_NextSibling;
        if (Node* first = node->getFirstChild()) {
            node->m_Parts->children.back()->m_NextSibling = pending;
            pending = first;
            node->m_Parts->children.clear();
        }
        delete node;
    }
    if (m_Parts->attributes != unmadeEmptyTable())
        delete m_Parts->attributes;
    delete m_Parts->name;
    delete m_Parts;
}

int Node::getType() const
{
    return NODE_ELEMENT;
}

int Node::addChild(Node* i_Child)
{
    if (i_Child == nullptr)
        return 0;
    // Owned from here on, also when the parts cannot be made.
    std::unique_ptr<Node> owned(i_Child);
    ChildList& children = elementParts().children;
    owned.release();
    const std::uintptr_t child = reinterpret_cast<std::uintptr_t>(i_Child);
    i_Child->m_NextSibling = nullptr;
    if (Node* first = children.m_First) {
        // The new child becomes the last: the first child's marked link now leads to it.
        Node* last = linkTarget(first->m_PreviousSibling);
        last->m_NextSibling = i_Child;
        i_Child->m_PreviousSibling = reinterpret_cast<std::uintptr_t>(last);
        first->m_PreviousSibling = child | kEndOfList;
    } else {
        i_Child->m_PreviousSibling = child | kEndOfList;
        children.m_First = i_Child;
    }
    ++children.m_Count;
    return 0;
}

Node* Node::copyWithoutChildren() const
{
    const NodeAttributes* table = storedTable();
    if (table == unmadeEmptyTable())
        return new Node(getNameUnits(), static_cast<std::size_t>(m_NameLength), m_Line, m_Column, 0);
    // The allocation of the node comes before the table is copied, and the constructor
    // takes the table over even when it fails, so no path leaks the copy.
    return new Node(getNameUnits(), static_cast<std::size_t>(m_NameLength), table != nullptr ? table->copy() : nullptr,
                    m_Line, m_Column, 0);
}

Node* Node::clone() const
{
    std::unique_ptr<Node> root(copyWithoutChildren());
    // Pairs of (original, its copy) whose children are still to be copied. Every copy is
    // attached as soon as it exists, so a failure part way frees everything with the root.
    std::vector<std::pair<const Node*, Node*>> pending;
    pending.emplace_back(this, root.get());
    while (!pending.empty()) {
        const Node* original = pending.back().first;
        Node* copy = pending.back().second;
        pending.pop_back();
        for (const Node* child = original->getFirstChild(); child != nullptr;
             child = child->getNextSibling()) {
            if (!isLibraryElement(child)) {
                copy->addChild(child->clone());
                continue;
            }
            Node* childCopy = child->copyWithoutChildren();
            copy->addChild(childCopy);
            if (child->getFirstChild() != nullptr)
                pending.emplace_back(child, childCopy);
        }
    }
    return root.release();
}

void Node::writeStartTag(std::ostream& o_Out, int i_Indent) const
{
    writeSpaces(o_Out, i_Indent);
    o_Out << '<';
    writeName(o_Out, getNameUnits(), m_NameLength);
    // The unmade table is empty; it is not read, so a tree written from a host's exit
    // handler does not depend on the order in which statics are destroyed.
    const NodeAttributes* table = storedTable();
    if (table == nullptr || table == unmadeEmptyTable())
        return;
    String name;
    String value;
    for (int index = 0; index < table->getCount(); ++index) {
        table->getAttribute(index, name, value);
        o_Out << ' ';
        writeName(o_Out, name);
        o_Out << "=\"" << UTF8XMLEncoding(value) << '"';
    }
}

int Node::write(std::ostream& o_Out, int i_Indent) const
{
    // An element whose start tag is written and whose children are being written.
    struct OpenElement {
        const Node* node;
        const Node* nextChild;
        int indent;
        int result; // of the last child written
    };
    std::vector<OpenElement> open;

    // Writes the start tag; an element with children stays open, an empty one is done.
    auto start = [&open, &o_Out](const Node* i_Node, int i_NodeIndent) {
        i_Node->writeStartTag(o_Out, i_NodeIndent);
        const Node* first = i_Node->getFirstChild();
        if (first == nullptr) {
            o_Out << "/>";
            return;
        }
        o_Out << (first->getType() == NODE_TEXT ? ">" : ">\n");
        open.push_back(OpenElement{i_Node, first, i_NodeIndent, 0});
    };

    start(this, i_Indent);
    int result = 0;
    while (!open.empty()) {
        OpenElement& top = open.back();
        if (top.nextChild != nullptr && top.result == 0) {
            const Node* child = top.nextChild;
            top.nextChild = child->getNextSibling();
            if (isLibraryElement(child))
                start(child, top.indent + 1);
            else
                top.result = child->write(o_Out, top.indent + 1);
            continue;
        }
        const Node* node = top.node;
        result = top.result;
        if (node->getFirstChild()->getType() != NODE_TEXT && top.indent > 0)
            writeSpaces(o_Out, top.indent);
        o_Out << "</";
        writeName(o_Out, node->getNameUnits(), node->m_NameLength);
        o_Out << ">\n";
        open.pop_back();
        if (!open.empty())
            open.back().result = result;
    }
    return result;
}
