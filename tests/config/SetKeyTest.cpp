#include "ConfigFixture.h"
#include "Trace.h"
#include "Tracer.h"

#include <chrono>
#include <thread>
#include <tuple>

#include <unistd.h>

namespace {

using SetKey = ConfigTest;

const std::string REFUSED = "(refused)";

// An accepted value is stored, handed back to the caller as stored, and written to the main
// file (and the trace file for trace keys); a refused one changes nothing. The check alone
// answers the same and writes nothing.
TEST_F(SetKey, ValueRulesOfTheKnownKeys)
{
    // handlers.traceFile.fileName=/var/log/orv/NAME and a line end of two bytes fit one
    // 259-byte read up to a name of 216 bytes.
    const std::string LONGEST_NAME = "trace" + std::string(207, 'a') + ".log";
    const std::string scan = orvtest::native("C:/logs/scan");
    const std::string noFileName = MARKER + levelLines("INFO");
    // `stored` is also what the caller's string holds afterwards; `main` is given when more
    // than the key's line changes; the files start as `mainBefore` and `traceBefore`.
    const struct { const char* key; std::string value; int result; std::string stored = REFUSED, trace = TRACE, main = "",
                   mainBefore = MAIN, traceBefore = TRACE; } cases[] = {
        {"trace_level", "MIN", ORVCFG_OK, "MIN", traceWith(levelLines("DEBUG_MIN"))},
        {"trace_comp", "All", ORVCFG_OK, "All", traceWith(levelLines("DEBUG_MAX"))},
        {"trace_comp", "HW", ORVCFG_OK, "HW", traceWith(levelLines("INFO", 0))},
        {"trace_comp", "VPD", ORVCFG_OK, "VPD", traceWith(levelLines("INFO", 1))},
        {"trace_comp", "FSS", ORVCFG_OK, "FSS", traceWith(levelLines("INFO", 2))},
        {"trace_comp", "SWS", ORVCFG_OK, "SWS", traceWith(levelLines("INFO", 3))},
        {"trace_comp", "PLG", ORVCFG_OK, "PLG", traceWith(levelLines("INFO", 4))},
        {"trace_comp", "COM", ORVCFG_OK, "COM", traceWith(levelLines("INFO", 5))},
        {"trace_file_size", "2048", ORVCFG_OK, "2048", withLine(TRACE, "maxFileSize=1000\n", "maxFileSize=2048\n")},
        // The file name follows common_trace_path with forward slashes and one more slash, even
        // after a trailing one; without a file name line it needs no path.
        {"trace_file", "trace_hw.log", ORVCFG_OK, "trace_hw.log", withLine(TRACE, "/var/log/orv/trace.log", "C:/logs/scan/trace_hw.log"),
         "", withValue(MAIN, "common_trace_path", "C:\\logs\\scan")},
        {"trace_file", "trace.log", ORVCFG_OK, "trace.log", withLine(TRACE, "=/var/log/orv/trace.log\n", "=/var/log//trace.log\n"),
         "", withValue(MAIN, "common_trace_path", "/var/log/")},
        {"trace_file", "trace.log", ORVCFG_OK, "trace.log", noFileName, "", withValue(MAIN, "common_trace_path", ""), noFileName},
        {"trace_file", LONGEST_NAME, ORVCFG_OK, LONGEST_NAME, withLine(TRACE, "orv/trace.log", "orv/" + LONGEST_NAME)},
        {"swscanner.default_input_file", "a\\b/c", ORVCFG_OK, orvtest::native("a/b/c")},
        {"custom.key", "a\\b c", ORVCFG_OK, "a\\b c"},
        // Both path lines of the main file; the trace library reads forward slashes.
        {"common_trace_path", "C:\\logs\\scan", ORVCFG_OK, scan,
         withLine(TRACE, "/var/log/orv/trace.log\n", "C:/logs/scan/trace.log\n"),
         withValue(withValue(MAIN, "trace_file_path", scan), "common_trace_path", scan)},
        {"trace_file", "trace7.log", ORVCFG_VALUE_REJECTED}, {"trace_file", "trace.txt", ORVCFG_VALUE_REJECTED},
        {"trace_file", "trace" + std::string(208, 'a') + ".log", ORVCFG_VALUE_REJECTED},
        // custom.key=VALUE and a line end of two bytes fill one read at 246 bytes of value;
        // one more byte would start a line of the value's choosing, such as a version line.
        {"custom.key", std::string(246, 'v'), ORVCFG_OK, std::string(246, 'v')},
        {"custom.key", std::string(247, 'v'), ORVCFG_VALUE_REJECTED},
        {"hwscanner.config_file", "/" + std::string(236, 'a') + "version=6.6.6", ORVCFG_VALUE_REJECTED},
        {"trace_file_size", std::string(227, '1'), ORVCFG_VALUE_REJECTED}, // maxFileSize line
        {"common_trace_path", "/" + std::string(220, 'a'), ORVCFG_VALUE_REJECTED}, // file name line
        {"trace_file_num", "1a", ORVCFG_VALUE_REJECTED}, {"hwscanner.timeout", " 12", ORVCFG_VALUE_REJECTED},
        {"fscanner.provider", "provider_other", ORVCFG_VALUE_REJECTED},
        {"custom.key", "x\rversion=9", ORVCFG_VALUE_REJECTED}, // a line of its own
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key + (" = " + c.value));
        start(c.mainBefore, c.traceBefore);
        const bool refused = c.stored == REFUSED;
        const std::string before = stored(c.key), handedBack = refused ? c.value : c.stored;
        String checked = str(c.value);
        EXPECT_EQ(OrvCfg::checkKey(str(c.key), checked), c.result);
        EXPECT_EQ(std::make_tuple(bytesOf(checked), stored(c.key), mainFile()), std::make_tuple(handedBack, before, c.mainBefore));
        std::string callerValue;
        const int handles = orvtest::openHandleCount();
        EXPECT_EQ(set(c.key, c.value, &callerValue), c.result);
        EXPECT_EQ(std::make_tuple(orvtest::openHandleCount(), callerValue, stored(c.key), files()),
                  std::make_tuple(handles, handedBack, refused ? before : c.stored,
                                  std::make_pair(refused      ? c.mainBefore
                                                 : !c.main.empty() ? c.main
                                                                   : withValue(c.mainBefore, c.key, c.stored),
                                                 c.trace)));
    }
}

// The first failing write decides the result: the store holds the new value, and each file
// holds what was written to it before the failure.
TEST_F(SetKey, FailedWriteKeepsTheStoreChangedAndTheWritesBeforeIt)
{
    const std::string noPathLine = HEADER + "trace_file=trace.log\ncommon_trace_path=/old\n";
    const std::string logs = orvtest::native("/logs");
    const struct { std::string main; std::optional<std::string> trace; const char* key, *value; int result; std::string mainAfter; } cases[] = {
        {MAIN, std::nullopt, "trace_level", "MAX", ORVCFG_OPEN_FAILED, MAIN},
        {MAIN, "", "trace_level", "MAX", ORVCFG_BAD_TRACE_FILE, MAIN},
        // Without a trace_file_path line the trace file is not reached.
        {noPathLine, TRACE, "common_trace_path", "/logs", ORVCFG_KEY_NOT_FOUND, withValue(noPathLine, "common_trace_path", logs)},
        // Keys of the trace library itself go to the main file like any other key.
        {MAIN, TRACE, "handlers.traceFile.filePermission", "0755", ORVCFG_KEY_NOT_FOUND, MAIN},
        {MAIN, std::nullopt, "common_trace_path", "/logs", ORVCFG_OPEN_FAILED,
         withValue(withValue(MAIN, "trace_file_path", logs), "common_trace_path", logs)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key + (" -> " + std::to_string(c.result)));
        ::unlink(tracePath().c_str());
        start(c.main, c.trace);
        const int handles = orvtest::openHandleCount();
        EXPECT_EQ(set(c.key, c.value), c.result);
        EXPECT_EQ(std::make_tuple(orvtest::openHandleCount(), stored(c.key), files()),
                  std::make_tuple(handles, orvtest::native(c.value), std::make_pair(c.mainAfter, c.trace.value_or(""))));
    }
}

TEST_F(SetKey, VanishedOrReadOnlyPropertiesFileIsAccessDenied)
{
    ORVTEST_REQUIRE_CHILD_PROCESSES();
    start(MAIN, TRACE);
    ASSERT_EQ(::chmod(propertiesPath().c_str(), 0444), 0);
    EXPECT_EQ(orvtest::runUnprivileged([] { return set("trace_level", "MAX"); }), ORVCFG_ACCESS_DENIED);
    EXPECT_EQ(files(), std::make_pair(MAIN, TRACE));
    ::unlink(propertiesPath().c_str());
    for (const char* key : {"trace_level", "version", "custom.key"})
        EXPECT_EQ(set(key, "MAX"), ORVCFG_ACCESS_DENIED) << key;
    EXPECT_FALSE(orvtest::fileExists(propertiesPath()));
    EXPECT_EQ(traceFile(), TRACE);
}

// A provider change shuts the file-system scanner down before the rewrite (its fsprobe logs
// its arguments and the provider line it saw), except between cache providers or when the
// file has no provider line. Quotes, a blank and a ";" in its directory reach no shell.
TEST_F(SetKey, ProviderChangeShutsTheScannerDownBeforeTheRewrite)
{
    const std::string home = m_Tmp.file("fs home';x"), log = m_Tmp.file("fsprobe.log");
    orvtest::makeDirs(home);
    orvtest::installProbe(home, log, propertiesPath());
    const auto mainWith = [&](const char* provider) {
        return HEADER + "fscanner.home=" + home + "\n" +
               (provider ? std::string("fscanner.provider=") + provider : "fscanner.provider.x=1") + "\n";
    };
    const struct { const char* from, *to; bool shutdown; } cases[] = {
        {"provider_cache", "provider_standard", true}, {"provider_cache", "provider_remote_cache", false},
        {"provider_cache", "provider_cache", false},   {nullptr, "provider_standard", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.from ? c.from : "(none)") + " -> " + c.to);
        ::unlink(log.c_str());
        start(mainWith(c.from), TRACE);
        String checked(c.to);
        EXPECT_EQ(OrvCfg::checkKey(String("fscanner.provider"), checked), ORVCFG_OK);
        EXPECT_EQ(orvtest::readFile(log), "") << "a check runs no side effect";
        EXPECT_EQ(set("fscanner.provider", c.to), ORVCFG_OK);
        EXPECT_EQ(std::make_tuple(mainFile(), stored("fscanner.provider"), orvtest::readFile(log)),
                  std::make_tuple(mainWith(c.from ? c.to : nullptr), c.from ? c.to : "",
                                  c.shutdown ? std::string("1|-shutdown|fscanner.provider=") + c.from + "\n" : ""));
    }
}

TEST_F(SetKey, SingleUserModeCreatesTraceDirectoriesAndOpensTraceFilePermissions)
{
    orvtest::writeFile(configDir() + "SingleUserMode", "");
    // A permission line is matched also when indented or commented out by one character,
    // and then made active; one commented out by two characters is copied.
    const std::string permissions = "#handlers.traceFile.filePermission=0700\n# handlers.traceFile.dirPermission=0700\n";
    const std::string trace = withLine(TRACE, permissions, "handlers.traceFile.dirPermission=0700\n"
                                       "  ;handlers.traceFile.dirPermission = 0700\n##handlers.traceFile.dirPermission=0700\n"
                                       "#handlers.traceFile.filePermission=0700\n");
    start(MAIN, trace);
    const std::string target = m_Tmp.file("logs/scan/trace");
    orvtest::makeDirs(m_Tmp.file("logs"));
    ::chmod(m_Tmp.file("logs").c_str(), 0700);
    String checked(target.c_str());
    EXPECT_EQ(OrvCfg::checkKey(String("common_trace_path"), checked), ORVCFG_OK);
    EXPECT_FALSE(orvtest::fileExists(m_Tmp.file("logs/scan")));
    const mode_t old = ::umask(077);
    EXPECT_EQ(set("common_trace_path", target), ORVCFG_OK);
    ::umask(old);
    const std::vector<unsigned int> modes{modeOf(m_Tmp.file("logs")), modeOf(m_Tmp.file("logs/scan")), modeOf(target)};
    EXPECT_EQ(modes, orvtest::haveModeBits() ? std::vector<unsigned int>({0700, 0755, 0755}) : modes);
    EXPECT_EQ(traceFile(), withLine(withLine(TRACE, "/var/log/orv/trace.log\n", orvtest::forwardSlashed(target) + "/trace.log\n"),
                                    permissions, "handlers.traceFile.dirPermission=0755\nhandlers.traceFile.dirPermission=0755\n"
                                    "##handlers.traceFile.dirPermission=0700\nhandlers.traceFile.filePermission=0755\n"));

    // A directory that cannot be made is ignored, and the last trace write decides over the
    // missing trace_file_path line.
    start(HEADER + "trace_file=trace.log\ncommon_trace_path=/old\n", TRACE);
    orvtest::writeFile(m_Tmp.file("blocker"), "");
    EXPECT_EQ(set("common_trace_path", m_Tmp.file("blocker/sub")), ORVCFG_OK);
}

TEST_F(SetKey, CacheHomeIsOnlyAnExistingWritableDirectoryStoredAsGiven)
{
    ORVTEST_REQUIRE_CHILD_PROCESSES();
    const std::string main = HEADER + "fscanner.provider_cache.home=/old\nfscanner.provider_remote_cache.home=/old\n";
    start(main, TRACE);
    EXPECT_EQ(set("fscanner.provider_cache.home", m_Tmp.file("missing")), ORVCFG_DIR_MISSING);
    const std::string locked = m_Tmp.file("locked");
    orvtest::makeDirs(locked);
    ::chmod(locked.c_str(), 0555);
    ::chmod(propertiesPath().c_str(), 0666);
    EXPECT_EQ(orvtest::runUnprivileged([&] { return set("fscanner.provider_remote_cache.home", locked); }),
              ORVCFG_DIR_NOT_WRITABLE);
    EXPECT_EQ(mainFile(), main);

    const std::string dir = m_Tmp.file("cache home\\x"); // no short form here, separators as given
    orvtest::makeDirs(dir);
    EXPECT_EQ(set("fscanner.provider_remote_cache.home", dir), ORVCFG_OK);
    EXPECT_EQ(std::make_tuple(stored("fscanner.provider_remote_cache.home"), mainFile(), orvtest::fileExists(dir + "/tempwriteorvfiletest999")),
              std::make_tuple(dir, withValue(main, "fscanner.provider_remote_cache.home", dir), false));
}

// The trace library of a running host is not told of a change of trace_level: it notices
// the rewritten OrvTrace.properties within about a second, as after another program's change.
TEST_F(SetKey, RunningHostTracesMoreAfterAChangeOfTraceLevel)
{
    const std::string log = m_Tmp.file("logs/trace.log");
    start(MAIN, withValue(traceWith(levelLines("DEBUG_MIN")), "handlers.traceFile.fileName", log));
    const auto debugStatement = [] {
        Trace trace(Tracer::getInstance(Tracer::COMPONENT_HW), "Scanner::scan");
        trace.level = 4;
        trace << "shown" << Trace::endl;
    };
    debugStatement();
    EXPECT_FALSE(orvtest::fileExists(log));
    ASSERT_EQ(set("trace_level", "MAX"), ORVCFG_OK);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!orvtest::fileExists(log) && std::chrono::steady_clock::now() < deadline) {
        debugStatement();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_NE(orvtest::readFile(log).find(" HW DEBUG Scanner::scan: shown\n"), std::string::npos);
}

} // namespace
