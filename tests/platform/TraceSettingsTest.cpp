#include "TestSupport.h"
#include "TraceLine.h"
#include "TraceSettings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

namespace {

// "<hw level> <max files> <max KiB> <file mode> <dir mode> <problems>" of the settings read.
std::string summary(const TraceSettings& settings)
{
    char modes[16];
    std::snprintf(modes, sizeof modes, "%04o %04o", settings.filePermission, settings.dirPermission);
    return std::string(TraceSettings::levelWord(settings.levels[0])) + " " + std::to_string(settings.maxFiles) + " "
           + std::to_string(settings.maxFileSizeKb) + " " + modes + " " + std::to_string(settings.problems.size());
}

TEST(TraceSettingsTest, EachKeyIsReadAndAnUnusableValueKeepsItsDefaultWithAProblem)
{
    const std::pair<const char*, const char*> cases[] = {
        {"hw.loggers.trcLogger.level = DEBUG_MAX \r\nhandlers.traceFile.maxFiles=3\nhandlers.traceFile.maxFileSize=0\n"
         "handlers.traceFile.filePermission=0600\nhandlers.traceFile.dirPermission=0700\n",
         "DEBUG_MAX 3 0 0600 0700 0"},
        {"hw.loggers.trcLogger.level=DEBUG_MID\nhandlers.traceFile.maxFiles=0\n", "DEBUG_MID 1 10240 0644 0755 0"},
        // A level in other letters, and one past each limit (other unusable words and numbers
        // are in orvcfg's trace tests).
        {"hw.loggers.trcLogger.level=debug_max\nhandlers.traceFile.maxFiles=1000\n"
         "handlers.traceFile.maxFileSize=2147483649\n",
         "DEBUG_MIN 5 10240 0644 0755 3"},
        {"handlers.traceFile.maxFiles=999\nhandlers.traceFile.maxFileSize=2147483648\n",
         "DEBUG_MIN 999 2147483648 0644 0755 0"},
        // Set-id bits and non-octal digits are refused.
        {"handlers.traceFile.filePermission=4755\nhandlers.traceFile.dirPermission=0778\n",
         "DEBUG_MIN 5 10240 0644 0755 2"},
    };
    orvtest::TempDir dir;
    const std::string path = dir.file("OrvTrace.properties");
    for (const auto& [lines, expected] : cases) {
        orvtest::writeFile(path, std::string("#ORV_TRACE_PROPERTIES_FILE\n") + lines);
        EXPECT_EQ(summary(TraceSettings::read(path)), expected) << lines;
    }
    // A relative trace file is taken from the properties file's directory, not the host's.
    orvtest::writeFile(path, "#ORV_TRACE_PROPERTIES_FILE\nhandlers.traceFile.fileName=logs/trace.log\n");
    EXPECT_EQ(TraceSettings::read(path).fileName, dir.path() + orvtest::SEP + "logs/trace.log");
}

// The levels and components that the trace file's own tests do not write.
TEST(TraceLineTest, LineHoldsTimeIdsComponentLevelLabelAndEscapedText)
{
    const struct {
        int level;
        int component;
        const char* text;
        std::int64_t seconds;
        const char* line;
    } cases[] = {
        {0, 0, "x", 1709251199, "2024-02-29T23:59:59.007Z 12 34 HW CRITICAL A::b: x\n"},
        {-1, 1, "", 0, "1970-01-01T00:00:00.007Z 12 34 SWS CRITICAL A::b: \n"},
        {1, 3, "", 0, "1970-01-01T00:00:00.007Z 12 34 FSS ERROR A::b: \n"},
        {4, 77, "", 0, "1970-01-01T00:00:00.007Z 12 34 COM DEBUG A::b: \n"},
        // A document's text cannot end the line or forge one of its own.
        {1, 2, "a\nfake line\r\t\x01\x7f", 0,
         "1970-01-01T00:00:00.007Z 12 34 COM ERROR A::b: a\\nfake line\\r\\t\\x01\\x7f\n"},
    };
    TraceRecord record;
    record.label = "A::b";
    for (const auto& c : cases) {
        std::string line;
        record.level = c.level;
        record.component = c.component;
        record.text = c.text;
        TraceLine::format(record, c.seconds, 7, 12, 34, line);
        EXPECT_EQ(line, c.line);
    }
    record.text = std::string(TraceLine::MAX_TEXT + 1, 'a');
    std::string line;
    TraceLine::format(record, 0, 7, 12, 34, line);
    EXPECT_EQ(line, "1970-01-01T00:00:00.007Z 12 34 COM ERROR A::b: " + std::string(TraceLine::MAX_TEXT, 'a') + " [cut]\n");
}

// The line's date is worked out by arithmetic: it agrees with the C runtime's calendar on
// either side of 1970 (the Windows runtime knows no time before it), across leap days and the
// century years (1900 and 2100 are no leap years).
TEST(TraceLineTest, DateAgreesWithTheRuntimesCalendar)
{
    TraceRecord record;
    for (std::int64_t seconds = orvtest::isWindows() ? 0 : -2208988800; seconds < 4133980800; seconds += 7 * 86400 + 3599) {
        const std::time_t t = static_cast<std::time_t>(seconds);
        char expected[24];
        ASSERT_EQ(std::strftime(expected, sizeof expected, "%Y-%m-%dT%H:%M:%S", std::gmtime(&t)), 19u) << seconds;
        std::string line;
        TraceLine::format(record, seconds, 0, 1, 1, line);
        ASSERT_EQ(line.substr(0, 19), expected) << seconds;
    }
}

} // namespace
