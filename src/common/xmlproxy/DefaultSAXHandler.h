#ifndef ORV_DEFAULTSAXHANDLER_H
#define ORV_DEFAULTSAXHANDLER_H

#include "SAXHandler.h"
#include "String.h"

#include <cstddef>
#include <vector>

class Node;
class NodeAttributes;
class NodeSink;

// Builds node trees from the events of one parse and hands every finished tree whose root
// lies at nesting level m_SkipDepth (the document element is level 0) to the sink, when
// the root's end tag arrives. Elements above that level are counted but get no node.
// Warnings and errors go to the same sink.
//
// The handler owns each node until it is attached to a parent or delivered; a tree whose
// end tag never arrives (the parse ended early) is released with the handler.
class DefaultSAXHandler : public SAXHandler {
public:
    // i_Sink is not owned. i_SkipDepth must be 0 or more (checked: the program stops).
    DefaultSAXHandler(NodeSink* i_Sink, int i_SkipDepth);
    ~DefaultSAXHandler();

    DefaultSAXHandler(const DefaultSAXHandler&) = delete;
    DefaultSAXHandler& operator=(const DefaultSAXHandler&) = delete;

    void startDocument() override;
    void endDocument() override;
    void startElement(const String& i_Name, NodeAttributes* i_Attributes, int i_Line, int i_Column,
                      int i_Sequence) override;
    void endElement(const String& i_Name) override;
    void characters(const String& i_Text, int i_Line, int i_Column, int i_Sequence) override;
    int warning(const String& i_Message, int i_Line) override;
    int error(const String& i_Message, int i_Line) override;
    int fatalError(const String& i_Message, int i_Line) override;

    void startElementUnits(const char16_t* i_Name, std::size_t i_Length,
                           NodeAttributes* i_Attributes, int i_Line, int i_Column,
                           int i_Sequence) override;
    void startBareElementUnits(const char16_t* i_Name, std::size_t i_Length, int i_Line,
                               int i_Column, int i_Sequence) override;
    void endElementUnits(const char16_t* i_Name, std::size_t i_Length) override;
    void charactersUnits(const char16_t* i_Text, std::size_t i_Length, int i_Line, int i_Column,
                         int i_Sequence) override;
    int message(NodeSink::Level i_Level, const String& i_Message, int i_Line, int i_Column) override;

    int getDepth() const { return m_Depth; }

private:
    // Frees the table of an element that gets no node; false when the element gets a node.
    bool skipElement(NodeAttributes* i_Attributes);
    void openElement(Node* i_Node);
    void closeElement();

    int m_Depth;
    std::vector<Node*> m_OpenNodes;
    NodeSink* m_Sink;
    int m_SkipDepth;
};

#endif
