#ifndef ORV_TESTS_TOOLS_TOOLRUNNER_H
#define ORV_TESTS_TOOLS_TOOLRUNNER_H

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvtest {

struct RunResult {
    int status = -1; // exit status; -1 when the program died from a signal
    std::string out;
    std::string err;

    // Lines of standard error (without line feeds).
    std::vector<std::string> errLines() const;
};

// Environment changes for one run: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// Runs program with args (argv[0] is program itself), output captured, no shell involved.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const EnvChanges& env = {}, const std::string& workDir = std::string());

} // namespace orvtest

#endif
