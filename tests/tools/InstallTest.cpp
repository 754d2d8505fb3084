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
    const std::string prefix = work.file("orv");
    const auto run = [](const std::string& program, const std::vector<std::string>& args, const EnvChanges& env = {}) {
        return runProgram(program, args, env.empty() ? EnvChanges{{"ORV_LOCALDIR", std::nullopt}} : env);
    };
    const auto mustRun = [&run](const std::vector<std::string>& args) {
        const RunResult step = run(ORV_TEST_CMAKE, args);
        ASSERT_EQ(step.status, 0) << step.out << step.err;
    };
    const std::string orvcfg = prefix + "/bin/orvcfg";
    ASSERT_NO_FATAL_FAILURE(mustRun({"--install", ORV_TEST_BINARY_DIR, "--prefix", prefix}));
    // The shipped paths describe this installation, not the build tree.
    EXPECT_EQ(run(orvcfg, {"get", "config_dir"}).out, prefix + "/config\n");

    // The example host: configured with find_package(OrvCfg), installed into bin/ as a
    // scanner is, and run there.
    std::vector<std::string> configure = {"-S", std::string(ORV_TEST_SOURCE_DIR) + "/examples/host", "-B",
                                          work.file("host"), "-DCMAKE_PREFIX_PATH=" + prefix,
                                          "-DCMAKE_INSTALL_PREFIX=" + prefix};
    if (ORV_TEST_SANITIZE)
        configure.insert(configure.end(), {"-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined",
                                           "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"});
    ASSERT_NO_FATAL_FAILURE(mustRun(configure));
    ASSERT_NO_FATAL_FAILURE(mustRun({"--build", work.file("host")}));
    ASSERT_NO_FATAL_FAILURE(mustRun({"--install", work.file("host")}));
    // It leaves both property files as it found them.
    const std::string props = prefix + "/config/Orv.properties", trace = prefix + "/config/OrvTrace.properties";
    const std::string before = readFile(props) + readFile(trace);
    const RunResult host = run(prefix + "/bin/orvhost", {});
    EXPECT_EQ(host.status, 0) << host.out << host.err;
    // The result texts and the diagnostics reach it through the installed headers; the shipped
    // document is valid against the shipped schema.
    for (const char* line : {"\nsetKey(trace_level, LOUD) -> 16 value rejected\n", "\nerrors: 0\n"})
        EXPECT_NE(host.out.find(line), std::string::npos) << line << host.out;
    EXPECT_EQ(readFile(props) + readFile(trace), before);
    // A stray element after the last line is shown with its line and the column it begins at.
    const std::string document = prefix + "/config/orvcli.xml", text = readFile(document);
    writeFile(document, text + "<trailing/>\n");
    const std::string at = "\nline " + std::to_string(1 + std::count(text.begin(), text.end(), '\n')) + ", column 1: ";
    EXPECT_NE(run(prefix + "/bin/orvhost", {}).out.find(at), std::string::npos);

    // Installing again keeps the configuration that was changed in place.
    EXPECT_EQ(run(orvcfg, {"set", "trace_level", "MID"}).status, 0);
    ASSERT_NO_FATAL_FAILURE(mustRun({"--install", ORV_TEST_BINARY_DIR, "--prefix", prefix}));
    EXPECT_EQ(run(orvcfg, {"get", "trace_level"}).out, "MID\n");
}

} // namespace
