#include "Spawn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include <sys/wait.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void reapEverything(int)
{
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

// The wait for a spawned program ends by the bound, whatever the program and whatever the
// host does with the signal of ended children, and leaves no child behind.
TEST(Spawn, WaitEndsByTheBoundAndLeavesNoChild)
{
    const struct {
        const char* name;
        const char* program;
        std::vector<std::string> args;
        void (*onChildEnd)(int);
        int status;
        bool waitsTheBound;
    } cases[] = {
        {"ExitStatus", "/bin/sh", {"-c", "exit 3"}, SIG_DFL, 3, false},
        {"Missing", "/nonexistent/fsprobe", {}, SIG_DFL, -1, false},
        {"HungIsKilled", "/bin/sleep", {"30"}, SIG_DFL, -1, true},
        {"HostIgnoresEndedChildren", "/bin/sh", {"-c", "exit 3"}, SIG_IGN, -1, false},
        {"HostReapsItsChildren", "/bin/sh", {"-c", "exit 3"}, reapEverything, -1, false},
    };
    constexpr milliseconds BOUND{300};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto old = std::signal(SIGCHLD, c.onChildEnd);
        const Clock::time_point begin = Clock::now();
        const int status = orv::os::spawnAndWait(c.program, c.args, BOUND);
        const Clock::duration took = Clock::now() - begin;
        std::signal(SIGCHLD, old);
        // A program that ends before the host's reaper gets to it still reports its status.
        EXPECT_TRUE(status == c.status || (c.onChildEnd != SIG_DFL && status == 3)) << status;
        EXPECT_EQ(took >= BOUND, c.waitsTheBound);
        EXPECT_LT(took, milliseconds(3000));
        EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a child is left";
    }
}

} // namespace
