// From orvcfg set to the trace file: the chain a person follows to diagnose a scanner.
#include "ToolHarness.h"

#include <gtest/gtest.h>

#include <regex>

using namespace orvtest;

namespace {

TEST(ToolTrace, SetLevelAndPathThenParseWritesDiagnosticsToTheTraceFileThatTraceShows)
{
    TempInstallation install;
    const std::string dir = install.path("diag");
    ASSERT_EQ(install.run({"set", "trace_level", "MAX"}).status, 0);
    ASSERT_EQ(install.run({"set", "common_trace_path", dir}).status, 0);
    install.write("broken.xml", "<?xml version=\"1.0\"?>\n<a><b>\n");
    RunResult parse = install.run({"parse", install.path("broken.xml")});
    EXPECT_EQ(parse.status, 1);

    const std::string log = install.read("diag/trace.log");
    const std::regex line(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ \d+ COM (ERROR|CRITICAL) )"
                          R"(ParseNodeSink::on(Error|CriticalError): Message is .* at line \d+\n)");
    // The file holds these two lines and nothing else.
    std::size_t lines = 0;
    std::size_t covered = 0;
    for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it, ++lines)
        covered += static_cast<std::size_t>(it->length());
    EXPECT_EQ(lines, 2u) << log;
    EXPECT_EQ(covered, log.size()) << log;
    EXPECT_EQ(parse.err.find("orvtrace:"), std::string::npos) << parse.err;

    // What `trace` shows is what the two changes wrote.
    const std::string shown = install.run({"trace"}).out;
    EXPECT_NE(shown.find("\nfile:            " + forwardSlashed(dir) + "/trace.log (line "), std::string::npos) << shown;
    EXPECT_NE(shown.find("\nlevel HW:        DEBUG_MAX (hw.loggers"), std::string::npos) << shown;
}

} // namespace
