// orvcfg get and set against temporary installations: output, exit status, and what the
// property files hold afterwards.
#include "JsonReader.h"
#include "TempInstallation.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace orvtest;

namespace {

const char* const kProps = "config/Orv.properties";
const char* const kTrace = "config/OrvTrace.properties";

class ToolKeys : public ::testing::Test {
protected:
    // Every key that orvcfg set knows, with the shipped default.
    std::string line(const std::string& key) const
    {
        const std::string text = m_Install.read(kProps);
        std::size_t at = text.find("\n" + key + "=");
        if (at == std::string::npos)
            return std::string();
        std::size_t end = text.find('\n', at + 1);
        return text.substr(at + 1, end - at - 1);
    }

    TempInstallation m_Install;
};

TEST_F(ToolKeys, ShippedPropertiesHoldEveryKeyWithACommentAbove)
{
    const char* keys[] = {"trace_file", "trace_level", "trace_comp", "trace_file_num", "trace_file_size",
                          "fscanner.provider", "swscanner.default_input_file", "swscanner.default_config_file",
                          "hwscanner.timeout", "fscanner.home", "version", "config_dir",
                          "swscanner.xss_schema_location", "trace_file_path", "hwscanner.config_file",
                          "common_trace_path", "fscanner.provider_cache.home",
                          "fscanner.provider_remote_cache.home"};
    const std::string text = m_Install.read(kProps);
    EXPECT_EQ(text.rfind("ORV_PROPERTIES_FILE", 0), 0u);
    for (const char* key : keys) {
        std::size_t at = text.find("\n" + std::string(key) + "=");
        ASSERT_NE(at, std::string::npos) << key;
        std::size_t previous = text.rfind('\n', at - 1);
        EXPECT_EQ(text[previous + 1], '#') << "no comment above " << key;
        RunResult r = m_Install.run({"get", key});
        EXPECT_EQ(r.status, 0) << key << ": " << r.err;
    }
    // No line may reach the 259-byte read limit of the property reader.
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LT(end - start + 1, 259u);
    EXPECT_EQ(m_Install.run({"get", "version"}).out, std::string(ORV_TEST_VERSION) + "\n");
    EXPECT_EQ(m_Install.run({"get", "config_dir"}).out, m_Install.path("config") + "\n");
}

TEST_F(ToolKeys, GetPrintsValueOrDefaultAndTellsPresenceByStatus)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
        bool errorLine;
    };
    const Case cases[] = {
        {{"get", "trace_level"}, 0, "MIN\n", false},
        {{"get", "trace_level", "--default", "MAX"}, 0, "MIN\n", false},
        // An empty stored value is present; the default is not used.
        {{"get", "trace_comp", "--default", "All"}, 0, "\n", false},
        {{"get", "no.such.key"}, 15, "", true},
        {{"get", "no.such.key", "--default", "fallback value"}, 15, "fallback value\n", false},
        {{"get", "no.such.key", "--default", ""}, 15, "\n", false},
        // Keys are case-sensitive.
        {{"get", "TRACE_LEVEL"}, 15, "", true},
        {{"get", "a=b"}, 15, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        RunResult r = m_Install.run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.errLines().size(), c.errorLine ? 1u : 0u) << r.err;
    }
    EXPECT_EQ(m_Install.run({"get", "no.such.key"}).err,
              "orvcfg: 15: key not found: no.such.key is not in " + m_Install.path(kProps) + "\n");
}

TEST_F(ToolKeys, GetJsonReadsBack)
{
    Json present = parseJson(m_Install.run({"get", "trace_file", "--json"}).out);
    EXPECT_EQ(present["key"].text, "trace_file");
    EXPECT_TRUE(present["present"].flag);
    EXPECT_EQ(present["value"].text, "trace.log");
    EXPECT_FALSE(present.has("error"));

    RunResult r = m_Install.run({"get", "nope", "--json"});
    EXPECT_EQ(r.status, 15);
    Json absent = parseJson(r.out);
    EXPECT_FALSE(absent["present"].flag);
    EXPECT_EQ(absent["value"].kind, Json::Null);

    Json withDefault = parseJson(m_Install.run({"get", "nope", "--json", "--default", "d"}).out);
    EXPECT_EQ(withDefault["value"].text, "d");
}

TEST_F(ToolKeys, OddBytesSurviveTextAndComeOutAsValidJson)
{
    // A quote, a backslash, a tab, a non-ASCII letter and a byte that is not UTF-8.
    const std::string raw = "say \"hi\" C:\\x\t\xC3\xA9 \xFF end";
    m_Install.write(kProps, "ORV_PROPERTIES_FILE\nodd=" + raw + "\n");
    EXPECT_EQ(m_Install.run({"get", "odd"}).out, raw + "\n");
    Json json = parseJson(m_Install.run({"get", "odd", "--json"}).out);
    EXPECT_EQ(json["value"].text, "say \"hi\" C:\\x\t\xC3\xA9 \xEF\xBF\xBD end");
}

TEST_F(ToolKeys, SetWritesBothFilesAndTheNextProcessSeesTheValue)
{
    RunResult r = m_Install.run({"set", "trace_level", "MAX"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(line("trace_level"), "trace_level=MAX");
    const std::string trace = m_Install.read(kTrace);
    for (const char* logger : {"hw", "vpd", "fscanner", "common", "plugin", "sigeval"})
        EXPECT_NE(trace.find(std::string("\n") + logger + ".loggers.trcLogger.level=DEBUG_MAX\n"), std::string::npos)
            << logger;
    EXPECT_EQ(m_Install.run({"get", "trace_level"}).out, "MAX\n");

    // The rewritten file keeps every other line byte for byte.
    const std::string expected = TempInstallation::shipped(kProps, m_Install.root());
    std::string now = m_Install.read(kProps);
    now.replace(now.find("trace_level=MAX"), 15, "trace_level=MIN");
    EXPECT_EQ(now, expected);
    struct stat st;
    ASSERT_EQ(stat(m_Install.path(kProps).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(ToolKeys, SetPrintsAValueThatWasRewritten)
{
    RunResult r = m_Install.run({"set", "swscanner.default_input_file", "C:\\data\\in.xml"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "swscanner.default_input_file=C:/data/in.xml\n");
    EXPECT_EQ(line("swscanner.default_input_file"), "swscanner.default_input_file=C:/data/in.xml");

    // A value kept as given is not echoed.
    EXPECT_EQ(m_Install.run({"set", "hwscanner.timeout", "45"}).out, "");
}

TEST_F(ToolKeys, RefusedSetLeavesBothFilesByteIdentical)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message; // the whole line on standard error, after "orvcfg: "
    };
    const std::string missingDir = m_Install.path("no/such/dir");
    const Case cases[] = {
        {{"trace_level", "HUGE"}, 16, "16: value rejected: trace_level accepts MAX, MID or MIN"},
        {{"trace_level", "max"}, 16, "16: value rejected: trace_level accepts MAX, MID or MIN"},
        {{"trace_comp", "GPU"}, 16, "16: value rejected: trace_comp accepts All, HW, VPD, SWS, FSS, COM or PLG"},
        {{"trace_file_num", "12a"}, 16, "16: value rejected: trace_file_num accepts digits only"},
        {{"hwscanner.timeout", "3.5"}, 16, "16: value rejected: hwscanner.timeout accepts digits only"},
        {{"fscanner.provider", "provider_magic"}, 16,
         "16: value rejected: fscanner.provider accepts provider_standard, provider_cache, provider_remote_cache, "
         "provider_cache2 or provider_remote_cache2"},
        {{"hwscanner.config_file", "50%"}, 16, "16: value rejected: values may not contain \"%\""},
        // A "%" is refused before the key is looked at, even for a read-only key.
        {{"version", "%"}, 16, "16: value rejected: values may not contain \"%\""},
        {{"hwscanner.config_file", "a\nb=c"}, 16, "16: value rejected: values may not contain a line break"},
        {{"version", "9.9"}, 17, "17: key cannot be changed: version is set at installation and is read-only"},
        {{"trace_file_path", "/x"}, 17,
         "17: key cannot be changed: trace_file_path is set at installation and is read-only"},
        {{"fscanner.provider_cache.home", missingDir}, 51,
         "51: directory missing: the directory \"" + missingDir
             + "\" given for fscanner.provider_cache.home does not exist"},
        {{"a=b", "1"}, 2, "key \"a=b\" cannot be set: it contains \"=\""},
        {{"", "1"}, 2, "key \"\" cannot be set: it is empty"},
        {{"#trace_level", "MAX"}, 2, "key \"#trace_level\" cannot be set: it begins with \"#\", which makes a comment line"},
        {{"trace\nlevel", "MAX"}, 2, "key \"trace\nlevel\" cannot be set: it contains a control character or a line break"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const std::string props = m_Install.read(kProps);
        const std::string trace = m_Install.read(kTrace);
        std::vector<std::string> args = {"set", "--"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        RunResult r = m_Install.run(args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "orvcfg: " + c.message + "\n");
        EXPECT_EQ(m_Install.read(kProps), props);
        EXPECT_EQ(m_Install.read(kTrace), trace);
    }
}

TEST_F(ToolKeys, UnknownKeyReportsThatItHasNoLineAndChangesNoByte)
{
    const std::string props = m_Install.read(kProps);
    RunResult r = m_Install.run({"set", "no.such.key", "1"});
    EXPECT_EQ(r.status, 15);
    EXPECT_EQ(r.err, "orvcfg: 15: key not found: no.such.key has no line in " + m_Install.path(kProps)
                         + "; nothing was written\n");
    EXPECT_EQ(m_Install.read(kProps), props);
}

TEST_F(ToolKeys, TraceFileNeedsACommonTracePath)
{
    m_Install.write(kProps, "ORV_PROPERTIES_FILE\ncommon_trace_path=\ntrace_file=trace.log\n");
    const std::string props = m_Install.read(kProps);
    RunResult r = m_Install.run({"set", "trace_file", "trace_hw.log"});
    EXPECT_EQ(r.status, 21);
    EXPECT_EQ(r.err, "orvcfg: 21: bad property file: common_trace_path is empty, so the trace file name cannot be "
                     "written to " + m_Install.path(kTrace) + "\n");
    EXPECT_EQ(m_Install.read(kProps), props);
}

// Every command on a configuration that cannot be read: one line naming the file and the
// reason, the documented status, and no file created or changed.
TEST_F(ToolKeys, BrokenConfigurationIsReportedAndNeverRewritten)
{
    const std::string path = m_Install.path(kProps);
    struct Case {
        const char* name;
        bool exists;
        std::string content;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"missing", false, "", 18, "18: file cannot be opened: " + path + " does not exist or cannot be read"},
        {"empty", true, "", 21,
         "21: bad property file: " + path + " is empty or does not begin with the line \"ORV_PROPERTIES_FILE\""},
        {"no header", true, "trace_level=MIN\n", 21,
         "21: bad property file: " + path + " is empty or does not begin with the line \"ORV_PROPERTIES_FILE\""},
        {"header after a blank", true, " ORV_PROPERTIES_FILE\ntrace_level=MIN\n", 21,
         "21: bad property file: " + path + " is empty or does not begin with the line \"ORV_PROPERTIES_FILE\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(path.c_str());
        if (c.exists)
            m_Install.write(kProps, c.content);
        const std::string trace = m_Install.read(kTrace);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"get", "trace_level"}, std::vector<std::string>{"set", "trace_level", "MAX"}}) {
            RunResult r = m_Install.run(args);
            EXPECT_EQ(r.status, c.status) << args[0];
            EXPECT_EQ(r.out, "") << args[0];
            EXPECT_EQ(r.err, "orvcfg: " + c.message + "\n") << args[0];
        }
        // A default still reaches a script, with the reason in the status.
        RunResult withDefault = m_Install.run({"get", "trace_level", "--default", "MID"});
        EXPECT_EQ(withDefault.status, c.status);
        EXPECT_EQ(withDefault.out, "MID\n");
        Json json = parseJson(m_Install.run({"get", "trace_level", "--json"}).out);
        EXPECT_EQ(json["error"]["code"].number, c.status);
        EXPECT_EQ(fileExists(path), c.exists);
        if (c.exists) {
            EXPECT_EQ(m_Install.read(kProps), c.content);
        }
        EXPECT_EQ(m_Install.read(kTrace), trace);
        // dirs still answers, and says why the configuration is not loaded.
        RunResult dirs = m_Install.run({"dirs"});
        EXPECT_EQ(dirs.status, 0);
        EXPECT_NE(dirs.out.find(path + " (not loaded: " + std::to_string(c.status) + ": "), std::string::npos)
            << dirs.out;
    }
}

TEST_F(ToolKeys, BrokenTraceFileStopsATraceKeyBeforeTheMainFile)
{
    m_Install.write(kTrace, "ORV_TRACE_PROPERTIES_FILE\nhw.loggers.trcLogger.level=DEBUG_MIN\n");
    const std::string props = m_Install.read(kProps);
    RunResult r = m_Install.run({"set", "trace_level", "MAX"});
    EXPECT_EQ(r.status, 22);
    EXPECT_EQ(r.err, "orvcfg: 22: bad trace property file: " + m_Install.path(kTrace)
                         + " is empty or does not begin with the line \"#ORV_TRACE_PROPERTIES_FILE\"\n");
    EXPECT_EQ(m_Install.read(kProps), props);
}

TEST_F(ToolKeys, ConfigurationComesFromOrvLocaldir)
{
    TempDir local;
    makeDirs(local.file("config"));
    writeFile(local.file("config/Orv.properties"), "ORV_PROPERTIES_FILE\ntrace_level=MID\n");
    RunResult r = m_Install.run({"get", "trace_level"}, {{"ORV_LOCALDIR", local.path()}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "MID\n");
    EXPECT_EQ(m_Install.run({"set", "trace_level", "MAX"}, {{"ORV_LOCALDIR", local.path()}}).status, 18)
        << "no OrvTrace.properties beside it";
    writeFile(local.file("config/OrvTrace.properties"), TempInstallation::shipped(kTrace, local.path()));
    EXPECT_EQ(m_Install.run({"set", "trace_level", "MAX"}, {{"ORV_LOCALDIR", local.path()}}).status, 0);
    EXPECT_EQ(readFile(local.file("config/Orv.properties")), "ORV_PROPERTIES_FILE\ntrace_level=MAX\n");
    // The installation's own configuration is untouched.
    EXPECT_EQ(m_Install.run({"get", "trace_level"}).out, "MIN\n");
}

} // namespace
