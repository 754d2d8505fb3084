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

TextNode::TextNode(const char16_t* i_Text, std::size_t i_Length, int i_Line, int i_Column, int i_Sequence)
    : Node(i_Text, i_Length, i_Line, i_Column, i_Sequence)
{
}

TextNode::~TextNode() = default;

int TextNode::getType() const
{
    return NODE_TEXT;
}

Node* TextNode::clone() const
{
    return new TextNode(getNameUnits(), static_cast<std::size_t>(getNameLength()), getLine(), getColumn(), 0);
}

int TextNode::write(std::ostream& o_Out, int) const
{
    o_Out << UTF8XMLEncoding(getNameUnits(), static_cast<std::size_t>(getNameLength()));
    return 0;
}
