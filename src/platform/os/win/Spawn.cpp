#include "Spawn.h"

#include "WideText.h"

#include <windows.h>

namespace orv::os {

namespace {

// How long a spawned program may take before the caller goes on without it: the
// shutdown of a scanner must not hang the host that changed a key.
constexpr DWORD SPAWN_WAIT_MS = 10000;

} // namespace

int spawnAndWait(const std::string& program, const std::vector<std::string>& args)
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
    if (WaitForSingleObject(process.hProcess, SPAWN_WAIT_MS) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            status = static_cast<int>(code);
    }
    CloseHandle(process.hProcess);
    return status;
}

} // namespace orv::os
