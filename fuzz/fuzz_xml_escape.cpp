// XML escaping and UTF-8 output of arbitrary 16-bit text, in every mode, compared with a
// reference: the escaping table applied unit by unit, then a plain UTF-16 to UTF-8
// conversion in which a lone surrogate becomes U+FFFD. The input's bytes are read as
// little-endian units; 0 units are left out, since the text is 0-terminated.
#include "FuzzSupport.h"
#include "UTF8XMLEncoding.h"

#include <cstdint>
#include <sstream>
#include <string>

namespace {

std::u16string referenceEscape(const std::u16string& text, bool escapeNonAscii)
{
    std::u16string out;
    for (char16_t unit : text) {
        auto reference = [&out](unsigned value) {
            for (char c : "&#" + std::to_string(value) + ";")
                out += static_cast<char16_t>(c);
        };
        switch (unit) {
        case u'"': out += u"&quot;"; continue;
        case u'&': out += u"&amp;"; continue;
        case u'\'': out += u"&apos;"; continue;
        case u'<': out += u"&lt;"; continue;
        case u'>': out += u"&gt;"; continue;
        case u'\t': case u'\n': case u'\r': reference(unit); continue;
        default: break;
        }
        if (unit < 32)
            continue;
        if (unit >= 127 && escapeNonAscii)
            reference(unit);
        else
            out += unit;
    }
    return out;
}

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

std::string referenceUtf8(const std::u16string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (high || low) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::string written(const UTF8XMLEncoding& encoding)
{
    std::ostringstream out;
    out << encoding;
    return out.str();
}

void checkMode(const std::u16string& text, bool escape, bool escapeNonAscii)
{
    const std::u16string escaped = escape ? referenceEscape(text, escapeNonAscii) : text;
    const std::string wanted = referenceUtf8(escaped);
    UTF8XMLEncoding encoding(reinterpret_cast<const unsigned short*>(text.c_str()), escape, escapeNonAscii);
    const std::string mode = std::string(escape ? "escaped" : "as is") + (escapeNonAscii ? ", non-ASCII" : "");
    orvfuzz::check(encoding.getText().units() == escaped, "escaped text", mode);
    const std::string got = written(encoding);
    orvfuzz::check(got == wanted, "UTF-8 output", mode + "\ngot " + orvfuzz::quoted(got) + "\nwanted " +
                                                      orvfuzz::quoted(wanted));
    orvfuzz::check(std::string(encoding.getUTF8()) == got, "buffer and stream disagree", mode);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit != 0)
            text += unit;
    }
    checkMode(text, true, false);
    checkMode(text, true, true);
    checkMode(text, false, false);
    checkMode(text, false, true);

    // The String constructor is the escaped basic mode.
    UTF8XMLEncoding fromString{String(text.c_str(), text.size())};
    orvfuzz::check(written(fromString) == referenceUtf8(referenceEscape(text, false)), "String constructor");

    // Escaping in place, twice, is the reference applied twice: it is not idempotent.
    String twice(text.c_str(), text.size());
    UTF8XMLEncoding::escapeXML(twice, false);
    UTF8XMLEncoding::escapeXML(twice, false);
    orvfuzz::check(twice.units() == referenceEscape(referenceEscape(text, false), false), "escapeXML twice");
    return 0;
}
