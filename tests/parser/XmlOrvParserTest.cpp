#include "../common/xmlproxy/TreeTestSupport.h"
#include "../common/xmlproxy/XmlZipTestArchive.h"
#include "../config/OrvCfgTestAccess.h"

#include "Node.h"
#include "OrvCfg.h"
#include "ParseNodeSink.h"
#include "SmallBlockPool.h"
#include "TestSupport.h"
#include "Tracer.h"
#include "XmlOrvParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using orvtest::TempDir;
using orvtest::writeFile;

const char* const kSchema = R"(<?xml version="1.0"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
  <xs:complexType name="open" mixed="true">
    <xs:sequence><xs:any processContents="skip" minOccurs="0" maxOccurs="unbounded"/></xs:sequence>
    <xs:anyAttribute processContents="skip"/>
  </xs:complexType>
  <xs:element name="OrvConfig">
    <xs:complexType><xs:sequence>
      <xs:element name="Sections"><xs:complexType><xs:sequence>
        <xs:element name="Hardware" minOccurs="0">
          <xs:complexType><xs:sequence>
            <xs:element name="Scan" minOccurs="0"><xs:complexType>
              <xs:attribute name="depth" type="xs:int" use="required"/>
            </xs:complexType></xs:element>
          </xs:sequence>
          <xs:attribute name="enabled" type="xs:boolean"/></xs:complexType>
        </xs:element>
        <xs:element name="XSE" type="open" minOccurs="0"/>
        <xs:element name="Vpd" type="open" minOccurs="0"/>
        <xs:element name="NetConfig" type="open" minOccurs="0"/>
      </xs:sequence></xs:complexType></xs:element>
    </xs:sequence></xs:complexType>
  </xs:element>
</xs:schema>
)";

const char* const kValid = "<?xml version=\"1.0\"?>\n"
                           "<OrvConfig>\n"
                           " <Sections>\n"
                           "  <Hardware enabled=\"true\"><Scan depth=\"3\"/></Hardware>\n"
                           "  <XSE>on</XSE>\n"
                           "  <Vpd><NetConfig port=\"8\"/></Vpd>\n"
                           " </Sections>\n"
                           "</OrvConfig>\n";

const char* const kInvalid = "<?xml version=\"1.0\"?>\n"
                             "<OrvConfig>\n"
                             " <Sections>\n"
                             "  <Hardware enabled=\"maybe\">\n"
                             "   <Scan depth=\"deep\"/>\n"
                             "  </Hardware>\n"
                             "  <Vpd/>\n"
                             " </Sections>\n"
                             "</OrvConfig>\n";

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

TEST_F(XmlOrvParserTest, DeliversEverySectionItCouldReadAndCountsTheErrors)
{
    const std::string valid = kValid;
    ASSERT_TRUE(orvtest::makeZip(documents.file("config.zip"), {{"config.xml", kValid}, {"broken.xml", "<"}}));
    orvtest::makeEmptyZip(documents.file("empty.zip"));
    ASSERT_TRUE(orvtest::makeZip(documents.file("binary.zip"), {{"a.bin", std::string("\x01\x02\xff\xfe\x00", 5)}}));
    document("config.xml", kValid);
    document("invalid.xml", kInvalid);
    document("truncated.xml", valid.substr(0, valid.find("<Vpd>") + 8));
    const std::string hardware = "<Hardware enabled=\"true\">\n <Scan depth=\"3\"/></Hardware>\n";
    const std::string xse = "|<XSE>on</XSE>\n|(null)|";
    const std::string none = "(null)|(null)|(null)|(null)|(null)|(null)|(null)|(null)";
    const std::string all = hardware + xse + "<Vpd>\n <NetConfig port=\"8\"/></Vpd>\n|(null)|(null)|(null)|(null)|"
                            "<NetConfig port=\"8\"/>";
    // An input that breaks off counts one error even where the library counted none.
    const struct {
        const char* file;
        int errorCount;
        std::string sections;
        std::vector<std::string> traces;
    } cases[] = {
        {"config.xml", 0, all, {}},
        {"config.zip", 0, all, {}},
        {"invalid.xml", 2,
         "<Hardware enabled=\"maybe\">\n <Scan depth=\"deep\"/></Hardware>\n|(null)|(null)|<Vpd/>|(null)|(null)|(null)|"
         "(null)|(null)",
         {"ParseNodeSink::onError@4", "ParseNodeSink::onError@5"}},
        {"truncated.xml", 1, hardware + xse + "(null)|(null)|(null)|(null)|(null)|(null)",
         {"ParseNodeSink::onCriticalError@6"}},
        {"binary.zip", 1, "(null)|" + none, {"ParseNodeSink::onCriticalError@1"}},
        {"empty.zip", 1, "(null)|" + none, {"ParseNodeSink::onCriticalError"}},
    };
    // Traces as "label@line"; a bare label where the line is one of the XML library's own source.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        traces.clear();
        ParseNodeSink sink;
        XmlOrvParser parser(String(documents.file(c.file).c_str()), sink);
        EXPECT_EQ(c.errorCount, parser.getErrorCount());
        EXPECT_EQ(c.sections, sections(sink));
        std::vector<std::string> got;
        for (const TraceRecord& r : traces) {
            const std::size_t line = r.text.rfind(" at line ");
            const bool bare = got.size() < c.traces.size() && c.traces[got.size()].find('@') == std::string::npos;
            got.push_back(r.label + (bare || line == std::string::npos ? "" : "@" + r.text.substr(line + 9)));
        }
        EXPECT_EQ(c.traces, got);
    }
}

// The node pool counts what it hands out, so a tree that is never released shows up even
// in builds without a leak checker; releasing the last tree gives the chunks back.
TEST_F(XmlOrvParserTest, EveryTreeOfAParseIsReleasedWithItsSinkAndCopies)
{
    const std::size_t before = SmallBlockPool::liveBlocks();
    {
        ParseNodeSink sink;
        XmlOrvParser invalid(document("invalid.xml", kInvalid), sink);
        XmlOrvParser parser(document("config.xml", kValid), sink);
        ParseNodeSink copy(sink);
        std::unique_ptr<Node> hardware(copy.getNode(1));
        ASSERT_NE(hardware, nullptr);
        sink = ParseNodeSink();
    }
    EXPECT_EQ(SmallBlockPool::liveBlocks(), before);
    if (before == 0) {
        EXPECT_LE(SmallBlockPool::chunkBytes(), 64u * 1024u);
    }
}

TEST_F(XmlOrvParserTest, FileThatCannotBeOpenedIsOneErrorAndNoParse)
{
    const String missingDocument(documents.file("missing.xml").c_str());
    for (bool schemaMissing : {false, true}) {
        if (schemaMissing)
            std::remove(schemaPath().c_str());
        traces.clear();
        ParseNodeSink sink;
        XmlOrvParser parser(schemaMissing ? document("config.xml", kValid) : missingDocument, sink);
        EXPECT_EQ(1, parser.getErrorCount());
        ASSERT_EQ(1u, traces.size());
        EXPECT_EQ("XmlOrvParser::XmlOrvParser", traces[0].label);
        EXPECT_EQ(1, traces[0].level);
        EXPECT_EQ(2, traces[0].component);
        EXPECT_EQ(schemaMissing ? "Error opening the configuration schema file " + schemaPath()
                                : "Error opening the configuration file " + std::string(missingDocument),
                  traces[0].text);
        EXPECT_EQ("(null)|(null)|(null)|(null)|(null)|(null)|(null)|(null)|(null)", sections(sink));
    }
}

TEST_F(XmlOrvParserTest, CopyAndAssignmentCarryTheCountWithoutParsing)
{
    ParseNodeSink sink;
    XmlOrvParser parser(document("config.xml", kInvalid), sink);
    XmlOrvParser copy(parser);
    EXPECT_EQ(copy.getErrorCount(), 2);
    XmlOrvParser assigned(String(documents.file("missing.xml").c_str()), sink);
    traces.clear();
    parser.setErrorCount(5);
    EXPECT_EQ(&(assigned = parser), &assigned);
    EXPECT_EQ(assigned.getErrorCount(), 5);
    EXPECT_EQ(copy.getErrorCount(), 2);
    EXPECT_TRUE(traces.empty());
}

} // namespace
