#include "ConfigFixture.h"

#include "PathBuffers.h"

#include <sys/stat.h>

#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

const std::string HEADER = "ORV_PROPERTIES_FILE\n";

// The bytes of a literal that holds NUL bytes, without its terminating NUL.
template <std::size_t N>
std::string bin(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

struct LineCase {
    const char* name;
    std::string body; // the file after the header line
    Entries expected; // the store, in key order
    int expectedCount;
};

std::vector<LineCase> lineCases()
{
    const std::string v257(257, 'v');
    const std::string v256(256, 'v');
    return {
        {"TrimsKeyAndValue", "key = value  \n", {{"key", "value"}}, 1},
        {"TrimsTabsAndCarriageReturn", "\t k \t=\t v \t\r\n", {{"k", "v"}}, 1},
        {"SplitsAtTheFirstEquals", "a=b=c\n", {{"a", "b=c"}}, 1},
        {"EqualsInFirstColumnIsSkipped", "=x\n", {}, 0},
        {"HashInFirstColumnIsSkipped", "#a=b\n", {}, 0},
        {"HashAfterBlanksIsAKey", "  #a=b\n", {{"#a", "b"}}, 1},
        {"BlankBeforeEqualsGivesEmptyKey", " =x\n", {{"", "x"}}, 1},
        {"BlankLineAndTextWithoutEqualsStoreNothing", "\n   \nno equals here\n", {}, 0},
        {"EmptyValueIsStored", "k=\n", {{"k", ""}}, 1},
        {"RepeatedKeyKeepsLastValueCountsBoth", "k=1\nk=2\n", {{"k", "2"}}, 2},
        {"KeysAreCaseSensitiveAndOrdered", "b=2\nB=1\na=3\n", {{"B", "1"}, {"a", "3"}, {"b", "2"}}, 3},
        {"LastLineWithoutLineFeed", "a=1\nb=2", {{"a", "1"}, {"b", "2"}}, 2},
        {"CrlfLineEnds", "a=1\r\nb=2\r\n", {{"a", "1"}, {"b", "2"}}, 2},
        {"NulBytesStayInsideTheLine", bin("k\0x=v\0w\n"), {{std::string("k\0x", 3), std::string("v\0w", 3)}}, 1},
        {"InvalidUtf8KeepsItsBytes", "\xff\xfe=\x80\xc3\n", {{"\xff\xfe", "\x80\xc3"}}, 1},
        // 258 bytes and the line feed fit one read; the next line is read on its own.
        {"LineOf259BytesIsOneLine", "k=" + v256 + "\nq=w\n", {{"k", v256}, {"q", "w"}}, 2},
        // 259 bytes without the line feed fill the buffer: the rest is a line of its own.
        {"LongLineRestIsALineOfItsOwn", "k=" + v257 + "q=w\n", {{"k", v257}, {"q", "w"}}, 2},
        {"LongLineRestWithoutEqualsIsSkipped", "k=" + v257 + std::string(41, 'x') + "\n", {{"k", v257}}, 1},
    };
}

using PropertyStore = ConfigTest;

TEST_F(PropertyStore, LineRules)
{
    for (const LineCase& c : lineCases()) {
        SCOPED_TRACE(c.name);
        initializeWith(HEADER + c.body);
        EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
        EXPECT_EQ(OrvCfgTestAccess::properties(), c.expected);
        EXPECT_EQ(OrvCfgTestAccess::propertyCount(), c.expectedCount);
        OrvCfg::cleanup();
    }
}

struct HeaderCase {
    const char* name;
    std::string bytes;
    int expectedError;
    Entries expected;
};

TEST_F(PropertyStore, HeaderLine)
{
    const std::string longHeader = "ORV_PROPERTIES_FILE" + std::string(240, '#'); // 259 bytes
    const HeaderCase cases[] = {
        {"EmptyFile", "", ORVCFG_BAD_PROPERTIES_FILE, {}},
        {"MarkerWithValue", "ORV_PROPERTIES_FILE=1\nk=v\n", ORVCFG_OK, {{"k", "v"}}},
        {"MarkerFollowedByLetters", "ORV_PROPERTIES_FILEXYZ\nk=v\n", ORVCFG_OK, {{"k", "v"}}},
        {"MarkerWithCrlf", "ORV_PROPERTIES_FILE\r\nk=v\r\n", ORVCFG_OK, {{"k", "v"}}},
        {"OnlyTheMarkerNoLineFeed", "ORV_PROPERTIES_FILE", ORVCFG_OK, {}},
        {"BlankBeforeMarker", " ORV_PROPERTIES_FILE\nk=v\n", ORVCFG_BAD_PROPERTIES_FILE, {}},
        {"LowerCaseMarker", "orv_properties_file\nk=v\n", ORVCFG_BAD_PROPERTIES_FILE, {}},
        {"PropertyInsteadOfHeader", "k=v\nORV_PROPERTIES_FILE\n", ORVCFG_BAD_PROPERTIES_FILE, {}},
        {"NulBeforeMarker", bin("\0ORV_PROPERTIES_FILE\nk=v\n"), ORVCFG_BAD_PROPERTIES_FILE, {}},
        {"BinaryJunk", bin("\x7f" "ELF\x02\x01\x01\0\0\0=\n\xff"), ORVCFG_BAD_PROPERTIES_FILE, {}},
        // Only the first 259 bytes are the header; the rest of that line is read as a line.
        {"OverlongHeaderLine", longHeader + "k=v\n", ORVCFG_OK, {{"k", "v"}}},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        initializeWith(c.bytes);
        EXPECT_EQ(OrvCfg::getError(), c.expectedError);
        EXPECT_EQ(OrvCfgTestAccess::properties(), c.expected);
        OrvCfg::cleanup();
    }
}

TEST_F(PropertyStore, OpenFailures)
{
    OrvCfg::initialize("scan");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OPEN_FAILED) << "missing file";
    OrvCfg::cleanup();

    // A directory opens but every read fails: no header line.
    orvtest::makeDirs(propertiesPath());
    OrvCfg::initialize("scan");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_BAD_PROPERTIES_FILE) << "directory in place of the file";
    EXPECT_STREQ(s_PropertiesPath, propertiesPath().c_str());
}

TEST_F(PropertyStore, UnreadableFileIsAccessDenied)
{
    orvtest::writeFile(propertiesPath(), HEADER + "k=v\n");
    ASSERT_EQ(chmod(propertiesPath().c_str(), 0), 0);
    const int error = orvtest::runUnprivileged([] {
        OrvCfg::initialize("scan");
        int result = OrvCfg::getError();
        if (OrvCfgTestAccess::propertyMapSize() != 0)
            result = 100;
        OrvCfg::cleanup();
        return result;
    });
    EXPECT_EQ(error, ORVCFG_ACCESS_DENIED);
}

TEST_F(PropertyStore, HeaderOnlyFileLoadsButHasNoKeys)
{
    initializeWith(HEADER);
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"), String("fallback").getBuffer())), "fallback");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_KEY_NOT_FOUND);
}

TEST_F(PropertyStore, LookupResults)
{
    initializeWith(HEADER + "empty=\nk=v\n");
    const String fallback("fallback");
    struct {
        const char* key;
        const unsigned short* defaultValue;
        const char* expected;
        int expectedError;
    } const cases[] = {
        {"k", nullptr, "v", ORVCFG_OK},
        {"k", fallback.getBuffer(), "v", ORVCFG_OK},
        {"empty", fallback.getBuffer(), "", ORVCFG_OK},
        {"absent", fallback.getBuffer(), "fallback", ORVCFG_KEY_NOT_FOUND},
        {"absent", nullptr, "", ORVCFG_KEY_NOT_FOUND},
        {"K", nullptr, "", ORVCFG_KEY_NOT_FOUND},
        {" k", nullptr, "", ORVCFG_KEY_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(bytesOf(OrvCfg::getKey(String(c.key), c.defaultValue)), c.expected);
        EXPECT_EQ(OrvCfg::getError(), c.expectedError);
    }
    EXPECT_EQ(OrvCfgTestAccess::propertyMapSize(), 2u) << "lookups never change the store";
}

TEST_F(PropertyStore, FileIsReadOnceAtConstruction)
{
    initializeWith(HEADER + "k=old\n");
    orvtest::writeFile(propertiesPath(), HEADER + "k=new\n");
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"))), "old");
    orvtest::writeFile(propertiesPath(), "");
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"))), "old");
}

} // namespace
