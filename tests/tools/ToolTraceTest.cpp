// From orvcfg set to the trace file: the chain a person follows to diagnose a scanner.
#include "ToolHarness.h"

#include <gtest/gtest.h>

#include <regex>

using namespace orvtest;

namespace {

TEST(ToolTrace, SetLevelAndPathThenParseWritesDiagnosticsToTheTraceFileThatTraceShows)
{
    const TempInstallation install;
    const std::string dir = install.path("diag");
    ASSERT_EQ(install.run({"set", "trace_level", "MAX"}).status, 0);
    ASSERT_EQ(install.run({"set", "common_trace_path", dir}).status, 0);
    install.write("broken.xml", "<?xml version=\"1.0\"?>\n<a><b>\n");
    const RunResult parse = install.run({"parse", install.path("broken.xml")});
    EXPECT_EQ(parse.status, 1);
    EXPECT_EQ(parse.err.find("orvtrace:"), std::string::npos) << parse.err;
    // The file holds the two diagnostics and nothing else.
    const std::string stamp = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ \d+ COM )";
    const std::regex lines(stamp + R"(ERROR ParseNodeSink::onError: Message is .* at line \d+\n)" + stamp
                           + R"(CRITICAL ParseNodeSink::onCriticalError: Message is .* at line \d+\n)");
    const std::string log = install.read("diag/trace.log");
    EXPECT_TRUE(std::regex_match(log, lines)) << log;
    // What `trace` shows is what the two changes wrote.
    const std::string shown = install.run({"trace"}).out;
    EXPECT_NE(shown.find("\nfile:            " + forwardSlashed(dir) + "/trace.log (line "), std::string::npos) << shown;
    EXPECT_NE(shown.find("\nlevel HW:        DEBUG_MAX (hw.loggers"), std::string::npos) << shown;
}

} // namespace
