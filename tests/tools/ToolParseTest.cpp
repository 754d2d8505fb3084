// orvcfg parse: the shipped document against the shipped schema, and documents that a
// person got wrong.
#include "ToolHarness.h"
#include "../common/xmlproxy/XmlZipTestArchive.h"

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
    // One element per line, indented, attributes in order, text on the element's line.
    const std::string hardware = "\nHardware (line " + std::to_string(lineOf("<Hardware ")) + ")\n";
    EXPECT_NE(r.out.find(hardware + "  <Hardware enabled=\"true\">\n    <Timeout>300</Timeout>\n    <Probes>\n"
                         "      <Probe name=\"cpu\" enabled=\"true\"/>\n      <Probe name=\"memory\" enabled=\"true\"/>\n"
                         "      <Probe name=\"disk\" timeout=\"120\" enabled=\"true\"/>\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  </NetConfig>\n\nsections: 7 of 7\nerrors: 0\n"), std::string::npos) << r.out;
    std::size_t last = 0;
    for (const char* name : {"Hardware", "XSE", "FSScan", "Vpd", "UseSignatures", "NetSignatures", "NetConfig"}) {
        const std::string tag = std::string("<") + name;
        const int line = lineOf(tag + (m_Doc.find(tag + " ") != std::string::npos ? " " : ">"));
        const std::size_t at = r.out.find("\n" + std::string(name) + " (line " + std::to_string(line) + ")\n  " + tag, last);
        EXPECT_NE(at, std::string::npos) << "missing or out of order: " << name;
        last = at;
    }
    const std::string json = m_Install.run({"parse", "--json"}).out;
    EXPECT_NE(json.find(",\"status\":0,\"errorCount\":0,\"diagnostics\":[],\"sections\":[{\"name\":\"Hardware\",\"index\":1,"
                        "\"line\":" + std::to_string(lineOf("<Hardware ")) + ",\"xml\":\"<Hardware "), std::string::npos)
        << json;
    EXPECT_EQ(json.rfind("{\"schemaVersion\":1,\"document\":", 0), 0u);
    EXPECT_EQ(json.substr(json.size() - 32), "</NetConfig>\\n\"}],\"missing\":[]}\n");
}

// The archive's first entry is the document; an archive holding no document is a fatal
// error reported with the archive's name.
TEST_F(ToolParse, ReadsTheFirstEntryOfAZipArchive)
{
    ASSERT_TRUE(makeZip(m_Install.path("doc.zip"), {{"orvcli.xml", m_Install.read("config/orvcli.xml")}}));
    RunResult r = m_Install.run({"parse", m_Install.path("doc.zip"), "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(",\"missing\":[]}\n"), std::string::npos) << r.out;

    ASSERT_TRUE(makeZip(m_Install.path("notes.zip"), {{"notes.txt", "just text\n"}}));
    r = m_Install.run({"parse", m_Install.path("notes.zip")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("orvcfg: " + m_Install.path("notes.zip") + ":1:1: fatal error: ", 0), 0u) << r.err;
}

} // namespace
