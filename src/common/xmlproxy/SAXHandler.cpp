#include "SAXHandler.h"

#include "NodeAttributes.h"

void SAXHandler::startElementUnits(const char16_t* i_Name, std::size_t i_Length,
                                   NodeAttributes* i_Attributes, int i_Line, int i_Column,
                                   int i_Sequence)
{
    startElement(String(i_Name, i_Length), i_Attributes, i_Line, i_Column, i_Sequence);
}

void SAXHandler::startBareElementUnits(const char16_t* i_Name, std::size_t i_Length, int i_Line,
                                       int i_Column, int i_Sequence)
{
    startElementUnits(i_Name, i_Length, new NodeAttributes(1), i_Line, i_Column, i_Sequence);
}

void SAXHandler::endElementUnits(const char16_t* i_Name, std::size_t i_Length)
{
    endElement(String(i_Name, i_Length));
}

void SAXHandler::charactersUnits(const char16_t* i_Text, std::size_t i_Length, int i_Line,
                                 int i_Column, int i_Sequence)
{
    characters(String(i_Text, i_Length), i_Line, i_Column, i_Sequence);
}

int SAXHandler::message(NodeSink::Level i_Level, const String& i_Message, int i_Line, int)
{
    switch (i_Level) {
    case NodeSink::LEVEL_WARNING:
        return warning(i_Message, i_Line);
    case NodeSink::LEVEL_ERROR:
        return error(i_Message, i_Line);
    case NodeSink::LEVEL_CRITICAL:
        break;
    }
    return fatalError(i_Message, i_Line);
}
