#include "String.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string units(const String& s) { return s.units(); }

TEST(StringTest, EveryByteSequenceSurvivesTheNarrowRoundTrip)
{
    const std::string cases[] = {
        "plain ascii=value",
        "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",   // valid 2-, 3- and 4-byte sequences
        "\xff\xfe junk \x80\x81",                      // bytes that are never UTF-8
        "\xc3",                                         // a truncated sequence at the end
        "\xe0\x80\xaf",                                 // an overlong form
        "\xed\xa0\x80",                                 // an encoded surrogate
        std::string("nul\0inside", 10),
        "\r\n",
    };
    for (const std::string& bytes : cases) {
        String s(bytes.data(), bytes.size());
        EXPECT_EQ(std::string(s.narrow(), s.narrowLength()), bytes) << bytes;
    }
}

TEST(StringTest, InvalidBytesBecomeEscapeUnits)
{
    String s("a\xff");
    ASSERT_EQ(s.length(), 2);
    EXPECT_EQ(s.charAt(1), 0xDCFF);
    String euro("\xe2\x82\xac");
    ASSERT_EQ(euro.length(), 1);
    EXPECT_EQ(euro.charAt(0), 0x20AC);
}

TEST(StringTest, LoneSurrogateEncodesAsReplacementCharacter)
{
    const char16_t lone[] = {u'x', 0xD800, u'y', 0};
    EXPECT_STREQ(String(lone).narrow(), "x\xef\xbf\xbdy");
    const char16_t pair[] = {0xD83D, 0xDE00, 0};
    EXPECT_STREQ(String(pair).narrow(), "\xf0\x9f\x98\x80");
}

TEST(StringTest, NullPointersGiveEmptyStrings)
{
    EXPECT_TRUE(String(static_cast<const char*>(nullptr)).isEmpty());
    EXPECT_TRUE(String(static_cast<const unsigned short*>(nullptr)).isEmpty());
    EXPECT_STREQ(String().narrow(), "");
}

TEST(StringTest, IndexingAndSearching)
{
    String s("key=value=x");
    EXPECT_EQ(s.length(), 11);
    EXPECT_EQ(s.charAt(s.length()), 0);
    EXPECT_EQ(s.charAt(-1), 0);
    EXPECT_EQ(s.indexOf(u'='), 3);
    EXPECT_EQ(s.indexOf(u'=', 4), 9);
    EXPECT_EQ(s.indexOf(u'#'), -1);
    EXPECT_EQ(s.indexOf(String("value")), 4);
    EXPECT_EQ(s.indexOf(String("nope")), -1);
    EXPECT_EQ(s.indexOf(String("")), 0);
    EXPECT_EQ(s.lastIndexOf(u'='), 9);
    EXPECT_EQ(s.lastIndexOf(u'=', 8), 3);
    EXPECT_EQ(s.lastIndexOf(u'=', 2), -1);
    EXPECT_EQ(String().lastIndexOf(u'='), -1);
}

TEST(StringTest, SubstringBoundsAreInclusive)
{
    String s("key=value");
    EXPECT_EQ(units(s.substring(0, 2)), u"key");
    EXPECT_EQ(units(s.substring(4)), u"value");
    EXPECT_EQ(units(s.substring(9)), u"");
    EXPECT_EQ(units(s.substring(0, -1)), u"");   // the text before a "=" at index 0
    EXPECT_EQ(units(s.substring(3, 3)), u"=");
    EXPECT_EQ(units(s.substring(5, 100)), u"alue");
}

TEST(StringTest, TrimRemovesWhiteSpaceIncludingLineEnds)
{
    struct Case {
        const char* in;
        const char16_t* out;
    } cases[] = {
        {"  key \t", u"key"}, {"value\r\n", u"value"}, {" \r\n\t ", u""}, {"a b", u"a b"}, {"", u""},
    };
    for (const Case& c : cases) {
        String s(c.in);
        s.trim();
        EXPECT_EQ(units(s), c.out) << c.in;
    }
}

TEST(StringTest, PrefixSuffixAndComparison)
{
    String s("ORV_PROPERTIES_FILE=1");
    EXPECT_TRUE(s.startsWith(String("ORV_PROPERTIES_FILE"), 0));
    EXPECT_FALSE(String(" ORV_PROPERTIES_FILE").startsWith(String("ORV_PROPERTIES_FILE"), 0));
    EXPECT_TRUE(s.startsWith(String("PROP"), 4));
    EXPECT_FALSE(String("ab").startsWith(String("abc"), 0));
    EXPECT_TRUE(String("trace.log").endsWith(String(".log")));
    EXPECT_FALSE(String("log").endsWith(String(".log")));
    EXPECT_EQ(String("MAX").compareTo(String("MAX"), 0), 0);
    EXPECT_NE(String("max").compareTo(String("MAX"), 0), 0); // case-sensitive
    EXPECT_LT(String("a").compareTo(String("b"), 0), 0);
    EXPECT_LT(String("a").compareTo(String("ab"), 0), 0);
    EXPECT_GT(String("b").compareTo(String("ab"), 0), 0);
}

TEST(StringTest, InPlaceEditsRefreshTheNarrowForm)
{
    String s("c:\\dir\\file");
    const char* before = s.narrow();
    EXPECT_STREQ(before, "c:\\dir\\file");
    s.replace(u'\\', u'/');
    EXPECT_STREQ(s.narrow(), "c:/dir/file");
    s.concat("/x");
    s.insertSubstring(0, String(">"));
    EXPECT_STREQ(static_cast<const char*>(s), ">c:/dir/file/x");
    const unsigned short tail[] = {u'!', 0};
    s.concat(tail);
    EXPECT_STREQ(s.narrow(), ">c:/dir/file/x!");
    s.assign(u"new", 3);
    EXPECT_STREQ(s.narrow(), "new");
    s.assign(nullptr, 5);
    EXPECT_TRUE(s.isEmpty());
}

TEST(StringTest, ValueOfAndCopies)
{
    EXPECT_STREQ(String::valueOf(-42).narrow(), "-42");
    EXPECT_STREQ(String::valueOf(0).narrow(), "0");
    String a("one");
    String b(a);
    b.concat("two");
    EXPECT_STREQ(a.narrow(), "one");
    String c;
    c = std::move(b);
    EXPECT_STREQ(c.narrow(), "onetwo");
    EXPECT_TRUE(b.isEmpty()); // NOLINT(bugprone-use-after-move): moved-from strings are empty
}

} // namespace
