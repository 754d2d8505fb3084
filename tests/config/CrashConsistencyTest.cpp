#include "ConfigLock.h"
#include "FaultHook.h"
#include "RewriteFixture.h"

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

namespace {

using orv::os::FaultPoint;

const std::string MAIN = "ORV_PROPERTIES_FILE\n"
                         "# scanner settings\n"
                         "trace_level=MIN\n"
                         "trace_file=trace.log\n"
                         "trace_file_path=/var/log/orv\n"
                         "common_trace_path=/var/log/orv\n"
                         "custom.key=old\n"
                         "last.line=kept\n";
const std::string TRACE = "#ORV_TRACE_PROPERTIES_FILE\n"
                          "hw.loggers.trcLogger.level=DEBUG_MIN\n"
                          "vpd.loggers.trcLogger.level=DEBUG_MIN\n"
                          "fscanner.loggers.trcLogger.level=DEBUG_MIN\n"
                          "sigeval.loggers.trcLogger.level=DEBUG_MIN\n"
                          "plugin.loggers.trcLogger.level=DEBUG_MIN\n"
                          "common.loggers.trcLogger.level=DEBUG_MIN\n"
                          "handlers.traceFile.fileName=/var/log/orv/trace.log\n"
                          "handlers.traceFile.maxFiles=3\n";

std::string allLevels(const char* level)
{
    std::string text = TRACE;
    for (const char* component : {"hw", "vpd", "fscanner", "sigeval", "plugin", "common"}) {
        const std::string prefix = std::string(component) + ".loggers.trcLogger.level=";
        text = withLine(text, prefix + "DEBUG_MIN\n", prefix + level + "\n");
    }
    return text;
}

enum class Target { MAIN_FILE, TRACE_FILE };

// What one completed move of a temporary file leaves on disk.
struct Move {
    Target file;
    std::string bytes;
};

// A change whose rewrites are interrupted at every point they reach. The moves are listed
// in the order the change makes them.
struct CrashCase {
    const char* name;
    const char* key;
    const char* value;
    std::vector<Move> moves;
};

const std::string CUSTOM_NEW = withLine(MAIN, "custom.key=old\n", "custom.key=new\n");
const std::string LEVEL_NEW = withLine(MAIN, "trace_level=MIN\n", "trace_level=MAX\n");
const std::string PATH_FIRST = withLine(MAIN, "common_trace_path=/var/log/orv\n", "common_trace_path=/srv/logs\n");
const std::string PATH_BOTH = withLine(PATH_FIRST, "trace_file_path=/var/log/orv\n", "trace_file_path=/srv/logs\n");

const CrashCase CRASH_CASES[] = {
    {"MainFileOnly", "custom.key", "new", {{Target::MAIN_FILE, CUSTOM_NEW}}},
    {"TraceThenMainFile",
     "trace_level",
     "MAX",
     {{Target::TRACE_FILE, allLevels("DEBUG_MAX")}, {Target::MAIN_FILE, LEVEL_NEW}}},
    {"MainFileTwiceThenTraceFile",
     "common_trace_path",
     "/srv/logs",
     {{Target::MAIN_FILE, PATH_FIRST},
      {Target::MAIN_FILE, PATH_BOTH},
      {Target::TRACE_FILE, withLine(TRACE, "fileName=/var/log/orv/trace.log\n", "fileName=/srv/logs/trace.log\n")}}},
};

// The hook of the process under test: it records the points reached, or kills the process
// at the point with the given ordinal.
std::vector<FaultPoint> s_Reached;
std::size_t s_KillAt = 0;

void recordPoint(FaultPoint point)
{
    s_Reached.push_back(point);
}

void killAtOrdinal(FaultPoint point)
{
    s_Reached.push_back(point);
    if (s_Reached.size() == s_KillAt + 1)
        std::raise(SIGKILL);
}

class CrashConsistency : public RewriteTest {
protected:
    void TearDown() override
    {
        orv::os::setFaultHook(nullptr);
        setConfigLockWait(CONFIG_LOCK_WAIT);
        RewriteTest::TearDown();
    }

    // Runs the change once without interruption and returns the points it reaches.
    std::vector<FaultPoint> pointsOf(const CrashCase& c)
    {
        start(MAIN, TRACE);
        s_Reached.clear();
        orv::os::setFaultHook(&recordPoint);
        String value(c.value);
        EXPECT_EQ(OrvCfg::setKey(String(c.key), value), ORVCFG_OK);
        orv::os::setFaultHook(nullptr);
        OrvCfgTestAccess::resetToUnloaded();
        return s_Reached;
    }

    // The files as they must be after the first `movesDone` moves of the case.
    static void expectedAfter(const CrashCase& c, std::size_t movesDone, std::string& main, std::string& trace)
    {
        main = MAIN;
        trace = TRACE;
        for (std::size_t i = 0; i < movesDone && i < c.moves.size(); ++i)
            (c.moves[i].file == Target::MAIN_FILE ? main : trace) = c.moves[i].bytes;
    }

    // A file is lost when it is missing, empty or holds anything but one of its states.
    static bool isOneOfTheStates(const CrashCase& c, Target file, const std::string& bytes)
    {
        if (bytes == (file == Target::MAIN_FILE ? MAIN : TRACE))
            return true;
        for (const Move& move : c.moves) {
            if (move.file == file && move.bytes == bytes)
                return true;
        }
        return false;
    }
};

TEST_F(CrashConsistency, KilledChangeLeavesEveryPropertyFileWholeAtEveryPoint)
{
    int killPoints = 0;
    int filesLost = 0;
    for (const CrashCase& c : CRASH_CASES) {
        SCOPED_TRACE(c.name);
        const std::vector<FaultPoint> points = pointsOf(c);
        std::size_t moves = 0;
        for (const FaultPoint point : points)
            moves += point == FaultPoint::MOVED ? 1 : 0;
        ASSERT_EQ(moves, c.moves.size());

        std::size_t movesDone = 0;
        for (std::size_t ordinal = 0; ordinal < points.size(); ++ordinal) {
            SCOPED_TRACE("killed at point " + std::to_string(ordinal));
            movesDone += points[ordinal] == FaultPoint::MOVED ? 1 : 0;
            // Files as a fresh installation has them; temporary files of earlier kills stay.
            start(MAIN, TRACE);
            OrvCfg::cleanup();
            const int status = orvtest::runInChild([&c, ordinal] {
                OrvCfg::initialize("config_tests");
                s_Reached.clear();
                s_KillAt = ordinal;
                orv::os::setFaultHook(&killAtOrdinal);
                String value(c.value);
                OrvCfg::setKey(String(c.key), value);
                return 0;
            });
            ++killPoints;
            EXPECT_EQ(status, -1) << "the change ran to its end";

            const std::string main = mainFile();
            const std::string trace = traceFile();
            filesLost += isOneOfTheStates(c, Target::MAIN_FILE, main) ? 0 : 1;
            filesLost += isOneOfTheStates(c, Target::TRACE_FILE, trace) ? 0 : 1;
            std::string expectedMain;
            std::string expectedTrace;
            expectedAfter(c, movesDone, expectedMain, expectedTrace);
            EXPECT_EQ(main, expectedMain);
            EXPECT_EQ(trace, expectedTrace);

            // The next scanner loads the file whole, and its change is not held up by the
            // dead process's lock nor confused by the temporary files it left.
            OrvCfg::initialize("config_tests");
            EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
            EXPECT_EQ(stored("last.line"), "kept");
            setConfigLockWait(std::chrono::milliseconds(0));
            String value(c.value);
            EXPECT_EQ(OrvCfg::setKey(String(c.key), value), ORVCFG_OK);
            setConfigLockWait(CONFIG_LOCK_WAIT);
            expectedAfter(c, c.moves.size(), expectedMain, expectedTrace);
            EXPECT_EQ(mainFile(), expectedMain);
            EXPECT_EQ(traceFile(), expectedTrace);
            OrvCfgTestAccess::resetToUnloaded();
        }
    }
    std::cout << "[ crash    ] kill points tried: " << killPoints << ", files lost: " << filesLost << "\n";
    RecordProperty("killPoints", killPoints);
    RecordProperty("filesLost", filesLost);
    EXPECT_GT(killPoints, 0);
    EXPECT_EQ(filesLost, 0);
}

// Every kind of point is reached, so the test above kills at each step of a rewrite:
// after the temporary file is opened, between lines, after it is synced, after the move,
// and between the two files.
TEST_F(CrashConsistency, ChangeOfATraceKeyPassesEveryKindOfPoint)
{
    const std::vector<FaultPoint> points = pointsOf(CRASH_CASES[1]);
    const auto countOf = [&points](FaultPoint kind) {
        int count = 0;
        for (const FaultPoint point : points)
            count += point == kind ? 1 : 0;
        return count;
    };
    EXPECT_EQ(countOf(FaultPoint::TEMP_OPENED), 2);
    EXPECT_EQ(countOf(FaultPoint::LINE_WRITTEN), 9 + 8);
    EXPECT_EQ(countOf(FaultPoint::TEMP_SYNCED), 2);
    EXPECT_EQ(countOf(FaultPoint::MOVED), 2);
    EXPECT_EQ(countOf(FaultPoint::BETWEEN_FILES), 1);
}

} // namespace
