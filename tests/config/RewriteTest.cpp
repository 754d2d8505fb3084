#include "ConfigFixture.h"

#include <cstring>
#include <functional>
#include <iostream>
#include <vector>

namespace {

class Rewrite : public ConfigTest {
protected:
    int rewriteMain(const std::string& key, const std::string& value)
    {
        return OrvCfgTestAccess::writeToOrvFile(str(key), str(value), String(propertiesPath().c_str()));
    }
};

TEST_F(Rewrite, TraceFileTranslatesUserKeysIntoTraceLibraryLines)
{
    const std::string noFileName = MARKER + levelLines("INFO");
    const std::string permissions = MARKER + "handlers.traceFile.dirPermission=0700\n"
                                             "  ;handlers.traceFile.dirPermission = 0700\n"
                                             "##handlers.traceFile.dirPermission=0700\n"
                                             "#handlers.traceFile.filePermission=0700\n";
    struct TraceCase { std::string name; const char* key, *value; std::string after; int result = ORVCFG_OK;
                       std::string before = TRACE; const char* commonTracePath = "/var/log/"; };
    std::vector<TraceCase> cases = {
        {"LevelMin", "trace_level", "MIN", traceWith(levelLines("DEBUG_MIN"))},
        {"AllComponents", "trace_comp", "All", traceWith(levelLines("DEBUG_MAX"))},
        {"FileSize", "trace_file_size", "2048", withLine(TRACE, "maxFileSize=1000\n", "maxFileSize=2048\n")},
        {"PermissionActiveAndIndented", "handlers.traceFile.dirPermission", "0755",
         MARKER + "handlers.traceFile.dirPermission=0755\nhandlers.traceFile.dirPermission=0755\n"
                  "##handlers.traceFile.dirPermission=0700\n#handlers.traceFile.filePermission=0700\n",
         ORVCFG_OK, permissions},
        {"FileNameGetsForwardSlashes", "trace_file", "trace_hw.log",
         withLine(TRACE, "/var/log/orv/trace.log", "C:/logs/scan/trace_hw.log"), ORVCFG_OK, TRACE, "C:\\logs\\scan"},
        {"FileNameGetsSlashAfterTrailingSlash", "trace_file", "trace.log",
         withLine(TRACE, "=/var/log/orv/trace.log\n", "=/var/log//trace.log\n")},
        {"FileNameWithoutItsLineNeedsNoPath", "trace_file", "trace.log", noFileName, ORVCFG_OK, noFileName, ""},
        {"EmptyFile", "trace_level", "MAX", "", ORVCFG_BAD_TRACE_FILE, ""},
        {"MarkerWithMoreText", "trace_comp", "HW", "#ORV_TRACE_PROPERTIES_FILE v2\n" + levelLines("INFO", 0),
         ORVCFG_OK, "#ORV_TRACE_PROPERTIES_FILE v2\n" + levelLines("INFO")},
    };
    const char* const components[] = {"HW", "VPD", "FSS", "SWS", "PLG", "COM"};
    for (int i = 0; i < 6; ++i)
        cases.push_back({components[i], "trace_comp", components[i], traceWith(levelLines("INFO", i))});
    for (const TraceCase& c : cases) {
        SCOPED_TRACE(c.name);
        start(HEADER + "common_trace_path=" + c.commonTracePath + "\n", c.before);
        EXPECT_EQ(OrvCfgTestAccess::writeToTraceFile(str(c.key), str(c.value), String(tracePath().c_str())), c.result);
        EXPECT_EQ(traceFile(), c.after);
        EXPECT_FALSE(orvtest::fileExists(configDir() + "Trace.tmp"));
    }
}

TEST_F(Rewrite, FailuresLeaveTheOrvFileAsItWasAndNoTemporaryFile)
{
    enum Runner { HERE, UNPRIVILEGED, FILE_SIZE_LIMITED };
    const struct { const char* name; std::function<void()> arrange; Runner runner; int result; } cases[] = {
        {"TemporaryFileCannotBeOpened", [&] { std::strcpy(s_PropertiesTmpPath, m_Tmp.file("missing/Orv.tmp").c_str()); },
         HERE, ORVCFG_OPEN_FAILED},
        {"PropertyFileDenied", [&] { orvtest::setMode(propertiesPath(), 0); }, UNPRIVILEGED, ORVCFG_ACCESS_DENIED},
        {"TemporaryFileDenied", [&] { orvtest::setMode(configDir(), 0555); }, UNPRIVILEGED, ORVCFG_ACCESS_DENIED},
        {"TemporaryFileCannotBeWrittenOut", [] {}, FILE_SIZE_LIMITED, ORVCFG_WRITE_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.runner != HERE && !orvtest::haveChildProcesses()) {
            std::cout << "[   NOTE   ] " << c.name << ": needs fork() (a change of user or a file size limit), "
                      << "which Windows lacks; row not tried\n";
            continue;
        }
        start(HEADER + "k=1\n", std::nullopt);
        c.arrange();
        const auto rewrite = [this] { return rewriteMain("k", "2"); };
        const int handles = orvtest::openHandleCount();
        EXPECT_EQ(c.runner == HERE           ? rewrite()
                  : c.runner == UNPRIVILEGED ? orvtest::runUnprivileged(rewrite)
                                             : orvtest::runWithFileSizeLimit(8, rewrite),
                  c.result);
        EXPECT_EQ(orvtest::openHandleCount(), handles);
        orvtest::setMode(configDir(), 0777);
        orvtest::setMode(propertiesPath(), 0644);
        EXPECT_EQ(mainFile(), HEADER + "k=1\n");
        EXPECT_FALSE(orvtest::fileExists(configDir() + "Orv.tmp"));
    }
}

} // namespace
