#include "ToolRunner.h"

#include "TestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace orvtest {

std::vector<std::string> RunResult::errLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const EnvChanges& env,
                     const std::string& workDir)
{
    TempDir capture;
    const std::string outPath = capture.file("stdout");
    const std::string errPath = capture.file("stderr");

    std::vector<std::string> argvStrings;
    argvStrings.push_back(program);
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());

    pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        int outFd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int inFd = open("/dev/null", O_RDONLY);
        if (outFd < 0 || errFd < 0 || inFd < 0)
            _exit(127);
        dup2(inFd, 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        for (const auto& change : env) {
            if (change.second)
                setenv(change.first.c_str(), change.second->c_str(), 1);
            else
                unsetenv(change.first.c_str());
        }
        if (!workDir.empty() && chdir(workDir.c_str()) != 0)
            _exit(127);
        std::vector<char*> argv;
        for (std::string& arg : argvStrings)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int waitStatus = 0;
    while (waitpid(child, &waitStatus, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");
    }
    RunResult result;
    result.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

} // namespace orvtest
