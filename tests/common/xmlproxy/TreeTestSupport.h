#ifndef ORV_TESTS_TREETESTSUPPORT_H
#define ORV_TESTS_TREETESTSUPPORT_H

#include "Node.h"
#include "NodeAttributes.h"
#include "NodeSink.h"
#include "TextNode.h"
#include "XmlProxyResult.h"

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace orvtest {

// The bytes a copy handed over writes, which is released; "(null)" for no copy.
inline std::string writtenCopy(Node* i_Copy)
{
    if (i_Copy == nullptr)
        return "(null)";
    std::ostringstream out;
    std::unique_ptr<Node>(i_Copy)->write(out, 0);
    return out.str();
}

// A table of block size 1; the attributes are numbered from 1 on.
inline NodeAttributes* attributes(std::initializer_list<std::pair<const char16_t*, const char16_t*>> i_Pairs)
{
    auto table = std::make_unique<NodeAttributes>(1);
    int sequence = 1;
    for (const auto& pair : i_Pairs)
        table->addAttribute(String(pair.first), String(pair.second), String::valueOf(sequence++));
    return table.release();
}

// An element holding the given children; element children link back to it, as the tree
// builder links them.
inline Node* element(const String& i_Name, std::vector<Node*> i_Children = {}, NodeAttributes* i_Table = nullptr)
{
    Node* node = new Node(i_Name, i_Table, 0, 0, 0);
    for (Node* child : i_Children) {
        if (child->getType() == Node::NODE_ELEMENT)
            child->setParent(node);
        node->addChild(child);
    }
    return node;
}
inline Node* text(const String& i_Text)
{
    return new TextNode(i_Text, 0, 0, 0);
}

// Everything a tree holds besides its bytes: name@line:column#sequence, "^" when the node
// links to i_Parent and "!" when it links elsewhere, attributes {name=value#sequence}, then
// the children in brackets; texts in quotes. Small trees only: it recurses.
inline std::string describe(const Node& i_Node, const Node* i_Parent = nullptr)
{
    const std::string quote = i_Node.getType() == Node::NODE_TEXT ? "\"" : "";
    std::string out = quote + std::string(i_Node.getName()) + quote + "@" + std::to_string(i_Node.getLine()) + ":" +
                      std::to_string(i_Node.getColumn()) + "#" + std::to_string(i_Node.getSequence()) +
                      (i_Node.getParent() == nullptr ? "" : i_Node.getParent() == i_Parent ? "^" : "!");
    const NodeAttributes* table = i_Node.getAttributes();
    for (int i = 0; table != nullptr && i < table->getCount(); ++i) {
        String name, value, sequence;
        table->getAttribute(i, name, value);
        table->getSequence(i, sequence);
        out += (i == 0 ? "{" : ",") + std::string(name) + "=" + std::string(value) + "#" + std::string(sequence) +
               (i + 1 == table->getCount() ? "}" : "");
    }
    if (static_cast<std::size_t>(i_Node.getChildCount()) != i_Node.getChildList().size())
        out += "(child count " + std::to_string(i_Node.getChildCount()) + ")";
    for (const Node* child : i_Node.getChildList())
        out += (child == i_Node.getFirstChild() ? "[" : " ") + describe(*child, &i_Node) +
               (child->getNextSibling() == nullptr ? "]" : "");
    return out;
}

// Keeps every tree it receives and every message as "kind@line: text"; answers errors with
// -1009, as the section sink does.
struct RecordingSink : NodeSink {
    int onNodeTree(Node* i_Tree) override { trees.emplace_back(i_Tree); return 0; }
    int onWarning(const String& i_Text, int i_Line) override { return record("warning", i_Text, i_Line); }
    int onError(const String& i_Text, int i_Line) override { return record("error", i_Text, i_Line); }
    int onCriticalError(const String& i_Text, int i_Line) override { return record("critical", i_Text, i_Line); }
    int record(const std::string& i_Kind, const String& i_Text, int i_Line)
    {
        messages.push_back(i_Kind + "@" + std::to_string(i_Line) + ": " + std::string(i_Text));
        return i_Kind == "warning" ? XMLPROXY_SUCCESS : XMLPROXY_NULL_STRING;
    }
    std::vector<std::unique_ptr<Node>> trees;
    std::vector<std::string> messages;
};

} // namespace orvtest

#endif
