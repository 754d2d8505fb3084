// orvcfg parse: the shipped document against the shipped schema, and documents that a
// person got wrong.
#include "ToolHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace orvtest;

namespace {

class ToolParse : public ::testing::Test {
protected:
    // The line of the shipped document on which `needle` first stands.
    int lineOf(const std::string& needle) const
    {
        const std::size_t at = m_Doc.find(needle);
        EXPECT_NE(at, std::string::npos) << needle;
        const auto end = m_Doc.begin() + static_cast<std::ptrdiff_t>(std::min(at, m_Doc.size()));
        return 1 + static_cast<int>(std::count(m_Doc.begin(), end, '\n'));
    }

    TempInstallation m_Install;
    const std::string m_Doc = m_Install.read("config/orvcli.xml");
};

TEST_F(ToolParse, ShippedDocumentHasNoErrorsAndAllSevenSectionsInOrder)
{
    RunResult r = m_Install.run({"parse"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("document: " + m_Install.path("config/orvcli.xml") + "\nschema:   "
                              + m_Install.path("bin/orvcli.xsd") + "\n", 0), 0u);
    EXPECT_NE(r.out.find("\n</NetConfig>\n\nsections: 7 of 7\nerrors: 0\n"), std::string::npos) << r.out;
    const std::string json = m_Install.run({"parse", "--json"}).out;
    EXPECT_NE(json.find(",\"errorCount\":0,\"diagnostics\":[],\"sections\":[{\"name\":\"Hardware\",\"index\":1,\"line\":"
                        + std::to_string(lineOf("<Hardware ")) + ",\"xml\":\"<Hardware "), std::string::npos) << json;
    EXPECT_EQ(json.substr(json.size() - 32), "</NetConfig>\\n\"}],\"missing\":[]}\n");
    std::size_t last = 0;
    for (const char* section : {"1] Hardware", "2] XSE", "3] FSScan", "4] Vpd", "7] UseSignatures", "8] NetSignatures",
                                "9] NetConfig"}) {
        const std::string name = section + 3;
        const int line = lineOf("<" + name + (m_Doc.find("<" + name + " ") != std::string::npos ? " " : ">"));
        const std::size_t at = r.out.find("\n[" + std::string(section) + " (line " + std::to_string(line) + ")\n<" + name, last);
        EXPECT_NE(at, std::string::npos) << "missing or out of order: " << name;
        last = at;
    }
}

// What a person gets wrong, each caught by the schema with the line where it happened.
TEST_F(ToolParse, SchemaCatchesMistakesWithTheirLine)
{
    const struct {
        std::string from, to;
    } cases[] = {
        {"<Timeout>300</Timeout>", "<Timeout>3OO</Timeout>"},
        {"<Provider>provider_standard</Provider>", "<Provider>provider_fast</Provider>"},
        {" protocol=\"tcp\" port=\"443\"/>", " protocol=\"tcp\"/>"},
    };
    const std::string doc = m_Install.path("bad.xml");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        const int line = lineOf(c.from);
        std::string text = m_Doc;
        m_Install.write("bad.xml", text.replace(text.find(c.from), c.from.size(), c.to));
        RunResult r = m_Install.run({"parse", doc});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("orvcfg: " + doc + ":" + std::to_string(line) + ": error: "), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("errors: 0\n"), std::string::npos);
        const std::string json = m_Install.run({"parse", doc, "--json"}).out;
        EXPECT_NE(json.find("\"diagnostics\":[{\"severity\":\"error\",\"line\":" + std::to_string(line) + ","),
                  std::string::npos) << json;
        // The sections are still delivered, the broken one included.
        EXPECT_NE(json.find("{\"name\":\"NetConfig\",\"index\":9,"), std::string::npos);
    }
}

TEST_F(ToolParse, UnreadableInputsAreOneLineAndStatus1)
{
    const std::string none = m_Install.path("none.xml");
    RunResult r = m_Install.run({"parse", none});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "orvcfg: error: Error opening the configuration file " + none + "\n");
    EXPECT_NE(r.out.find("\nerrors: 1\n"), std::string::npos) << r.out;
    std::remove(m_Install.path("bin/orvcli.xsd").c_str());
    r = m_Install.run({"parse"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "orvcfg: error: Error opening the configuration schema file " + m_Install.path("bin/orvcli.xsd") + "\n");
}

TEST_F(ToolParse, ReadsAZipArchiveAndListsMissingSections)
{
    m_Install.write("partial.xml", "<OrvConfiguration version=\"1.0\"><Network><NetConfig>"
                                   "<Server host=\"h\" port=\"1\"/><Timeout>1</Timeout><Retries>0</Retries>"
                                   "</NetConfig></Network></OrvConfiguration>\n");
    RunResult r = m_Install.run({"parse", m_Install.path("partial.xml")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("sections: 1 of 7 (missing: Hardware XSE FSScan Vpd UseSignatures NetSignatures)\n"),
              std::string::npos) << r.out;

    if (!fileExists("/usr/bin/zip"))
        GTEST_SKIP() << "the zip program is not installed (scripts/setup.sh installs it)";
    RunResult zip = runProgram("/usr/bin/zip", {"-q", "-j", m_Install.path("doc.zip"), m_Install.path("config/orvcli.xml")});
    ASSERT_EQ(zip.status, 0) << zip.err;
    r = m_Install.run({"parse", m_Install.path("doc.zip"), "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(",\"missing\":[]}\n"), std::string::npos) << r.out;
}

} // namespace
