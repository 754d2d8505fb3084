#include "RewriteFixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

const std::string MAIN = "ORV_PROPERTIES_FILE\n"
                         "# scanner settings\n"
                         "trace_level=MIN\n"
                         "trace_comp=All\n"
                         "trace_file=trace.log\n"
                         "trace_file_num=3\n"
                         "trace_file_size=1000\n"
                         "trace_file_path=/var/log/orv\n"
                         "common_trace_path=/var/log/orv\n"
                         "swscanner.default_input_file=in.xml\n"
                         "swscanner.default_config_file=cfg.xml\n"
                         "hwscanner.timeout=30\n"
                         "hwscanner.config_file=hw.xml\n"
                         "fscanner.home=/opt/fs\n"
                         "version=1.0\n"
                         "config_dir=/etc/orv\n"
                         "swscanner.xss_schema_location=xss.xsd\n"
                         "custom.key=old\n";
const std::string TRACE = "#ORV_TRACE_PROPERTIES_FILE\n"
                          "hw.loggers.trcLogger.level=DEBUG_MIN\n"
                          "vpd.loggers.trcLogger.level=DEBUG_MIN\n"
                          "fscanner.loggers.trcLogger.level=DEBUG_MIN\n"
                          "sigeval.loggers.trcLogger.level=DEBUG_MIN\n"
                          "plugin.loggers.trcLogger.level=DEBUG_MIN\n"
                          "common.loggers.trcLogger.level=DEBUG_MIN\n"
                          "handlers.traceFile.fileName=/var/log/orv/trace.log\n"
                          "handlers.traceFile.maxFiles=3\n"
                          "handlers.traceFile.maxFileSize=1000\n"
                          "#handlers.traceFile.filePermission=0700\n";

std::string allLevels(const char* level)
{
    std::string text = TRACE;
    for (const char* component : {"hw", "vpd", "fscanner", "sigeval", "plugin", "common"}) {
        const std::string prefix = std::string(component) + ".loggers.trcLogger.level=";
        text = withLine(text, prefix + "DEBUG_MIN\n", prefix + level + "\n");
    }
    return text;
}

using Edit = std::pair<std::string, std::string>;

std::string edited(std::string text, const std::vector<Edit>& edits)
{
    for (const Edit& edit : edits)
        text = withLine(text, edit.first, edit.second);
    return text;
}

// An accepted change: the caller's string, the store, and both files afterwards.
struct AcceptedCase {
    const char* name;
    const char* key;
    std::string value;
    std::string callerValue; // also the stored value
    std::vector<Edit> mainEdits;
    std::string trace;
};

const std::string LONGEST_NAME = "trace" + std::string(246, 'a') + ".log"; // 255 units

const AcceptedCase ACCEPTED[] = {
    {"TraceLevel", "trace_level", "MAX", "MAX", {{"trace_level=MIN\n", "trace_level=MAX\n"}}, allLevels("DEBUG_MAX")},
    {"TraceComponent", "trace_comp", "VPD", "VPD", {{"trace_comp=All\n", "trace_comp=VPD\n"}},
     withLine(TRACE, "vpd.loggers.trcLogger.level=DEBUG_MIN\n", "vpd.loggers.trcLogger.level=DEBUG_MAX\n")},
    {"TraceFileName", "trace_file", "trace_hw.log", "trace_hw.log",
     {{"trace_file=trace.log\n", "trace_file=trace_hw.log\n"}},
     withLine(TRACE, "fileName=/var/log/orv/trace.log\n", "fileName=/var/log/orv/trace_hw.log\n")},
    {"TraceFileNameOfLongestLength", "trace_file", LONGEST_NAME, LONGEST_NAME,
     {{"trace_file=trace.log\n", "trace_file=" + LONGEST_NAME + "\n"}},
     withLine(TRACE, "fileName=/var/log/orv/trace.log\n", "fileName=/var/log/orv/" + LONGEST_NAME + "\n")},
    {"TraceFileNumEmpty", "trace_file_num", "", "", {{"trace_file_num=3\n", "trace_file_num=\n"}},
     withLine(TRACE, "maxFiles=3\n", "maxFiles=\n")},
    {"TraceFileSize", "trace_file_size", "2048", "2048", {{"trace_file_size=1000\n", "trace_file_size=2048\n"}},
     withLine(TRACE, "maxFileSize=1000\n", "maxFileSize=2048\n")},
    {"DefaultInputFileGetsNativeSeparators", "swscanner.default_input_file", "a\\b/c", "a/b/c",
     {{"default_input_file=in.xml\n", "default_input_file=a/b/c\n"}}, TRACE},
    {"DefaultConfigFileGetsNativeSeparators", "swscanner.default_config_file", "d\\cfg.xml", "d/cfg.xml",
     {{"default_config_file=cfg.xml\n", "default_config_file=d/cfg.xml\n"}}, TRACE},
    {"HwConfigFileGetsNativeSeparators", "hwscanner.config_file", "C:\\hw\\hw.xml", "C:/hw/hw.xml",
     {{"hwscanner.config_file=hw.xml\n", "hwscanner.config_file=C:/hw/hw.xml\n"}}, TRACE},
    {"HwTimeout", "hwscanner.timeout", "45", "45", {{"hwscanner.timeout=30\n", "hwscanner.timeout=45\n"}}, TRACE},
    {"OtherKeyKeepsBackslashes", "custom.key", "a\\b c", "a\\b c", {{"custom.key=old\n", "custom.key=a\\b c\n"}},
     TRACE},
    {"ValueAsLongAsALineBuffer", "custom.key", std::string(300, 'v'), std::string(300, 'v'),
     {{"custom.key=old\n", "custom.key=" + std::string(300, 'v') + "\n"}}, TRACE},
};

class SetKeyAccepted : public RewriteTest, public ::testing::WithParamInterface<AcceptedCase> {};

TEST_P(SetKeyAccepted, StoresRewritesAndReports)
{
    const AcceptedCase& c = GetParam();
    start(MAIN, TRACE);
    String value(c.value.c_str());
    EXPECT_EQ(OrvCfg::setKey(String(c.key), value), ORVCFG_OK);
    EXPECT_EQ(bytesOf(value), c.callerValue);
    EXPECT_EQ(stored(c.key), c.callerValue);
    EXPECT_EQ(mainFile(), edited(MAIN, c.mainEdits));
    EXPECT_EQ(traceFile(), c.trace);
    EXPECT_EQ(modeOf(propertiesPath()), 0644u);
}

INSTANTIATE_TEST_SUITE_P(KeyTable, SetKeyAccepted, ::testing::ValuesIn(ACCEPTED),
                         [](const ::testing::TestParamInfo<AcceptedCase>& info) { return info.param.name; });

// A refused change: nothing is stored and no file changes.
struct RefusedCase {
    const char* key;
    std::string value;
    int result;
};

const RefusedCase REFUSED[] = {
    {"trace_file", "trace7.log", ORVCFG_VALUE_REJECTED},
    {"trace_file", "trace.txt", ORVCFG_VALUE_REJECTED},
    {"trace_file", "mytrace.log", ORVCFG_VALUE_REJECTED},
    {"trace_file", "logs\\trace.log", ORVCFG_VALUE_REJECTED},
    {"trace_file", "trace/x.log", ORVCFG_VALUE_REJECTED},
    {"trace_file", "trace:x.log", ORVCFG_VALUE_REJECTED},
    {"trace_file", "trace1.log.log", ORVCFG_VALUE_REJECTED},
    {"trace_file", "trace" + std::string(247, 'a') + ".log", ORVCFG_VALUE_REJECTED},
    {"trace_level", "max", ORVCFG_VALUE_REJECTED},
    {"trace_level", "DEBUG_MAX", ORVCFG_VALUE_REJECTED},
    {"trace_comp", "hw", ORVCFG_VALUE_REJECTED},
    {"trace_file_num", "1a", ORVCFG_VALUE_REJECTED},
    {"trace_file_size", "-1", ORVCFG_VALUE_REJECTED},
    {"hwscanner.timeout", "12a", ORVCFG_VALUE_REJECTED},
    {"hwscanner.timeout", " 12", ORVCFG_VALUE_REJECTED},
    {"fscanner.provider", "provider_other", ORVCFG_VALUE_REJECTED},
    {"fscanner.home", "/opt/other", ORVCFG_KEY_READ_ONLY},
    {"version", "2.0", ORVCFG_KEY_READ_ONLY},
    {"config_dir", "/etc", ORVCFG_KEY_READ_ONLY},
    {"swscanner.xss_schema_location", "x.xsd", ORVCFG_KEY_READ_ONLY},
    {"trace_file_path", "/tmp", ORVCFG_KEY_READ_ONLY},
    // The checks for every key come before the key's own rule.
    {"version", "2%", ORVCFG_VALUE_REJECTED},
    {"custom.key", "%PATH%", ORVCFG_VALUE_REJECTED},
    // A line break would write lines of its own, such as a version line.
    {"custom.key", "x\nversion=9", ORVCFG_VALUE_REJECTED},
    {"custom.key", "x\rversion=9", ORVCFG_VALUE_REJECTED},
    {"common_trace_path", "/a\n/b", ORVCFG_VALUE_REJECTED},
};

class SetKeyRefused : public RewriteTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(SetKeyRefused, ChangesNothing)
{
    const RefusedCase& c = GetParam();
    start(MAIN, TRACE);
    const std::string before = stored(c.key);
    const int count = OrvCfgTestAccess::propertyCount();
    String value(c.value.c_str());
    EXPECT_EQ(OrvCfg::setKey(String(c.key), value), c.result);
    EXPECT_EQ(bytesOf(value), c.value);
    EXPECT_EQ(stored(c.key), before);
    EXPECT_EQ(OrvCfgTestAccess::propertyCount(), count);
    EXPECT_EQ(mainFile(), MAIN);
    EXPECT_EQ(traceFile(), TRACE);
}

INSTANTIATE_TEST_SUITE_P(KeyTable, SetKeyRefused, ::testing::ValuesIn(REFUSED));

using SetKey = RewriteTest;

TEST_F(SetKey, KeyWithoutLineIsStoredAndCountedOnce)
{
    start(MAIN, TRACE);
    const int count = OrvCfgTestAccess::propertyCount();
    String value("0755");
    // Keys of the trace library itself go to the main file like any other key.
    EXPECT_EQ(OrvCfg::setKey(String("handlers.traceFile.filePermission"), value), ORVCFG_KEY_NOT_FOUND);
    EXPECT_EQ(stored("handlers.traceFile.filePermission"), "0755");
    EXPECT_EQ(OrvCfgTestAccess::propertyCount(), count + 1);
    EXPECT_EQ(mainFile(), MAIN);
    EXPECT_EQ(traceFile(), TRACE);

    EXPECT_EQ(OrvCfg::setKey(String("handlers.traceFile.filePermission"), value), ORVCFG_KEY_NOT_FOUND);
    EXPECT_EQ(OrvCfg::setKey(String("custom.key"), value), ORVCFG_OK);
    EXPECT_EQ(OrvCfgTestAccess::propertyCount(), count + 1);
}

TEST_F(SetKey, LongValueLineIsRewrittenPieceByPiece)
{
    start(MAIN, TRACE);
    String value(std::string(300, 'v').c_str());
    ASSERT_EQ(OrvCfg::setKey(String("custom.key"), value), ORVCFG_OK);
    // The line is read back as its first 259 bytes and the rest; only the first piece
    // carries the key, the rest is copied as it stands.
    String shorter("s");
    EXPECT_EQ(OrvCfg::setKey(String("custom.key"), shorter), ORVCFG_OK);
    EXPECT_EQ(mainFile(), withLine(MAIN, "custom.key=old\n", "custom.key=s\n" + std::string(300 - 248, 'v') + "\n"));
}

TEST_F(SetKey, TraceKeyFailuresKeepTheStoreChangedAndTheMainFileOld)
{
    struct Failure {
        const char* name;
        std::string mainBytes;
        const std::string* traceBytes;
        const char* key;
        const char* value;
        int result;
    };
    const std::string noMarker = "ORV_TRACE_PROPERTIES_FILE\n";
    const std::string emptyPath = withLine(MAIN, "common_trace_path=/var/log/orv\n", "common_trace_path=\n");
    const Failure failures[] = {
        {"missing trace file", MAIN, nullptr, "trace_level", "MAX", ORVCFG_OPEN_FAILED},
        {"trace file without marker", MAIN, &noMarker, "trace_comp", "HW", ORVCFG_BAD_TRACE_FILE},
        {"empty common trace path", emptyPath, &TRACE, "trace_file", "trace.log", ORVCFG_BAD_PROPERTIES_FILE},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.name);
        OrvCfgTestAccess::resetToUnloaded();
        ::unlink(tracePath().c_str());
        start(f.mainBytes, f.traceBytes);
        String value(f.value);
        EXPECT_EQ(OrvCfg::setKey(String(f.key), value), f.result);
        EXPECT_EQ(stored(f.key), f.value);
        EXPECT_EQ(mainFile(), f.mainBytes);
        EXPECT_EQ(traceFile(), f.traceBytes != nullptr ? *f.traceBytes : "");
        EXPECT_FALSE(orvtest::fileExists(configDir() + "Trace.tmp"));
    }
}

TEST_F(SetKey, WithoutConfigurationPathNothingCanBeSet)
{
    start(MAIN, TRACE);
    s_PropertiesPath[0] = '\0';
    String value("MAX");
    EXPECT_EQ(OrvCfg::setKey(String("trace_level"), value), ORVCFG_NO_CONFIG_PATH);
    EXPECT_EQ(stored("trace_level"), "MIN");
}

TEST_F(SetKey, VanishedPropertiesFileIsAccessDeniedForEveryKey)
{
    start(MAIN, TRACE);
    ::unlink(propertiesPath().c_str());
    for (const char* key : {"trace_level", "version", "custom.key"}) {
        String value("MAX");
        EXPECT_EQ(OrvCfg::setKey(String(key), value), ORVCFG_ACCESS_DENIED) << key;
    }
    EXPECT_FALSE(orvtest::fileExists(propertiesPath()));
    EXPECT_EQ(traceFile(), TRACE);
}

TEST_F(SetKey, ReadOnlyPropertiesFileIsRefusedForOthersAndMadeWritableByARewrite)
{
    start(MAIN, TRACE);
    ASSERT_EQ(::chmod(propertiesPath().c_str(), 0444), 0);
    const int child = orvtest::runUnprivileged([] {
        String value("MAX");
        return OrvCfg::setKey(String("trace_level"), value);
    });
    EXPECT_EQ(child, ORVCFG_ACCESS_DENIED);
    EXPECT_EQ(mainFile(), MAIN);
    EXPECT_EQ(traceFile(), TRACE);

    // The owner can still append, so the rewrite runs and restores the usual mode.
    String value("new");
    EXPECT_EQ(OrvCfg::setKey(String("custom.key"), value), ORVCFG_OK);
    EXPECT_EQ(modeOf(propertiesPath()), 0644u);
}

TEST_F(SetKey, UnwritableConfigurationDirectoryLeavesTheFileWhole)
{
    start(MAIN, TRACE);
    ::chmod(propertiesPath().c_str(), 0666);
    ::unlink((configDir() + "Orv.tmp").c_str());
    ::chmod(configDir().c_str(), 0755);
    const int child = orvtest::runUnprivileged([] {
        String value("new");
        return OrvCfg::setKey(String("custom.key"), value);
    });
    ::chmod(configDir().c_str(), 0777);
    EXPECT_EQ(child, ORVCFG_ACCESS_DENIED);
    EXPECT_EQ(mainFile(), MAIN);
    EXPECT_EQ(modeOf(propertiesPath()), 0666u);
}

TEST_F(SetKey, RewriteRunsUnderNoMaskAndRestoresTheCallersMask)
{
    start(MAIN, TRACE);
    ::chmod(tracePath().c_str(), 0600);
    const mode_t old = ::umask(027);
    String value("MID");
    EXPECT_EQ(OrvCfg::setKey(String("trace_level"), value), ORVCFG_OK);
    EXPECT_EQ(::umask(old), 027u);
    EXPECT_EQ(modeOf(propertiesPath()), 0644u);
    EXPECT_EQ(modeOf(tracePath()), 0644u);
}

TEST_F(SetKey, NoDescriptorOutlivesACall)
{
    start(MAIN, TRACE);
    const int before = openDescriptorCount();
    const char* const keys[][2] = {{"trace_level", "MAX"}, {"custom.key", "x"}, {"no.line", "x"},
                                   {"version", "1"},       {"trace_file", "trace.log"}};
    for (const auto& kv : keys) {
        String value(kv[1]);
        OrvCfg::setKey(String(kv[0]), value);
    }
    ::unlink(tracePath().c_str());
    String value("MAX");
    EXPECT_EQ(OrvCfg::setKey(String("trace_level"), value), ORVCFG_OPEN_FAILED);
    std::strcpy(s_PropertiesTmpPath, (m_Tmp.path() + "/missing/Orv.tmp").c_str());
    EXPECT_EQ(OrvCfg::setKey(String("custom.key"), value), ORVCFG_OPEN_FAILED);
    EXPECT_EQ(openDescriptorCount(), before);
}

} // namespace
