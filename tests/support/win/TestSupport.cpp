#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <psapi.h>

namespace orvtest {

namespace {

std::wstring wide(const std::string& text) { return std::filesystem::u8path(text).wstring(); }

// The exit code of a process that killThisProcess ended, or that the test stopped.
constexpr UINT KILLED_STATUS = 0xDEAD;

// One argument as the C runtime of the started program splits the command line again. No
// argument of the tests holds a quote or ends in a backslash, which would need escapes.
std::wstring quoted(const std::wstring& arg)
{
    if (arg.find(L'"') != std::wstring::npos || (!arg.empty() && arg.back() == L'\\'))
        throw std::invalid_argument("an argument that needs escapes on a command line");
    return L"\"" + arg + L"\"";
}

HANDLE inheritable(const std::wstring& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts a program (the loader adds ".exe") with the command line given and standard handles
// when `handles` is not null. The process handle, or null.
HANDLE start(std::wstring commandLine, const HANDLE* handles = nullptr)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (handles != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = handles[0];
        startup.hStdOutput = handles[1];
        startup.hStdError = handles[2];
    }
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, handles != nullptr, 0, nullptr, nullptr,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// This test program started again to play `role`.
HANDLE startRole(const char* role, const std::string& argument)
{
    if (detail::childRole(role) == nullptr)
        return nullptr;
    const ScopedEnv roleSet(detail::ROLE_VARIABLE, role), argumentSet(detail::ARGUMENT_VARIABLE, argument.c_str());
    return start(quoted(wide(programPath())));
}

// Waits for the end of the process and closes its handle: the exit status as
// ChildProcess::wait gives it.
int finish(HANDLE process)
{
    WaitForSingleObject(process, INFINITE);
    DWORD code = KILLED_STATUS;
    const int status = GetExitCodeProcess(process, &code) && code != KILLED_STATUS ? static_cast<int>(code) : -1;
    CloseHandle(process);
    return status;
}

} // namespace

std::string programPath()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return std::filesystem::path(path).u8string();
}

bool isWindows() { return true; }

// Wine, where the tests run, keeps no access entries of its own, so there is nothing to compare.
std::optional<std::string> accessOf(const std::string&) { return std::nullopt; }

// Wine makes no symbolic links.
bool makeSymbolicLink(const std::string&, const std::string&) { return false; }

int openHandleCount()
{
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? static_cast<int>(count) : 0;
}

int runUnprivileged(const std::function<int()>&) { return -1; }

ChildProcess::ChildProcess(const char* role, const std::string& argument)
{
    if (HANDLE process = startRole(role, argument))
        m_Process = reinterpret_cast<std::intptr_t>(process);
}

ChildProcess::~ChildProcess()
{
    if (m_Process == -1)
        return;
    TerminateProcess(reinterpret_cast<HANDLE>(m_Process), KILLED_STATUS);
    finish(reinterpret_cast<HANDLE>(m_Process));
}

int ChildProcess::wait()
{
    if (m_Process != -1)
        m_Status = finish(reinterpret_cast<HANDLE>(std::exchange(m_Process, -1)));
    return m_Status;
}

// TerminateProcess is the abrupt end Windows has: no handler runs, nothing is flushed.
void killThisProcess()
{
    TerminateProcess(GetCurrentProcess(), KILLED_STATUS);
    std::_Exit(1);
}

// The peak is the system's count of the child's working set, read after its end.
MeasuredRun runChildMeasured(const char* role, const std::string& argument, long budgetBytes, unsigned timeoutSeconds)
{
    MeasuredRun run;
    HANDLE process = startRole(role, argument);
    if (process == nullptr)
        return run;
    run.timedOut = WaitForSingleObject(process, timeoutSeconds * 1000) == WAIT_TIMEOUT;
    if (run.timedOut)
        TerminateProcess(process, KILLED_STATUS);
    WaitForSingleObject(process, INFINITE);
    PROCESS_MEMORY_COUNTERS counters = {};
    if (GetProcessMemoryInfo(process, &counters, sizeof(counters)))
        run.peakBytes = static_cast<long>(counters.PeakWorkingSetSize);
    run.overBudget = run.peakBytes > budgetBytes;
    run.status = finish(process);
    return run;
}

bool withChildEndsIgnored(const std::function<void()>&) { return false; }

bool childLeft() { return false; }

// The C runtime's copy of the environment is what the libraries read; setting it sets the
// system's copy too, which a started program inherits. It cannot hold a variable set to empty
// text: setting one to "" removes it.
void detail::setEnvironment(const char* name, const char* value) { _putenv_s(name, value != nullptr ? value : ""); }

int detail::runRedirected(const std::string& program, const std::vector<std::string>& args, const std::string& out,
                          const std::string& err)
{
    std::wstring commandLine = quoted(wide(program));
    for (const std::string& arg : args)
        commandLine += L" " + quoted(wide(arg));
    const HANDLE handles[] = {inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING),
                              inheritable(wide(out), GENERIC_WRITE, CREATE_ALWAYS),
                              inheritable(wide(err), GENERIC_WRITE, CREATE_ALWAYS)};
    int status = 127;
    if (HANDLE process = start(commandLine, handles))
        status = finish(process);
    for (HANDLE handle : handles)
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    return status;
}

// The program with every DLL of the build beside it, where Windows looks for them first.
void placeProgram(const std::string& program, const std::string& libDir, const std::string& binDir)
{
    namespace fs = std::filesystem;
    fs::copy_file(fs::u8path(program), fs::u8path(binDir) / fs::u8path(program).filename());
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::u8path(libDir)))
        if (entry.path().extension() == ".dll")
            fs::copy_file(entry.path(), fs::u8path(binDir) / entry.path().filename());
}

int runWithFileSizeLimit(long, const std::function<int()>&) { return -1; }

unsigned int ownerOf(const std::string&) { return 0; }

bool makeNamedPipe(const std::string&) { return false; }

unsigned int exchangeCreationMask(unsigned int) { return 0; }

// A socket that could not be made is INVALID_SOCKET, which is -1 here: every call on it fails.
LoopbackListener::LoopbackListener()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    m_Socket = static_cast<std::intptr_t>(socket);
    u_long nonBlocking = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (::ioctlsocket(socket, FIONBIO, &nonBlocking) == 0
        && ::bind(socket, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(socket, 16) == 0
        && ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        m_Port = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener()
{
    ::closesocket(static_cast<SOCKET>(m_Socket));
    WSACleanup();
}

int LoopbackListener::connections() const
{
    int count = 0;
    for (SOCKET connection; (connection = ::accept(static_cast<SOCKET>(m_Socket), nullptr, nullptr)) != INVALID_SOCKET;
         ++count)
        ::closesocket(connection);
    return count;
}

} // namespace orvtest
