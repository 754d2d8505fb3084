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
// Trees can be arbitrarily deep: deleting, copying and writing walk the library's own nodes
// with an explicit stack, never by recursion. A child of any other type (a text node, or a
// subclass a host made) is copied and written through its own virtual functions, and a
// non-zero result of its write() stops the writing of its siblings.
class ORVCFG_API Node {
public:
    enum NodeType : int {
        NODE_ELEMENT = 0,
        NODE_TEXT = 1,
    };

    // The children of a node, first to last: a container a host can walk in both directions.
    // It belongs to its node and is handed out by reference only; it cannot be copied, so no
    // copy can go stale when a child is added. Iterators stay valid while children are added.
    //
    // Children are linked to both siblings; the first child's backward link leads to the last
    // one and is marked as the end, so appending, size(), back() and a step back from end()
    // all take constant time.
    class ChildList {
    public:
        class iterator {
        public:
            using iterator_category = std::bidirectional_iterator_tag;
            using value_type = Node*;
            using difference_type = std::ptrdiff_t;
            using pointer = Node* const*;
            // The child's address by value: a reference into the iterator would dangle in a
            // std::reverse_iterator, which dereferences a temporary copy.
            using reference = Node*;

            iterator() = default;
            reference operator*() const { return m_Node; }
            iterator& operator++();
            iterator operator++(int)
            {
                iterator before = *this;
                ++*this;
                return before;
            }
            // Stepping back from end() reaches the last child.
            iterator& operator--();
            iterator operator--(int)
            {
                iterator before = *this;
                --*this;
                return before;
            }
            bool operator==(const iterator& i_Other) const { return m_Node == i_Other.m_Node; }
            bool operator!=(const iterator& i_Other) const { return m_Node != i_Other.m_Node; }

        private:
            friend class ChildList;
            iterator(const ChildList* i_List, Node* i_Node) : m_List(i_List), m_Node(i_Node) {}

            const ChildList* m_List = nullptr;
            Node* m_Node = nullptr; // null at the end
        };
        using const_iterator = iterator;
        using reverse_iterator = std::reverse_iterator<iterator>;
        using const_reverse_iterator = reverse_iterator;
        using value_type = Node*;
        using size_type = std::size_t;
        using difference_type = std::ptrdiff_t;

        ChildList(const ChildList&) = delete;
        ChildList& operator=(const ChildList&) = delete;

        iterator begin() const { return iterator(this, front()); }
        iterator end() const { return iterator(this, nullptr); }
        const_iterator cbegin() const { return begin(); }
        const_iterator cend() const { return end(); }
        reverse_iterator rbegin() const { return reverse_iterator(end()); }
        reverse_iterator rend() const { return reverse_iterator(begin()); }
        const_reverse_iterator crbegin() const { return rbegin(); }
        const_reverse_iterator crend() const { return rend(); }

        bool empty() const { return m_Count == 0; }
        size_type size() const { return static_cast<size_type>(m_Count); }
        Node* front() const { return m_First; }
        Node* back() const;

    private:
        friend class Node;
        ChildList() = default;
        void clear()
        {
            m_First = nullptr;
            m_Count = 0;
        }

        Node* m_First = nullptr;
        int m_Count = 0;
    };

    // Takes ownership of i_Attributes (null allowed), even when construction fails.
    Node(const String& i_Name, NodeAttributes* i_Attributes, int i_Line, int i_Column, int i_Sequence);
    Node(String&& i_Name, NodeAttributes* i_Attributes, int i_Line, int i_Column, int i_Sequence);
    // A node with an empty attribute table of block size 1, as the parser adapter gives
    // every element without attributes and as every text node has. The table is only made
    // when getAttributes() asks for it: most of these tables are never looked at.
    Node(const String& i_Name, int i_Line, int i_Column, int i_Sequence);
    Node(String&& i_Name, int i_Line, int i_Column, int i_Sequence);
    // The same from i_Length units of a name (the parser's own buffer), without a String.
    Node(const char16_t* i_Name, std::size_t i_Length, NodeAttributes* i_Attributes, int i_Line, int i_Column,
         int i_Sequence);
    Node(const char16_t* i_Name, std::size_t i_Length, int i_Line, int i_Column, int i_Sequence);

    // What an element of a parsed tree takes beyond its name's units: the node and its parts.
    static constexpr std::size_t elementBytes() { return sizeof(Node) + sizeof(ElementParts); }

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

    // The name as a String, made from the node's units when first asked for and kept with
    // the node. Like the narrow form of a String, it is made by a const call: a node read by
    // several threads at once needs its name asked for once before.
    const String& getName() const;
    // The name's units, followed by a 0 unit, read in place without making a String.
    const char16_t* getNameUnits() const { return m_NameLength <= kInlineNameUnits ? m_Name.inlineUnits : m_Name.units; }
    int getNameLength() const { return m_NameLength; }

    // The node's own child list (not a copy); always 0.
    int getChildren(ChildList*& o_Children)
    {
        o_Children = &elementParts().children;
        return 0;
    }
    int getChildren(const ChildList*& o_Children) const
    {
        o_Children = &elementParts().children;
        return 0;
    }
    const ChildList& getChildList() const { return elementParts().children; }

    // Stores the parent link; nothing else.
    void setParent(Node* i_Parent);
    // Appends i_Child and takes ownership; does not set the child's parent link. Always 0.
    int addChild(Node* i_Child);

    // The attribute table; null when the element has none. Owned by the node.
    NodeAttributes* getAttributes() const;
    int getLine() const { return m_Line; }
    int getColumn() const { return m_Column; }
    int getSequence() const { return m_Sequence; }
    Node* getParent() const { return m_Parts != nullptr ? m_Parts->parent : nullptr; }
    int getChildCount() const { return m_Parts != nullptr ? m_Parts->children.m_Count : 0; }
    Node* getFirstChild() const { return m_Parts != nullptr ? m_Parts->children.m_First : nullptr; }
    Node* getNextSibling() const { return m_NextSibling; }
    Node* getPreviousSibling() const
    {
        return (m_PreviousSibling & kEndOfList) != 0 ? nullptr : linkTarget(m_PreviousSibling);
    }

private:
    // Marks the first child's backward link, which holds the last child's address. Nodes are
    // aligned to at least two bytes, so the lowest bit of an address is free.
    static constexpr std::uintptr_t kEndOfList = 1;
    static Node* linkTarget(std::uintptr_t i_Link) { return reinterpret_cast<Node*>(i_Link & ~kEndOfList); }

    // A copy of this node alone: no children, no parent, sequence 0.
    Node* copyWithoutChildren() const;
    // Writes the start tag of this element with its attributes.
    void writeStartTag(std::ostream& o_Out, int i_Indent) const;
    // Stands for the empty table of block size 1 that has not been made yet.
    static NodeAttributes* unmadeEmptyTable();

    // What only elements use: the children, the parent link and the attribute table. Two
    // thirds of the nodes of a parsed document are text nodes (one per run of character
    // data the parser reports), which have none of them, so a node keeps them in a block of
    // their own, made when first needed: a node is 56 bytes, an element's parts 40 more.
    struct ElementParts {
        static void* operator new(std::size_t i_Bytes);
        static void operator delete(void* i_Block, std::size_t i_Bytes) noexcept;

        ChildList children;
        // unmadeEmptyTable() until someone asks for the table.
        NodeAttributes* attributes = unmadeEmptyTable();
        Node* parent = nullptr;
        // The name as getName() hands it out; null until asked for. Here rather than in the
        // node: few names are ever asked for as a String.
        String* name = nullptr;
    };
    // The node's parts, made now if it has none yet.
    ElementParts& elementParts() const;
    // The table, unmadeEmptyTable() included; never makes it.
    NodeAttributes* storedTable() const { return m_Parts != nullptr ? m_Parts->attributes : unmadeEmptyTable(); }

    // Takes a copy of i_Length units of a name into m_Name.
    void setNameUnits(const char16_t* i_Name, std::size_t i_Length);
    // Gives the name's block back.
    void releaseName() noexcept;

    // Names of up to this many units are kept in the node itself, with their 0 unit.
    static constexpr int kInlineNameUnits = 3;
    // The name's units and a 0 unit: in the node for a short name (texts between character
    // references are often a single unit), else in a block of the pool of the tree's objects.
    // Nodes are the bulk of a parsed tree: a String in each was half the node's 96 bytes, and
    // every name or text longer than 7 units was an allocation of the general allocator
    // besides.
    union NameStorage {
        const char16_t* units;
        char16_t inlineUnits[kInlineNameUnits + 1];
    };
    NameStorage m_Name;
    int m_Column;
    int m_Line;
    int m_Sequence;
    int m_NameLength;
    // Null until the node gets children, a parent link or a table of its own, or someone asks
    // for its child list, its table or its name as a String; copying and writing never make
    // them.
    mutable ElementParts* m_Parts;
    // Null for the last child and while the node is in no list.
    Node* m_NextSibling;
    // The previous sibling; for the first child, the last one marked with kEndOfList (see
    // ChildList); 0 while the node is in no list.
    std::uintptr_t m_PreviousSibling;
};

inline Node* Node::ChildList::back() const
{
    const Node* first = front();
    return first != nullptr ? Node::linkTarget(first->m_PreviousSibling) : nullptr;
}

inline Node::ChildList::iterator& Node::ChildList::iterator::operator++()
{
    m_Node = m_Node->getNextSibling();
    return *this;
}

inline Node::ChildList::iterator& Node::ChildList::iterator::operator--()
{
    m_Node = m_Node != nullptr ? m_Node->getPreviousSibling() : m_List->back();
    return *this;
}

#endif
