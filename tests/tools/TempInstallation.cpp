#include "TempInstallation.h"

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace orvtest {

const std::vector<std::string> kSectionNames = {"Hardware",      "XSE",           "FSScan",   "Vpd",
                                                "UseSignatures", "NetSignatures", "NetConfig"};

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::string TempInstallation::shipped(const std::string& relative, const std::string& home,
                                      const std::string& installType)
{
    std::string text = readFile(std::string(ORV_TEST_SOURCE_DIR) + "/dist/" + relative);
    if (text.empty())
        throw std::runtime_error("no shipped file " + relative);
    replaceAll(text, "@ORV_HOME@", home);
    replaceAll(text, "@ORV_VERSION@", ORV_TEST_VERSION);
    replaceAll(text, "@ORV_INSTALL_TYPE@", installType);
    return text;
}

TempInstallation::TempInstallation(Layout layout)
{
    makeDirs(path("bin"));
    // A copy, not a symbolic link: the program finds its installation from the real place
    // of its executable. A hard link is as good and cheaper where the file system allows.
    std::error_code linkError;
    fs::create_hard_link(ORV_TEST_TOOL, tool(), linkError);
    if (linkError)
        fs::copy_file(ORV_TEST_TOOL, tool());
    fs::create_directory_symlink(ORV_TEST_LIB_DIR, path("lib"));
    if (layout == ProgramOnly)
        return;
    for (const char* relative : {"config/Orv.properties", "config/OrvTrace.properties", "config/orvcli.xml",
                                 "install/orv_install.properties", "bin/orvcli.xsd"}) {
        makeDirs(fs::path(path(relative)).parent_path().string());
        write(relative, shipped(relative, root()));
    }
    makeDirs(path("bin/plugins"));
    makeDirs(path("bin/customscanners"));
}

void TempInstallation::write(const std::string& relative, const std::string& bytes) const
{
    writeFile(path(relative), bytes);
}

RunResult TempInstallation::run(const std::vector<std::string>& args, const EnvChanges& env) const
{
    EnvChanges changes = env;
    changes.emplace("ORV_LOCALDIR", std::nullopt);
    return runProgram(tool(), args, changes);
}

} // namespace orvtest
