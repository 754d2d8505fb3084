#include "TextNode.h"

#include "NodeAttributes.h"
#include "UTF8XMLEncoding.h"

#include <ostream>
#include <utility>

namespace {

// A text node's table stays empty; the smallest block keeps it from reserving anything.
constexpr int kTextAttributesBlockSize = 1;

} // namespace

TextNode::TextNode(const String& i_Text, int i_Line, int i_Column, int i_Sequence)
    : Node(i_Text, new NodeAttributes(kTextAttributesBlockSize), i_Line, i_Column, i_Sequence)
{
}

TextNode::TextNode(String&& i_Text, int i_Line, int i_Column, int i_Sequence)
    : Node(std::move(i_Text), new NodeAttributes(kTextAttributesBlockSize), i_Line, i_Column,
           i_Sequence)
{
}

TextNode::~TextNode() = default;

int TextNode::getType() const
{
    return NODE_TEXT;
}

Node* TextNode::clone() const
{
    return new TextNode(getName(), getLine(), getColumn(), 0);
}

int TextNode::write(std::ostream& o_Out, int) const
{
    o_Out << UTF8XMLEncoding(getName());
    return 0;
}
