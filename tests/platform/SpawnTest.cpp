#include "Spawn.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace {

// The wait for a spawned program ends by the bound, whatever the program and whether or not
// the host ignores the end of its children, and leaves no child behind.
TEST(Spawn, WaitEndsByTheBoundAndLeavesNoChild)
{
    const std::string probe = orvtest::probeProgram();
    const struct {
        const char* name;
        std::string program;
        std::vector<std::string> args;
        bool hostIgnoresEndedChildren;
        int status;
        bool waitsTheBound;
    } cases[] = {
        {"Missing", orvtest::rooted("nonexistent/fsprobe"), {}, false, -1, false},
        {"HungIsKilled", probe, {"sleep", "30"}, false, -1, true},
        // The system reaps the child; one that ends before the first look still reports its status.
        {"HostIgnoresEndedChildren", probe, {}, true, -1, false},
    };
    constexpr std::chrono::milliseconds BOUND{300};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto spawn = [&c, BOUND] {
            const auto begin = std::chrono::steady_clock::now();
            const int status = orv::os::spawnAndWait(c.program, c.args, BOUND);
            const auto took = std::chrono::steady_clock::now() - begin;
            EXPECT_TRUE(status == c.status || (c.hostIgnoresEndedChildren && status == 2)) << status;
            EXPECT_TRUE((took >= BOUND) == c.waitsTheBound && took < std::chrono::seconds(3)) << (took - BOUND).count();
            EXPECT_FALSE(orvtest::childLeft()) << "a child is left";
        };
        if (!c.hostIgnoresEndedChildren)
            spawn();
        else if (!orvtest::withChildEndsIgnored(spawn))
            std::printf("[ note     ] %s: this system has no signal of ended children\n", c.name);
    }
}

} // namespace
