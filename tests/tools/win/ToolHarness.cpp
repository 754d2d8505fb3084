#include "ToolHarness.h"

#include <filesystem>

#include <windows.h>

namespace orvtest {

namespace {

std::wstring wide(const std::string& text) { return std::filesystem::u8path(text).wstring(); }

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

// The environment of this process changed for the life of the object; the started program
// inherits it. Unlike the C runtime's copy, it can hold a variable set to empty text.
class EnvironmentChange {
public:
    explicit EnvironmentChange(const EnvChanges& changes)
    {
        for (const auto& [name, value] : changes) {
            const std::wstring key = wide(name);
            const DWORD size = GetEnvironmentVariableW(key.c_str(), nullptr, 0);
            std::optional<std::wstring> old;
            if (size > 0) {
                std::wstring buffer(size, L'\0');
                buffer.resize(GetEnvironmentVariableW(key.c_str(), buffer.data(), size));
                old = buffer;
            }
            m_Old.emplace_back(key, old);
            SetEnvironmentVariableW(key.c_str(), value ? wide(*value).c_str() : nullptr);
        }
    }
    ~EnvironmentChange()
    {
        for (const auto& [key, old] : m_Old)
            SetEnvironmentVariableW(key.c_str(), old ? old->c_str() : nullptr);
    }

private:
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> m_Old;
};

} // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const EnvChanges& env)
{
    TempDir capture;
    const std::string out = capture.file("out"), err = capture.file("err");
    std::wstring commandLine = quoted(wide(program));
    for (const std::string& arg : args)
        commandLine += L" " + quoted(wide(arg));

    RunResult result;
    {
        HANDLE input = inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
        HANDLE output = inheritable(wide(out), GENERIC_WRITE, CREATE_ALWAYS);
        HANDLE error = inheritable(wide(err), GENERIC_WRITE, CREATE_ALWAYS);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
        startup.hStdOutput = output;
        startup.hStdError = error;
        PROCESS_INFORMATION process = {};
        EnvironmentChange changed(env);
        // No application name: the loader adds ".exe" to the program, as a shell would.
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                           &process)) {
            DWORD status = 0;
            WaitForSingleObject(process.hProcess, INFINITE);
            if (GetExitCodeProcess(process.hProcess, &status))
                result.status = static_cast<int>(status);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        } else {
            result.status = 127;
        }
        for (HANDLE handle : {input, output, error})
            if (handle != INVALID_HANDLE_VALUE)
                CloseHandle(handle);
    }
    result.out = readFile(out);
    result.err = readFile(err);
    return result;
}

std::string TempInstallation::shipped(const std::string& relative, const std::string& home)
{
    std::string text = readFile(std::string(ORV_TEST_SOURCE_DIR) + "/dist/" + relative);
    const std::pair<std::string, std::string> fills[] = {
        {"@ORV_HOME@", home}, {"@ORV_VERSION@", ORV_TEST_VERSION}, {"@ORV_INSTALL_TYPE@", "local"}};
    for (const auto& [from, to] : fills) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    }
    return text;
}

// bin\orvcfg.exe with the DLLs beside it, where Windows looks for them first.
TempInstallation::TempInstallation(bool programOnly)
{
    namespace fs = std::filesystem;
    for (const char* dir : {"bin/plugins", "bin/customscanners", "config", "install"})
        makeDirs(path(programOnly ? "bin" : dir));
    fs::copy_file(ORV_TEST_TOOL, path("bin/orvcfg.exe"));
    for (const fs::directory_entry& entry : fs::directory_iterator(ORV_TEST_LIB_DIR))
        if (entry.path().extension() == ".dll")
            fs::copy_file(entry.path(), fs::path(path("bin")) / entry.path().filename());
    for (const char* file : {"config/Orv.properties", "config/OrvTrace.properties", "config/orvcli.xml",
                             "install/orv_install.properties", "bin/orvcli.xsd"}) {
        if (!programOnly)
            write(file, shipped(file, root()));
    }
}

} // namespace orvtest
