// cmake --install lays out a working installation, and the example host of the README
// builds against its CMake package and runs inside it.
#include "ToolHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace orvtest;

namespace {

TEST(ToolInstall, InstalledTreeReportsItselfAndTheExampleHostRunsInIt)
{
    TempDir work;
    const std::string prefix = work.file("orv"), libdir = prefix + "/" + ORV_TEST_INSTALL_LIBDIR;
    const std::string orvcfg = prefix + "/bin/orvcfg";
    const EnvChanges noLocal = {{"ORV_LOCALDIR", std::nullopt}};
    const auto mustRun = [](const std::vector<std::string>& args) {
        RunResult step = runProgram(ORV_TEST_CMAKE, args);
        ASSERT_EQ(step.status, 0) << step.out << step.err;
    };
    ASSERT_NO_FATAL_FAILURE(mustRun({"--install", ORV_TEST_BINARY_DIR, "--prefix", prefix}));
    for (const std::string file : {"bin/orvcfg", "bin/orvcli.xsd", "config/Orv.properties", "config/OrvTrace.properties",
                                   "config/orvcli.xml", "install/orv_install.properties", "include/orv/OrvCfg.h",
                                   "include/orv/XmlOrvParser.h", "include/orv/ParseNodeSink.h", "include/orv/Node.h",
                                   "bin/plugins", "bin/customscanners", ORV_TEST_INSTALL_LIBDIR "/cmake/OrvCfg/OrvCfgConfig.cmake",
                                   ORV_TEST_INSTALL_LIBDIR "/pkgconfig/orvcfg.pc"})
        EXPECT_TRUE(fileExists(prefix + "/" + file)) << file;

    const std::string dirs = runProgram(orvcfg, {"dirs", "--json"}, noLocal).out;
    const std::string pieces[] = {",\"installation\":\"" + prefix + "\",", ",\"schema\":\"" + prefix + "/bin/orvcli.xsd\",",
                                  ",\"installationType\":\"global\",", ",\"status\":0,"};
    for (const std::string& piece : pieces)
        EXPECT_NE(dirs.find(piece), std::string::npos) << piece << dirs;
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
    ASSERT_NO_FATAL_FAILURE(mustRun(configure));
    ASSERT_NO_FATAL_FAILURE(mustRun({"--build", work.file("host-build")}));
    ASSERT_NO_FATAL_FAILURE(mustRun({"--install", work.file("host-build")}));
    // It uses the result texts and the diagnostics of the installed headers, and leaves both
    // property files as it found them.
    const std::string props = prefix + "/config/Orv.properties", trace = prefix + "/config/OrvTrace.properties";
    const std::string propsBefore = readFile(props), traceBefore = readFile(trace);
    RunResult host = runProgram(prefix + "/bin/orvhost", {}, noLocal);
    EXPECT_EQ(host.status, 0) << host.out << host.err;
    for (const char* line : {"\ntrace_level=MIN\n", "\nsetKey(trace_level, MID) -> 0 success\n",
                             "\nsetKey(trace_level, LOUD) -> 16 value rejected\n", "\nerrors: 0\n",
                             "<Hardware enabled=\"true\">\n <Timeout>300</Timeout>\n"})
        EXPECT_NE(("\n" + host.out).find(line), std::string::npos) << line << host.out;
    EXPECT_EQ(readFile(props), propsBefore);
    EXPECT_EQ(readFile(trace), traceBefore);
    // A document with an error after its last line: the host shows it with its line and the
    // column where the stray element begins.
    const std::string document = prefix + "/config/orvcli.xml", text = readFile(document);
    writeFile(document, text + "<trailing/>\n");
    host = runProgram(prefix + "/bin/orvhost", {}, noLocal);
    EXPECT_EQ(host.status, 1);
    EXPECT_NE(host.out.find("\nline " + std::to_string(1 + std::count(text.begin(), text.end(), '\n')) + ", column 1: "),
              std::string::npos) << host.out;

    // Installing again keeps the configuration that was changed in place.
    EXPECT_EQ(runProgram(orvcfg, {"set", "trace_level", "MID"}, noLocal).status, 0);
    ASSERT_NO_FATAL_FAILURE(mustRun({"--install", ORV_TEST_BINARY_DIR, "--prefix", prefix}));
    EXPECT_EQ(runProgram(orvcfg, {"get", "trace_level"}, noLocal).out, "MID\n");

    if (fileExists("/usr/bin/pkg-config")) {
        const EnvChanges pcPath = {{"PKG_CONFIG_PATH", libdir + "/pkgconfig"}};
        EXPECT_EQ(runProgram("/usr/bin/pkg-config", {"--modversion", "orvcfg"}, pcPath).out,
                  std::string(ORV_TEST_VERSION) + "\n");
        const auto flags = [&pcPath](const char* which) {
            std::string out = runProgram("/usr/bin/pkg-config", {which, "orvcfg"}, pcPath).out;
            return out.substr(0, out.find_last_not_of(" \n") + 1);
        };
        // Hosts write <orv/OrvCfg.h>: include/orv itself stays off their include path.
        EXPECT_EQ(flags("--cflags"), "-I" + prefix + "/include");
        EXPECT_EQ(flags("--libs"), "-L" + libdir + " -Wl,-rpath," + libdir + " -lorvcfg -lorvtrace -lorvbase");
    }
}

} // namespace
