#ifndef ORV_TEXTNODE_H
#define ORV_TEXTNODE_H

#include "Node.h"
#include "OrvExport.h"
#include "String.h"

#include <cstddef>
#include <iosfwd>

// A run of character data inside an element. Its name holds the text. It carries an empty
// attribute table of its own and never has children or a parent link.
class ORVCFG_API TextNode : public Node {
public:
    TextNode(const String& i_Text, int i_Line, int i_Column, int i_Sequence);
    TextNode(String&& i_Text, int i_Line, int i_Column, int i_Sequence);
    // The same from i_Length units of text (the parser's own buffer), without a String.
    TextNode(const char16_t* i_Text, std::size_t i_Length, int i_Line, int i_Column, int i_Sequence);
    ~TextNode() override;

    // NODE_TEXT.
    int getType() const override;
    // A new text node with the same text, line and column, sequence 0.
    Node* clone() const override;
    // The text, escaped; no indentation and no line break. Always 0.
    int write(std::ostream& o_Out, int i_Indent) const override;

    const String& getText() const { return getName(); }
};

#endif
