// orvcfg's commands against temporary installations: output, exit status, and what the
// property files hold afterwards.
#include "ToolHarness.h"
#include "../common/xmlproxy/XmlZipTestArchive.h"

#include <gtest/gtest.h>


using namespace orvtest;

namespace {

const char* const kProps = "config/Orv.properties";
const char* const kTrace = "config/OrvTrace.properties";
const char* const kSchema = "bin/orvcli.xsd";

// `text` as a JSON string holds it: quotes and backslashes (Windows paths) escaped.
std::string jsonText(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '"' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

class ToolCommands : public ::testing::Test {
protected:
    TempInstallation m_Install;
};

// Every answer that is a status and fixed text; none of them may change a byte of either file.
TEST_F(ToolCommands, AnswerWithTheirStatusAndTextAndLeaveBothFilesByteIdentical)
{
    const std::string props = m_Install.path(kProps), trace = m_Install.path(kTrace);
    const std::string missingDir = m_Install.path("no/such/dir"), rejected = "orvcfg: 16: value rejected: ";
    const std::string cannotOpen = "18: file cannot be opened: " + props + " does not exist or cannot be read";
    const std::string noHeader =
        "21: bad property file: " + props + " is empty or does not begin with the line \"ORV_PROPERTIES_FILE\"";
    const std::string noHeaderJson = jsonText(noHeader), propsJson = jsonText(props);
    const std::string listed = "ORV_PROPERTIES_FILE\nb=2\na=1\n#c=3\nb=last\n";
    const std::string doc = m_Install.path("doc.xml"), schema = m_Install.path("bin/orvcli.xsd");
    const std::string partialZip = m_Install.path("partial.zip"), notesZip = m_Install.path("notes.zip");
    const char* const kDoc = "doc.xml";
    // Errors at known columns: each is reported where the parser stood, just past the markup.
    const char* const kMisplaced = "<OrvConfiguration version=\"1.0\">\n  <Network>\n    <Bogus/>\n  </Network>\n"
                                   "</OrvConfiguration>\n";
    const char* const kUnclosed = "<OrvConfiguration version=\"1.0\">\n <Network>\n  <b></Network>\n";
    const char* const kPartial = "<OrvConfiguration version=\"1.0\"><Network><NetConfig><Server host=\"h\" port=\"1\"/>"
                                 "<Timeout>1</Timeout><Retries>0</Retries></NetConfig></Network></OrvConfiguration>\n";
    ASSERT_TRUE(makeZip(partialZip, {{"orvcli.xml", kPartial}}) && makeZip(notesZip, {{"notes.txt", "just text\n"}}));
    const std::string netConfig = "document: " + doc + "\nschema:   " + schema + "\n\nNetConfig (line 1)\n";
    const std::string oneSection = "\nsections: 1 of 7 (missing: Hardware XSE FSScan Vpd UseSignatures NetSignatures)\n"
                                   "errors: 0\n";
    const std::string docJson = jsonText(doc), schemaJson = jsonText(schema);
    const std::string noSections = "sections: 0 of 7 (missing: Hardware XSE FSScan Vpd UseSignatures NetSignatures "
                                   "NetConfig)\nerrors: 2\n";
    // The trace settings: one level and the file name used, one value of each kind unusable.
    // The trace file is named absolutely on either system, in the trace library's "/" form.
    const std::string traceLog = SEP == "/" ? "/var/log/t.log" : "C:/var/log/t.log";
    const std::string traceSettings = "#ORV_TRACE_PROPERTIES_FILE\nhw.loggers.trcLogger.level=DEBUG_MAX\n"
                                      "vpd.loggers.trcLogger.level=LOUD\nhandlers.traceFile.fileName=" + traceLog
                                      + "\nhandlers.traceFile.maxFiles=5x\n";
    const std::string loud = "\"LOUD\" is not DEBUG_MIN, DEBUG_MID or DEBUG_MAX";
    const std::string files = "\"5x\" is not a number of files from 0 to 999";
    const auto level = [](const char* component, const char* key, const char* value, const std::string& origin) {
        return std::string("{\"component\":\"") + component + "\",\"key\":\"" + key + ".loggers.trcLogger.level\","
               "\"level\":\"" + value + "\",\"origin\":\"" + origin + "\"}";
    };
    // A quote, a backslash, a tab, a control character, a non-ASCII letter and a byte that is not UTF-8.
    const std::string raw = "say \"hi\" C:\\x\t\x01\xC3\xA9 \xFF end", odd = "ORV_PROPERTIES_FILE\nodd=" + raw + "\n";
    const std::string root = m_Install.root(), local = m_Install.path("local"),
                      localCfg = local + native("/config"), localProps = localCfg + native("/Orv.properties");
    const auto under = [&](const std::string& relative) { return root + native("/" + relative); };
    const std::string noSectionsJson = "\"sections\":[],\"missing\":[\"Hardware\",\"XSE\",\"FSScan\",\"Vpd\","
                                       "\"UseSignatures\",\"NetSignatures\",\"NetConfig\"]}\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out; // all of standard output, or its beginning when it ends in "..."
        std::string err; // the same for standard error
        const char* file = nullptr; // written before the run in place of the shipped one
        const char* content = nullptr; // null: the file is removed
        EnvChanges env = {};
    } cases[] = {
        {{"--version"}, 0, std::string("orvcfg ") + ORV_TEST_VERSION + "\n", ""},
        // Wrong usage: one line naming the help to read, status 2; the bare tool shows its help.
        {{}, 2, "", "usage: orvcfg COMMAND [ARGUMENTS] [OPTIONS]\n..."},
        {{"frobnicate"}, 2, "", "orvcfg: unknown command \"frobnicate\" (see \"orvcfg --help\")\n"},
        {{"help", "nope"}, 2, "", "orvcfg: unknown command \"nope\" (see \"orvcfg --help\")\n"},
        {{"get"}, 2, "",
         "orvcfg: missing argument for get: usage: orvcfg get KEY [--default VALUE] [--json] (see \"orvcfg get --help\")\n"},
        {{"get", "trace_level", "--default"}, 2, "",
         "orvcfg: option --default needs a value (VALUE) (see \"orvcfg get --help\")\n"},
        {{"set", "trace_level", "MAX", "MIN"}, 2, "",
         "orvcfg: too many arguments for set: \"MIN\" (see \"orvcfg set --help\")\n"},
        {{"set", "hwscanner.timeout", "-5"}, 2, "", "orvcfg: unknown option \"-5\" for set (see \"orvcfg set --help\")\n"},
        {{"dirs", "--json=yes"}, 2, "", "orvcfg: option --json takes no value (see \"orvcfg dirs --help\")\n"},
        {{"--help"}, 0, "usage: orvcfg COMMAND [ARGUMENTS] [OPTIONS]\n...", ""},
        // --help wins over missing arguments.
        {{"set", "trace_level", "--help"}, 0, "usage: orvcfg set KEY VALUE [--dry-run] [--json]\n...", ""},
        {{"help", "list"}, 0, "usage: orvcfg list [--json]\n\nPrints every key...", ""},
        // An empty stored value is present; the default is not used.
        {{"get", "trace_comp", "--default", "All"}, 0, "\n", ""},
        {{"get", "no.such.key", "--default=x=y"}, 15, "x=y\n", ""},
        {{"get", "TRACE_LEVEL"}, 15, "", "orvcfg: 15: key not found: TRACE_LEVEL is not in " + props + "\n"},
        {{"get", "nope", "--json"}, 15, "{\"schemaVersion\":1,\"key\":\"nope\",\"present\":false,\"value\":null}\n", ""},
        // A default still reaches a script, with the reason in the status.
        {{"get", "trace_level", "--default", "MID"}, 21, "MID\n", "orvcfg: " + noHeader + "\n", kProps, "trace_level=MIN\n"},
        {{"get", "trace_level", "--json"}, 18,
         "{\"schemaVersion\":1,\"key\":\"trace_level\",\"present\":false,\"value\":null,\"error\":{\"code\":18,\"message\":\""
             + jsonText(cannotOpen) + "\"}}\n", "orvcfg: " + cannotOpen + "\n", kProps},
        // Odd bytes come out unchanged as text, and as valid JSON.
        {{"get", "odd"}, 0, raw + "\n", "", kProps, odd.c_str()},
        {{"get", "odd", "--json"}, 0,
         "{\"schemaVersion\":1,\"key\":\"odd\",\"present\":true,\"value\":\"say \\\"hi\\\" C:\\\\x\\t\\u0001\xC3\xA9 "
         "\xEF\xBF\xBD end\"}\n", "", kProps, odd.c_str()},
        // The store's order, a comment skipped, the last of a repeated key.
        {{"list"}, 0, "a=1\nb=last\n", "", kProps, listed.c_str()},
        {{"list", "--json"}, 0,
         "{\"schemaVersion\":1,\"path\":\"" + propsJson
             + "\",\"properties\":[{\"key\":\"a\",\"value\":\"1\"},{\"key\":\"b\",\"value\":\"last\"}]}\n", "",
         kProps, listed.c_str()},
        {{"list"}, 18, "", "orvcfg: " + cannotOpen + "\n", kProps},
        {{"list"}, 21, "", "orvcfg: " + noHeader + "\n", kProps, ""},
        {{"list", "--json"}, 21,
         "{\"schemaVersion\":1,\"path\":\"" + propsJson + "\",\"properties\":[],\"error\":{\"code\":21,\"message\":\""
             + noHeaderJson + "\"}}\n", "orvcfg: " + noHeader + "\n", kProps, "a=1\n"},
        // After "--" a value that looks like an option reaches the key's rule.
        {{"set", "hwscanner.timeout", "--", "-5"}, 16, "", rejected + "hwscanner.timeout accepts digits only\n"},
        {{"set", "trace_level", "HUGE", "--json"}, 16,
         "{\"schemaVersion\":1,\"key\":\"trace_level\",\"value\":\"HUGE\",\"status\":16,\"message\":\"16: value "
         "rejected: trace_level accepts MAX, MID or MIN\"}\n", rejected + "trace_level accepts MAX, MID or MIN\n"},
        // A "%" is refused before the key is looked at, even for a read-only key.
        {{"set", "version", "%"}, 16, "", rejected + "values may not contain \"%\"\n"},
        {{"set", "trace_level", "MAX\nMIN"}, 16, "", rejected + "values may not contain a line break\n"},
        {{"set", "version", "9.9"}, 17, "",
         "orvcfg: 17: key cannot be changed: version is set at installation and is read-only\n"},
        {{"set", "fscanner.provider_cache.home", missingDir}, 51, "",
         "orvcfg: 51: directory missing: the directory \"" + missingDir
             + "\" given for fscanner.provider_cache.home does not exist\n"},
        {{"set", "no.such.key", "1"}, 15, "",
         "orvcfg: 15: key not found: no.such.key has no line in " + props + "; nothing was written\n"},
        // orvcfg reads the file before it changes it: a missing one is 18, as for get.
        {{"set", "trace_level", "MAX"}, 18, "", "orvcfg: " + cannotOpen + "\n", kProps},
        {{"set", "trace_level", "MAX"}, 21, "", "orvcfg: " + noHeader + "\n", kProps, " ORV_PROPERTIES_FILE\n"},
        {{"set", "trace_file", "trace_hw.log"}, 21, "",
         "orvcfg: 21: bad property file: common_trace_path is empty, so the trace file name cannot be written to "
             + trace + "\n", kProps, "ORV_PROPERTIES_FILE\ncommon_trace_path=\ntrace_file=trace.log\n"},
        // A broken trace file stops a trace key before the main file is touched.
        {{"set", "trace_level", "MAX"}, 22, "",
         "orvcfg: 22: bad trace property file: " + trace
             + " is empty or does not begin with the line \"#ORV_TRACE_PROPERTIES_FILE\"\n",
         kTrace, "ORV_TRACE_PROPERTIES_FILE\nhw.loggers.trcLogger.level=DEBUG_MIN\n"},
        // A dry run shows the line a change would write, or the refusal it would meet.
        {{"set", "--dry-run", "trace_level", "MAX"}, 0, "trace_level=MAX\n", ""},
        {{"set", "swscanner.default_input_file", foreign("C:/in.xml"), "--dry-run"}, 0,
         "swscanner.default_input_file=" + native("C:/in.xml") + "\n", ""},
        {{"set", "--dry-run", "version", "9.9"}, 17, "",
         "orvcfg: 17: key cannot be changed: version is set at installation and is read-only\n"},
        {{"set", "#trace_level", "MAX"}, 2, "",
         "orvcfg: key \"#trace_level\" cannot be set: it begins with \"#\", which makes a comment line\n"},
        {{"set", " trace_level", "MAX"}, 2, "",
         "orvcfg: key \" trace_level\" cannot be set: it begins or ends with white space, which a property file "
         "drops\n"},
        // Documents that cannot be read: one line each, and the status tells which kind.
        {{"parse", doc}, 4, "", "orvcfg: the configuration document " + doc + " cannot be opened\n", kDoc},
        {{"parse", doc}, 1, "document: " + doc + "\nschema:   " + schema + "\n\n" + noSections.substr(0, noSections.size() - 2) + "1\n",
         "orvcfg: " + doc + ":1:1: fatal error: invalid document structure\n", kDoc, ""},
        // A directory opens on some systems: it is told apart before the parser reads it.
        {{"parse", m_Install.path("bin")}, 4, "",
         "orvcfg: the configuration document " + m_Install.path("bin") + " cannot be opened\n"},
        {{"parse"}, 4, "", "orvcfg: the configuration schema " + schema + " cannot be opened\n", kSchema},
        {{"parse", doc}, 1, "document: " + doc + "\nschema:   " + schema + "\n\n" + noSections,
         "orvcfg: " + doc + ":3:13: error: no declaration found for element 'Bogus'\norvcfg: " + doc
             + ":4:13: error: element 'Bogus' is not allowed for content model '(NetConfig)'\n", kDoc, kMisplaced},
        {{"parse", doc, "--json"}, 1,
         "{\"schemaVersion\":1,\"document\":\"" + docJson + "\",\"schema\":\"" + schemaJson
             + "\",\"status\":1,\"errorCount\":2,\"diagnostics\":[{\"severity\":\"error\",\"line\":3,\"column\":6,"
               "\"message\":\"no declaration found for element 'b'\"},{\"severity\":\"fatal error\",\"line\":3,"
               "\"column\":8,\"message\":\"expected end of tag 'b'\"}]," + noSectionsJson,
         "orvcfg: " + doc + ":3:6: error: no declaration found for element 'b'\norvcfg: " + doc
             + ":3:8: fatal error: expected end of tag 'b'\n", kDoc, kUnclosed},
        // A zip archive is read through its first entry; an entry that is no document is one error.
        {{"parse", partialZip}, 0, "document: " + partialZip + "\nschema:   " + schema + "\n\nNetConfig (line 1)\n...", ""},
        {{"parse", notesZip}, 1, "document: " + notesZip + "\n...",
         "orvcfg: " + notesZip + ":1:1: fatal error: invalid document structure\n"},
        // A section found, the others named as missing; the schema's default attribute filled in.
        {{"parse", doc}, 0,
         netConfig + "  <NetConfig>\n    <Server host=\"h\" port=\"1\" scheme=\"https\"/>\n    <Timeout>1</Timeout>\n"
             "    <Retries>0</Retries>\n  </NetConfig>\n" + oneSection, "", kDoc, kPartial},
        {{"parse", doc, "--raw"}, 0,
         netConfig + "<NetConfig>\n <Server host=\"h\" port=\"1\" scheme=\"https\"/> <Timeout>1</Timeout>\n"
             " <Retries>0</Retries>\n</NetConfig>\n" + oneSection, "", kDoc, kPartial},
        {{"parse", doc, "--json"}, 0,
         "{\"schemaVersion\":1,\"document\":\"" + docJson + "\",\"schema\":\"" + schemaJson
             + "\",\"status\":0,\"errorCount\":0,\"diagnostics\":[],\"sections\":[{\"name\":\"NetConfig\",\"index\":9,"
               "\"line\":1,\"xml\":\"<NetConfig>\\n <Server host=\\\"h\\\" port=\\\"1\\\" scheme=\\\"https\\\"/> "
               "<Timeout>1</Timeout>\\n <Retries>0</Retries>\\n</NetConfig>\\n\"}],\"missing\":[\"Hardware\",\"XSE\","
               "\"FSScan\",\"Vpd\",\"UseSignatures\",\"NetSignatures\"]}\n", "", kDoc, kPartial},
        {{"dirs"}, 0, "installation:      " + root + "\nconfiguration:     " + under("config") + "\n...", ""},
        // ORV_LOCALDIR moves the configuration only; a configuration not found there is no error of dirs.
        {{"dirs", "--json"}, 0,
         "{\"schemaVersion\":1,\"installation\":\"" + jsonText(root) + "\",\"configuration\":\"" + jsonText(localCfg)
             + "\",\"bin\":\"" + jsonText(under("bin")) + "\",\"install\":\"" + jsonText(under("install"))
             + "\",\"plugins\":\"" + jsonText(under("bin/plugins")) + "\",\"customScanners\":\""
             + jsonText(under("bin/customscanners")) + "\",\"schema\":\"" + jsonText(under("bin/orvcli.xsd"))
             + "\",\"installationType\":\"local\",\"installationTypeCode\":2,\"properties\":{\"path\":\""
             + jsonText(localProps) + "\",\"status\":18,\"message\":\"18: file cannot be opened: " + jsonText(localProps)
             + " does not exist or cannot be read\"}}\n", "", nullptr, nullptr, {{"ORV_LOCALDIR", local}}},
        // Without its first line the file is not read: every setting shows its default.
        {{"trace"}, 0,
         "properties:      " + trace + " (not read: defaults)\nfile:            (none: standard error) (default)\n"
         "max files:       5 (default)\nmax file size:   10240 KiB (default)\nfile permission: 0644 (default)\n"
         "dir permission:  0755 (default)\nlevel HW:        DEBUG_MIN (hw.loggers.trcLogger.level, default)\n"
         "level SWS:       DEBUG_MIN (sigeval.loggers.trcLogger.level, default)\n"
         "level COM:       DEBUG_MIN (common.loggers.trcLogger.level, default)\n"
         "level FSS:       DEBUG_MIN (fscanner.loggers.trcLogger.level, default)\n"
         "level VPD:       DEBUG_MIN (vpd.loggers.trcLogger.level, default)\n"
         "level PLG:       DEBUG_MIN (plugin.loggers.trcLogger.level, default)\nproblem:         " + trace
             + " does not begin with #ORV_TRACE_PROPERTIES_FILE\n", "", kTrace, "hw.loggers.trcLogger.level=DEBUG_MAX\n"},
        {{"trace", "--json"}, 0,
         "{\"schemaVersion\":1,\"properties\":\"" + jsonText(trace) + "\",\"read\":true,\"file\":{\"value\":"
             "\"" + traceLog + "\",\"origin\":\"line 4\"},\"maxFiles\":{\"value\":\"5\",\"origin\":\"default; line 5: "
             + jsonText(files) + "\"},\"maxFileSizeKiB\":{\"value\":\"10240\",\"origin\":\"default\"},"
             "\"filePermission\":{\"value\":\"0644\",\"origin\":\"default\"},\"dirPermission\":{\"value\":\"0755\","
             "\"origin\":\"default\"},\"levels\":[" + level("HW", "hw", "DEBUG_MAX", "line 2") + ","
             + level("SWS", "sigeval", "DEBUG_MIN", "default") + "," + level("COM", "common", "DEBUG_MIN", "default")
             + "," + level("FSS", "fscanner", "DEBUG_MIN", "default") + ","
             + level("VPD", "vpd", "DEBUG_MIN", "default; line 3: " + jsonText(loud)) + ","
             + level("PLG", "plugin", "DEBUG_MIN", "default") + "],\"problems\":[\"" + jsonText(trace + " line 3: " + loud)
             + "\",\"" + jsonText(trace + " line 5: " + files) + "\"]}\n", "", kTrace, traceSettings.c_str()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args) + " status " + std::to_string(c.status));
        for (const char* file : {kProps, kTrace, kSchema})
            m_Install.write(file, c.file != file ? TempInstallation::shipped(file, m_Install.root())
                                                 : c.content ? c.content : "");
        std::remove(m_Install.path(kDoc).c_str());
        if (c.file == kDoc && c.content)
            m_Install.write(kDoc, c.content);
        if (c.file && !c.content)
            std::remove(m_Install.path(c.file).c_str());
        const std::string propsBefore = m_Install.read(kProps), traceBefore = m_Install.read(kTrace);
        RunResult r = m_Install.run(c.args, c.env);
        EXPECT_EQ(r.status, c.status);
        for (const auto& [actual, expected] : {std::pair(r.out, c.out), std::pair(r.err, c.err)}) {
            const bool prefix = expected.size() > 3 && expected.compare(expected.size() - 3, 3, "...") == 0;
            EXPECT_EQ(prefix ? actual.substr(0, expected.size() - 3) + "..." : actual, expected);
        }
        EXPECT_EQ(m_Install.read(kProps), propsBefore);
        EXPECT_EQ(m_Install.read(kTrace), traceBefore);
        EXPECT_EQ(fileExists(props), c.file != kProps || c.content);
    }
}

TEST_F(ToolCommands, ShippedPropertiesHoldEveryKeyUnderTheLineLimit)
{
    const std::string text = m_Install.read(kProps);
    for (const char* key : {"trace_file", "trace_level", "trace_comp", "trace_file_num", "trace_file_size",
                            "fscanner.provider", "swscanner.default_input_file", "swscanner.default_config_file",
                            "hwscanner.timeout", "fscanner.home", "version", "config_dir",
                            "swscanner.xss_schema_location", "trace_file_path", "hwscanner.config_file",
                            "common_trace_path", "fscanner.provider_cache.home", "fscanner.provider_remote_cache.home"}) {
        EXPECT_NE(text.find("\n" + std::string(key) + "="), std::string::npos) << key;
    }
    // The property reader takes at most 259 bytes of a line at a time.
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LT(end - start + 1, 259u) << text.substr(start, 40);
}

TEST_F(ToolCommands, SetRewritesOnlyItsLinesAndTheNextProcessSeesTheValue)
{
    const RunResult r = m_Install.run({"set", "trace_level", "MAX"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_NE(m_Install.read(kTrace).find("\nsigeval.loggers.trcLogger.level=DEBUG_MAX\n"), std::string::npos);
    EXPECT_EQ(m_Install.run({"get", "trace_level"}).out, "MAX\n");
    std::string now = m_Install.read(kProps);
    now.replace(now.find("\ntrace_level=MAX\n"), 17, "\ntrace_level=MIN\n");
    EXPECT_EQ(now, TempInstallation::shipped(kProps, m_Install.root()));

    // A value kept as given is not echoed (a rewritten one is: see the dry run of a path).
    EXPECT_EQ(m_Install.run({"set", "hwscanner.timeout", "45"}).out, "");
    EXPECT_EQ(m_Install.run({"set", "hwscanner.timeout", "46", "--json"}).out,
              "{\"schemaVersion\":1,\"key\":\"hwscanner.timeout\",\"value\":\"46\",\"status\":0,\"message\":\"success\"}\n");
}

} // namespace
