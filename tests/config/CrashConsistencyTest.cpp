#include "ConfigFixture.h"
#include "ConfigLock.h"
#include "FaultHook.h"

#include <cstdio>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using orv::os::FaultPoint;

// A change, and what each move of a temporary file leaves on disk, in the order the change
// makes the moves (true: the main file).
struct CrashCase {
    const char* key;
    const char* value;
    std::vector<std::pair<bool, std::string>> moves;
};

const std::string LOGS = orvtest::rooted("srv/logs");

const CrashCase CRASH_CASES[] = {
    {"trace_level", "MAX", {{false, traceWith(levelLines("DEBUG_MAX"))}, {true, withValue(MAIN, "trace_level", "MAX")}}},
    {"common_trace_path", LOGS.c_str(),
     {{true, withValue(MAIN, "common_trace_path", LOGS)},
      {true, withValue(withValue(MAIN, "common_trace_path", LOGS), "trace_file_path", LOGS)},
      {false, withLine(TRACE, "/var/log/orv/trace.log\n", orvtest::forwardSlashed(LOGS) + "/trace.log\n")}}},
};

// The files after the first `movesDone` moves of the case.
std::pair<std::string, std::string> filesAfter(const CrashCase& c, std::size_t movesDone)
{
    std::pair<std::string, std::string> files(MAIN, TRACE);
    for (std::size_t i = 0; i < movesDone && i < c.moves.size(); ++i)
        (c.moves[i].first ? files.first : files.second) = c.moves[i].second;
    return files;
}

// The hook records the points reached, and kills the process at the point with the
// ordinal s_KillAt, as abruptly as the system can.
std::vector<FaultPoint> s_Reached;
std::size_t s_KillAt = static_cast<std::size_t>(-1);

void reach(FaultPoint point)
{
    s_Reached.push_back(point);
    if (s_Reached.size() == s_KillAt + 1)
        orvtest::killThisProcess();
}

// The process under test: a fresh scanner that makes the change of the case "<index> <ordinal>"
// names and dies at that point.
int changeKilledAt(const std::string& argument)
{
    std::size_t caseIndex = 0;
    if (std::sscanf(argument.c_str(), "%zu %zu", &caseIndex, &s_KillAt) != 2 || caseIndex >= std::size(CRASH_CASES))
        return 2;
    OrvCfg::cleanup();
    OrvCfg::initialize("config_tests");
    s_Reached.clear();
    orv::os::setFaultHook(&reach);
    set(CRASH_CASES[caseIndex].key, CRASH_CASES[caseIndex].value);
    return 0;
}
[[maybe_unused]] const bool s_ChangeRole = orvtest::registerChildRole("killed-change", &changeKilledAt);

class CrashConsistency : public ConfigTest {
    void TearDown() override { orv::os::setFaultHook(nullptr); setConfigLockWait(CONFIG_LOCK_WAIT); ConfigTest::TearDown(); }
};

TEST_F(CrashConsistency, KilledChangeLeavesEveryPropertyFileWholeAtEveryPoint)
{
    std::set<FaultPoint> kinds;
    for (std::size_t caseIndex = 0; caseIndex < std::size(CRASH_CASES); ++caseIndex) {
        const CrashCase& c = CRASH_CASES[caseIndex];
        SCOPED_TRACE(c.key);
        // The points of the change run once without interruption.
        start(MAIN, TRACE);
        s_Reached.clear();
        s_KillAt = static_cast<std::size_t>(-1);
        orv::os::setFaultHook(&reach);
        EXPECT_EQ(set(c.key, c.value), ORVCFG_OK);
        orv::os::setFaultHook(nullptr);
        const std::vector<FaultPoint> points = s_Reached;
        kinds.insert(points.begin(), points.end());
        std::size_t movesDone = 0;
        for (std::size_t ordinal = 0; ordinal < points.size(); ++ordinal) {
            SCOPED_TRACE("killed at point " + std::to_string(ordinal));
            movesDone += points[ordinal] == FaultPoint::MOVED ? 1 : 0;
            start(MAIN, TRACE); // temporary files of earlier kills stay
            EXPECT_EQ(orvtest::runChildRole("killed-change", std::to_string(caseIndex) + " " + std::to_string(ordinal)), -1)
                << "the change ran to its end";
            // Each file holds exactly the state the moves done so far give it.
            EXPECT_EQ(files(), filesAfter(c, movesDone));
            // A moved file is readable by every scanner at once, not only after the change ends.
            const std::pair<unsigned int, unsigned int> modes(modeOf(propertiesPath()), modeOf(tracePath()));
            EXPECT_EQ(modes, orvtest::haveModeBits() ? std::make_pair(0644u, 0644u) : modes);

            // The next scanner loads the file whole, and its change is not held up by the dead
            // process's lock nor confused by the temporary files it left.
            start(mainFile(), std::nullopt);
            EXPECT_EQ(stored("last.line"), "kept");
            setConfigLockWait(std::chrono::milliseconds(0));
            EXPECT_EQ(set(c.key, c.value), ORVCFG_OK);
            setConfigLockWait(CONFIG_LOCK_WAIT);
            EXPECT_EQ(files(), filesAfter(c, c.moves.size()));
        }
    }
    // Killed at each kind of step: after the temporary file is opened, between lines, after
    // it is synced, after the move, and between the two files.
    EXPECT_EQ(kinds.size(), 5u);
}

} // namespace
