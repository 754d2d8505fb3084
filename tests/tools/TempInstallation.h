#ifndef ORV_TESTS_TOOLS_TEMPINSTALLATION_H
#define ORV_TESTS_TOOLS_TEMPINSTALLATION_H

#include "TestSupport.h"
#include "ToolRunner.h"

#include <string>
#include <vector>

namespace orvtest {

// A throw-away installation around a copy of the built orvcfg: bin/orvcfg, lib/ (a link to
// the build's libraries), and, for a full layout, the shipped files of dist/ filled in for
// this directory as the install step does.
class TempInstallation {
public:
    enum Layout { FullLayout, ProgramOnly };
    explicit TempInstallation(Layout layout = FullLayout);

    const std::string& root() const { return m_Dir.path(); }
    std::string path(const std::string& relative) const { return m_Dir.file(relative); }
    std::string tool() const { return path("bin/orvcfg"); }

    // Runs bin/orvcfg; ORV_LOCALDIR is removed from the environment unless env sets it.
    RunResult run(const std::vector<std::string>& args, const EnvChanges& env = {}) const;

    std::string read(const std::string& relative) const { return readFile(path(relative)); }
    void write(const std::string& relative, const std::string& bytes) const;

    // A shipped file of dist/ as an installation at `home` of the given type holds it.
    static std::string shipped(const std::string& relative, const std::string& home,
                               const std::string& installType = "local");

private:
    TempDir m_Dir;
};

// The seven sections in the order in which orvcfg reports them.
extern const std::vector<std::string> kSectionNames;

} // namespace orvtest

#endif
