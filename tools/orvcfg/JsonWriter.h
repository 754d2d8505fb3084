#ifndef ORVCFG_TOOL_JSONWRITER_H
#define ORVCFG_TOOL_JSONWRITER_H

#include "String.h"

#include <ostream>
#include <string>
#include <vector>

// A small streaming JSON writer for the --json output of orvcfg. It inserts commas and
// keeps track of nesting; the caller keeps the calls balanced. Text is written as UTF-8;
// a 16-bit unit that is not valid UTF-16 (a lone surrogate, as an undecodable byte of a
// property file becomes) is written as U+FFFD, so the output is always valid JSON.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : m_Out(out) {}

    // The outermost object of an output, opened with its "schemaVersion" member: a script
    // can tell which shape of output it reads.
    JsonWriter& beginDocument();
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();

    // The name of the next member of the enclosing object.
    JsonWriter& key(const char* name);

    JsonWriter& value(const String& text);
    JsonWriter& value(const char* text);
    JsonWriter& value(const std::string& text);
    JsonWriter& value(long number);
    JsonWriter& value(int number) { return value(static_cast<long>(number)); }
    JsonWriter& value(bool flag);
    JsonWriter& null();

    // Ends the document with a line feed.
    void finish();

    static std::string quote(const std::u16string& units);
    static std::string quote(const std::string& utf8);

private:
    void separate();
    // A container begins or ends; the same for objects and arrays but for the bracket.
    JsonWriter& open(char bracket);
    JsonWriter& close(char bracket);

    std::ostream& m_Out;
    // One entry per open container: whether it already holds an element.
    std::vector<bool> m_HasElement;
    bool m_AfterKey = false;
};

#endif
