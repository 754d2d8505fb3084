#include "ConfigFixture.h"

#include <cstring>
#include <functional>
#include <vector>

#include <unistd.h>

namespace {

class Rewrite : public ConfigTest {
protected:
    int rewriteMain(const std::string& key, const std::string& value)
    {
        return OrvCfgTestAccess::writeToOrvFile(str(key), str(value), String(propertiesPath().c_str()));
    }
    int rewriteTrace(const std::string& key, const std::string& value)
    {
        return OrvCfgTestAccess::writeToTraceFile(str(key), str(value), String(tracePath().c_str()));
    }
};

TEST_F(Rewrite, OrvFileLinesWithTheKeyAreReplacedOthersCopiedByteForByte)
{
    const std::string a256(256, 'a');
    const std::string x259(259, 'x');
    const struct {
        const char* name;
        std::string before; // after the header line, which is copied untested
        std::string key;
        const char* value;
        int result;
        std::string after;
    } cases[] = {
        {"EveryMatchingLine", "k=1\nother=2\nk=3\n", "k", "9", ORVCFG_OK, "k=9\nother=2\nk=9\n"},
        {"BlanksAroundKeyAreDropped", "  trace_level = MAX\n", "trace_level", "MID", ORVCFG_OK, "trace_level=MID\n"},
        {"CommentLineIsCopied", "#k=MAX\nk=MIN\n", "k", "MID", ORVCFG_OK, "#k=MAX\nk=MID\n"},
        {"CarriageReturnKeptOnCopiedLines", "a=1\r\nk=2\r\n", "k", "3", ORVCFG_OK, "a=1\r\nk=3\n"},
        {"LastLineWithoutLineFeed", "k=1", "k", "a=b", ORVCFG_OK, "k=a=b\n"},
        {"LinesWithoutTheKey", "=k\nk\n k \n", "k", "2", ORVCFG_KEY_NOT_FOUND, "=k\nk\n k \n"},
        {"AbsentKeyLeavesEveryByte", "# c\n\na = b \n", "zz", "1", ORVCFG_KEY_NOT_FOUND, "# c\n\na = b \n"},
        {"LineOf259BytesIsOnePiece", "k=" + a256 + "\n", "k", "v", ORVCFG_OK, "k=v\n"},
        {"LineOf260BytesIsTwoPieces", "k=" + a256 + "a\n", "k", "v", ORVCFG_OK, "k=v\n\n"},
        {"LongLineIsCopiedInPieces", x259 + "tail\n", "k", "v", ORVCFG_KEY_NOT_FOUND, x259 + "tail\n"},
        {"KeyInSecondPieceIsReplaced", x259 + "k=1\n", "k", "v", ORVCFG_OK, x259 + "k=v\n"},
        {"NulAndInvalidBytesAreCopied", std::string("a=\0\xff\n", 5) + "k=1\n", "k", "2", ORVCFG_OK,
         std::string("a=\0\xff\n", 5) + "k=2\n"},
        {"NonAsciiKey", "schl\xc3\xbcssel = 1\nschlussel=2\n", "schl\xc3\xbcssel", "v", ORVCFG_OK,
         "schl\xc3\xbcssel=v\nschlussel=2\n"},
        {"InvalidBytesOfTheKey", "\xff\xc3=1\n\xff\xc3\xa9=2\n", "\xff\xc3", "v", ORVCFG_OK,
         "\xff\xc3=v\n\xff\xc3\xa9=2\n"},
        {"LongerAndShorterKeys", "abcdefg=1\nabcdefghi=2\n\tabcdefgh\t=3\n", "abcdefgh", "v", ORVCFG_OK,
         "abcdefg=1\nabcdefghi=2\nabcdefgh=v\n"},
        {"NulInsideTheKey", std::string("k\0y=1\nk=2\n", 10), std::string("k\0y", 3), "v", ORVCFG_OK,
         std::string("k\0y=v\nk=2\n", 10)},
    };
    start(HEADER, std::nullopt);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        orvtest::writeFile(propertiesPath(), "header\n" + c.before);
        EXPECT_EQ(rewriteMain(c.key, c.value), c.result);
        EXPECT_EQ(mainFile(), "header\n" + c.after);
        EXPECT_FALSE(orvtest::fileExists(configDir() + "Orv.tmp"));
    }
}

struct TraceCase {
    std::string name;
    const char* key;
    const char* value;
    std::string after;
    int result = ORVCFG_OK;
    std::string before = TRACE;
    const char* commonTracePath = "/var/log/";
};

std::vector<TraceCase> traceCases()
{
    const std::string noFileName = MARKER + levelLines("INFO");
    const std::string permissions = MARKER + "handlers.traceFile.dirPermission=0700\n"
                                             "  ;handlers.traceFile.dirPermission = 0700\n"
                                             "##handlers.traceFile.dirPermission=0700\n"
                                             "#handlers.traceFile.filePermission=0700\n";
    std::vector<TraceCase> cases = {
        {"LevelMax", "trace_level", "MAX", traceWith(levelLines("DEBUG_MAX"))},
        {"LevelMid", "trace_level", "MID", traceWith(levelLines("DEBUG_MID"))},
        {"LevelMin", "trace_level", "MIN", traceWith(levelLines("DEBUG_MIN"))},
        {"UnknownLevelChangesNothing", "trace_level", "LOW", TRACE},
        {"AllComponents", "trace_comp", "All", traceWith(levelLines("DEBUG_MAX"))},
        {"FileNum", "trace_file_num", "", withLine(TRACE, "maxFiles=3\n", "maxFiles=\n")},
        {"FileSize", "trace_file_size", "2048", withLine(TRACE, "maxFileSize=1000\n", "maxFileSize=2048\n")},
        {"CommentedByOneCharacterBecomesActive", "handlers.traceFile.filePermission", "0755",
         withLine(TRACE, "#handlers.traceFile.filePermission=0700\n", "handlers.traceFile.filePermission=0755\n")},
        {"CommentedByTwoCharactersIsCopied", "handlers.traceFile.dirPermission", "0755", TRACE},
        {"PermissionActiveAndIndented", "handlers.traceFile.dirPermission", "0755",
         MARKER + "handlers.traceFile.dirPermission=0755\nhandlers.traceFile.dirPermission=0755\n"
                  "##handlers.traceFile.dirPermission=0700\n#handlers.traceFile.filePermission=0700\n",
         ORVCFG_OK, permissions},
        {"TraceKeysAreNotUserKeys", "handlers.traceFile.maxFiles", "7", TRACE},
        {"FileNameGetsForwardSlashes", "trace_file", "trace_hw.log",
         withLine(TRACE, "/var/log/orv/trace.log", "C:/logs/scan/trace_hw.log"), ORVCFG_OK, TRACE, "C:\\logs\\scan"},
        {"FileNameGetsSlashAfterTrailingSlash", "trace_file", "trace.log",
         withLine(TRACE, "=/var/log/orv/trace.log\n", "=/var/log//trace.log\n")},
        {"FileNameWithoutCommonTracePath", "trace_file", "trace.log", TRACE, ORVCFG_BAD_PROPERTIES_FILE, TRACE, ""},
        {"FileNameWithoutItsLineNeedsNoPath", "trace_file", "trace.log", noFileName, ORVCFG_OK, noFileName, ""},
        {"EmptyFile", "trace_level", "MAX", "", ORVCFG_BAD_TRACE_FILE, ""},
        {"MarkerWithoutHash", "trace_level", "MAX", "ORV_TRACE_PROPERTIES_FILE\n", ORVCFG_BAD_TRACE_FILE,
         "ORV_TRACE_PROPERTIES_FILE\n"},
        {"MarkerOnSecondLine", "trace_level", "MAX", "\n" + MARKER, ORVCFG_BAD_TRACE_FILE, "\n" + MARKER},
        {"MarkerWithMoreText", "trace_comp", "HW", "#ORV_TRACE_PROPERTIES_FILE v2\n" + levelLines("INFO", 0),
         ORVCFG_OK, "#ORV_TRACE_PROPERTIES_FILE v2\n" + levelLines("INFO")},
    };
    const char* const components[] = {"HW", "VPD", "FSS", "SWS", "PLG", "COM"};
    for (int i = 0; i < 6; ++i)
        cases.push_back({std::string("Component") + components[i], "trace_comp", components[i],
                         traceWith(levelLines("INFO", i))});
    return cases;
}

TEST_F(Rewrite, TraceFileTranslatesUserKeysIntoTraceLibraryLines)
{
    for (const TraceCase& c : traceCases()) {
        SCOPED_TRACE(c.name);
        start(HEADER + "common_trace_path=" + c.commonTracePath + "\n", c.before);
        EXPECT_EQ(rewriteTrace(c.key, c.value), c.result);
        EXPECT_EQ(traceFile(), c.after);
        EXPECT_FALSE(orvtest::fileExists(configDir() + "Trace.tmp"));
    }
}

TEST_F(Rewrite, MissingOrUnreadableFilesGiveOpenFailedAndCreateNothing)
{
    start(HEADER, std::nullopt);
    ::unlink(propertiesPath().c_str());
    EXPECT_EQ(rewriteMain("k", "v"), ORVCFG_OPEN_FAILED);
    EXPECT_EQ(rewriteTrace("trace_level", "MAX"), ORVCFG_OPEN_FAILED);
    // A directory opens for reading, and its first read fails.
    EXPECT_EQ(OrvCfgTestAccess::writeToOrvFile(String("k"), String("v"), String(configDir().c_str())),
              ORVCFG_OPEN_FAILED);
    for (const char* name : {"Orv.properties", "OrvTrace.properties", "Orv.tmp", "Trace.tmp"})
        EXPECT_FALSE(orvtest::fileExists(configDir() + name)) << name;

    orvtest::writeFile(tracePath(), TRACE);
    ASSERT_EQ(::chmod(tracePath().c_str(), 0), 0);
    EXPECT_EQ(orvtest::runUnprivileged([&] { return rewriteTrace("trace_level", "MAX"); }), ORVCFG_OPEN_FAILED);
}

TEST_F(Rewrite, FailuresLeaveTheOrvFileAsItWasAndNoTemporaryFile)
{
    const std::string temp = configDir() + "Orv.tmp";
    const std::string otherFileSystem = "/dev/shm/orv-rewrite-" + std::to_string(::getpid()) + ".tmp";
    const struct {
        const char* name;
        std::function<void()> arrange;
        bool unprivileged;
        int result;
    } cases[] = {
        {"TemporaryFileCannotBeOpened",
         [&] { std::strcpy(s_PropertiesTmpPath, (m_Tmp.path() + "/missing/Orv.tmp").c_str()); }, false,
         ORVCFG_OPEN_FAILED},
        {"PropertyFileDenied", [&] { ::chmod(propertiesPath().c_str(), 0); }, true, ORVCFG_ACCESS_DENIED},
        {"TemporaryFileDenied", [&] { ::chmod(configDir().c_str(), 0555); }, true, ORVCFG_ACCESS_DENIED},
        {"TemporaryFileFull", [&] { ASSERT_EQ(::symlink("/dev/full", temp.c_str()), 0); }, false,
         ORVCFG_RENAME_FAILED},
        {"MoveAcrossFileSystems", [&] { std::strcpy(s_PropertiesTmpPath, otherFileSystem.c_str()); }, false,
         ORVCFG_RENAME_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start(HEADER + "k=1\n", std::nullopt);
        c.arrange();
        const auto rewrite = [this] { return rewriteMain("k", "2"); };
        EXPECT_EQ(c.unprivileged ? orvtest::runUnprivileged(rewrite) : rewrite(), c.result);
        ::chmod(configDir().c_str(), 0777);
        ::chmod(propertiesPath().c_str(), 0644);
        EXPECT_EQ(mainFile(), HEADER + "k=1\n");
        EXPECT_FALSE(orvtest::fileExists(temp));
        EXPECT_FALSE(orvtest::fileExists(otherFileSystem));
    }
}

} // namespace
