// orvcfg parse: the shipped document against the shipped schema, and documents that a
// person got wrong.
#include "JsonReader.h"
#include "TempInstallation.h"

#include <gtest/gtest.h>

using namespace orvtest;

namespace {

class ToolParse : public ::testing::Test {
protected:
    // The shipped document with one text replaced; fails the test when the text is absent.
    std::string shippedWith(const std::string& from, const std::string& to) const
    {
        std::string text = m_Install.read("config/orvcli.xml");
        std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
        return text;
    }

    int lineOf(const std::string& needle) const
    {
        const std::string text = m_Install.read("config/orvcli.xml");
        std::size_t at = text.find(needle);
        int line = 1;
        for (std::size_t i = 0; i < at && i < text.size(); ++i)
            line += text[i] == '\n' ? 1 : 0;
        return line;
    }

    // The line of a section's start tag, with or without attributes.
    int sectionLine(const std::string& name) const
    {
        const std::string text = m_Install.read("config/orvcli.xml");
        return text.find("<" + name + " ") != std::string::npos ? lineOf("<" + name + " ") : lineOf("<" + name + ">");
    }

    TempInstallation m_Install;
};

TEST_F(ToolParse, ShippedDocumentHasNoErrorsAndAllSevenSections)
{
    RunResult r = m_Install.run({"parse"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("document: " + m_Install.path("config/orvcli.xml") + "\nschema:   "
                              + m_Install.path("bin/orvcli.xsd") + "\n", 0),
              0u)
        << r.out;
    std::size_t last = 0;
    const int indices[] = {1, 2, 3, 4, 7, 8, 9};
    for (std::size_t i = 0; i < kSectionNames.size(); ++i) {
        const std::string heading = "\n[" + std::to_string(indices[i]) + "] " + kSectionNames[i] + " (line "
                                    + std::to_string(sectionLine(kSectionNames[i])) + ")\n<"
                                    + kSectionNames[i];
        std::size_t at = r.out.find(heading);
        ASSERT_NE(at, std::string::npos) << heading;
        EXPECT_GT(at, last) << "sections out of order";
        last = at;
    }
    EXPECT_NE(r.out.find("\n</NetConfig>\n\nsections: 7 of 7\nerrors: 0\n"), std::string::npos) << r.out;
    // Node::write escapes what it writes.
    EXPECT_NE(r.out.find("vendor=\"Example &amp; Co\""), std::string::npos);
}

TEST_F(ToolParse, JsonReadsBackWithTheSectionsAsXml)
{
    RunResult r = m_Install.run({"parse", "--json"});
    EXPECT_EQ(r.status, 0);
    Json json = parseJson(r.out);
    EXPECT_EQ(json["errorCount"].number, 0);
    EXPECT_EQ(json["document"].text, m_Install.path("config/orvcli.xml"));
    EXPECT_EQ(json["diagnostics"].items.size(), 0u);
    EXPECT_EQ(json["missing"].items.size(), 0u);
    ASSERT_EQ(json["sections"].items.size(), kSectionNames.size());
    for (std::size_t i = 0; i < kSectionNames.size(); ++i) {
        const Json& section = json["sections"][i];
        EXPECT_EQ(section["name"].text, kSectionNames[i]);
        EXPECT_EQ(section["xml"].text.rfind("<" + kSectionNames[i], 0), 0u);
        EXPECT_EQ(section["xml"].text.substr(section["xml"].text.size() - kSectionNames[i].size() - 4),
                  "</" + kSectionNames[i] + ">\n");
    }
}

// What a person gets wrong, each caught by the schema with the line where it happened.
TEST_F(ToolParse, SchemaCatchesMistakesWithTheirLine)
{
    struct Case {
        const char* what;
        std::string from;
        std::string to;
        std::string lineOf; // text on the line where the error is reported
    };
    const Case cases[] = {
        {"a number that is not one", "<Timeout>300</Timeout>", "<Timeout>3OO</Timeout>", "<Timeout>300</Timeout>"},
        {"a negative timeout", "<Timeout>600</Timeout>", "<Timeout>-1</Timeout>", "<Timeout>600</Timeout>"},
        {"an unknown provider", "<Provider>provider_standard</Provider>", "<Provider>provider_fast</Provider>",
         "<Provider>provider_standard"},
        {"an unknown element", "<MaxMatches>5000</MaxMatches>", "<MaxMatches>5000</MaxMatches><Colour/>",
         "<MaxMatches>5000</MaxMatches>"},
        {"a port out of range", "port=\"22\"", "port=\"70000\"", "port=\"22\""},
        {"an unknown probe", "<Probe name=\"cpu\"/>", "<Probe name=\"gpu\"/>", "<Probe name=\"cpu\"/>"},
        {"a missing required attribute", "<Signature id=\"https\" name=\"Web server\" protocol=\"tcp\" port=\"443\"/>",
         "<Signature id=\"https\" name=\"Web server\" protocol=\"tcp\"/>", "<Signature id=\"https\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int line = lineOf(c.lineOf);
        const std::string doc = m_Install.path("bad.xml");
        m_Install.write("bad.xml", shippedWith(c.from, c.to));
        RunResult r = m_Install.run({"parse", doc});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("orvcfg: " + doc + ":" + std::to_string(line) + ": error: "), std::string::npos)
            << r.err;
        EXPECT_EQ(r.out.find("errors: 0\n"), std::string::npos);

        Json json = parseJson(m_Install.run({"parse", doc, "--json"}).out);
        EXPECT_GE(json["errorCount"].number, 1);
        bool found = false;
        for (const Json& d : json["diagnostics"].items)
            found = found || (d["severity"].text == "error" && d["line"].number == line);
        EXPECT_TRUE(found);
        // The sections are still delivered, the broken one included.
        EXPECT_EQ(json["sections"].items.size(), kSectionNames.size());
    }
}

TEST_F(ToolParse, UnreadableInputsAreOneLineAndStatus1)
{
    struct Case {
        const char* what;
        const char* file;
        std::string content; // empty: the file is not created
        std::string message;
    };
    const Case cases[] = {
        {"a missing document", "none.xml", "", "Error opening the configuration file "},
        {"not XML", "text.xml", "just some text\n", ":1: fatal error: "},
        {"an unclosed element", "cut.xml", "<OrvConfiguration version=\"1\"><Scanners>\n", ": fatal error: "},
        {"a broken zip", "broken.zip", std::string("PK\x03\x04", 4) + "this is not an archive", ": fatal error: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.content.empty())
            m_Install.write(c.file, c.content);
        RunResult r = m_Install.run({"parse", m_Install.path(c.file)});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(m_Install.path(c.file)), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("\n"), r.err.size() - 1) << "one line: " << r.err;
        EXPECT_NE(r.out.find("\nerrors: "), std::string::npos);
        EXPECT_EQ(r.out.find("errors: 0\n"), std::string::npos);
    }
}

TEST_F(ToolParse, MissingSchemaIsReported)
{
    std::remove(m_Install.path("bin/orvcli.xsd").c_str());
    RunResult r = m_Install.run({"parse"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "orvcfg: error: Error opening the configuration schema file " + m_Install.path("bin/orvcli.xsd")
                         + "\n");
}

TEST_F(ToolParse, ReadsTheDocumentFromTheFirstEntryOfAZipArchive)
{
    if (std::system("command -v zip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the zip program is not installed (scripts/setup.sh installs it)";
    RunResult zip = runProgram("/usr/bin/zip",{"-q", "-j", m_Install.path("doc.zip"), m_Install.path("config/orvcli.xml")});
    ASSERT_EQ(zip.status, 0) << zip.err;
    RunResult r = m_Install.run({"parse", m_Install.path("doc.zip"), "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(parseJson(r.out)["sections"].items.size(), kSectionNames.size());
}

TEST_F(ToolParse, SectionsMissingFromADocumentAreListed)
{
    m_Install.write("partial.xml", "<OrvConfiguration version=\"1.0\"><Network><NetConfig>"
                                   "<Server host=\"h\" port=\"1\"/><Timeout>1</Timeout><Retries>0</Retries>"
                                   "</NetConfig></Network></OrvConfiguration>\n");
    RunResult r = m_Install.run({"parse", m_Install.path("partial.xml")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("sections: 1 of 7 (missing: Hardware XSE FSScan Vpd UseSignatures NetSignatures)\n"),
              std::string::npos)
        << r.out;
}

} // namespace
