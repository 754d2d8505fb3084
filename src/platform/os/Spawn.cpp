#include "Spawn.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace orv::os {

namespace {

// Most programs end within a few milliseconds: the first looks come quickly, later ones
// further apart.
constexpr std::chrono::milliseconds FIRST_LOOK{1};
constexpr std::chrono::milliseconds LONGEST_LOOK{20};
// A killed program normally goes at once; one stuck in the kernel (a hung network file
// system) goes when its call returns, and is not waited for beyond this.
constexpr std::chrono::milliseconds AFTER_KILL{1000};

// Looks for the end of `child` until `bound` has passed. Polled rather than waited for: a
// blocking wait has no bound. True when the child has ended; `status` is then its exit
// status, or -1 when it did not exit normally or was reaped already, by the system (a host
// that ignores the signal of ended children) or by the host itself.
bool reap(pid_t child, std::chrono::milliseconds bound, int& status)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    std::chrono::milliseconds pause = FIRST_LOOK;
    for (;;) {
        int waitStatus = 0;
        const pid_t ended = ::waitpid(child, &waitStatus, WNOHANG);
        if (ended == child) {
            status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
            return true;
        }
        if (ended < 0 && errno != EINTR) {
            status = -1;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, LONGEST_LOOK);
    }
}

} // namespace

int spawnAndWait(const std::string& program, const std::vector<std::string>& args, std::chrono::milliseconds bound)
{
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    pid_t child = 0;
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = -1;
    if (reap(child, bound, status))
        return status;
    // Not reaped yet, so the process id is still the child's.
    ::kill(child, SIGKILL);
    reap(child, AFTER_KILL, status);
    return -1;
}

} // namespace orv::os
