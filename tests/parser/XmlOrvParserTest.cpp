#include "../common/xmlproxy/TreeTestSupport.h"
#include "../common/xmlproxy/XmlZipTestArchive.h"
#include "../config/ConfigFixture.h"

#include "ParseNodeSink.h"
#include "TestSupport.h"
#include "Tracer.h"
#include "XmlOrvParser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using orvtest::TempDir;
using orvtest::writeFile;

const char* const kSchema = R"(<?xml version="1.0"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
  <xs:complexType name="open" mixed="true"><xs:sequence>
    <xs:any processContents="skip" minOccurs="0" maxOccurs="unbounded"/>
  </xs:sequence><xs:anyAttribute processContents="skip"/></xs:complexType>
  <xs:element name="OrvConfig"><xs:complexType><xs:sequence>
    <xs:element name="Sections"><xs:complexType><xs:sequence>
      <xs:element name="Hardware" minOccurs="0"><xs:complexType><xs:sequence>
        <xs:element name="Scan" minOccurs="0"><xs:complexType>
          <xs:attribute name="depth" type="xs:int" use="required"/>
        </xs:complexType></xs:element>
      </xs:sequence><xs:attribute name="enabled" type="xs:boolean"/></xs:complexType></xs:element>
      <xs:element name="XSE" type="open" minOccurs="0"/>
      <xs:element name="Vpd" type="open" minOccurs="0"/>
      <xs:element name="NetConfig" type="open" minOccurs="0"/>
    </xs:sequence></xs:complexType></xs:element>
  </xs:sequence></xs:complexType></xs:element>
</xs:schema>
)";

// The line numbers of the reports below are the lines of these documents.
const char* const kValid = "<?xml version=\"1.0\"?>\n<OrvConfig>\n <Sections>\n"
                           "  <Hardware enabled=\"true\"><Scan depth=\"3\"/></Hardware>\n  <XSE>on</XSE>\n"
                           "  <Vpd><NetConfig port=\"8\"/></Vpd>\n </Sections>\n</OrvConfig>\n";
const char* const kInvalid = "<?xml version=\"1.0\"?>\n<OrvConfig>\n <Sections>\n  <Hardware enabled=\"maybe\">\n"
                             "   <Scan depth=\"deep\"/>\n  </Hardware>\n  <Vpd/>\n </Sections>\n</OrvConfig>\n";

using orvtest::writtenCopy;

// Lays out an installation whose bin directory holds the schema, and captures the trace.
class XmlOrvParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_SavedInstallDir = OrvCfgTestAccess::installDir();
        OrvCfgTestAccess::setInstallDir(String(install.path().c_str()));
        orvtest::makeDirs(install.file("bin"));
        writeFile(schemaPath(), kSchema);
        m_SavedReceiver = Tracer::setReceiver([this](const TraceRecord& record) { traces.push_back(record); });
    }
    void TearDown() override
    {
        Tracer::setReceiver(m_SavedReceiver);
        OrvCfgTestAccess::setInstallDir(m_SavedInstallDir);
    }

    std::string schemaPath() const { return install.file("bin/orvcli.xsd"); }
    String document(const std::string& name, const std::string& bytes)
    {
        writeFile(documents.file(name), bytes);
        return String(documents.file(name).c_str());
    }
    // Parses the document into io_Sink and gives the error count and the traces, each as
    // "|label at line N", or all of each trace's text with i_WholeText.
    std::string parse(const String& i_Document, ParseNodeSink& io_Sink, bool i_WholeText = false)
    {
        traces.clear();
        std::string heard = std::to_string(XmlOrvParser(i_Document, io_Sink).getErrorCount());
        for (const TraceRecord& r : traces)
            heard += "|" + r.label + (i_WholeText ? ": " + r.text : r.text.substr(r.text.rfind(" at line ")));
        return heard;
    }

    TempDir install;
    TempDir documents;
    std::vector<TraceRecord> traces;

private:
    String m_SavedInstallDir;
    Tracer::Receiver m_SavedReceiver;
};

// What the nine indices of a sink give, written.
std::string sections(ParseNodeSink& io_Sink)
{
    std::string all;
    for (int index = 1; index <= 9; ++index)
        all += (index > 1 ? "|" : "") + writtenCopy(io_Sink.getNode(index));
    return all;
}

const std::string NONE = "(null)|(null)|(null)|(null)|(null)|(null)|(null)|(null)|(null)";
const std::string ERROR_AT = "|ParseNodeSink::onError at line ", CRITICAL_AT = "|ParseNodeSink::onCriticalError at line ";

TEST_F(XmlOrvParserTest, DeliversEverySectionItCouldReadAndCountsTheErrors)
{
    const std::string valid = kValid;
    ASSERT_TRUE(orvtest::makeZip(documents.file("config.zip"), {{"config.xml", kValid}, {"broken.xml", "<"}}));
    orvtest::makeEmptyZip(documents.file("empty.zip"));
    ASSERT_TRUE(orvtest::makeZip(documents.file("encrypted.zip"), {{"config.xml", kValid}}, orvtest::ZipEntries::Encrypted));
    ASSERT_TRUE(orvtest::makeZip(documents.file("empty-entry.zip"), {{"config.xml", ""}}));
    ASSERT_TRUE(orvtest::makeZipClaimingMethod(documents.file("lzma.zip"), kValid, 14));
    document("config.xml", kValid);
    document("invalid.xml", kInvalid);
    document("truncated.xml", valid.substr(0, valid.find("<Vpd>") + 8));
    // A byte that is not UTF-8 on the document's fifth line; the same bytes in a document
    // that declares its encoding are text.
    const std::string latin1 = valid.substr(0, valid.find("<XSE>")) + "<XSE>\xe9t\xe9</XSE>\n </Sections>\n</OrvConfig>\n";
    document("latin1.xml", latin1);
    document("latin1-declared.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + latin1.substr(latin1.find('\n')));
    const std::string hardware = "<Hardware enabled=\"true\">\n <Scan depth=\"3\"/></Hardware>\n|";
    const std::string all = hardware + "<XSE>on</XSE>\n|(null)|<Vpd>\n <NetConfig port=\"8\"/></Vpd>\n|" +
                            NONE.substr(35) + "|<NetConfig port=\"8\"/>";
    // An input that breaks off counts one error even where the library counted none. What
    // is wrong with an archive that yields no document is said, without a line; an entry
    // that is no document is read by the tool's parse tests.
    const struct {
        const char* file;
        std::string heard; // the error count and the traces
        std::string sections;
        const char* says; // what the first trace ends with, where it matters
    } cases[] = {
        {"config.xml", "0", all, nullptr},
        {"config.zip", "0", all, nullptr},
        {"invalid.xml", "2" + ERROR_AT + "4" + ERROR_AT + "5",
         "<Hardware enabled=\"maybe\">\n <Scan depth=\"deep\"/></Hardware>\n|(null)|(null)|<Vpd/>|" + NONE.substr(28),
         nullptr},
        {"truncated.xml", "1" + CRITICAL_AT + "6", hardware + "<XSE>on</XSE>\n|" + NONE.substr(14), nullptr},
        {"latin1-declared.xml", "0", hardware + "<XSE>\xc3\xa9t\xc3\xa9</XSE>\n|" + NONE.substr(14), nullptr},
        {"latin1.xml", "1" + CRITICAL_AT + "5", NONE, "Invalid UTF-8 byte sequence in a document encoded in UTF-8"},
        {"empty.zip", "1" + CRITICAL_AT + "0", NONE, ": it has no entry"},
        {"empty-entry.zip", "1" + CRITICAL_AT + "0", NONE, ": its first entry is empty"},
        {"encrypted.zip", "1" + CRITICAL_AT + "0", NONE, ": its first entry is encrypted"},
        {"lzma.zip", "1" + CRITICAL_AT + "0", NONE, ": its first entry uses a compression method that cannot be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ParseNodeSink sink;
        EXPECT_EQ(c.heard, parse(String(documents.file(c.file).c_str()), sink));
        EXPECT_EQ(c.sections, sections(sink));
        const std::string first = traces.empty() ? "" : traces[0].text;
        EXPECT_TRUE(c.says == nullptr || first.find(std::string(c.says) + " at line ") != std::string::npos) << first;
    }
}

// Only regular files are read: a FIFO, whose open would wait for a writer for ever, is a file
// that cannot be opened, reported as a missing one is. A directory or a device fails the same
// check of the file's type once it is open.
TEST_F(XmlOrvParserTest, OnlyARegularFileCanBeOpenedAndAnythingElseIsOneErrorAndNoParse)
{
    // Where the system has no named pipes, the pipe's rows meet a missing file instead.
    const std::string fifo = documents.file("fifo.xml");
    orvtest::makeNamedPipe(fifo);
    const std::string valid = std::string(document("config.xml", kValid));
    enum SchemaAs { SCHEMA_FILE, SCHEMA_MISSING, SCHEMA_FIFO };
    const struct {
        std::string document;
        SchemaAs schema;
    } cases[] = {
        {documents.file("missing.xml"), SCHEMA_FILE}, {fifo, SCHEMA_FILE}, {valid, SCHEMA_MISSING}, {valid, SCHEMA_FIFO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document + " schema " + std::to_string(c.schema));
        std::remove(schemaPath().c_str());
        if (c.schema == SCHEMA_FILE)
            writeFile(schemaPath(), kSchema);
        else if (c.schema == SCHEMA_FIFO)
            orvtest::makeNamedPipe(schemaPath());
        ParseNodeSink sink;
        EXPECT_EQ("1|XmlOrvParser::XmlOrvParser: Error opening the configuration " +
                      (c.schema != SCHEMA_FILE ? "schema file " + schemaPath() : "file " + c.document),
                  parse(String(c.document.c_str()), sink, true));
        ASSERT_EQ(1u, traces.size());
        EXPECT_EQ(1, traces[0].level);
        EXPECT_EQ(2, traces[0].component);
        EXPECT_EQ(NONE, sections(sink));
    }
}

// Nothing outside the document and the configured schema is opened or fetched: the parse
// ends at the first external resource, with a critical error that names it and holds none
// of its content. A schema hint for elements without a namespace is never asked for at all:
// the configured schema is the one that governs them.
TEST_F(XmlOrvParserTest, ExternalResourcesAreRefusedUnreadAndUnfetched)
{
    orvtest::LoopbackListener listener;
    ASSERT_NE(0, listener.port());
    const std::string http = "http://127.0.0.1:" + std::to_string(listener.port());
    const std::string dir = documents.path();
    writeFile(documents.file("ext.dtd"), "<!ENTITY leak \"from the DTD\">");
    writeFile(documents.file("p.ent"), "<!ENTITY leak \"from a parameter entity\">");
    orvtest::makeNamedPipe(documents.file("fifo")); // refused by its name alone, pipe or not
    const std::string xsi = "<OrvConfig xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:";
    const std::string entity = "<!DOCTYPE OrvConfig [<!ENTITY leak SYSTEM \"";
    const struct {
        std::string prolog; // the DOCTYPE and the document element's start tag
        std::string refused; // empty: nothing to refuse, a clean parse
        int line;            // the DOCTYPE's line, or the line of the reference or the hint
    } cases[] = {
        {entity + "file:///etc/passwd\">]>\n<OrvConfig>", "file:///etc/passwd", 3},
        {entity + "/etc/hostname\">]>\n<OrvConfig>", "/etc/hostname", 3},
        {entity + dir + "/fifo\">]>\n<OrvConfig>", dir + "/fifo", 3},
        {"<!DOCTYPE OrvConfig SYSTEM \"file://" + dir + "/ext.dtd\">\n<OrvConfig>", "file://" + dir + "/ext.dtd", 2},
        {"<!DOCTYPE OrvConfig [<!ENTITY % p SYSTEM \"" + dir + "/p.ent\"> %p;]>\n<OrvConfig>", dir + "/p.ent", 2},
        {entity + http + "/entity\">]>\n<OrvConfig>", http + "/entity", 3},
        {"<!DOCTYPE OrvConfig SYSTEM \"" + http + "/dtd\">\n<OrvConfig>", http + "/dtd", 2},
        {"\n" + xsi + "schemaLocation=\"urn:other " + http + "/hint.xsd\">", http + "/hint.xsd", 3},
        {"\n" + xsi + "noNamespaceSchemaLocation=\"" + http + "/hint.xsd\">", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prolog);
        ParseNodeSink sink;
        const std::string xse = c.prolog[0] == '\n' ? "on" : "&leak;";
        const String doc = document("external.xml", "<?xml version=\"1.0\"?>\n" + c.prolog + "<Sections><XSE>" + xse +
                                                        "</XSE></Sections></OrvConfig>\n");
        EXPECT_EQ(c.refused.empty() ? "0"
                                    : "1|ParseNodeSink::onCriticalError: Message is External resource refused: " +
                                          c.refused + " at line " + std::to_string(c.line),
                  parse(doc, sink, true));
    }
    EXPECT_EQ(0, listener.connections());
}

// A process that parses again after the schema changed on disk hears what the new schema
// says, as a fresh process would: the same error count, the same reports on the same lines,
// also when the new schema has the old one's size.
TEST_F(XmlOrvParserTest, ASchemaReplacedBetweenParsesIsReadAgain)
{
    const std::string original = kSchema;
    std::string sameSize = original;
    sameSize.replace(sameSize.find("xs:boolean"), 10, "xs:NMTOKEN");
    const String invalid = document("invalid.xml", kInvalid);
    const auto parseWith = [&](const std::string& schema) {
        writeFile(schemaPath() + ".new", schema);
        std::error_code renamed;
        std::filesystem::rename(std::filesystem::u8path(schemaPath() + ".new"), std::filesystem::u8path(schemaPath()),
                                renamed);
        EXPECT_FALSE(renamed) << renamed.message();
        ParseNodeSink sink;
        return parse(invalid, sink);
    };
    const std::string fromOriginal = parseWith(original);
    EXPECT_EQ("2" + ERROR_AT + "4" + ERROR_AT + "5", fromOriginal);
    EXPECT_EQ("1" + ERROR_AT + "5", parseWith(sameSize));
    EXPECT_EQ(fromOriginal, parseWith(original));
}

} // namespace
