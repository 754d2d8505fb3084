#include "TestSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <aclapi.h>
#include <psapi.h>

namespace orvtest {

namespace {

std::wstring wide(const std::string& text) { return std::filesystem::u8path(text).wstring(); }

// The exit code of a process that killThisProcess ended, or that the test stopped.
constexpr UINT KILLED_STATUS = 0xDEAD;

// One argument as the C runtime of the started program splits the command line again:
// quoted, with the backslashes before a quote doubled.
std::wstring quoted(const std::wstring& arg)
{
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
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

namespace {

std::string sidText(PSID sid)
{
    const PSID_IDENTIFIER_AUTHORITY authority = GetSidIdentifierAuthority(sid);
    std::string text = "S-1-" + std::to_string(authority->Value[5]);
    for (BYTE i = 0; i < *GetSidSubAuthorityCount(sid); ++i)
        text += "-" + std::to_string(*GetSidSubAuthority(sid, i));
    return text == "S-1-1-0" ? "Everyone" : text == "S-1-5-32-544" ? "Administrators" : text;
}

// The allowing entries of the path's list, as accessOf describes them.
std::optional<std::string> entriesOf(const std::wstring& path)
{
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return std::nullopt;
    std::string text;
    for (DWORD i = 0; list != nullptr && i < list->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(list, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        char rights[16];
        std::snprintf(rights, sizeof rights, "0x%lx", static_cast<unsigned long>(ace->Mask));
        const BYTE flags = ace->Header.AceFlags;
        text += (text.empty() ? "" : "; ") + sidText(&ace->SidStart) + " " + rights + " " +
                (flags == CONTAINER_INHERIT_ACE ? "sub-directories" : "flags " + std::to_string(flags));
    }
    LocalFree(descriptor);
    return text;
}

// Whether a list given to a directory reads back as given: one entry that no system would
// make up by default. Wine keeps lists only where the file system has extended attributes.
bool keepsAccessEntries()
{
    static const bool keeps = [] {
        TempDir dir;
        const std::wstring path = wide(dir.path());
        EXPLICIT_ACCESS_W entry = {};
        entry.grfAccessPermissions = FILE_GENERIC_EXECUTE;
        entry.grfAccessMode = SET_ACCESS;
        entry.grfInheritance = NO_INHERITANCE;
        entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
        entry.Trustee.ptstrName = const_cast<LPWSTR>(L"CURRENT_USER");
        PACL list = nullptr;
        if (SetEntriesInAclW(1, &entry, nullptr, &list) != ERROR_SUCCESS)
            return false;
        std::wstring target = path;
        const DWORD applied = SetNamedSecurityInfoW(target.data(), SE_FILE_OBJECT,
                                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                                    nullptr, nullptr, list, nullptr);
        LocalFree(list);
        const std::optional<std::string> entries = entriesOf(path);
        return applied == ERROR_SUCCESS && entries && entries->find(';') == std::string::npos &&
               entries->find(" 0x1200a0 ") != std::string::npos;
    }();
    return keeps;
}

} // namespace

std::optional<std::string> accessOf(const std::string& path)
{
    if (!keepsAccessEntries())
        return std::nullopt;
    return entriesOf(wide(path));
}

bool makeSymbolicLink(const std::string& target, const std::string& link)
{
    return CreateSymbolicLinkW(wide(link).c_str(), wide(target).c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
}

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

// The parent watches the child's working set, as no signal could stop the child from
// inside at a bound; the peak is the system's count of it.
MeasuredRun runChildMeasured(const char* role, const std::string& argument, long budgetBytes, unsigned timeoutSeconds)
{
    MeasuredRun run;
    HANDLE process = startRole(role, argument);
    if (process == nullptr)
        return run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    while (WaitForSingleObject(process, 2) == WAIT_TIMEOUT) {
        if (GetProcessMemoryInfo(process, &counters, sizeof(counters)) &&
            counters.WorkingSetSize > static_cast<SIZE_T>(budgetBytes))
            run.overBudget = true;
        else if (std::chrono::steady_clock::now() >= deadline)
            run.timedOut = true;
        if (run.overBudget || run.timedOut) {
            TerminateProcess(process, KILLED_STATUS);
            break;
        }
    }
    WaitForSingleObject(process, INFINITE);
    if (GetProcessMemoryInfo(process, &counters, sizeof(counters)))
        run.peakBytes = static_cast<long>(counters.PeakWorkingSetSize);
    run.status = finish(process);
    return run;
}

ScopedChildEndHandling::ScopedChildEndHandling(ChildEndHandling handling) : m_Applies(handling == ChildEndHandling::DEFAULT) {}

ScopedChildEndHandling::~ScopedChildEndHandling() = default;

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

LoopbackListener::LoopbackListener()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return;
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET)
        return;
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
    if (m_Socket != -1)
        ::closesocket(static_cast<SOCKET>(m_Socket));
    WSACleanup();
}

int LoopbackListener::connections() const
{
    int count = 0;
    for (SOCKET connection; m_Socket != -1
                            && (connection = ::accept(static_cast<SOCKET>(m_Socket), nullptr, nullptr)) != INVALID_SOCKET;
         ++count)
        ::closesocket(connection);
    return count;
}

} // namespace orvtest
