#include "String.h"

#include <cstdio>
#include <cstring>

namespace {

// A byte outside valid UTF-8 (always >= 0x80) becomes U+DC00 + byte, i.e. U+DC80..U+DCFF.
constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kReplacement = 0xFFFD;

std::size_t unitCount(const unsigned short* units)
{
    std::size_t n = 0;
    while (units[n] != 0)
        ++n;
    return n;
}

std::size_t unitCount(const char16_t* units)
{
    std::size_t n = 0;
    while (units[n] != 0)
        ++n;
    return n;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence that starts at `p` (at most `left` bytes), and its
// code point; 0 when the bytes there are not a valid, shortest-form sequence.
std::size_t decodeOne(const unsigned char* p, std::size_t left, char32_t& cp)
{
    unsigned char b0 = p[0];
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        if (left < 2 || !isContinuation(p[1]))
            return 0;
        cp = (char32_t(b0 & 0x1F) << 6) | (p[1] & 0x3F);
        return 2;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (left < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
            return 0;
        if (b0 == 0xE0 && p[1] < 0xA0)
            return 0; // overlong
        if (b0 == 0xED && p[1] >= 0xA0)
            return 0; // a surrogate code point is not valid UTF-8
        cp = (char32_t(b0 & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (left < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
            return 0;
        if (b0 == 0xF0 && p[1] < 0x90)
            return 0; // overlong
        if (b0 == 0xF4 && p[1] >= 0x90)
            return 0; // beyond U+10FFFF
        cp = (char32_t(b0 & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6) |
             (p[3] & 0x3F);
        return 4;
    }
    return 0;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool isWhiteSpace(char16_t unit)
{
    return unit == u' ' || unit == u'\t' || unit == u'\n' || unit == u'\r' || unit == u'\v' || unit == u'\f';
}

} // namespace

std::u16string orvDecodeNarrow(const char* bytes, std::size_t count)
{
    std::u16string out;
    out.reserve(count);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    while (i < count) {
        // Plain ASCII runs are the common case of property files and names.
        if (p[i] < 0x80) {
            out.push_back(static_cast<char16_t>(p[i]));
            ++i;
            continue;
        }
        char32_t cp = 0;
        std::size_t n = decodeOne(p + i, count - i, cp);
        if (n == 0) {
            out.push_back(static_cast<char16_t>(kEscapeBase + p[i]));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += n;
    }
    return out;
}

std::string orvEncodeNarrow(const char16_t* units, std::size_t count)
{
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        char16_t u = units[i];
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            // A byte that came from invalid UTF-8 goes back out as that byte.
            out.push_back(static_cast<char>(u - kEscapeBase));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            char32_t cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00);
            appendUtf8(out, cp);
            ++i;
            continue;
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            appendUtf8(out, kReplacement); // a lone surrogate has no UTF-8 form
            continue;
        }
        appendUtf8(out, u);
    }
    return out;
}

String::String() = default;

String::String(const char* narrow)
{
    if (narrow != nullptr)
        m_Units = orvDecodeNarrow(narrow, std::strlen(narrow));
}

String::String(const char* narrow, std::size_t byteCount)
{
    if (narrow != nullptr)
        m_Units = orvDecodeNarrow(narrow, byteCount);
}

String::String(const unsigned short* units)
{
    if (units != nullptr)
        m_Units.assign(reinterpret_cast<const char16_t*>(units), unitCount(units));
}

String::String(const unsigned short* units, std::size_t count)
{
    if (units != nullptr)
        m_Units.assign(reinterpret_cast<const char16_t*>(units), count);
}

String::String(const char16_t* units)
{
    if (units != nullptr)
        m_Units.assign(units, unitCount(units));
}

String::String(const char16_t* units, std::size_t count)
{
    if (units != nullptr)
        m_Units.assign(units, count);
}

String::String(const String& other) : m_Units(other.m_Units) {}

String::String(String&& other) noexcept : m_Units(std::move(other.m_Units)), m_Narrow(std::move(other.m_Narrow))
{
    other.m_Units.clear();
}

String::~String() = default;

String& String::operator=(const String& other)
{
    if (this != &other) {
        m_Units = other.m_Units;
        invalidateNarrow();
    }
    return *this;
}

String& String::operator=(String&& other) noexcept
{
    if (this != &other) {
        m_Units = std::move(other.m_Units);
        m_Narrow = std::move(other.m_Narrow);
        other.m_Units.clear();
    }
    return *this;
}

String& String::assign(const char16_t* units, std::size_t count)
{
    if (units == nullptr)
        m_Units.clear();
    else
        m_Units.assign(units, count);
    invalidateNarrow();
    return *this;
}

const unsigned short* String::getBuffer() const
{
    return reinterpret_cast<const unsigned short*>(m_Units.c_str());
}

String::operator const char*() const { return narrow(); }

const char* String::narrow() const
{
    if (!m_Narrow)
        m_Narrow = std::make_unique<std::string>(orvEncodeNarrow(m_Units.data(), m_Units.size()));
    return m_Narrow->c_str();
}

std::size_t String::narrowLength() const
{
    narrow();
    return m_Narrow->size();
}

unsigned short String::charAt(int index) const
{
    if (index < 0 || index >= length())
        return 0;
    return m_Units[static_cast<std::size_t>(index)];
}

int String::indexOf(unsigned short unit, int from) const
{
    if (from < 0)
        from = 0;
    std::size_t at = m_Units.find(static_cast<char16_t>(unit), static_cast<std::size_t>(from));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int String::indexOf(const String& text, int from) const
{
    if (from < 0)
        from = 0;
    if (static_cast<std::size_t>(from) > m_Units.size())
        return -1;
    std::size_t at = m_Units.find(text.m_Units, static_cast<std::size_t>(from));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int String::lastIndexOf(unsigned short unit, int from) const
{
    if (m_Units.empty())
        return -1;
    std::size_t start = from < 0 ? std::u16string::npos : static_cast<std::size_t>(from);
    std::size_t at = m_Units.rfind(static_cast<char16_t>(unit), start);
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

String String::substring(int first) const
{
    if (first < 0)
        first = 0;
    if (first >= length())
        return String();
    return String(m_Units.data() + first, m_Units.size() - static_cast<std::size_t>(first));
}

String String::substring(int first, int last) const
{
    if (first < 0)
        first = 0;
    if (last >= length())
        last = length() - 1;
    if (last < first)
        return String();
    return String(m_Units.data() + first, static_cast<std::size_t>(last - first + 1));
}

String& String::trim()
{
    std::size_t begin = 0;
    std::size_t end = m_Units.size();
    while (begin < end && isWhiteSpace(m_Units[begin]))
        ++begin;
    while (end > begin && isWhiteSpace(m_Units[end - 1]))
        --end;
    if (begin != 0 || end != m_Units.size()) {
        m_Units = m_Units.substr(begin, end - begin);
        invalidateNarrow();
    }
    return *this;
}

int String::startsWith(const String& prefix, int offset) const
{
    if (offset < 0 || static_cast<std::size_t>(offset) > m_Units.size())
        return 0;
    if (m_Units.size() - static_cast<std::size_t>(offset) < prefix.m_Units.size())
        return 0;
    return m_Units.compare(static_cast<std::size_t>(offset), prefix.m_Units.size(), prefix.m_Units) == 0 ? 1 : 0;
}

int String::endsWith(const String& suffix) const
{
    if (m_Units.size() < suffix.m_Units.size())
        return 0;
    return m_Units.compare(m_Units.size() - suffix.m_Units.size(), suffix.m_Units.size(), suffix.m_Units) == 0 ? 1
                                                                                                              : 0;
}

int String::compareTo(const String& other, int) const
{
    int c = m_Units.compare(other.m_Units);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

String& String::concat(const char* narrow)
{
    if (narrow != nullptr && *narrow != '\0') {
        m_Units += orvDecodeNarrow(narrow, std::strlen(narrow));
        invalidateNarrow();
    }
    return *this;
}

String& String::concat(const unsigned short* units)
{
    if (units != nullptr && *units != 0) {
        m_Units.append(reinterpret_cast<const char16_t*>(units), unitCount(units));
        invalidateNarrow();
    }
    return *this;
}

String& String::concat(const String& other)
{
    if (!other.m_Units.empty()) {
        m_Units += other.m_Units;
        invalidateNarrow();
    }
    return *this;
}

String& String::insertSubstring(int index, const String& text)
{
    if (index < 0)
        index = 0;
    if (index > length())
        index = length();
    m_Units.insert(static_cast<std::size_t>(index), text.m_Units);
    invalidateNarrow();
    return *this;
}

String& String::replace(unsigned short from, unsigned short to)
{
    bool changed = false;
    for (char16_t& u : m_Units) {
        if (u == from) {
            u = static_cast<char16_t>(to);
            changed = true;
        }
    }
    if (changed)
        invalidateNarrow();
    return *this;
}

String String::valueOf(long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%ld", value);
    return String(text);
}
