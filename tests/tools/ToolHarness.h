#ifndef ORV_TESTS_TOOLS_TOOLHARNESS_H
#define ORV_TESTS_TOOLS_TOOLHARNESS_H

// What the tests of orvcfg share: running a program as a subprocess, a throw-away
// installation around the built orvcfg, and reading its --json output back.
#include "TestSupport.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvtest {

struct RunResult {
    int status = -1; // exit status; -1 when the program died from a signal
    std::string out;
    std::string err;
    std::size_t errLines() const;
};

// Environment changes for one run: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// Runs program with args, output captured, standard input empty, no shell involved.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const EnvChanges& env = {});

// bin/orvcfg (a link to the built one: the program finds its installation from the real
// place of its executable), lib/, and for a full layout the shipped files of dist/ filled
// in for this directory as the install step does.
class TempInstallation {
public:
    enum Layout { FullLayout, ProgramOnly };
    explicit TempInstallation(Layout layout = FullLayout);

    std::string path(const std::string& relative) const { return m_Dir.file(relative); }
    const std::string& root() const { return m_Dir.path(); }
    std::string read(const std::string& relative) const { return readFile(path(relative)); }
    void write(const std::string& relative, const std::string& bytes) const { writeFile(path(relative), bytes); }

    // Runs bin/orvcfg; ORV_LOCALDIR is removed from the environment unless env sets it.
    RunResult run(const std::vector<std::string>& args, EnvChanges env = {}) const;

    // A shipped file of dist/ as a local installation at `home` holds it.
    static std::string shipped(const std::string& relative, const std::string& home);

private:
    TempDir m_Dir;
};

// orvcfg's --json output read back into one entry per scalar, named by its path: "a.b"
// for a member, "a.2" for an item, "a.#" for the number of entries of an array or object.
// Strings are unescaped; true, false, null and numbers stay as written. Strict: one
// document without white space and a line feed, as orvcfg writes it; orvcfg escapes only
// control characters with \u, so an escape beyond ASCII is refused rather than decoded.
// Throws std::runtime_error on any syntax error.
std::map<std::string, std::string> parseJson(const std::string& document);

} // namespace orvtest

#endif
