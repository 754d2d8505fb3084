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
#include <sstream>
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

std::string written(Node* node)
{
    std::unique_ptr<Node> owned(node);
    if (!owned)
        return "(null)";
    std::ostringstream out;
    owned->write(out, 0);
    return out.str();
}

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
    std::vector<TraceRecord> tracesLabelled(const std::string& label) const
    {
        std::vector<TraceRecord> out;
        for (const TraceRecord& record : traces)
            if (record.label == label)
                out.push_back(record);
        return out;
    }

    TempDir install;
    TempDir documents;
    std::vector<TraceRecord> traces;

private:
    String m_SavedInstallDir;
    Tracer::Receiver m_SavedReceiver;
};

TEST_F(XmlOrvParserTest, ValidDocumentGivesEverySectionAndNoErrors)
{
    ParseNodeSink sink;
    XmlOrvParser parser(document("config.xml", kValid), sink);

    EXPECT_EQ(parser.getErrorCount(), 0);
    EXPECT_TRUE(traces.empty());
    EXPECT_EQ(written(sink.getNode(1)), "<Hardware enabled=\"true\">\n <Scan depth=\"3\"/></Hardware>\n");
    EXPECT_EQ(written(sink.getNode(2)), "<XSE>on</XSE>\n");
    EXPECT_EQ(written(sink.getNode(4)), "<Vpd>\n <NetConfig port=\"8\"/></Vpd>\n");
    EXPECT_EQ(written(sink.getNode(9)), "<NetConfig port=\"8\"/>");
    EXPECT_EQ(sink.getNode(3), nullptr);
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

TEST_F(XmlOrvParserTest, ZippedDocumentReadsFromItsFirstEntry)
{
    std::string archive = documents.file("config.zip");
    ASSERT_TRUE(orvtest::makeZip(archive, {{"config.xml", kValid}, {"broken.xml", "<"}}));
    ParseNodeSink sink;
    XmlOrvParser parser(String(archive.c_str()), sink);

    EXPECT_EQ(parser.getErrorCount(), 0);
    EXPECT_TRUE(traces.empty());
    EXPECT_EQ(written(sink.getNode(2)), "<XSE>on</XSE>\n");
}

TEST_F(XmlOrvParserTest, InvalidDocumentDeliversItsSectionsAndCountsEachError)
{
    ParseNodeSink sink;
    XmlOrvParser parser(document("config.xml", kInvalid), sink);

    std::vector<TraceRecord> errors = tracesLabelled("ParseNodeSink::onError");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(parser.getErrorCount(), 2);
    EXPECT_NE(errors[0].text.find(" at line 4"), std::string::npos) << errors[0].text;
    EXPECT_NE(errors[1].text.find(" at line 5"), std::string::npos) << errors[1].text;
    EXPECT_EQ(errors[0].level, 1);
    EXPECT_EQ(written(sink.getNode(1)), "<Hardware enabled=\"maybe\">\n <Scan depth=\"deep\"/></Hardware>\n");
    EXPECT_EQ(written(sink.getNode(4)), "<Vpd/>");
}

TEST_F(XmlOrvParserTest, FileThatCannotBeOpenedIsOneErrorAndNoParse)
{
    struct Case {
        bool removeSchema;
        const char* message;
    };
    for (const Case& c : {Case{false, "Error opening the configuration file "},
                          Case{true, "Error opening the configuration schema file "}}) {
        traces.clear();
        std::string missing;
        String path;
        if (c.removeSchema) {
            writeFile(schemaPath(), kSchema);
            std::remove(schemaPath().c_str());
            path = document("config.xml", kValid);
            missing = schemaPath();
        } else {
            missing = documents.file("missing.xml");
            path = String(missing.c_str());
        }
        ParseNodeSink sink;
        XmlOrvParser parser(path, sink);

        EXPECT_EQ(parser.getErrorCount(), 1) << c.message;
        ASSERT_EQ(traces.size(), 1u) << c.message;
        EXPECT_EQ(traces[0].label, "XmlOrvParser::XmlOrvParser");
        EXPECT_EQ(traces[0].level, 1);
        EXPECT_EQ(traces[0].component, 2);
        EXPECT_EQ(traces[0].text, c.message + missing);
        for (int index = 1; index <= 9; ++index)
            EXPECT_EQ(written(sink.getNode(index)), "(null)");
    }
}

// Inputs that break off: the sink hears a critical error, the count says the document was not
// read cleanly, and the sections finished before the damage stay delivered.
TEST_F(XmlOrvParserTest, BrokenInputsEndWithACriticalErrorAndANonZeroCount)
{
    orvtest::makeEmptyZip(documents.file("empty.zip"));
    ASSERT_TRUE(orvtest::makeZip(documents.file("binary.zip"), {{"a.bin", std::string("\x01\x02\xff\xfe\x00", 5)}}));
    std::string valid = kValid;
    writeFile(documents.file("truncated.xml"), valid.substr(0, valid.find("<Vpd>") + 8));

    struct Case {
        const char* file;
        bool hardwareKept;
    };
    for (const Case& c : {Case{"empty.zip", false}, Case{"binary.zip", false}, Case{"truncated.xml", true}}) {
        traces.clear();
        ParseNodeSink sink;
        XmlOrvParser parser(String(documents.file(c.file).c_str()), sink);
        EXPECT_GE(parser.getErrorCount(), 1) << c.file;
        EXPECT_FALSE(tracesLabelled("ParseNodeSink::onCriticalError").empty()) << c.file;
        std::unique_ptr<Node> hardware(sink.getNode(1));
        EXPECT_EQ(hardware != nullptr, c.hardwareKept) << c.file;
    }
}

TEST_F(XmlOrvParserTest, CopyAndAssignmentCarryTheCountWithoutParsing)
{
    ParseNodeSink sink;
    XmlOrvParser parser(document("config.xml", kInvalid), sink);
    traces.clear();

    XmlOrvParser copy(parser);
    EXPECT_EQ(copy.getErrorCount(), 2);
    ParseNodeSink other;
    XmlOrvParser assigned(String(documents.file("missing.xml").c_str()), other);
    traces.clear();
    parser.setErrorCount(5);
    EXPECT_EQ(&(assigned = parser), &assigned);
    EXPECT_EQ(assigned.getErrorCount(), 5);
    EXPECT_EQ(copy.getErrorCount(), 2);
    EXPECT_TRUE(traces.empty());
}

} // namespace
