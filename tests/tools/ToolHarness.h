#ifndef ORV_TESTS_TOOLS_TOOLHARNESS_H
#define ORV_TESTS_TOOLS_TOOLHARNESS_H

// What the tests of orvcfg share: running a program as a subprocess and a throw-away
// installation around the built orvcfg. Its --json output is deterministic, so tests
// compare whole documents or exact pieces of them rather than reading them back.
#include "TestSupport.h"

#include <string>
#include <vector>

namespace orvtest {

// bin/orvcfg (a copy of the built one with the libraries where it finds them: the program
// finds its installation from the real place of its executable), and unless programOnly the shipped files of dist/ filled
// in for this directory as the install step does.
class TempInstallation {
public:
    explicit TempInstallation(bool programOnly = false);

    std::string path(const std::string& relative) const { return m_Dir.file(relative); }
    const std::string& root() const { return m_Dir.path(); }
    std::string read(const std::string& relative) const { return readFile(path(relative)); }
    void write(const std::string& relative, const std::string& bytes) const { writeFile(path(relative), bytes); }

    // Runs bin/orvcfg with ORV_LOCALDIR removed unless env sets it.
    RunResult run(const std::vector<std::string>& args, EnvChanges env = {}) const
    {
        env.emplace("ORV_LOCALDIR", std::nullopt);
        return runProgram(path("bin/orvcfg"), args, env);
    }

    // A shipped file of dist/ as a local installation at `home` holds it.
    static std::string shipped(const std::string& relative, const std::string& home);

private:
    TempDir m_Dir;
};

} // namespace orvtest

#endif
