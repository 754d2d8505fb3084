#include "TextNode.h"

#include "UTF8XMLEncoding.h"

#include <ostream>
#include <utility>

// A text node's table stays empty, with the smallest block; it is made only if asked for.
TextNode::TextNode(const String& i_Text, int i_Line, int i_Column, int i_Sequence)
    : Node(i_Text, i_Line, i_Column, i_Sequence)
{
}

TextNode::TextNode(String&& i_Text, int i_Line, int i_Column, int i_Sequence)
    : Node(std::move(i_Text), i_Line, i_Column, i_Sequence)
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
