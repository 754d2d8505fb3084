#include "RewriteFixture.h"

#include <cstring>
#include <unistd.h>

namespace {

const std::string HEADER = "ORV_PROPERTIES_FILE\n";

class RewriteOrvFile : public RewriteTest {
protected:
    int rewrite(const char* key, const std::string& value)
    {
        return OrvCfgTestAccess::writeToOrvFile(String(key), String(value.c_str()), String(propertiesPath().c_str()));
    }
};

// Input bytes, key, value, expected result and bytes after the rewrite.
struct LineCase {
    const char* name;
    std::string before;
    const char* key;
    const char* value;
    int result;
    std::string after;
};

const std::string A256(256, 'a');
const std::string X259(259, 'x');

const LineCase LINE_CASES[] = {
    {"EveryMatchingLineIsReplaced", HEADER + "k=1\nother=2\nk=3\n", "k", "9", ORVCFG_OK,
     HEADER + "k=9\nother=2\nk=9\n"},
    {"BlanksAroundKeyAreDropped", HEADER + "  trace_level = MAX\n", "trace_level", "MID", ORVCFG_OK,
     HEADER + "trace_level=MID\n"},
    {"CommentLineIsCopied", HEADER + "#trace_level=MAX\ntrace_level=MIN\n", "trace_level", "MID", ORVCFG_OK,
     HEADER + "#trace_level=MAX\ntrace_level=MID\n"},
    {"CarriageReturnLineIsMatchedAndOthersKeepTheirs", HEADER + "a=1\r\nk=2\r\n", "k", "3", ORVCFG_OK,
     HEADER + "a=1\r\nk=3\n"},
    {"HeaderIsCopiedNotTested", "garbage\nk=1\n", "k", "2", ORVCFG_OK, "garbage\nk=2\n"},
    {"LastLineWithoutLineFeed", HEADER + "k=1", "k", "2", ORVCFG_OK, HEADER + "k=2\n"},
    {"ValueWithEqualsSignsIsWrittenAsIs", HEADER + "k=1\n", "k", "a=b=c", ORVCFG_OK, HEADER + "k=a=b=c\n"},
    {"LineWithoutKeyIsCopied", HEADER + "=k\nk\n k \n", "k", "2", ORVCFG_KEY_NOT_FOUND, HEADER + "=k\nk\n k \n"},
    {"AbsentKeyLeavesEveryByte", HEADER + "# c\n\na = b \n", "zz", "1", ORVCFG_KEY_NOT_FOUND,
     HEADER + "# c\n\na = b \n"},
    // 259 bytes with the line feed: one piece.
    {"LineOf259BytesIsOnePiece", HEADER + "k=" + A256 + "\n", "k", "v", ORVCFG_OK, HEADER + "k=v\n"},
    // 260 bytes: the line feed arrives as a piece of its own and is copied.
    {"LineOf260BytesIsTwoPieces", HEADER + "k=" + A256 + "a\n", "k", "v", ORVCFG_OK, HEADER + "k=v\n\n"},
    {"LongLineWithoutKeyIsCopiedInPieces", HEADER + X259 + "tail\n", "k", "v", ORVCFG_KEY_NOT_FOUND,
     HEADER + X259 + "tail\n"},
    // Each piece is a line of its own: a key in the second piece matches.
    {"KeyInSecondPieceIsReplaced", HEADER + X259 + "k=1\n", "k", "v", ORVCFG_OK, HEADER + X259 + "k=v\n"},
    {"NulAndInvalidBytesAreCopied", HEADER + std::string("a=\0\xff\xfe\n", 6) + "k=1\n", "k", "2", ORVCFG_OK,
     HEADER + std::string("a=\0\xff\xfe\n", 6) + "k=2\n"},
};

class RewriteOrvFileLines : public RewriteOrvFile, public ::testing::WithParamInterface<LineCase> {};

TEST_P(RewriteOrvFileLines, RewritesByteForByte)
{
    const LineCase& c = GetParam();
    start(HEADER, nullptr);
    orvtest::writeFile(propertiesPath(), c.before);
    EXPECT_EQ(rewrite(c.key, c.value), c.result);
    EXPECT_EQ(mainFile(), c.after);
    EXPECT_FALSE(orvtest::fileExists(configDir() + "Orv.tmp"));
}

INSTANTIATE_TEST_SUITE_P(Lines, RewriteOrvFileLines, ::testing::ValuesIn(LINE_CASES),
                         [](const ::testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST_F(RewriteOrvFile, MissingFileGivesOpenFailedAndCreatesNothing)
{
    start(HEADER, nullptr);
    ::unlink(propertiesPath().c_str());
    ::unlink((configDir() + "Orv.tmp").c_str());
    EXPECT_EQ(rewrite("k", "v"), ORVCFG_OPEN_FAILED);
    EXPECT_FALSE(orvtest::fileExists(propertiesPath()));
    EXPECT_FALSE(orvtest::fileExists(configDir() + "Orv.tmp"));
}

TEST_F(RewriteOrvFile, UnopenableTemporaryFileGivesOpenFailed)
{
    start(HEADER + "k=1\n", nullptr);
    std::strcpy(s_PropertiesTmpPath, (m_Tmp.path() + "/missing/Orv.tmp").c_str());
    EXPECT_EQ(rewrite("k", "2"), ORVCFG_OPEN_FAILED);
    EXPECT_EQ(mainFile(), HEADER + "k=1\n");
}

TEST_F(RewriteOrvFile, DeniedAccessGivesAccessDenied)
{
    start(HEADER + "k=1\n", nullptr);
    ::chmod(propertiesPath().c_str(), 0);
    EXPECT_EQ(orvtest::runUnprivileged([&] { return rewrite("k", "2"); }), ORVCFG_ACCESS_DENIED);

    ::chmod(propertiesPath().c_str(), 0666);
    ::chmod(configDir().c_str(), 0555); // the temporary file cannot be created
    ::unlink((configDir() + "Orv.tmp").c_str());
    EXPECT_EQ(orvtest::runUnprivileged([&] { return rewrite("k", "2"); }), ORVCFG_ACCESS_DENIED);
    ::chmod(configDir().c_str(), 0777);
    EXPECT_EQ(mainFile(), HEADER + "k=1\n");
}

TEST_F(RewriteOrvFile, UnreadablePropertyFileIsNotReplacedByWhatWasRead)
{
    start(HEADER, nullptr);
    // A directory opens for reading, and the first read fails.
    const std::string notAFile = m_Tmp.file("dir");
    orvtest::makeDirs(notAFile);
    EXPECT_EQ(OrvCfgTestAccess::writeToOrvFile(String("k"), String("v"), String(notAFile.c_str())),
              ORVCFG_OPEN_FAILED);
    EXPECT_TRUE(orvtest::fileExists(notAFile));
    EXPECT_FALSE(orvtest::fileExists(configDir() + "Orv.tmp"));
}

TEST_F(RewriteOrvFile, FailedWriteOfTemporaryFileLeavesPropertyFileWhole)
{
    start(HEADER + "k=1\n", nullptr);
    const std::string temp = configDir() + "Orv.tmp";
    ::unlink(temp.c_str());
    ASSERT_EQ(::symlink("/dev/full", temp.c_str()), 0);
    EXPECT_EQ(rewrite("k", "2"), ORVCFG_RENAME_FAILED);
    EXPECT_EQ(mainFile(), HEADER + "k=1\n");
}

TEST_F(RewriteOrvFile, FailedMoveLeavesPropertyFileAndRemovesTemporaryFile)
{
    start(HEADER + "k=1\n", nullptr);
    // A temporary file on another file system cannot be moved in one step.
    const std::string temp = "/dev/shm/orv-setkey-" + std::to_string(::getpid()) + ".tmp";
    if (!orvtest::fileExists("/dev/shm"))
        GTEST_SKIP() << "no second file system at /dev/shm";
    std::strcpy(s_PropertiesTmpPath, temp.c_str());
    EXPECT_EQ(rewrite("k", "2"), ORVCFG_RENAME_FAILED);
    EXPECT_EQ(mainFile(), HEADER + "k=1\n");
    EXPECT_FALSE(orvtest::fileExists(temp));
}

TEST_F(RewriteOrvFile, ModeOverloadSetsModeWhateverTheResult)
{
    start(HEADER + "k=1\n", nullptr);
    EXPECT_EQ(OrvCfgTestAccess::writeToOrvFile(String("zz"), String("v"), String(propertiesPath().c_str()), 0600),
              ORVCFG_KEY_NOT_FOUND);
    EXPECT_EQ(modeOf(propertiesPath()), 0600u);

    EXPECT_EQ(OrvCfgTestAccess::writeToOrvFile(String("k"), String("v"), String(propertiesPath().c_str()), 0640),
              ORVCFG_OK);
    EXPECT_EQ(modeOf(propertiesPath()), 0640u);
}

TEST_F(RewriteOrvFile, MaskOverloadRestoresTheProcessMask)
{
    start(HEADER + "k=1\n", nullptr);
    const mode_t old = ::umask(027);
    EXPECT_EQ(OrvCfgTestAccess::writeToOrvFile(String("k"), String("v"), String(propertiesPath().c_str()), 0604, 0),
              ORVCFG_OK);
    EXPECT_EQ(::umask(old), 027u);
    EXPECT_EQ(modeOf(propertiesPath()), 0604u);
    EXPECT_EQ(mainFile(), HEADER + "k=v\n");
}

} // namespace
