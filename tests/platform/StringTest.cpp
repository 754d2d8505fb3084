#include "String.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringTest, EveryByteSequenceSurvivesTheNarrowRoundTrip)
{
    const std::string cases[] = {
        "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", // valid 2-, 3- and 4-byte sequences
        "\xff\xfe junk \x80\x81",                    // bytes that are never UTF-8
        "\xc3",                                      // a truncated sequence at the end
        "\xe0\x80\xaf",                              // an overlong form
        "\xed\xa0\x80",                              // an encoded surrogate
        std::string("nul\0inside", 10),
    };
    for (const std::string& bytes : cases) {
        String s(bytes.data(), bytes.size());
        EXPECT_EQ(std::string(s.narrow(), s.narrowLength()), bytes) << bytes;
    }
    // Text that came in as UTF-16 with a lone surrogate has no narrow form of its own.
    const char16_t lone[] = {u'x', 0xD800, u'y', 0xD83D, 0xDE00, 0};
    EXPECT_STREQ(String(lone).narrow(), "x\xef\xbf\xbdy\xf0\x9f\x98\x80");
}

} // namespace
