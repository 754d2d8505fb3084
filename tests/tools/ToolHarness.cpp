#include "ToolHarness.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace orvtest {

RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const EnvChanges& env)
{
    TempDir capture;
    const std::string out = capture.file("out"), err = capture.file("err");
    // execv takes char* for arguments it never writes.
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int status = runInChild([&] {
        if (!std::freopen("/dev/null", "r", stdin) || !std::freopen(out.c_str(), "w", stdout)
            || !std::freopen(err.c_str(), "w", stderr))
            return 127;
        for (const auto& [name, value] : env)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        execv(program.c_str(), argv.data());
        return 127;
    });
    return {status, readFile(out), readFile(err)};
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

TempInstallation::TempInstallation(bool programOnly)
{
    namespace fs = std::filesystem;
    for (const char* dir : {"bin/plugins", "bin/customscanners", "config", "install"})
        makeDirs(path(programOnly ? "bin" : dir));
    std::error_code linkError;
    fs::create_hard_link(ORV_TEST_TOOL, path("bin/orvcfg"), linkError);
    if (linkError)
        fs::copy_file(ORV_TEST_TOOL, path("bin/orvcfg"));
    fs::create_directory_symlink(ORV_TEST_LIB_DIR, path("lib"));
    for (const char* file : {"config/Orv.properties", "config/OrvTrace.properties", "config/orvcli.xml",
                             "install/orv_install.properties", "bin/orvcli.xsd"}) {
        if (!programOnly)
            write(file, shipped(file, root()));
    }
}

} // namespace orvtest
