// The whole escaping table and the UTF-8 conversion, in every mode, are compared with a
// reference by the escaping fuzzer; what it cannot see is the time an escape takes.
#include "UTF8XMLEncoding.h"

#include <gtest/gtest.h>

#include <string>

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
