#include "UTF8XMLEncoding.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::string written(const UTF8XMLEncoding& i_Encoding)
{
    std::ostringstream out;
    out << i_Encoding;
    return out.str();
}

// Through the constructor that takes 0-terminated units and both choices.
std::string encode(const std::u16string& i_Text, bool i_Escape, bool i_NonAscii)
{
    std::vector<unsigned short> units(i_Text.begin(), i_Text.end());
    units.push_back(0);
    return written(UTF8XMLEncoding(units.data(), i_Escape, i_NonAscii));
}

template <typename Text>
Text repeated(const Text& i_Text, int i_Times)
{
    Text all;
    while (i_Times-- > 0)
        all += i_Text;
    return all;
}

} // namespace

TEST(UTF8XMLEncoding, WritesEveryClassOfUnitInEachMode)
{
    const std::u16string maximal = repeated(std::u16string(u"\U0010FFFF"), 100);
    const std::string maximalBytes = repeated(std::string("\xF4\x8F\xBF\xBF"), 100);
    const struct {
        const char* what;
        std::u16string text;
        std::string raw;      // escaping off
        std::string basic;    // escaped, units of 127 and more as UTF-8
        std::string nonAscii; // escaped, units of 127 and more as references
    } cases[] = {
        {"markup", u"a<b & 'c'\">", "a<b & 'c'\">", "a&lt;b &amp; &apos;c&apos;&quot;&gt;",
         "a&lt;b &amp; &apos;c&apos;&quot;&gt;"},
        {"tab, line feed, carriage return", u"a\tb\r\nc", "a\tb\r\nc", "a&#9;b&#13;&#10;c", "a&#9;b&#13;&#10;c"},
        {"other controls dropped", u"\x01\x08\x0B\x0C\x0E\x1F", "\x01\x08\x0B\x0C\x0E\x1F", "", ""},
        {"printable ASCII kept", u" ~09AZaz!#/;=?@[]{}", " ~09AZaz!#/;=?@[]{}", " ~09AZaz!#/;=?@[]{}",
         " ~09AZaz!#/;=?@[]{}"},
        {"DEL", u"\x7F", "\x7F", "\x7F", "&#127;"},
        {"e acute", u"\u00E9", "\xC3\xA9", "\xC3\xA9", "&#233;"},
        {"three-byte unit", u"\u20AC", "\xE2\x82\xAC", "\xE2\x82\xAC", "&#8364;"},
        {"surrogate pair", u"\U0001F600", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "&#55357;&#56832;"},
        {"lone high surrogate", std::u16string(1, char16_t(0xD800)) + u"x", "\xEF\xBF\xBDx", "\xEF\xBF\xBDx",
         "&#55296;x"},
        {"lone low surrogate", std::u16string(1, char16_t(0xDC80)), "\xEF\xBF\xBD", "\xEF\xBF\xBD", "&#56448;"},
        {"not idempotent", u"&amp;", "&amp;", "&amp;amp;", "&amp;amp;"},
        {"a 0 unit ends 0-terminated units", std::u16string(u"ab\0cd", 5), "ab", "ab", "ab"},
        {"empty", u"", "", "", ""},
        {"four bytes for every unit, and still a zero behind them", maximal, maximalBytes, maximalBytes,
         repeated(std::string("&#56319;&#57343;"), 100)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.raw, encode(c.text, false, false));
        EXPECT_EQ(c.basic, encode(c.text, true, false));
        EXPECT_EQ(c.nonAscii, encode(c.text, true, true));
    }
}

TEST(UTF8XMLEncoding, ConstructorsWithoutAChoiceEscapeInBasicMode)
{
    const std::vector<unsigned short> units{u'<', 0x00E9, 0};
    EXPECT_EQ("&lt;\xC3\xA9", written(UTF8XMLEncoding(String(u"<\u00E9"))));
    EXPECT_EQ("&lt;\xC3\xA9", written(UTF8XMLEncoding("<\xC3\xA9")));
    EXPECT_EQ("&lt;\xC3\xA9", written(UTF8XMLEncoding(units.data())));
    EXPECT_EQ("", written(UTF8XMLEncoding(static_cast<const unsigned short*>(nullptr))));
    // Only a String carries a 0 unit in; escaping drops it like any control character.
    EXPECT_EQ("ab", written(UTF8XMLEncoding(String(u"a\0b", 3))));
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
