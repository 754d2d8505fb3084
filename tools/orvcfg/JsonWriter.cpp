#include "JsonWriter.h"

#include <cstdio>

namespace {

const char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void appendEscaped(std::string& out, char32_t cp)
{
    switch (cp) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    case '\b': out += "\\b"; return;
    case '\f': out += "\\f"; return;
    default: break;
    }
    if (cp < 0x20 || cp == 0x7F) {
        static const char hex[] = "0123456789abcdef";
        out += "\\u00";
        out += hex[(cp >> 4) & 0xF];
        out += hex[cp & 0xF];
        return;
    }
    appendUtf8(out, cp);
}

} // namespace

std::string JsonWriter::quote(const std::u16string& units)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00
            && units[i + 1] <= 0xDFFF) {
            appendEscaped(out, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendEscaped(out, kReplacement);
        } else {
            appendEscaped(out, unit);
        }
    }
    out += '"';
    return out;
}

std::string JsonWriter::quote(const std::string& utf8)
{
    // Through String, so that invalid bytes are treated as they are everywhere else.
    return quote(String(utf8.c_str(), utf8.size()).units());
}

void JsonWriter::separate()
{
    if (m_AfterKey) {
        m_AfterKey = false;
        return;
    }
    if (!m_HasElement.empty()) {
        if (m_HasElement.back())
            m_Out << ',';
        m_HasElement.back() = true;
    }
}

JsonWriter& JsonWriter::open(char bracket)
{
    separate();
    m_Out << bracket;
    m_HasElement.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::close(char bracket)
{
    m_Out << bracket;
    m_HasElement.pop_back();
    return *this;
}

namespace {

// Raised when a member of an output changes its meaning or goes; new members keep it.
const int kSchemaVersion = 1;

} // namespace

JsonWriter& JsonWriter::beginDocument() { return beginObject().key("schemaVersion").value(kSchemaVersion); }
JsonWriter& JsonWriter::beginObject() { return open('{'); }
JsonWriter& JsonWriter::endObject() { return close('}'); }
JsonWriter& JsonWriter::beginArray() { return open('['); }
JsonWriter& JsonWriter::endArray() { return close(']'); }

JsonWriter& JsonWriter::key(const char* name)
{
    separate();
    m_Out << quote(std::string(name)) << ':';
    m_AfterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(const String& text)
{
    separate();
    m_Out << quote(text.units());
    return *this;
}

JsonWriter& JsonWriter::value(const char* text)
{
    separate();
    m_Out << quote(std::string(text));
    return *this;
}

JsonWriter& JsonWriter::value(const std::string& text)
{
    separate();
    m_Out << quote(text);
    return *this;
}

JsonWriter& JsonWriter::value(long number)
{
    separate();
    m_Out << number;
    return *this;
}

JsonWriter& JsonWriter::value(bool flag)
{
    separate();
    m_Out << (flag ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::null()
{
    separate();
    m_Out << "null";
    return *this;
}

void JsonWriter::finish() { m_Out << '\n'; }
