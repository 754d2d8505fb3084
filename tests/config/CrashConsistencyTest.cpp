#include "ConfigFixture.h"
#include "ConfigLock.h"
#include "FaultHook.h"

#include <csignal>
#include <iostream>
#include <set>
#include <vector>

namespace {

using orv::os::FaultPoint;

// A change whose rewrites are interrupted at every point they reach, with what each move of
// a temporary file leaves on disk, in the order the change makes the moves.
struct Move {
    bool mainFile;
    std::string bytes;
};
struct CrashCase {
    const char* name;
    const char* key;
    const char* value;
    std::vector<Move> moves;
};

const CrashCase CRASH_CASES[] = {
    {"TraceThenMainFile", "trace_level", "MAX",
     {{false, traceWith(levelLines("DEBUG_MAX"))}, {true, withValue(MAIN, "trace_level", "MAX")}}},
    {"MainFileTwiceThenTraceFile", "common_trace_path", "/srv/logs",
     {{true, withValue(MAIN, "common_trace_path", "/srv/logs")},
      {true, withValue(withValue(MAIN, "common_trace_path", "/srv/logs"), "trace_file_path", "/srv/logs")},
      {false, withLine(TRACE, "/var/log/orv/trace.log\n", "/srv/logs/trace.log\n")}}},
};

// The hook of the process under test: it records the points reached, and kills the process
// at the point with the ordinal s_KillAt.
std::vector<FaultPoint> s_Reached;
std::size_t s_KillAt = static_cast<std::size_t>(-1);

void reach(FaultPoint point)
{
    s_Reached.push_back(point);
    if (s_Reached.size() == s_KillAt + 1)
        std::raise(SIGKILL);
}

class CrashConsistency : public ConfigTest {
protected:
    void TearDown() override
    {
        orv::os::setFaultHook(nullptr);
        setConfigLockWait(CONFIG_LOCK_WAIT);
        ConfigTest::TearDown();
    }

    // Runs the change once without interruption and returns the points it reaches.
    std::vector<FaultPoint> pointsOf(const CrashCase& c)
    {
        start(MAIN, TRACE);
        s_Reached.clear();
        s_KillAt = static_cast<std::size_t>(-1);
        orv::os::setFaultHook(&reach);
        EXPECT_EQ(set(c.key, c.value), ORVCFG_OK);
        orv::os::setFaultHook(nullptr);
        return s_Reached;
    }

    // The files after the first `movesDone` moves of the case.
    static std::pair<std::string, std::string> filesAfter(const CrashCase& c, std::size_t movesDone)
    {
        std::pair<std::string, std::string> files(MAIN, TRACE);
        for (std::size_t i = 0; i < movesDone && i < c.moves.size(); ++i)
            (c.moves[i].mainFile ? files.first : files.second) = c.moves[i].bytes;
        return files;
    }
};

TEST_F(CrashConsistency, KilledChangeLeavesEveryPropertyFileWholeAtEveryPoint)
{
    int killPoints = 0;
    int filesLost = 0;
    std::set<FaultPoint> kinds;
    for (const CrashCase& c : CRASH_CASES) {
        SCOPED_TRACE(c.name);
        const std::vector<FaultPoint> points = pointsOf(c);
        kinds.insert(points.begin(), points.end());
        std::size_t movesDone = 0;
        for (std::size_t ordinal = 0; ordinal < points.size(); ++ordinal) {
            SCOPED_TRACE("killed at point " + std::to_string(ordinal));
            movesDone += points[ordinal] == FaultPoint::MOVED ? 1 : 0;
            // Files as a fresh installation has them; temporary files of earlier kills stay.
            start(MAIN, TRACE);
            const int status = orvtest::runInChild([&c, ordinal] {
                s_Reached.clear();
                s_KillAt = ordinal;
                orv::os::setFaultHook(&reach);
                set(c.key, c.value);
                return 0;
            });
            ++killPoints;
            EXPECT_EQ(status, -1) << "the change ran to its end";
            // Each file holds exactly the state the moves done so far give it; any other bytes
            // count as a file lost.
            const std::pair<std::string, std::string> files(mainFile(), traceFile());
            const std::pair<std::string, std::string> expected = filesAfter(c, movesDone);
            filesLost += (files.first != expected.first ? 1 : 0) + (files.second != expected.second ? 1 : 0);
            EXPECT_EQ(files, expected);

            // The next scanner loads the file whole, and its change is not held up by the dead
            // process's lock nor confused by the temporary files it left.
            start(mainFile(), std::nullopt);
            EXPECT_EQ(stored("last.line"), "kept");
            setConfigLockWait(std::chrono::milliseconds(0));
            EXPECT_EQ(set(c.key, c.value), ORVCFG_OK);
            setConfigLockWait(CONFIG_LOCK_WAIT);
            EXPECT_EQ(std::make_pair(mainFile(), traceFile()), filesAfter(c, c.moves.size()));
        }
        EXPECT_EQ(movesDone, c.moves.size());
    }
    std::cout << "[ crash    ] kill points tried: " << killPoints << ", files lost: " << filesLost << "\n";
    // Killed at each kind of step: after the temporary file is opened, between lines, after
    // it is synced, after the move, and between the two files.
    EXPECT_EQ(kinds.size(), 5u);
}

} // namespace
