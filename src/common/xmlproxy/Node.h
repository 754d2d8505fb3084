#ifndef ORV_NODE_H
#define ORV_NODE_H

#include "OrvExport.h"
#include "String.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <iterator>

class NodeAttributes;

// An element of a parsed XML document: a name, an attribute table, an ordered list of
// children, a link to its parent and the position where the parser met it.
//
// A node owns its attribute table and its children; deleting the root of a tree deletes
// the whole tree. The parent link is not owned and is never followed on deletion. Copies
// made by clone() belong to the caller.
//
// Trees can be arbitrarily deep: deleting, copying and writing walk the tree with an
// explicit stack, never by recursion.
class ORVCFG_API Node {
public:
    enum NodeType : int {
        NODE_ELEMENT = 0,
        NODE_TEXT = 1,
    };

    // The children of a node, first to last. Children are linked to their siblings in a
    // ring: the list holds the last child, whose forward link leads back to the first and
    // is marked as the end. Appending stays constant time while a node carries a single
    // sibling link, which keeps the hundreds of thousands of nodes of a large document
    // small. size() counts.
    class ChildList {
    public:
        class iterator {
        public:
            using iterator_category = std::forward_iterator_tag;
            using value_type = Node*;
            using difference_type = std::ptrdiff_t;
            using pointer = Node* const*;
            using reference = Node* const&;

            iterator() : m_Node(nullptr) {}
            explicit iterator(Node* i_Node) : m_Node(i_Node) {}
            reference operator*() const { return m_Node; }
            iterator& operator++();
            iterator operator++(int)
            {
                iterator before = *this;
                ++*this;
                return before;
            }
            bool operator==(const iterator& i_Other) const { return m_Node == i_Other.m_Node; }
            bool operator!=(const iterator& i_Other) const { return m_Node != i_Other.m_Node; }

        private:
            Node* m_Node;
        };
        using const_iterator = iterator;

        iterator begin() const { return iterator(front()); }
        iterator end() const { return iterator(); }
        bool empty() const { return m_Last == nullptr; }
        int size() const;
        Node* front() const;
        Node* back() const { return m_Last; }

    private:
        friend class Node;
        Node* m_Last = nullptr;
    };

    // Takes ownership of i_Attributes (null allowed), even when construction fails.
    Node(const String& i_Name, NodeAttributes* i_Attributes, int i_Line, int i_Column, int i_Sequence);
    Node(String&& i_Name, NodeAttributes* i_Attributes, int i_Line, int i_Column, int i_Sequence);
    // A node with an empty attribute table of block size 1, as the parser adapter gives
    // every element without attributes and as every text node has. The table is only made
    // when getAttributes() asks for it: most of these tables are never looked at.
    Node(const String& i_Name, int i_Line, int i_Column, int i_Sequence);
    Node(String&& i_Name, int i_Line, int i_Column, int i_Sequence);

    // Nodes are the bulk of a parsed tree: they come from the pool of the tree's objects.
    static void* operator new(std::size_t i_Bytes);
    static void operator delete(void* i_Block, std::size_t i_Bytes) noexcept;

    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    virtual ~Node();
    // NODE_ELEMENT for an element, NODE_TEXT for a text node.
    virtual int getType() const;
    // A deep copy of this node and everything below it: sequence numbers 0 (of the nodes
    // and of the attributes), no parent links. The caller owns it.
    virtual Node* clone() const;
    // Writes the subtree as indented XML in UTF-8 to a narrow stream, i_Indent spaces
    // before this element; 0 on success, else the first failing child's result.
    virtual int write(std::ostream& o_Out, int i_Indent) const;

    const String& getName() const { return m_Name; }

    // The node's own child list (not a copy); always 0.
    int getChildren(ChildList*& o_Children)
    {
        o_Children = &m_Children;
        return 0;
    }
    int getChildren(const ChildList*& o_Children) const
    {
        o_Children = &m_Children;
        return 0;
    }
    const ChildList& getChildList() const { return m_Children; }

    // Stores the parent link; nothing else.
    void setParent(Node* i_Parent) { m_Parent = i_Parent; }
    // Appends i_Child and takes ownership; does not set the child's parent link. Always 0.
    int addChild(Node* i_Child);

    // The attribute table; null when the element has none. Owned by the node.
    NodeAttributes* getAttributes() const;
    int getLine() const { return m_Line; }
    int getColumn() const { return m_Column; }
    int getSequence() const { return m_Sequence; }
    Node* getParent() const { return m_Parent; }
    int getChildCount() const { return m_ChildCount; }
    Node* getFirstChild() const { return m_Children.front(); }
    Node* getNextSibling() const
    {
        return (m_NextSibling & kEndOfList) != 0 ? nullptr : reinterpret_cast<Node*>(m_NextSibling);
    }
    // Walks the siblings (the list keeps no backward links).
    Node* getPreviousSibling() const;

private:
    // Marks the last child's forward link, which holds the first child's address. Nodes are
    // aligned to at least two bytes, so the lowest bit of an address is free.
    static constexpr std::uintptr_t kEndOfList = 1;
    static Node* linkTarget(std::uintptr_t i_Link) { return reinterpret_cast<Node*>(i_Link & ~kEndOfList); }

    // A copy of this node alone: no children, no parent, sequence 0.
    Node* copyWithoutChildren() const;
    // Writes the start tag of this element with its attributes.
    void writeStartTag(std::ostream& o_Out, int i_Indent) const;
    // Stands for the empty table of block size 1 that has not been made yet.
    static NodeAttributes* unmadeEmptyTable();

    String m_Name;
    int m_Column;
    int m_Line;
    int m_Sequence;
    int m_ChildCount;
    // unmadeEmptyTable() until someone asks for the table.
    mutable NodeAttributes* m_Attributes;
    ChildList m_Children;
    Node* m_Parent;
    // The next sibling; for the last child, the first one marked with kEndOfList (see
    // ChildList); 0 while the node is in no list.
    std::uintptr_t m_NextSibling;
};

inline Node* Node::ChildList::front() const
{
    return m_Last != nullptr ? Node::linkTarget(m_Last->m_NextSibling) : nullptr;
}

inline Node::ChildList::iterator& Node::ChildList::iterator::operator++()
{
    m_Node = m_Node->getNextSibling();
    return *this;
}

#endif
