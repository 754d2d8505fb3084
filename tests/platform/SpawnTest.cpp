#include "Spawn.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using orvtest::ChildEndHandling;

// The wait for a spawned program ends by the bound, whatever the program and whatever the
// host does with the end of its children, and leaves no child behind.
TEST(Spawn, WaitEndsByTheBoundAndLeavesNoChild)
{
    const std::string probe = orvtest::probeProgram();
    const struct {
        const char* name;
        std::string program;
        std::vector<std::string> args;
        ChildEndHandling handling;
        int status;
        bool waitsTheBound;
    } cases[] = {
        {"ExitStatus", probe, {"exit", "3"}, ChildEndHandling::DEFAULT, 3, false},
        {"Missing", orvtest::rooted("nonexistent/fsprobe"), {}, ChildEndHandling::DEFAULT, -1, false},
        {"HungIsKilled", probe, {"sleep", "30"}, ChildEndHandling::DEFAULT, -1, true},
        {"HostIgnoresEndedChildren", probe, {"exit", "3"}, ChildEndHandling::IGNORED, -1, false},
        {"HostReapsItsChildren", probe, {"exit", "3"}, ChildEndHandling::REAPED_BY_HOST, -1, false},
    };
    constexpr milliseconds BOUND{300};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        orvtest::ScopedChildEndHandling handling(c.handling);
        if (!handling.applies()) {
            std::printf("[ note     ] %s: this system has no signal of ended children\n", c.name);
            continue;
        }
        const Clock::time_point begin = Clock::now();
        const int status = orv::os::spawnAndWait(c.program, c.args, BOUND);
        const Clock::duration took = Clock::now() - begin;
        // A program that ends before the host's reaper gets to it still reports its status.
        EXPECT_TRUE(status == c.status || (c.handling != ChildEndHandling::DEFAULT && status == 3)) << status;
        EXPECT_EQ(took >= BOUND, c.waitsTheBound);
        EXPECT_LT(took, milliseconds(3000));
        EXPECT_FALSE(orvtest::childLeft()) << "a child is left";
    }
}

} // namespace
