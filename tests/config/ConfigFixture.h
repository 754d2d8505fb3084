#ifndef ORV_TESTS_CONFIGFIXTURE_H
#define ORV_TESTS_CONFIGFIXTURE_H

#include "OrvCfg.h"
#include "PathBuffers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// White-box access to the private state of the configuration service, for tests only.
// Keep it additive: several test programs include it.
class OrvCfgTestAccess {
public:
    static String installDir() { return OrvCfg::m_OrvInstallDir; }
    static void setInstallDir(const String& dir) { OrvCfg::m_OrvInstallDir = dir; }

    // Back to the state of a freshly loaded library.
    static void resetToUnloaded()
    {
        OrvCfg::cleanup();
        OrvCfg::m_OrvInstallDir = String();
        OrvCfg::m_OrvConfigDir = String();
        for (char* buffer : {s_PropertiesPath, s_TracePropertiesPath, s_PropertiesTmpPath, s_TraceTmpPath})
            std::memset(buffer, 0, ORV_PATH_BUFFER_SIZE);
    }
};

inline const std::string HEADER = "ORV_PROPERTIES_FILE\n";
inline const std::string MARKER = "#ORV_TRACE_PROPERTIES_FILE\n";

// The narrow bytes of a String, embedded NUL bytes included, and back.
inline std::string bytesOf(const String& text) { return std::string(text.narrow(), text.narrowLength()); }
inline String str(const std::string& bytes) { return String(bytes.data(), bytes.size()); }

// The six level lines of a trace file (HW, VPD, FSS, SWS, PLG, COM), all at `level` but the
// one at `maxAt`, which is at DEBUG_MAX.
inline std::string levelLines(const char* level, int maxAt = -1)
{
    std::string text;
    int at = 0;
    for (const char* component : {"hw", "vpd", "fscanner", "sigeval", "plugin", "common"})
        text += std::string(component) + ".loggers.trcLogger.level=" + (at++ == maxAt ? "DEBUG_MAX" : level) + "\n";
    return text;
}

inline const std::string MAIN = HEADER + "# scanner settings\ntrace_level=MIN\ntrace_comp=All\ntrace_file=trace.log\n"
                                         "trace_file_num=3\ntrace_file_size=1000\ntrace_file_path=/var/log/orv\n"
                                         "common_trace_path=/var/log/orv\nswscanner.default_input_file=in.xml\n"
                                         "swscanner.default_config_file=cfg.xml\nhwscanner.timeout=30\n"
                                         "hwscanner.config_file=hw.xml\nversion=1.0\ncustom.key=old\nlast.line=kept\n";
inline std::string traceWith(const std::string& levels)
{
    return MARKER + "# levels\n" + levels + "handlers.traceFile.fileName=/var/log/orv/trace.log\n"
           "handlers.traceFile.maxFiles=3\nhandlers.traceFile.maxFileSize=1000\n"
           "#handlers.traceFile.filePermission=0700\n# handlers.traceFile.dirPermission=0700\n";
}
inline const std::string TRACE = traceWith(levelLines("INFO"));

// `text` with the first `from` replaced by `to`; `from` must be there, so that a typo in an
// expectation cannot pass unnoticed.
inline std::string withLine(std::string text, const std::string& from, const std::string& to)
{
    const std::string::size_type at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "no " << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}
// `text` with the value of the first line of `key` replaced.
inline std::string withValue(const std::string& text, const std::string& key, const std::string& value)
{
    const std::string::size_type at = text.find("\n" + key + "=");
    EXPECT_NE(at, std::string::npos) << "no line of " << key;
    const std::string::size_type begin = at + key.size() + 2;
    return at == std::string::npos ? text : std::string(text).replace(begin, text.find('\n', begin) - begin, value);
}

inline unsigned int modeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// setKey; `callerValue` receives the caller's string afterwards.
inline int set(const std::string& key, const std::string& value, std::string* callerValue = nullptr)
{
    String inOut = str(value);
    const int result = OrvCfg::setKey(str(key), inOut);
    if (callerValue != nullptr)
        *callerValue = bytesOf(inOut);
    return result;
}

// A configuration directory of its own, reached through ORV_LOCALDIR; every test starts and
// ends with the service as a freshly loaded library.
class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OrvCfgTestAccess::resetToUnloaded();
        orvtest::makeDirs(configDir());
        pointLocalDirAt(m_Tmp.path().c_str());
    }
    void TearDown() override { OrvCfgTestAccess::resetToUnloaded(); }

    // "<tmp>/config/", as the service composes it with the native separator.
    std::string configDir() const { return m_Tmp.path() + orvtest::SEP + "config" + orvtest::SEP; }
    std::string propertiesPath() const { return configDir() + "Orv.properties"; }
    std::string tracePath() const { return configDir() + "OrvTrace.properties"; }
    std::string mainFile() const { return orvtest::readFile(propertiesPath()); }
    std::string traceFile() const { return orvtest::readFile(tracePath()); }
    std::pair<std::string, std::string> files() const { return {mainFile(), traceFile()}; }

    void pointLocalDirAt(const char* value) { m_LocalDir.reset(); m_LocalDir.emplace("ORV_LOCALDIR", value); }

    // Writes the files with exactly these bytes (the trace file only when given) and starts
    // a fresh service on them.
    void initializeWith(const std::string& mainBytes, const std::optional<std::string>& traceBytes = std::nullopt)
    {
        OrvCfg::cleanup();
        if (traceBytes)
            orvtest::writeFile(tracePath(), *traceBytes);
        orvtest::writeFile(propertiesPath(), mainBytes);
        OrvCfg::initialize("config_tests");
    }
    void start(const std::string& mainBytes, const std::optional<std::string>& traceBytes)
    {
        initializeWith(mainBytes, traceBytes);
        ASSERT_EQ(OrvCfg::getError(), ORVCFG_OK);
    }

    std::string stored(const std::string& key) { return bytesOf(OrvCfg::getKey(str(key))); }
    orvtest::TempDir m_Tmp;
    std::optional<orvtest::ScopedEnv> m_LocalDir;
};

#endif
