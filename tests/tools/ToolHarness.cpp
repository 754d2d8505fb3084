#include "ToolHarness.h"

namespace orvtest {

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
    for (const char* dir : {"bin/plugins", "bin/customscanners", "config", "install"})
        makeDirs(path(programOnly ? "bin" : dir));
    placeProgram(ORV_TEST_TOOL, ORV_TEST_LIB_DIR, path("bin"));
    for (const char* file : {"config/Orv.properties", "config/OrvTrace.properties", "config/orvcli.xml",
                             "install/orv_install.properties", "bin/orvcli.xsd"}) {
        if (!programOnly)
            write(file, shipped(file, root()));
    }
}

} // namespace orvtest
