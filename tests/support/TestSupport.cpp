#include "TestSupport.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <utility>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvtest {

std::string programPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

bool isWindows() { return false; }

std::optional<std::string> accessOf(const std::string& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return std::nullopt;
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned int>(status.st_mode & 07777));
    return std::string(text);
}

bool makeSymbolicLink(const std::string& target, const std::string& link)
{
    return ::symlink(target.c_str(), link.c_str()) == 0;
}

int openHandleCount()
{
    std::error_code ignored;
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd", ignored), {}));
}

namespace detail {

void setEnvironment(const char* name, const char* value)
{
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

} // namespace detail

namespace {

int waitFor(pid_t pid, struct rusage* usage = nullptr, int* signal = nullptr)
{
    int status = 0;
    while (wait4(pid, &status, 0, usage) < 0)
        if (errno != EINTR)
            return -1;
    if (signal != nullptr)
        *signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The exit status of a measured child that passed its budget.
constexpr int OVER_BUDGET_STATUS = 251;

long residentBytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Runs `body` in a forked child; the child's process id, or -1.
pid_t forkRunning(const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    return pid;
}

int runInChild(const std::function<int()>& body)
{
    const pid_t pid = forkRunning(body);
    return pid < 0 ? -1 : waitFor(pid);
}

// Forks a child that runs the role; the child's process id, or -1. `prepare` runs in the
// child first.
pid_t forkRole(const char* role, const std::string& argument, const std::function<void()>& prepare = {})
{
    const ChildBody body = detail::childRole(role);
    if (body == nullptr)
        return -1;
    return forkRunning([&] {
        if (prepare)
            prepare();
        const int status = body(argument);
        std::fflush(nullptr);
        return status;
    });
}

} // namespace

ChildProcess::ChildProcess(const char* role, const std::string& argument) : m_Process(forkRole(role, argument)) {}

ChildProcess::~ChildProcess()
{
    if (m_Process > 0 && ::kill(static_cast<pid_t>(m_Process), SIGKILL) == 0)
        waitFor(static_cast<pid_t>(m_Process));
}

int ChildProcess::wait()
{
    if (m_Process > 0)
        m_Status = waitFor(static_cast<pid_t>(std::exchange(m_Process, -1)));
    return m_Status;
}

void killThisProcess()
{
    std::raise(SIGKILL);
    _exit(1);
}

// The child watches its own resident size: a blow-up ends it at once instead of exhausting
// the machine. The peak comes from wait4.
MeasuredRun runChildMeasured(const char* role, const std::string& argument, long budgetBytes, unsigned timeoutSeconds)
{
    const pid_t pid = forkRole(role, argument, [budgetBytes, timeoutSeconds] {
        alarm(timeoutSeconds);
        std::thread([budgetBytes] {
            for (;;) {
                if (residentBytes() > budgetBytes)
                    _exit(OVER_BUDGET_STATUS);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }).detach();
    });
    MeasuredRun run;
    if (pid < 0)
        return run;
    struct rusage usage = {};
    int signal = 0;
    run.status = waitFor(pid, &usage, &signal);
    run.peakBytes = usage.ru_maxrss * 1024L;
    run.timedOut = signal == SIGALRM;
    run.overBudget = run.status == OVER_BUDGET_STATUS;
    if (run.overBudget)
        run.status = -1;
    return run;
}

bool withChildEndsIgnored(const std::function<void()>& body)
{
    void (*const old)(int) = std::signal(SIGCHLD, SIG_IGN);
    body();
    std::signal(SIGCHLD, old);
    return true;
}

bool childLeft() { return ::waitpid(-1, nullptr, WNOHANG) != -1; }

int detail::runRedirected(const std::string& program, const std::vector<std::string>& args, const std::string& out,
                          const std::string& err)
{
    // execv takes char* for arguments it never writes.
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return runInChild([&] {
        if (std::freopen("/dev/null", "r", stdin) && std::freopen(out.c_str(), "w", stdout)
            && std::freopen(err.c_str(), "w", stderr))
            execv(program.c_str(), argv.data());
        return 127;
    });
}

// A copy of the program (it finds its installation from the place of its own file); the
// libraries through a link to the build tree's.
void placeProgram(const std::string& program, const std::string& libDir, const std::string& binDir)
{
    namespace fs = std::filesystem;
    fs::copy_file(program, fs::path(binDir) / fs::path(program).filename());
    fs::create_directory_symlink(libDir, fs::path(binDir).parent_path() / "lib");
}

int runUnprivileged(const std::function<int()>& body)
{
    return runInChild([&]() {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            return 125;
        return body();
    });
}

int runWithFileSizeLimit(long bytes, const std::function<int()>& body)
{
    return runInChild([&]() {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit size{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
        return ::setrlimit(RLIMIT_FSIZE, &size) == 0 ? body() : 125;
    });
}

unsigned int ownerOf(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_uid : 0;
}

bool makeNamedPipe(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

unsigned int exchangeCreationMask(unsigned int mask) { return ::umask(static_cast<mode_t>(mask)); }

// A socket that could not be made is -1, and every call on it fails.
LoopbackListener::LoopbackListener() : m_Socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0))
{
    sockaddr_in address = {AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    const int socket = static_cast<int>(m_Socket);
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(socket, 16) == 0
        && ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        m_Port = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() { ::close(static_cast<int>(m_Socket)); }

int LoopbackListener::connections() const
{
    int count = 0;
    for (int connection; (connection = ::accept(static_cast<int>(m_Socket), nullptr, nullptr)) >= 0; ++count)
        ::close(connection);
    return count;
}

} // namespace orvtest
