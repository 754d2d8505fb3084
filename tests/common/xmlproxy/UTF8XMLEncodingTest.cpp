#include "UTF8XMLEncoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string written(const UTF8XMLEncoding& encoding)
{
    std::ostringstream out;
    out << encoding;
    return out.str();
}

// The 16-bit units of a test text as the interface takes them, 0-terminated.
std::vector<unsigned short> units(const std::u16string& text)
{
    std::vector<unsigned short> result(text.begin(), text.end());
    result.push_back(0);
    return result;
}

std::string encode(const std::u16string& text, bool escape, bool nonAscii)
{
    const std::vector<unsigned short> raw = units(text);
    return written(UTF8XMLEncoding(raw.data(), escape, nonAscii));
}

struct EscapeCase {
    const char* what;
    std::u16string text;
    std::string basic;    // escaped, units of 127 and more as UTF-8
    std::string nonAscii; // escaped, units of 127 and more as references
};

} // namespace

TEST(UTF8XMLEncoding, EscapesEveryClassOfUnit)
{
    const std::vector<EscapeCase> cases = {
        {"markup", u"a<b & 'c'", "a&lt;b &amp; &apos;c&apos;", "a&lt;b &amp; &apos;c&apos;"},
        {"quotes and greater-than", u"\"x\">", "&quot;x&quot;&gt;", "&quot;x&quot;&gt;"},
        {"tab, line feed, carriage return", u"a\tb\r\nc", "a&#9;b&#13;&#10;c", "a&#9;b&#13;&#10;c"},
        {"other controls dropped", std::u16string(u"\x01\x08\x0B\x0C\x0E\x1F", 6), "", ""},
        {"printable ASCII kept", u" ~09AZaz!#/;=?@[]{}", " ~09AZaz!#/;=?@[]{}", " ~09AZaz!#/;=?@[]{}"},
        {"DEL", u"\x7F", "\x7F", "&#127;"},
        {"e acute", u"\u00E9", "\xC3\xA9", "&#233;"},
        {"three-byte unit", u"\u20AC", "\xE2\x82\xAC", "&#8364;"},
        {"surrogate pair", u"\U0001F600", "\xF0\x9F\x98\x80", "&#55357;&#56832;"},
        {"lone high surrogate", std::u16string(1, char16_t(0xD800)) + u"x", "\xEF\xBF\xBDx", "&#55296;x"},
        {"lone low surrogate", std::u16string(1, char16_t(0xDC80)), "\xEF\xBF\xBD", "&#56448;"},
        {"not idempotent", u"&amp;", "&amp;amp;", "&amp;amp;"},
        {"empty", u"", "", ""},
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.basic, encode(c.text, true, false));
        EXPECT_EQ(c.nonAscii, encode(c.text, true, true));
    }
}

TEST(UTF8XMLEncoding, WithoutEscapingWritesTheTextAsUTF8)
{
    EXPECT_EQ("<a x=\"&\">\n\t\xC3\xA9\x01", encode(u"<a x=\"&\">\n\t\u00E9\x01", false, false));
    EXPECT_EQ("\xEF\xBF\xBD", encode(std::u16string(1, char16_t(0xDBFF)), false, false));
    // A 0 unit ends the written bytes, as the zero bytes behind the text do.
    EXPECT_EQ("ab", encode(std::u16string(u"ab\0cd", 5), false, false));
}

TEST(UTF8XMLEncoding, ConstructorsChooseEscaping)
{
    EXPECT_EQ("&lt;\xC3\xA9", written(UTF8XMLEncoding(String(u"<\u00E9"))));
    EXPECT_EQ("&lt;\xC3\xA9", written(UTF8XMLEncoding("<\xC3\xA9")));
    const std::vector<unsigned short> raw = units(u"<\u00E9");
    EXPECT_EQ("&lt;\xC3\xA9", written(UTF8XMLEncoding(raw.data())));
    EXPECT_EQ("", written(UTF8XMLEncoding(static_cast<const unsigned short*>(nullptr))));
    // Only a String can carry a 0 unit in; escaping drops it like any control character.
    EXPECT_EQ("ab", written(UTF8XMLEncoding(String(u"a\0b", 3))));
}

TEST(UTF8XMLEncoding, BufferHoldsFourBytesPerUnitAndEndsInZeros)
{
    // The worst case, four-byte pairs back to back, must still leave the zero terminator.
    std::u16string pairs;
    for (int i = 0; i < 100; ++i)
        pairs += u"\U0010FFFF";
    const std::vector<unsigned short> raw = units(pairs);
    UTF8XMLEncoding encoding(raw.data(), false, false);
    EXPECT_EQ(400u, std::strlen(encoding.getUTF8()));
    UTF8XMLEncoding empty(String(u""));
    EXPECT_EQ('\0', empty.getUTF8()[0]);
}

TEST(UTF8XMLEncoding, EscapingIsLinearInTheTextLength)
{
    // Replacing unit by unit in place would move the rest of the text for every "&": this
    // many would take hours. One pass takes a blink.
    constexpr std::size_t count = 2u << 20;
    String text(std::u16string(count, u'&').c_str());
    UTF8XMLEncoding::escapeXML(text, false);
    ASSERT_EQ(static_cast<int>(count * 5), text.length());
    EXPECT_EQ(u"&amp;&amp;", text.units().substr(0, 10));
}
