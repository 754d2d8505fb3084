// cmake --install lays out a working installation, and the example host of the README
// builds against its CMake package and runs inside it.
#include "JsonReader.h"
#include "TestSupport.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

using namespace orvtest;

namespace {

std::string lineWith(const std::string& text, const std::string& prefix)
{
    std::size_t at = text.rfind("\n" + prefix);
    if (at == std::string::npos)
        return text.rfind(prefix, 0) == 0 ? text.substr(0, text.find('\n')) : std::string();
    return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

TEST(ToolInstall, InstalledTreeReportsItselfAndTheExampleHostRunsInIt)
{
    TempDir work;
    const std::string prefix = work.file("orv");
    RunResult install = runProgram(ORV_TEST_CMAKE, {"--install", ORV_TEST_BINARY_DIR, "--prefix", prefix});
    ASSERT_EQ(install.status, 0) << install.out << install.err;

    for (const char* file : {"bin/orvcfg", "bin/orvcli.xsd", "config/Orv.properties", "config/OrvTrace.properties",
                             "config/orvcli.xml", "install/orv_install.properties", "include/orv/OrvCfg.h",
                             "include/orv/XmlOrvParser.h", "include/orv/ParseNodeSink.h", "include/orv/Node.h"})
        EXPECT_TRUE(fileExists(prefix + "/" + file)) << file;
    const std::string libdir = prefix + "/" + ORV_TEST_INSTALL_LIBDIR;
    EXPECT_TRUE(fileExists(libdir + "/cmake/OrvCfg/OrvCfgConfig.cmake"));
    EXPECT_TRUE(fileExists(libdir + "/pkgconfig/orvcfg.pc"));
    EXPECT_TRUE(fileExists(prefix + "/bin/plugins"));
    EXPECT_TRUE(fileExists(prefix + "/bin/customscanners"));

    const std::string orvcfg = prefix + "/bin/orvcfg";
    const EnvChanges noLocal = {{"ORV_LOCALDIR", std::nullopt}};
    Json dirs = parseJson(runProgram(orvcfg, {"dirs", "--json"}, noLocal).out);
    EXPECT_EQ(dirs["installation"].text, prefix);
    EXPECT_EQ(dirs["schema"].text, prefix + "/bin/orvcli.xsd");
    EXPECT_EQ(dirs["installationType"].text, "global");
    EXPECT_EQ(dirs["properties"]["status"].number, 0);
    // The shipped paths describe this installation, not the build tree.
    EXPECT_EQ(runProgram(orvcfg, {"get", "config_dir"}, noLocal).out, prefix + "/config\n");
    EXPECT_EQ(runProgram(orvcfg, {"parse"}, noLocal).status, 0);

    // The example host: configured with find_package(OrvCfg), installed into bin/ as a
    // scanner is, and run there.
    std::vector<std::string> configure = {"-S", std::string(ORV_TEST_SOURCE_DIR) + "/examples/host",
                                          "-B", work.file("host-build"), "-DCMAKE_PREFIX_PATH=" + prefix,
                                          "-DCMAKE_INSTALL_PREFIX=" + prefix};
    if (ORV_TEST_SANITIZE) {
        configure.push_back("-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined");
        configure.push_back("-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined");
    }
    RunResult step = runProgram(ORV_TEST_CMAKE, configure);
    ASSERT_EQ(step.status, 0) << step.out << step.err;
    step = runProgram(ORV_TEST_CMAKE, {"--build", work.file("host-build")});
    ASSERT_EQ(step.status, 0) << step.out << step.err;
    step = runProgram(ORV_TEST_CMAKE, {"--install", work.file("host-build")});
    ASSERT_EQ(step.status, 0) << step.out << step.err;

    RunResult host = runProgram(prefix + "/bin/orvhost", {}, noLocal);
    EXPECT_EQ(host.status, 0) << host.out << host.err;
    EXPECT_EQ(lineWith(host.out, "trace_level="), "trace_level=MIN");
    EXPECT_EQ(lineWith(host.out, "setKey(trace_level, MID)"), "setKey(trace_level, MID) -> 0");
    EXPECT_EQ(lineWith(host.out, "setKey(trace_level, LOUD)"), "setKey(trace_level, LOUD) -> 16");
    EXPECT_EQ(lineWith(host.out, "errors:"), "errors: 0");
    EXPECT_NE(host.out.find("<Hardware enabled=\"true\">\n <Timeout>300</Timeout>\n"), std::string::npos)
        << host.out;
    EXPECT_EQ(runProgram(orvcfg, {"get", "trace_level"}, noLocal).out, "MID\n");

    // Installing again keeps the configuration that was changed in place.
    install = runProgram(ORV_TEST_CMAKE, {"--install", ORV_TEST_BINARY_DIR, "--prefix", prefix});
    ASSERT_EQ(install.status, 0) << install.err;
    EXPECT_EQ(runProgram(orvcfg, {"get", "trace_level"}, noLocal).out, "MID\n");

    if (fileExists("/usr/bin/pkg-config")) {
        const EnvChanges pcPath = {{"PKG_CONFIG_PATH", libdir + "/pkgconfig"}};
        RunResult pc = runProgram("/usr/bin/pkg-config", {"--modversion", "orvcfg"}, pcPath);
        EXPECT_EQ(pc.status, 0) << pc.err;
        EXPECT_EQ(pc.out, std::string(ORV_TEST_VERSION) + "\n");
        pc = runProgram("/usr/bin/pkg-config", {"--cflags", "orvcfg"}, pcPath);
        EXPECT_NE(pc.out.find("/include/orv"), std::string::npos) << pc.out;
    }
}

} // namespace
