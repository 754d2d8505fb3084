#include "UTF8XMLEncoding.h"

#include "XmlProxyAssert.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

enum : int {
    UNIT_TAB = 9,
    UNIT_LINE_FEED = 10,
    UNIT_CARRIAGE_RETURN = 13,
    UNIT_FIRST_PRINTABLE = 32,
    UNIT_QUOTE = 34,
    UNIT_AMPERSAND = 38,
    UNIT_APOSTROPHE = 39,
    UNIT_LESS_THAN = 60,
    UNIT_GREATER_THAN = 62,
    UNIT_FIRST_NON_ASCII = 127,
};

// Every unit becomes at most four bytes: three outside a surrogate pair, four for a pair.
constexpr std::size_t kBytesPerUnit = 4;
constexpr std::size_t kTerminatorBytes = 4;

void appendDecimalReference(std::u16string& o_Out, int i_Value)
{
    char digits[16];
    const int count = std::snprintf(digits, sizeof digits, "%d", i_Value);
    o_Out += u"&#";
    for (int i = 0; i < count; ++i)
        o_Out += static_cast<char16_t>(digits[i]);
    o_Out += u';';
}

// UTF-16 to UTF-8 into a buffer that has room for kBytesPerUnit bytes per unit. A lone
// surrogate has no UTF-8 form and becomes U+FFFD.
void convertToUTF8(const char16_t* i_Units, std::size_t i_Count, char* o_Bytes)
{
    unsigned char* out = reinterpret_cast<unsigned char*>(o_Bytes);
    for (std::size_t i = 0; i < i_Count; ++i) {
        char32_t code = i_Units[i];
        if (code >= 0xD800 && code <= 0xDFFF) {
            const bool pairs = code <= 0xDBFF && i + 1 < i_Count && i_Units[i + 1] >= 0xDC00 &&
                               i_Units[i + 1] <= 0xDFFF;
            if (pairs) {
                code = 0x10000 + ((code - 0xD800) << 10) + (i_Units[i + 1] - 0xDC00);
                ++i;
            } else {
                code = 0xFFFD;
            }
        }
        if (code < 0x80) {
            *out++ = static_cast<unsigned char>(code);
        } else if (code < 0x800) {
            *out++ = static_cast<unsigned char>(0xC0 | (code >> 6));
            *out++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            *out++ = static_cast<unsigned char>(0xE0 | (code >> 12));
            *out++ = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
        } else {
            *out++ = static_cast<unsigned char>(0xF0 | (code >> 18));
            *out++ = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
        }
    }
}

} // namespace

UTF8XMLEncoding::UTF8XMLEncoding(const unsigned short* i_Text)
    : m_Text(i_Text), m_UTF8(nullptr), m_EscapeNonAscii(false)
{
    init(true);
}

UTF8XMLEncoding::UTF8XMLEncoding(const char* i_Text)
    : m_Text(i_Text), m_UTF8(nullptr), m_EscapeNonAscii(false)
{
    init(true);
}

UTF8XMLEncoding::UTF8XMLEncoding(const unsigned short* i_Text, bool i_Escape, bool i_EscapeNonAscii)
    : m_Text(i_Text), m_UTF8(nullptr), m_EscapeNonAscii(i_EscapeNonAscii)
{
    init(i_Escape);
}

UTF8XMLEncoding::UTF8XMLEncoding(const String& i_Text)
    : m_Text(i_Text), m_UTF8(nullptr), m_EscapeNonAscii(false)
{
    init(true);
}

UTF8XMLEncoding::UTF8XMLEncoding(const char16_t* i_Text, std::size_t i_Length)
    : m_Text(i_Text, i_Length), m_UTF8(nullptr), m_EscapeNonAscii(false)
{
    init(true);
}

UTF8XMLEncoding::~UTF8XMLEncoding()
{
    delete[] m_UTF8;
}

void UTF8XMLEncoding::init(bool i_Escape)
{
    if (i_Escape)
        escapeXML(m_Text, m_EscapeNonAscii);
    const std::size_t count = static_cast<std::size_t>(m_Text.length());
    const std::size_t size = kBytesPerUnit * count + kTerminatorBytes;
    m_UTF8 = new (std::nothrow) char[size]();
    XMLPROXY_ASSERT(m_UTF8);
    convertToUTF8(m_Text.getUnits(), count, m_UTF8);
}

void UTF8XMLEncoding::escapeXML(String& io_Text, bool i_EscapeNonAscii)
{
    // Each unit's replacement depends on that unit alone, so building the result front to
    // back gives exactly what replacing unit by unit from the end would give, in one pass.
    // Runs of units that stay are copied whole, and a text that needs nothing is left as is.
    const std::u16string& units = io_Text.units();
    const std::size_t count = units.size();
    std::u16string replacement;
    std::size_t runStart = 0;
    std::size_t position = 0;
    for (; position < count; ++position) {
        if (escapeXMLChar(units[position], replacement, i_EscapeNonAscii) != ESCAPE_KEEP)
            break;
    }
    if (position == count)
        return;

    std::u16string escaped;
    escaped.reserve(count + count / 8 + 16);
    for (; position < count; ++position) {
        if (escapeXMLChar(units[position], replacement, i_EscapeNonAscii) == ESCAPE_KEEP)
            continue;
        escaped.append(units, runStart, position - runStart);
        escaped += replacement; // empty for a dropped unit
        runStart = position + 1;
    }
    escaped.append(units, runStart, count - runStart);
    io_Text = String(escaped.c_str(), escaped.size());
}

int UTF8XMLEncoding::escapeXMLChar(int i_Unit, std::u16string& o_Replacement, bool i_EscapeNonAscii)
{
    o_Replacement.clear();
    switch (i_Unit) {
    case UNIT_TAB:
    case UNIT_LINE_FEED:
    case UNIT_CARRIAGE_RETURN:
        appendDecimalReference(o_Replacement, i_Unit);
        return ESCAPE_REPLACE;
    case UNIT_QUOTE:
        o_Replacement = u"&quot;";
        return ESCAPE_REPLACE;
    case UNIT_AMPERSAND:
        o_Replacement = u"&amp;";
        return ESCAPE_REPLACE;
    case UNIT_APOSTROPHE:
        o_Replacement = u"&apos;";
        return ESCAPE_REPLACE;
    case UNIT_LESS_THAN:
        o_Replacement = u"&lt;";
        return ESCAPE_REPLACE;
    case UNIT_GREATER_THAN:
        o_Replacement = u"&gt;";
        return ESCAPE_REPLACE;
    default:
        break;
    }
    if (i_Unit < UNIT_FIRST_PRINTABLE)
        return ESCAPE_DROP;
    if (i_Unit >= UNIT_FIRST_NON_ASCII && i_EscapeNonAscii) {
        appendDecimalReference(o_Replacement, i_Unit);
        return ESCAPE_REPLACE;
    }
    return ESCAPE_KEEP;
}

std::ostream& operator<<(std::ostream& o_Out, const UTF8XMLEncoding& i_Encoding)
{
    if (i_Encoding.m_UTF8 != nullptr)
        o_Out.write(i_Encoding.m_UTF8, static_cast<std::streamsize>(std::strlen(i_Encoding.m_UTF8)));
    return o_Out;
}
