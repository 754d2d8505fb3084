#include "RewriteFixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string HEADER = "ORV_PROPERTIES_FILE\n";
const std::string TRACE = "#ORV_TRACE_PROPERTIES_FILE\n"
                          "handlers.traceFile.fileName=/old/trace.log\n"
                          "#handlers.traceFile.filePermission=0700\n"
                          "#handlers.traceFile.dirPermission=0700\n";

// A file-system scanner whose fsprobe records each run: its arguments, and the provider
// line of Orv.properties at that moment, which tells whether it ran before the rewrite.
class ProviderChange : public RewriteTest {
protected:
    void SetUp() override
    {
        RewriteTest::SetUp();
        // Quotes, a blank and a ";" in the directory must reach no command processor.
        m_Home = m_Tmp.file("fs home';x");
        orvtest::makeDirs(m_Home);
        m_Log = m_Tmp.file("fsprobe.log");
        const std::string probe = m_Home + "/fsprobe";
        orvtest::writeFile(probe, "#!/bin/sh\n"
                                  "printf '%s|' \"$#\" \"$@\" >> '" + m_Log + "'\n"
                                  "grep '^fscanner.provider=' '" + propertiesPath() + "' >> '" + m_Log + "'\n"
                                  "exit 3\n");
        ::chmod(probe.c_str(), 0755);
    }

    std::string mainWith(const char* provider) const
    {
        return HEADER + "fscanner.home=" + m_Home + "\nfscanner.provider=" + provider + "\n";
    }
    std::string probeLog() const { return orvtest::readFile(m_Log); }

    std::string m_Home;
    std::string m_Log;
};

struct ProviderCase {
    const char* from;
    const char* to;
    bool shutdown;
};

TEST_F(ProviderChange, ShutsTheScannerDownBeforeTheRewriteExceptBetweenCacheProviders)
{
    const ProviderCase cases[] = {
        {"provider_cache", "provider_standard", true},
        {"provider_standard", "provider_cache", true},
        {"provider_cache", "provider_cache2", true},
        {"provider_remote_cache", "provider_remote_cache2", true},
        {"provider_cache", "provider_remote_cache", false},
        {"provider_remote_cache", "provider_cache", false},
    };
    for (const ProviderCase& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        OrvCfgTestAccess::resetToUnloaded();
        ::unlink(m_Log.c_str());
        start(mainWith(c.from), TRACE);
        String value(c.to);
        EXPECT_EQ(OrvCfg::setKey(String("fscanner.provider"), value), ORVCFG_OK);
        EXPECT_EQ(stored("fscanner.provider"), c.to);
        EXPECT_EQ(mainFile(), mainWith(c.to));
        EXPECT_EQ(probeLog(), c.shutdown ? std::string("1|-shutdown|fscanner.provider=") + c.from + "\n" : "");
        EXPECT_EQ(traceFile(), TRACE);
    }
}

TEST_F(ProviderChange, UnchangedOrAbsentProviderDoesNothing)
{
    start(mainWith("provider_cache"), TRACE);
    String same("provider_cache");
    EXPECT_EQ(OrvCfg::setKey(String("fscanner.provider"), same), ORVCFG_OK);
    EXPECT_EQ(mainFile(), mainWith("provider_cache"));

    OrvCfgTestAccess::resetToUnloaded();
    const std::string noProvider = HEADER + "fscanner.home=" + m_Home + "\nfscanner.provider.x=1\n";
    start(noProvider, TRACE);
    const int count = OrvCfgTestAccess::propertyCount();
    String value("provider_standard");
    EXPECT_EQ(OrvCfg::setKey(String("fscanner.provider"), value), ORVCFG_OK);
    EXPECT_EQ(stored("fscanner.provider"), "");
    EXPECT_EQ(OrvCfgTestAccess::propertyCount(), count);
    EXPECT_EQ(mainFile(), noProvider);
    EXPECT_EQ(probeLog(), "");
}

TEST_F(ProviderChange, MissingScannerDoesNotStopTheChange)
{
    const std::string main = HEADER + "fscanner.home=" + m_Tmp.file("nowhere") + "\nfscanner.provider=provider_cache\n";
    start(main, TRACE);
    String value("provider_standard");
    EXPECT_EQ(OrvCfg::setKey(String("fscanner.provider"), value), ORVCFG_OK);
    EXPECT_EQ(mainFile(), withLine(main, "provider_cache\n", "provider_standard\n"));

    OrvCfgTestAccess::resetToUnloaded();
    start(HEADER + "fscanner.provider=provider_cache\n", TRACE); // no fscanner.home at all
    EXPECT_EQ(OrvCfg::setKey(String("fscanner.provider"), value), ORVCFG_OK);
    EXPECT_EQ(mainFile(), HEADER + "fscanner.provider=provider_standard\n");
}

class CommonTracePath : public RewriteTest {
protected:
    std::string mainBytes() const
    {
        return HEADER + "trace_file=trace.log\ncommon_trace_path=/old\ntrace_file_path=/old\n";
    }
};

TEST_F(CommonTracePath, WritesBothMainLinesAndTheTraceFileName)
{
    start(mainBytes(), TRACE);
    String value("C:\\logs\\scan");
    EXPECT_EQ(OrvCfg::setKey(String("common_trace_path"), value), ORVCFG_OK);
    EXPECT_EQ(bytesOf(value), "C:/logs/scan");
    EXPECT_EQ(stored("common_trace_path"), "C:/logs/scan");
    EXPECT_EQ(stored("trace_file_path"), "/old"); // the store keeps it until the next start
    EXPECT_EQ(mainFile(), HEADER + "trace_file=trace.log\ncommon_trace_path=C:/logs/scan\ntrace_file_path=C:/logs/scan\n");
    EXPECT_EQ(traceFile(), withLine(TRACE, "fileName=/old/trace.log\n", "fileName=C:/logs/scan/trace.log\n"));
    EXPECT_FALSE(orvtest::fileExists(m_Tmp.file("C:")));
}

TEST_F(CommonTracePath, WithoutTraceFileTheNameIsJustASlash)
{
    start(HEADER + "common_trace_path=/old\ntrace_file_path=/old\n", TRACE);
    String value("/logs");
    EXPECT_EQ(OrvCfg::setKey(String("common_trace_path"), value), ORVCFG_OK);
    EXPECT_EQ(traceFile(), withLine(TRACE, "fileName=/old/trace.log\n", "fileName=/logs/\n"));
}

TEST_F(CommonTracePath, FirstFailingWriteDecides)
{
    start(HEADER + "trace_file=trace.log\ncommon_trace_path=/old\n", TRACE);
    String value("/logs");
    // No trace_file_path line: the trace file is not reached.
    EXPECT_EQ(OrvCfg::setKey(String("common_trace_path"), value), ORVCFG_KEY_NOT_FOUND);
    EXPECT_EQ(mainFile(), HEADER + "trace_file=trace.log\ncommon_trace_path=/logs\n");
    EXPECT_EQ(traceFile(), TRACE);

    ::unlink(tracePath().c_str());
    OrvCfgTestAccess::resetToUnloaded();
    start(mainBytes(), nullptr);
    EXPECT_EQ(OrvCfg::setKey(String("common_trace_path"), value), ORVCFG_OPEN_FAILED);
    EXPECT_EQ(mainFile(), HEADER + "trace_file=trace.log\ncommon_trace_path=/logs\ntrace_file_path=/logs\n");
}

TEST_F(CommonTracePath, SingleUserModeCreatesTheDirectoriesAndOpensTraceFilePermissions)
{
    orvtest::writeFile(configDir() + "SingleUserMode", "");
    start(mainBytes(), TRACE);
    const std::string target = m_Tmp.file("logs/scan/trace");
    orvtest::makeDirs(m_Tmp.file("logs"));
    ::chmod(m_Tmp.file("logs").c_str(), 0700);
    const mode_t old = ::umask(077);
    String value(target.c_str());
    const int result = OrvCfg::setKey(String("common_trace_path"), value);
    ::umask(old);
    EXPECT_EQ(result, ORVCFG_OK);
    EXPECT_EQ(modeOf(m_Tmp.file("logs")), 0700u);
    EXPECT_EQ(modeOf(m_Tmp.file("logs/scan")), 0755u);
    EXPECT_EQ(modeOf(target), 0755u);
    EXPECT_EQ(traceFile(), "#ORV_TRACE_PROPERTIES_FILE\n"
                           "handlers.traceFile.fileName=" + target + "/trace.log\n"
                           "handlers.traceFile.filePermission=0755\n"
                           "handlers.traceFile.dirPermission=0755\n");
}

TEST_F(CommonTracePath, SingleUserModeReturnsTheFilePermissionWrite)
{
    orvtest::writeFile(configDir() + "SingleUserMode", "");
    start(HEADER + "trace_file=trace.log\ncommon_trace_path=/old\n", TRACE);
    orvtest::writeFile(m_Tmp.file("blocker"), "");
    String value(m_Tmp.file("blocker/sub").c_str()); // cannot be created; ignored
    // The missing trace_file_path line gives 15, yet the last trace write decides.
    EXPECT_EQ(OrvCfg::setKey(String("common_trace_path"), value), ORVCFG_OK);
    EXPECT_EQ(traceFile(), withLine(withLine(TRACE, "#handlers.traceFile.filePermission=0700\n",
                                             "handlers.traceFile.filePermission=0755\n"),
                                    "#handlers.traceFile.dirPermission=0700\n", "handlers.traceFile.dirPermission=0755\n"));
}

class CacheHome : public RewriteTest {
protected:
    const std::string main = HEADER + "fscanner.provider_cache.home=/old\nfscanner.provider_remote_cache.home=/old\n";
};

TEST_F(CacheHome, ExistingWritableDirectoryIsStoredUnchanged)
{
    start(main, TRACE);
    const std::string dir = m_Tmp.file("cache home\\x");
    orvtest::makeDirs(dir);
    for (const char* key : {"fscanner.provider_cache.home", "fscanner.provider_remote_cache.home"}) {
        String value(dir.c_str());
        EXPECT_EQ(OrvCfg::setKey(String(key), value), ORVCFG_OK) << key;
        EXPECT_EQ(bytesOf(value), dir); // no short form here, and separators stay as given
        EXPECT_EQ(stored(key), dir);
        EXPECT_FALSE(orvtest::fileExists(dir + "/tempwriteorvfiletest999"));
    }
    EXPECT_EQ(mainFile(), HEADER + "fscanner.provider_cache.home=" + dir + "\nfscanner.provider_remote_cache.home=" +
                              dir + "\n");
}

TEST_F(CacheHome, MissingOrUnwritableDirectoryIsRefused)
{
    start(main, TRACE);
    String missing(m_Tmp.file("missing").c_str());
    EXPECT_EQ(OrvCfg::setKey(String("fscanner.provider_cache.home"), missing), ORVCFG_DIR_MISSING);

    const std::string locked = m_Tmp.file("locked");
    orvtest::makeDirs(locked);
    ::chmod(locked.c_str(), 0555);
    ::chmod(propertiesPath().c_str(), 0666); // the configuration itself stays writable
    const int child = orvtest::runUnprivileged([&] {
        String value(locked.c_str());
        return OrvCfg::setKey(String("fscanner.provider_remote_cache.home"), value);
    });
    EXPECT_EQ(child, ORVCFG_DIR_NOT_WRITABLE);
    EXPECT_EQ(stored("fscanner.provider_cache.home"), "/old");
    EXPECT_EQ(mainFile(), main);
}

} // namespace
