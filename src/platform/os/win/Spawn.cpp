#include "Spawn.h"

#include "WideText.h"

#include <windows.h>

namespace orv::os {

namespace {

// A killed program normally goes at once; one stuck in the kernel (a hung network file
// system) goes when its call returns, and is not waited for beyond this.
constexpr DWORD AFTER_KILL_MS = 1000;

DWORD milliseconds(std::chrono::milliseconds bound)
{
    return bound.count() <= 0 ? 0 : bound.count() >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(bound.count());
}

} // namespace

int spawnAndWait(const std::string& program, const std::vector<std::string>& args, std::chrono::milliseconds bound)
{
    // The program is quoted on the command line, and the loader reads it up to the closing
    // quote: a quote inside would end it early and let the rest name another program.
    if (program.empty() || program.find('"') != std::string::npos)
        return -1;
    std::string commandLine = "\"" + program + "\"";
    for (const std::string& arg : args) {
        if (arg.find_first_of("\" \t") != std::string::npos)
            return -1;
        commandLine += ' ';
        commandLine += arg;
    }
    std::wstring wide = orv::win::widen(commandLine.c_str());

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // No application name: the loader finds the program from the quoted first word and
    // adds ".exe"; no command processor reads the line, and no handle is inherited.
    if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    int status = -1;
    if (WaitForSingleObject(process.hProcess, milliseconds(bound)) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            status = static_cast<int>(code);
    } else {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, AFTER_KILL_MS);
    }
    CloseHandle(process.hProcess);
    return status;
}

} // namespace orv::os
