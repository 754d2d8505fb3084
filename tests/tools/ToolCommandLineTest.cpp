// The command line of orvcfg: help, version, and wrong usage.
#include "TempInstallation.h"

#include <gtest/gtest.h>

using namespace orvtest;

namespace {

class ToolCommandLine : public ::testing::Test {
protected:
    TempInstallation m_Install;
};

TEST_F(ToolCommandLine, VersionPrintsTheLibraryVersion)
{
    RunResult r = m_Install.run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("orvcfg ") + ORV_TEST_VERSION + "\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(ToolCommandLine, HelpForTheToolAndEveryCommand)
{
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
    };
    const Case cases[] = {
        {{"--help"}, "usage: orvcfg COMMAND [ARGUMENTS] [OPTIONS]"},
        {{"help"}, "usage: orvcfg COMMAND [ARGUMENTS] [OPTIONS]"},
        {{"get", "--help"}, "usage: orvcfg get KEY [--default VALUE] [--json]"},
        {{"set", "--help"}, "usage: orvcfg set KEY VALUE"},
        {{"dirs", "--help"}, "usage: orvcfg dirs [--json]"},
        {{"parse", "--help"}, "usage: orvcfg parse [FILE] [--json]"},
        {{"help", "parse"}, "usage: orvcfg parse [FILE] [--json]"},
        // --help wins over missing arguments.
        {{"set", "trace_level", "--help"}, "usage: orvcfg set KEY VALUE"},
    };
    for (const Case& c : cases) {
        RunResult r = m_Install.run(c.args);
        SCOPED_TRACE(c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : std::string()));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.firstLine);
        EXPECT_EQ(r.err, "");
    }
    // The tool's help lists every command and the exit codes.
    std::string help = m_Install.run({"--help"}).out;
    for (const char* word : {"get", "set", "dirs", "parse", "Exit codes"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST_F(ToolCommandLine, WrongUsageIsOneLineOnStandardErrorWithStatus2)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"--frobnicate"},
        {"get"},
        {"get", "a", "b"},
        {"get", "trace_level", "--bogus"},
        {"get", "trace_level", "--default"},
        {"set", "trace_level"},
        {"set", "trace_level", "MAX", "MIN"},
        {"dirs", "extra"},
        {"dirs", "--json=yes"},
        {"parse", "a.xml", "b.xml"},
        {"help", "frobnicate"},
    };
    const std::string before = m_Install.read("config/Orv.properties");
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        RunResult r = m_Install.run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        if (args.empty()) {
            // The bare tool shows its help on standard error.
            EXPECT_NE(r.err.find("usage: orvcfg"), std::string::npos);
        } else {
            ASSERT_EQ(r.errLines().size(), 1u) << r.err;
            EXPECT_EQ(r.err.rfind("orvcfg: ", 0), 0u) << r.err;
        }
    }
    EXPECT_EQ(m_Install.read("config/Orv.properties"), before);
}

TEST_F(ToolCommandLine, OptionsTakeTheirValueInlineOrAsTheNextArgument)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"get", "absent", "--default=x=y"},
                                                 std::vector<std::string>{"get", "--default", "x=y", "absent"}}) {
        RunResult r = m_Install.run(args);
        EXPECT_EQ(r.status, 15);
        EXPECT_EQ(r.out, "x=y\n");
    }
}

TEST_F(ToolCommandLine, DoubleDashPassesAValueThatLooksLikeAnOption)
{
    // Without "--" the value is an unknown option; with it, the key's rule judges it.
    EXPECT_EQ(m_Install.run({"set", "hwscanner.timeout", "-5"}).status, 2);
    RunResult r = m_Install.run({"set", "hwscanner.timeout", "--", "-5"});
    EXPECT_EQ(r.status, 16);
    EXPECT_EQ(r.err, "orvcfg: 16: value rejected: hwscanner.timeout accepts digits only\n");
}

} // namespace
