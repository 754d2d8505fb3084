#include "ConfigFixture.h"

#include "PropertyLineReader.h"
#include "ScopedFile.h"

#include <random>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;
using PropertyStore = ConfigTest;

TEST_F(PropertyStore, LineRules)
{
    const std::string v256(256, 'v');
    const std::string v257(257, 'v');
    const struct {
        const char* name;
        std::string body; // after the header line
        Entries expected; // in key order
        int expectedCount;
    } cases[] = {
        {"TrimsKeyAndValue", "key = value  \n", {{"key", "value"}}, 1},
        {"TrimsTabsAndCarriageReturn", "\t k \v=\f v \t\r\n", {{"k", "v"}}, 1},
        {"SplitsAtTheFirstEquals", "a=b=c\n", {{"a", "b=c"}}, 1},
        {"EqualsOrHashInFirstColumnIsSkipped", "=x\n#a=b\n", {}, 0},
        {"HashAfterBlanksIsAKey", "  #a=b\n", {{"#a", "b"}}, 1},
        {"BlankBeforeEqualsGivesEmptyKey", " =x\n", {{"", "x"}}, 1},
        {"BlankLineAndTextWithoutEqualsStoreNothing", "\n   \nno equals here\n", {}, 0},
        {"EmptyValueIsStored", "k=\n", {{"k", ""}}, 1},
        {"RepeatedKeyKeepsLastValueCountsBoth", "k=1\nk=2\n", {{"k", "2"}}, 2},
        {"KeysAreCaseSensitiveAndOrdered", "b=2\nB=1\na=3\n", {{"B", "1"}, {"a", "3"}, {"b", "2"}}, 3},
        {"LastLineWithoutLineFeed", "a=1\r\nb=2", {{"a", "1"}, {"b", "2"}}, 2},
        {"NulBytesStayInsideTheLine", std::string("k\0x=v\0w\n", 8),
         {{std::string("k\0x", 3), std::string("v\0w", 3)}}, 1},
        {"InvalidUtf8KeepsItsBytes", "\xff\xfe=\x80\xc3\n", {{"\xff\xfe", "\x80\xc3"}}, 1},
        {"LineOf259BytesIsOneLine", "k=" + v256 + "\nq=w\n", {{"k", v256}, {"q", "w"}}, 2},
        {"LongLineRestIsALineOfItsOwn", "k=" + v257 + "q=w\n", {{"k", v257}, {"q", "w"}}, 2},
        {"LongLineRestWithoutEqualsIsSkipped", "k=" + v257 + std::string(41, 'x') + "\n", {{"k", v257}}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        initializeWith(HEADER + c.body);
        EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
        EXPECT_EQ(OrvCfgTestAccess::properties(), c.expected);
        EXPECT_EQ(OrvCfgTestAccess::propertyCount(), c.expectedCount);
        OrvCfg::cleanup();
    }
}

TEST_F(PropertyStore, HeaderLine)
{
    const struct {
        const char* name;
        std::string bytes;
        int expectedError;
    } cases[] = {
        {"EmptyFile", "", ORVCFG_BAD_PROPERTIES_FILE},
        {"MarkerWithValue", "ORV_PROPERTIES_FILE=1\nk=v\n", ORVCFG_OK},
        {"MarkerWithCrlf", "ORV_PROPERTIES_FILE\r\nk=v\r\n", ORVCFG_OK},
        {"BlankBeforeMarker", " ORV_PROPERTIES_FILE\nk=v\n", ORVCFG_BAD_PROPERTIES_FILE},
        {"PropertyBeforeMarker", "k=v\nORV_PROPERTIES_FILE\n", ORVCFG_BAD_PROPERTIES_FILE},
        {"NulBeforeMarker", std::string("\0ORV_PROPERTIES_FILE\nk=v\n", 25), ORVCFG_BAD_PROPERTIES_FILE},
        // Only the first 259 bytes are the header; the rest of that line is read as a line.
        {"OverlongHeaderLine", "ORV_PROPERTIES_FILE" + std::string(240, '#') + "k=v\n", ORVCFG_OK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        initializeWith(c.bytes);
        EXPECT_EQ(OrvCfg::getError(), c.expectedError);
        EXPECT_EQ(OrvCfgTestAccess::properties().size(), c.expectedError == ORVCFG_OK ? 1u : 0u);
        OrvCfg::cleanup();
    }
}

TEST_F(PropertyStore, UnopenableFileResults)
{
    OrvCfg::initialize("scan");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OPEN_FAILED) << "missing file";
    OrvCfg::cleanup();

    orvtest::writeFile(propertiesPath(), HEADER + "k=v\n");
    ASSERT_EQ(::chmod(propertiesPath().c_str(), 0), 0);
    EXPECT_EQ(orvtest::runUnprivileged([] {
                  OrvCfg::initialize("scan");
                  return OrvCfgTestAccess::properties().empty() ? OrvCfg::getError() : 100;
              }),
              ORVCFG_ACCESS_DENIED);

    // A directory opens, but its first read fails: no header line.
    ::unlink(propertiesPath().c_str());
    orvtest::makeDirs(propertiesPath());
    OrvCfg::initialize("scan");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_BAD_PROPERTIES_FILE) << "directory in place of the file";
}

TEST_F(PropertyStore, LookupResultsAndTheFileIsReadOnce)
{
    initializeWith(HEADER + "empty=\nk=v\n");
    orvtest::writeFile(propertiesPath(), HEADER + "k=new\n");
    const String fallback("fallback");
    const struct {
        const char* key;
        const unsigned short* defaultValue;
        const char* expected;
        int expectedError;
    } cases[] = {
        {"k", nullptr, "v", ORVCFG_OK},
        {"k", fallback.getBuffer(), "v", ORVCFG_OK},
        {"empty", fallback.getBuffer(), "", ORVCFG_OK},
        {"absent", fallback.getBuffer(), "fallback", ORVCFG_KEY_NOT_FOUND},
        {"K", nullptr, "", ORVCFG_KEY_NOT_FOUND},
        {" k", nullptr, "", ORVCFG_KEY_NOT_FOUND},
        {"k", nullptr, "v", ORVCFG_OK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(bytesOf(OrvCfg::getKey(String(c.key), c.defaultValue)), c.expected);
        EXPECT_EQ(OrvCfg::getError(), c.expectedError);
    }
    EXPECT_EQ(OrvCfgTestAccess::properties().size(), 2u) << "lookups never change the store";
}

std::vector<std::string> piecesOf(const std::string& bytes)
{
    orvtest::TempDir tmp;
    orvtest::writeFile(tmp.file("lines"), bytes);
    ScopedFile file = openScopedFile(tmp.file("lines").c_str(), "r");
    PropertyLineReader reader(file.get());
    std::vector<std::string> pieces;
    while (reader.next())
        pieces.emplace_back(reader.bytes());
    return pieces;
}

// The file is read in blocks; the pieces must be those of a 260-byte buffer filled one byte
// at a time, also where lines and pieces straddle the edges between blocks: lines of up to
// 600 bytes, with NUL bytes, some without line feed, over three blocks. (The 259-byte limit
// itself is pinned through the loader and the rewrite.)
TEST(PropertyLineReader, PiecesAreThoseOfByteReadsAndAReadErrorEndsTheFile)
{
    constexpr std::size_t BLOCK = PropertyLineReader::BLOCK_SIZE;
    constexpr std::size_t MAX_PIECE = PropertyLineReader::MAX_PIECE_LENGTH;
    const auto byteReads = [](const std::string& bytes) {
        std::vector<std::string> pieces(1);
        for (char c : bytes) {
            pieces.back() += c;
            if (c == '\n' || pieces.back().size() == MAX_PIECE)
                pieces.emplace_back();
        }
        if (pieces.back().empty())
            pieces.pop_back();
        return pieces;
    };
    std::mt19937 random(7);
    std::string mixed;
    while (mixed.size() < 3 * BLOCK + 1234)
        mixed += std::string(random() % 600, static_cast<char>(random() % 8 == 0 ? '\0' : 'a' + random() % 26)) +
                 (random() % 5 != 0 ? "\n" : "");
    EXPECT_EQ(piecesOf(mixed), byteReads(mixed));

    orvtest::TempDir tmp;
    ScopedFile dir = openScopedFile(tmp.path().c_str(), "r");
    PropertyLineReader reader(dir.get());
    EXPECT_FALSE(reader.next());
}

} // namespace
