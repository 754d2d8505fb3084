// Property lines are read in blocks and split, trimmed and compared on their bytes or units
// where they stand; these tests hold those shortcuts to the results of the plain ways: one
// byte at a time, the line decoded whole, compareTo.
#include "RewriteFixture.h"

#include "PropertyLineReader.h"
#include "ScopedFile.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string HEADER = "ORV_PROPERTIES_FILE\n";
constexpr std::size_t BLOCK = PropertyLineReader::BLOCK_SIZE;
constexpr std::size_t MAX_PIECE = PropertyLineReader::MAX_PIECE_LENGTH;

// The pieces a 260-byte line buffer filled one byte at a time cuts from `bytes`.
std::vector<std::string> expectedPieces(const std::string& bytes)
{
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : bytes) {
        piece += c;
        if (c == '\n' || piece.size() == MAX_PIECE) {
            pieces.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty())
        pieces.push_back(piece);
    return pieces;
}

std::vector<std::string> readPieces(const std::string& bytes)
{
    orvtest::TempDir tmp;
    const std::string path = tmp.file("lines");
    orvtest::writeFile(path, bytes);
    ScopedFile file = openScopedFile(path.c_str(), "r");
    PropertyLineReader reader(file.get());
    std::vector<std::string> pieces;
    while (reader.next())
        pieces.emplace_back(reader.bytes());
    return pieces;
}

TEST(PropertyLineReaderBlocks, PiecesAcrossBlockEdgesAreThoseOfByteReads)
{
    // Lines that end, or pieces that fill up, on each side of the edges between blocks.
    struct {
        const char* name;
        std::size_t lead; // bytes before the line: lines of 100 bytes, then filler
        std::string line;
    } const cases[] = {
        {"LineFeedIsLastByteOfBlock", BLOCK - 10, std::string(9, 'a') + "\n"},
        {"LineFeedIsFirstByteOfNextBlock", BLOCK - 10, std::string(10, 'a') + "\n"},
        {"FullPieceEndsAtBlockEdge", BLOCK - MAX_PIECE, std::string(MAX_PIECE + 5, 'b') + "\n"},
        {"FullPieceStraddlesBlockEdge", BLOCK - 100, std::string(3 * MAX_PIECE, 'c') + "\n"},
        {"NulBytesAtBlockEdge", BLOCK - 2, std::string("\0\0\0=\0\n", 6)},
        {"FileEndsInsidePieceAfterEdge", BLOCK - 3, std::string(20, 'd')},
        {"FileEndsAtBlockEdge", BLOCK - 6, "e=1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes;
        while (bytes.size() + 100 <= c.lead)
            bytes += std::string(99, 'x') + "\n";
        bytes += std::string(c.lead - bytes.size(), 'y');
        bytes += c.line + "tail\n";
        EXPECT_EQ(readPieces(bytes), expectedPieces(bytes));
    }
}

TEST(PropertyLineReaderBlocks, MixedLinesOverSeveralBlocks)
{
    std::mt19937 random(7);
    std::string bytes;
    while (bytes.size() < 3 * BLOCK + 1234) {
        const std::size_t length = random() % 600;
        for (std::size_t i = 0; i < length; ++i)
            bytes += static_cast<char>(random() % 8 == 0 ? '\0' : 'a' + static_cast<char>(random() % 26));
        if (random() % 5 != 0)
            bytes += '\n';
    }
    EXPECT_EQ(readPieces(bytes), expectedPieces(bytes));
}

TEST(PropertyBytes, BlanksAreExactlyWhatTrimRemoves)
{
    for (unsigned int byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(byte);
        const char c = static_cast<char>(byte);
        String text(&c, 1);
        text.trim();
        EXPECT_EQ(isPropertyBlank(byte), text.isEmpty());
        EXPECT_EQ(trimPropertyBytes(std::string_view(&c, 1)).empty(), text.isEmpty());
    }
}

TEST(PropertyBytes, TextIsTheDecodedString)
{
    const std::string cases[] = {
        "",
        "plain ascii=1\n",
        std::string("nul\0inside\n", 11),
        "\x7f\x01",
        "valid \xc3\xa9 and \xf0\x9f\x98\x80",
        "invalid \xc3 \xff\xfe \xed\xa0\x80",
        "two-byte \xc2\x80 \xdf\xbf \xc3\xa9",
        "overlong \xc0\xaf \xc1\xbf, lead without continuation \xc3\xc3\xa9 \xc3" "A, at the end \xc3",
        "continuation alone \x80\xbf",
        std::string(MAX_PIECE, 'z'),
        std::string(MAX_PIECE - 1, 'z') + "\xc3\xa9",
        std::string(MAX_PIECE + 40, 'w'),
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(propertyText(bytes).units(), String(bytes.data(), bytes.size()).units());
    }
}

TEST(PropertyBytes, SplitCutsTheTrimmedKeyAndValueBytes)
{
    struct {
        std::string line;
        bool property;
        std::string key;
        std::string value;
    } const cases[] = {
        {"#k=v\n", false, "", ""},
        {"=v\n", false, "", ""},
        {"no equals\n", false, "", ""},
        {"", false, "", ""},
        {" \t#k \v= \fv=w \r\n", true, "#k", "v=w"},
        {"\xc3 = \xa9\n", true, "\xc3", "\xa9"},
        {"\xc3\xa9\xc3\xa9 =\xe2\x82\xac \n", true, "\xc3\xa9\xc3\xa9", "\xe2\x82\xac"},
        {std::string("\0k\0 = \0\n", 8), true, std::string("\0k\0", 3), std::string("\0", 1)},
        {" = \n", true, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::string_view key = "untouched";
        std::string_view value = "untouched";
        ASSERT_EQ(splitPropertyLine(c.line, key, value), c.property);
        if (!c.property) {
            EXPECT_EQ(key, "untouched");
            EXPECT_EQ(value, "untouched");
            continue;
        }
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(value, c.value);
    }
}

// Keys whose units differ first at every position of a four-unit step and in units above
// 0x7FFF, where a signed comparison or one by code point would order them differently.
std::vector<String> orderingKeys()
{
    std::vector<std::u16string> units = {
        u"", u"a", u"ab", u"abc", u"abcd", u"abcde", u"abcdefgh", u"abcdefghi", u"abcdefgi", u"abcdefh",
        u"abcdf", u"abce", u"abd", u"ac", u"b",
        u"plugin.scanner1.enabled", u"plugin.scanner10.enabled", u"plugin.scanner2.enabled",
        u"key\u00e9", u"key\u7fff", u"key\u8000", u"key\uffff", u"key\U0001F600", u"key\ue000",
        u"key\ue000x", u"keyA\uffff", u"keyA\u0001",
    };
    units.push_back(std::u16string(u"nul\0a", 5));
    units.push_back(std::u16string(u"nul\0b", 5));
    std::vector<String> keys;
    for (const std::u16string& u : units)
        keys.emplace_back(u.data(), u.size());
    return keys;
}

using PropertyStoreOrder = ConfigTest;

TEST_F(PropertyStoreOrder, StoreIsOrderedByCompareToAndFindsEveryKey)
{
    initializeWith(HEADER);
    ASSERT_EQ(OrvCfg::getError(), ORVCFG_OK);
    std::vector<String> keys = orderingKeys();
    // Inserted in reverse, so that the store's order is its own work.
    for (auto key = keys.rbegin(); key != keys.rend(); ++key)
        OrvCfgTestAccess::putProperty(*key, String(*key).concat("=value"));
    ASSERT_EQ(OrvCfgTestAccess::propertyMapSize(), keys.size());

    std::sort(keys.begin(), keys.end(), [](const String& a, const String& b) { return a.compareTo(b, 0) < 0; });
    std::vector<std::string> expected;
    for (const String& key : keys)
        expected.push_back(bytesOf(key));
    std::vector<std::string> stored;
    for (const auto& entry : OrvCfgTestAccess::properties())
        stored.push_back(entry.first);
    EXPECT_EQ(stored, expected);

    for (const String& key : keys) {
        SCOPED_TRACE(bytesOf(key));
        EXPECT_EQ(OrvCfg::getKey(key).units(), String(key).concat("=value").units());
        EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
    }
    const char16_t absent[] = u"abcdefg";
    EXPECT_TRUE(OrvCfg::getKey(String(absent)).isEmpty());
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_KEY_NOT_FOUND);
}

using RewriteKeyMatch = RewriteTest;

TEST_F(RewriteKeyMatch, KeyIsMatchedOnItsWholeTextOnly)
{
    struct {
        const char* name;
        String key;
        std::string before;
        int result;
        std::string after;
    } const cases[] = {
        {"NonAsciiKey", String("schl\xc3\xbc" "ssel"), "schl\xc3\xbcssel = 1\nschlussel=2\n", ORVCFG_OK,
         "schl\xc3\xbcssel=v\nschlussel=2\n"},
        {"InvalidBytesOfTheKey", String("\xff\xc3"), "\xff\xc3=1\n\xff\xc3\xa9=2\n", ORVCFG_OK, "\xff\xc3=v\n\xff\xc3\xa9=2\n"},
        {"LongerAndShorterKeysAreCopied", String("abcdefgh"), "abcdefg=1\nabcdefghi=2\n\tabcdefgh\t=3\n", ORVCFG_OK,
         "abcdefg=1\nabcdefghi=2\nabcdefgh=v\n"},
        {"NulInsideTheKey", String("k\0y", 3), std::string("k\0y=1\nk=2\n", 10), ORVCFG_OK,
         std::string("k\0y=v\nk=2\n", 10)},
        {"CommentedLineHasAnotherKey", String("k"), "#k=1\n", ORVCFG_KEY_NOT_FOUND, "#k=1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start(HEADER, nullptr);
        orvtest::writeFile(propertiesPath(), HEADER + c.before);
        EXPECT_EQ(OrvCfgTestAccess::writeToOrvFile(c.key, String("v"), String(propertiesPath().c_str())), c.result);
        EXPECT_EQ(mainFile(), HEADER + c.after);
        OrvCfg::cleanup();
    }
}

} // namespace
