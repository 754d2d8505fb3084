// The whole escaping table and the UTF-8 conversion are compared with a reference by the
// escaping fuzzer; these rows pin the documented outputs of each class of unit.
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

} // namespace

TEST(UTF8XMLEncoding, WritesEveryClassOfUnitInEachMode)
{
    const struct {
        std::u16string text;
        std::string raw;      // escaping off
        std::string basic;    // escaped, units of 127 and more as UTF-8
        std::string nonAscii; // escaped, units of 127 and more as references
    } cases[] = {
        {u"<&'\">", "<&'\">", "&lt;&amp;&apos;&quot;&gt;", "&lt;&amp;&apos;&quot;&gt;"},
        {u"\t\r\n\x01\x1F", "\t\r\n\x01\x1F", "&#9;&#13;&#10;", "&#9;&#13;&#10;"},
        {u"\x7F\u00E9", "\x7F\xC3\xA9", "\x7F\xC3\xA9", "&#127;&#233;"},
        {u"\U0001F600", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "&#55357;&#56832;"},
        {std::u16string(1, char16_t(0xD800)) + u"x", "\xEF\xBF\xBDx", "\xEF\xBF\xBDx", "&#55296;x"},
        {std::u16string(u"ab\0cd", 5), "ab", "ab", "ab"}, // a 0 unit ends 0-terminated units
    };
    for (const auto& c : cases) {
        std::vector<unsigned short> units(c.text.begin(), c.text.end());
        units.push_back(0);
        EXPECT_EQ(c.raw, written(UTF8XMLEncoding(units.data(), false, false)));
        EXPECT_EQ(c.basic, written(UTF8XMLEncoding(units.data(), true, false)));
        EXPECT_EQ(c.nonAscii, written(UTF8XMLEncoding(units.data(), true, true)));
    }
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
