#include "RewriteFixture.h"

#include <unistd.h>

namespace {

const std::string HEADER = "ORV_PROPERTIES_FILE\n";
const std::string MARKER = "#ORV_TRACE_PROPERTIES_FILE\n";
const std::string LEVELS = "hw.loggers.trcLogger.level=DEBUG_MIN\n"
                           "vpd.loggers.trcLogger.level=DEBUG_MIN\n"
                           "fscanner.loggers.trcLogger.level=DEBUG_MIN\n"
                           "sigeval.loggers.trcLogger.level=DEBUG_MIN\n"
                           "plugin.loggers.trcLogger.level=DEBUG_MIN\n"
                           "common.loggers.trcLogger.level=DEBUG_MIN\n";
const std::string HANDLERS = "handlers.traceFile.fileName=/old/trace.log\n"
                             "handlers.traceFile.maxFiles=3\n"
                             "handlers.traceFile.maxFileSize=1000\n"
                             "#handlers.traceFile.filePermission=0700\n"
                             "# handlers.traceFile.dirPermission=0700\n";
const std::string TRACE = MARKER + "# levels\n" + LEVELS + HANDLERS;

std::string levels(const char* hw, const char* vpd, const char* fs, const char* sws, const char* plg, const char* com)
{
    return std::string("hw.loggers.trcLogger.level=") + hw + "\nvpd.loggers.trcLogger.level=" + vpd +
           "\nfscanner.loggers.trcLogger.level=" + fs + "\nsigeval.loggers.trcLogger.level=" + sws +
           "\nplugin.loggers.trcLogger.level=" + plg + "\ncommon.loggers.trcLogger.level=" + com + "\n";
}

struct TraceCase {
    const char* name;
    const char* key;
    const char* value;
    std::string after;
};

const char* MIN_ = "DEBUG_MIN";
const char* MAX_ = "DEBUG_MAX";

const TraceCase TRACE_CASES[] = {
    {"LevelMaxSetsAllSix", "trace_level", "MAX",
     MARKER + "# levels\n" + levels(MAX_, MAX_, MAX_, MAX_, MAX_, MAX_) + HANDLERS},
    {"LevelMidSetsAllSix", "trace_level", "MID",
     MARKER + "# levels\n" + levels("DEBUG_MID", "DEBUG_MID", "DEBUG_MID", "DEBUG_MID", "DEBUG_MID", "DEBUG_MID") +
         HANDLERS},
    {"UnknownLevelChangesNothing", "trace_level", "LOW", TRACE},
    {"ComponentAllSetsAllSix", "trace_comp", "All",
     MARKER + "# levels\n" + levels(MAX_, MAX_, MAX_, MAX_, MAX_, MAX_) + HANDLERS},
    {"ComponentHw", "trace_comp", "HW", MARKER + "# levels\n" + levels(MAX_, MIN_, MIN_, MIN_, MIN_, MIN_) + HANDLERS},
    {"ComponentVpd", "trace_comp", "VPD", MARKER + "# levels\n" + levels(MIN_, MAX_, MIN_, MIN_, MIN_, MIN_) + HANDLERS},
    {"ComponentFss", "trace_comp", "FSS", MARKER + "# levels\n" + levels(MIN_, MIN_, MAX_, MIN_, MIN_, MIN_) + HANDLERS},
    {"ComponentSws", "trace_comp", "SWS", MARKER + "# levels\n" + levels(MIN_, MIN_, MIN_, MAX_, MIN_, MIN_) + HANDLERS},
    {"ComponentPlg", "trace_comp", "PLG", MARKER + "# levels\n" + levels(MIN_, MIN_, MIN_, MIN_, MAX_, MIN_) + HANDLERS},
    {"ComponentCom", "trace_comp", "COM", MARKER + "# levels\n" + levels(MIN_, MIN_, MIN_, MIN_, MIN_, MAX_) + HANDLERS},
    {"FileNum", "trace_file_num", "", withLine(TRACE, "maxFiles=3\n", "maxFiles=\n")},
    {"FileSize", "trace_file_size", "2048", withLine(TRACE, "maxFileSize=1000\n", "maxFileSize=2048\n")},
    {"FilePermissionCommentedByOneCharacterBecomesActive", "handlers.traceFile.filePermission", "0755",
     withLine(TRACE, "#handlers.traceFile.filePermission=0700\n", "handlers.traceFile.filePermission=0755\n")},
    {"DirPermissionCommentedByTwoCharactersIsCopied", "handlers.traceFile.dirPermission", "0755", TRACE},
    {"UserFacingKeysAreNotTraceKeys", "handlers.traceFile.maxFiles", "7", TRACE},
};

class RewriteTraceFile : public RewriteTest {
protected:
    int rewrite(const char* key, const char* value)
    {
        return OrvCfgTestAccess::writeToTraceFile(String(key), String(value), String(tracePath().c_str()));
    }
};

class RewriteTraceFileKeys : public RewriteTraceFile, public ::testing::WithParamInterface<TraceCase> {};

TEST_P(RewriteTraceFileKeys, TranslatesIntoTraceLibraryLines)
{
    const TraceCase& c = GetParam();
    start(HEADER, TRACE);
    EXPECT_EQ(rewrite(c.key, c.value), ORVCFG_OK);
    EXPECT_EQ(traceFile(), c.after);
    EXPECT_FALSE(orvtest::fileExists(configDir() + "Trace.tmp"));
}

INSTANTIATE_TEST_SUITE_P(Keys, RewriteTraceFileKeys, ::testing::ValuesIn(TRACE_CASES),
                         [](const ::testing::TestParamInfo<TraceCase>& info) { return info.param.name; });

TEST_F(RewriteTraceFile, PermissionLinesMatchActiveCommentedAndIndented)
{
    const std::string before = MARKER + "handlers.traceFile.dirPermission=0700\n" +
                               "  ;handlers.traceFile.dirPermission = 0700\n" +
                               "##handlers.traceFile.dirPermission=0700\n" +
                               "#handlers.traceFile.filePermission=0700\n";
    start(HEADER, before);
    EXPECT_EQ(rewrite("handlers.traceFile.dirPermission", "0755"), ORVCFG_OK);
    EXPECT_EQ(traceFile(), MARKER + "handlers.traceFile.dirPermission=0755\n" +
                               "handlers.traceFile.dirPermission=0755\n" +
                               "##handlers.traceFile.dirPermission=0700\n" +
                               "#handlers.traceFile.filePermission=0700\n");
}

TEST_F(RewriteTraceFile, FileNameJoinsCommonTracePathWithForwardSlashes)
{
    start(HEADER + "common_trace_path=C:\\logs\\scan\n", TRACE);
    EXPECT_EQ(rewrite("trace_file", "trace_hw.log"), ORVCFG_OK);
    EXPECT_EQ(traceFile(), withLine(TRACE, "fileName=/old/trace.log\n", "fileName=C:/logs/scan/trace_hw.log\n"));
}

TEST_F(RewriteTraceFile, FileNameGetsSlashEvenAfterTrailingSlash)
{
    start(HEADER + "common_trace_path=/var/log/\n", TRACE);
    EXPECT_EQ(rewrite("trace_file", "trace.log"), ORVCFG_OK);
    EXPECT_EQ(traceFile(), withLine(TRACE, "fileName=/old/trace.log\n", "fileName=/var/log//trace.log\n"));
}

TEST_F(RewriteTraceFile, FileNameWithoutCommonTracePathIsRefusedAndFileKept)
{
    start(HEADER + "common_trace_path=\n", TRACE);
    EXPECT_EQ(rewrite("trace_file", "trace.log"), ORVCFG_BAD_PROPERTIES_FILE);
    EXPECT_EQ(traceFile(), TRACE);
    EXPECT_FALSE(orvtest::fileExists(configDir() + "Trace.tmp"));
}

TEST_F(RewriteTraceFile, FileNameWithoutItsLineNeedsNoCommonTracePath)
{
    const std::string before = MARKER + LEVELS;
    start(HEADER, before);
    EXPECT_EQ(rewrite("trace_file", "trace.log"), ORVCFG_OK);
    EXPECT_EQ(traceFile(), before);
}

TEST_F(RewriteTraceFile, MissingOrUnusableFileIsRefusedAndKept)
{
    struct Bad {
        const char* bytes;
        int result;
    };
    const Bad cases[] = {
        {"", ORVCFG_BAD_TRACE_FILE},
        {"ORV_TRACE_PROPERTIES_FILE\nhw.loggers.trcLogger.level=DEBUG_MIN\n", ORVCFG_BAD_TRACE_FILE},
        {"\n#ORV_TRACE_PROPERTIES_FILE\n", ORVCFG_BAD_TRACE_FILE},
        {" #ORV_TRACE_PROPERTIES_FILE\n", ORVCFG_BAD_TRACE_FILE},
    };
    start(HEADER, nullptr);
    EXPECT_EQ(rewrite("trace_level", "MAX"), ORVCFG_OPEN_FAILED);
    EXPECT_FALSE(orvtest::fileExists(tracePath()));
    for (const Bad& bad : cases) {
        orvtest::writeFile(tracePath(), bad.bytes);
        EXPECT_EQ(rewrite("trace_level", "MAX"), bad.result) << bad.bytes;
        EXPECT_EQ(traceFile(), bad.bytes);
        EXPECT_FALSE(orvtest::fileExists(configDir() + "Trace.tmp"));
    }
    // The marker may carry more text on its line.
    orvtest::writeFile(tracePath(), "#ORV_TRACE_PROPERTIES_FILE v2\n" + LEVELS);
    EXPECT_EQ(rewrite("trace_comp", "HW"), ORVCFG_OK);
}

TEST_F(RewriteTraceFile, DeniedAccessGivesOpenFailed)
{
    start(HEADER, TRACE);
    ::chmod(tracePath().c_str(), 0);
    EXPECT_EQ(orvtest::runUnprivileged([&] { return rewrite("trace_level", "MAX"); }), ORVCFG_OPEN_FAILED);
}

TEST_F(RewriteTraceFile, ModeOverloadsSetModeAndRestoreMask)
{
    start(HEADER, TRACE);
    EXPECT_EQ(OrvCfgTestAccess::writeToTraceFile(String("trace_level"), String("MAX"), String(tracePath().c_str()),
                                                 0600),
              ORVCFG_OK);
    EXPECT_EQ(modeOf(tracePath()), 0600u);

    const mode_t old = ::umask(077);
    orvtest::writeFile(tracePath(), "no marker\n");
    EXPECT_EQ(OrvCfgTestAccess::writeToTraceFile(String("trace_level"), String("MAX"), String(tracePath().c_str()),
                                                 0644, 0),
              ORVCFG_BAD_TRACE_FILE);
    EXPECT_EQ(::umask(old), 077u);
    EXPECT_EQ(modeOf(tracePath()), 0644u);
}

} // namespace
