#ifndef ORV_TESTS_TESTSUPPORT_H
#define ORV_TESTS_TESTSUPPORT_H

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvtest {

// The native path separator, as the configuration service joins paths with it.
inline const std::string SEP(1, static_cast<char>(std::filesystem::path::preferred_separator));

// `text` with every `from` turned into `to`.
inline std::string replaced(std::string text, char from, char to)
{
    for (char& c : text)
        if (c == from)
            c = to;
    return text;
}

// `path` with every "/" turned into the native separator.
inline std::string native(const std::string& path) { return replaced(path, '/', SEP[0]); }

// `path` with every "/" turned into the other system's separator: a value that the path
// keys rewrite into the native form.
inline std::string foreign(const std::string& path) { return replaced(path, '/', SEP == "/" ? '\\' : '/'); }

// `relative` under the root of the system's file system: "/srv/logs" on POSIX,
// "C:\srv\logs" on Windows for "srv/logs".
inline std::string rooted(const std::string& relative) { return (SEP == "/" ? "/" : "C:\\") + native(relative); }

// `path` with every native separator turned into "/", as the trace library writes paths.
inline std::string forwardSlashed(const std::string& path) { return replaced(path, '\\', '/'); }

// A fresh directory under the system's temporary directory, removed with its contents
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_Path; }
    // path() + separator + relative, the "/" in relative turned into the native separator
    std::string file(const std::string& relative) const;

private:
    std::string m_Path;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
void makeDirs(const std::string& path);

// Sets or unsets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value); // value null: unset
    ~ScopedEnv();

private:
    std::string m_Name;
    std::optional<std::string> m_Old;
};

// The running test program's own file, as the system reports it.
std::string programPath();

// Whether files carry POSIX permission bits; Windows keeps access entries instead.
bool haveModeBits();

// Whether this is the Windows build, where the system's own services (shell folders, short
// names, access entries) exist.
bool isWindows();

// The access a directory carries, as text to compare: its mode bits in octal ("0755") on
// POSIX. Nothing on Windows, whose access entries are not read (wine, where the tests run,
// keeps none), or when the path cannot be looked at.
std::optional<std::string> accessOf(const std::string& path);

// Makes `link` a symbolic link to `target`, a directory (on POSIX any file); false where the
// system cannot (wine makes none).
bool makeSymbolicLink(const std::string& target, const std::string& link);

// Sets `path`'s permission bits; on Windows only the owner's write bit counts (it is the
// read-only attribute).
inline void setMode(const std::string& path, unsigned int mode)
{
    std::error_code ignored;
    std::filesystem::permissions(std::filesystem::u8path(path), static_cast<std::filesystem::perms>(mode), ignored);
}

// Whether `path` itself is a symbolic link.
inline bool isSymbolicLink(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(std::filesystem::u8path(path), ignored));
}

// The user that owns `path` itself (not a link's target); 0 on Windows, which has no user ids.
unsigned int ownerOf(const std::string& path);

// Makes a named pipe at `path`, whose open waits for a writer; false where the system has no
// pipe that a file name can stand for (Windows).
bool makeNamedPipe(const std::string& path);

// Sets the process's file creation mask and gives the one before; Windows keeps none (0).
unsigned int exchangeCreationMask(unsigned int mask);

// A listener on the loopback interface: a connection that a parse makes waits in its
// backlog, where connections() counts it (and closes it).
class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;
    int port() const { return m_Port; } // 0 when no listener could be opened
    int connections() const;

private:
    std::intptr_t m_Socket = -1;
    int m_Port = 0;
};

// Open files of this process: descriptors on POSIX, handles on Windows.
int openHandleCount();

// ---- Parts of a test that run in a process of their own ----
//
// A child role is a function registered under a name at start-up. A child started for it
// runs the function with the text its parent gave and exits with the result. On POSIX the
// child is a fork of the test program; on Windows, which cannot fork, it is the test program
// started again, so a role takes everything it needs from its argument and the environment
// and sets up its own state (an OrvCfg it needs, it initializes).
using ChildBody = int (*)(const std::string& argument);

// For a namespace-scope initializer: registers `body` under `role`. In a process started
// for that role the body runs here, before any test, and the process exits with its result.
bool registerChildRole(const char* role, ChildBody body);

// A running child of a registered role. Going out of scope kills it if it still runs.
class ChildProcess {
public:
    ChildProcess(const char* role, const std::string& argument);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the end: the exit status, or -1 when the child was killed, died of a signal
    // or could not be started.
    int wait();

private:
    std::intptr_t m_Process = -1; // a process id on POSIX, a handle on Windows
    int m_Status = -1;
};

namespace detail {
// For the systems' halves of the support: the body of a registered role (null when none),
// and the variables that tell a started test program which role to play with which argument.
ChildBody childRole(const char* role);
inline constexpr const char* ROLE_VARIABLE = "ORVTEST_CHILD_ROLE";
inline constexpr const char* ARGUMENT_VARIABLE = "ORVTEST_CHILD_ARGUMENT";
// Sets (value null: removes) a variable of this process's environment, which the libraries
// read and a started program inherits.
void setEnvironment(const char* name, const char* value);
// Runs `program` with standard input empty and the outputs written to the files `out` and
// `err`; the exit status as runProgram gives it.
int runRedirected(const std::string& program, const std::vector<std::string>& args, const std::string& out,
                  const std::string& err);
} // namespace detail

// Runs a role in a child and waits for it; the status as ChildProcess::wait gives it.
int runChildRole(const char* role, const std::string& argument);

// Ends the calling process at once, as a kill from outside would: nothing is flushed, no
// destructor runs. The parent's wait() sees -1.
[[noreturn]] void killThisProcess();

// A role run under a memory budget and a time bound. The child is stopped when the time has
// run out; on POSIX also the moment its resident memory passes the budget, while on Windows
// its peak working set is only compared with the budget at the end.
struct MeasuredRun {
    int status = -1; // exit status; -1 when stopped, crashed or not started
    bool overBudget = false;
    bool timedOut = false;
    long peakBytes = 0; // the child's peak resident memory
};
MeasuredRun runChildMeasured(const char* role, const std::string& argument, long budgetBytes, unsigned timeoutSeconds);

// Runs `program` with `args`, standard input empty and both outputs captured, without a
// command processor. On Windows the loader adds ".exe" to the program's name.
struct RunResult {
    int status = -1; // exit status; -1 when the program died from a signal
    std::string out;
    std::string err;
};
// Environment changes for one run: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;
RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const EnvChanges& env = {});

// Puts the built program `program` into `binDir` under its own file name, where it finds
// the libraries of `libDir` as an installed copy finds them: beside it on Windows, in
// ../lib (a link to `libDir`) on POSIX.
void placeProgram(const std::string& program, const std::string& libDir, const std::string& binDir);

// Installs the tests' fsprobe (tests/support/fsprobe) as `home`/fsprobe: each run appends its
// arguments and the provider line that `watched` holds at that moment to `log`.
void installProbe(const std::string& home, const std::string& log, const std::string& watched);

// The tests' fsprobe as built; run with "sleep S", or with nothing beside it to log to,
// when it exits with 2.
std::string probeProgram();

// Runs `body` while this process ignores the signal of ended children, as a host may (its
// children are then reaped by the system, which ends the same way for a waiting parent as a
// host that catches the signal and reaps them itself: the child is gone). False, and `body`
// not run, where the system has no such signal (Windows).
bool withChildEndsIgnored(const std::function<void()>& body);

// Whether this process has an ended or running child that nobody reaped (POSIX); a Windows
// process keeps no such children.
bool childLeft();

// ---- Closures in a forked child (POSIX only) ----

// Whether runInChild and runUnprivileged work here: they fork, which Windows lacks.
bool haveChildProcesses();

// Runs `body` in a forked child that first drops to the unprivileged user 65534, so that
// permission bits apply even when the tests run as root. Returns the child's exit status
// (the body's result), or -1 when the child died from a signal.
int runUnprivileged(const std::function<int()>& body);

// Runs `body` in a forked child whose files may not grow past `bytes`; a write past it fails
// instead of ending the child.
int runWithFileSizeLimit(long bytes, const std::function<int()>& body);

} // namespace orvtest

// The first statement of a test that runs code in a child process.
#define ORVTEST_REQUIRE_CHILD_PROCESSES()                                                              \
    if (!orvtest::haveChildProcesses())                                                                \
    GTEST_SKIP() << "needs fork() and a change of user, which Windows lacks; under wine the tests run " \
                    "as root, whom neither a read-only attribute nor a denying access entry stops"

#endif
