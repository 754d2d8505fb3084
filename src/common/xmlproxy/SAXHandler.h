#ifndef ORV_SAXHANDLER_H
#define ORV_SAXHANDLER_H

#include "NodeSink.h"
#include "String.h"

#include <cstddef>

class NodeAttributes;

// Receives the events of one parse, in document order. Handlers are never deleted through
// this interface, hence the protected destructor.
//
// The ...Units entry points take text as a pointer and a length, so that a parser adapter
// holding 16-bit text need not build a String for every event; by default they build one
// and call the String form. A handler may override them to avoid that copy.
class SAXHandler {
public:
    virtual void startDocument() = 0;
    virtual void endDocument() = 0;
    // i_Attributes (may be null) passes to the handler.
    virtual void startElement(const String& i_Name, NodeAttributes* i_Attributes, int i_Line,
                              int i_Column, int i_Sequence) = 0;
    virtual void endElement(const String& i_Name) = 0;
    virtual void characters(const String& i_Text, int i_Line, int i_Column, int i_Sequence) = 0;
    // The message operations answer what the receiver of the message answers.
    virtual int warning(const String& i_Message, int i_Line) = 0;
    virtual int error(const String& i_Message, int i_Line) = 0;
    virtual int fatalError(const String& i_Message, int i_Line) = 0;

    virtual void startElementUnits(const char16_t* i_Name, std::size_t i_Length,
                                   NodeAttributes* i_Attributes, int i_Line, int i_Column,
                                   int i_Sequence);
    // An element without attributes, whose table would be empty with block size 1. By
    // default the table is made and startElementUnits receives it; a handler that keeps
    // tables in nodes may stand in one that is made only when asked for.
    virtual void startBareElementUnits(const char16_t* i_Name, std::size_t i_Length, int i_Line,
                                       int i_Column, int i_Sequence);
    virtual void endElementUnits(const char16_t* i_Name, std::size_t i_Length);
    virtual void charactersUnits(const char16_t* i_Text, std::size_t i_Length, int i_Line,
                                 int i_Column, int i_Sequence);
    // A warning, error or fatal error of the parser with its column (0 when unknown). By
    // default the column is dropped and warning, error or fatalError receives the message.
    virtual int message(NodeSink::Level i_Level, const String& i_Message, int i_Line, int i_Column);

protected:
    SAXHandler() = default;
    SAXHandler(const SAXHandler&) = default;
    SAXHandler& operator=(const SAXHandler&) = default;
    ~SAXHandler() = default;
};

#endif
