#include "Node.h"
#include "NodeReader.h"
#include "NodeSink.h"
#include "TestSupport.h"
#include "XmlProxyResult.h"
#include "XmlZipTestArchive.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using orvtest::TempDir;
using orvtest::writeFile;

class RecordingSink : public NodeSink {
public:
    int onNodeTree(Node* i_Tree) override
    {
        trees.emplace_back(i_Tree);
        return 0;
    }
    int onWarning(const String& i_Message, int i_Line) override { return record("warning", i_Message, i_Line); }
    int onError(const String& i_Message, int i_Line) override { return record("error", i_Message, i_Line); }
    int onCriticalError(const String& i_Message, int i_Line) override
    {
        return record("critical", i_Message, i_Line);
    }

    // The delivered trees, written out, one after the other.
    std::string written() const
    {
        std::ostringstream out;
        for (const auto& tree : trees)
            tree->write(out, 0);
        return out.str();
    }

    std::vector<std::unique_ptr<Node>> trees;
    std::vector<std::string> messages; // "kind@line"

private:
    int record(const char* kind, const String&, int line)
    {
        messages.push_back(std::string(kind) + "@" + std::to_string(line));
        return 0;
    }
};

const char* const kDocument = "<r>\n"
                              " <s>\n"
                              "  <a x=\"1\"><b/>t</a>\n"
                              "  <c/>\n"
                              " </s>\n"
                              "</r>\n";

const char* const kSchema = R"(<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
  <xs:element name="r"><xs:complexType><xs:sequence>
    <xs:element name="s"><xs:complexType><xs:sequence>
      <xs:element name="a" type="xs:int" maxOccurs="unbounded"/>
    </xs:sequence></xs:complexType></xs:element>
  </xs:sequence></xs:complexType></xs:element>
</xs:schema>
)";

class NodeReaderTest : public ::testing::Test {
protected:
    String path(const std::string& name) { return String(dir.file(name).c_str()); }

    TempDir dir;
    RecordingSink sink;
};

TEST_F(NodeReaderTest, DeliversTheTreesAtTheSkipDepth)
{
    writeFile(dir.file("doc.xml"), kDocument);
    NodeReader reader(&sink);
    EXPECT_EQ(reader.read(path("doc.xml"), 2), XMLPROXY_SUCCESS);
    EXPECT_EQ(sink.written(), "<a x=\"1\">\n <b/>t</a>\n<c/>");
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(reader.errorCount, 0);
}

TEST_F(NodeReaderTest, ZippedDocumentReadsLikeThePlainOne)
{
    writeFile(dir.file("doc.xml"), kDocument);
    ASSERT_TRUE(orvtest::makeZip(dir.file("doc.zip"), {{"doc.xml", kDocument}, {"other.xml", "<q><w><e/></w></q>"}}));
    RecordingSink plain;
    NodeReader plainReader(&plain);
    ASSERT_EQ(plainReader.read(path("doc.xml"), 2), XMLPROXY_SUCCESS);

    NodeReader reader(&sink);
    EXPECT_EQ(reader.read(path("doc.zip"), 2), XMLPROXY_SUCCESS);
    EXPECT_EQ(sink.written(), plain.written());
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(NodeReaderTest, SettingsReachTheParserAndTheErrorCountComesBack)
{
    writeFile(dir.file("doc.xml"), kDocument); // b inside a, c inside s: both invalid
    writeFile(dir.file("r.xsd"), kSchema);

    NodeReader lax(&sink);
    ASSERT_EQ(lax.read(path("doc.xml"), 2), XMLPROXY_SUCCESS);
    EXPECT_EQ(lax.errorCount, 0);

    RecordingSink strictSink;
    NodeReader strict(&strictSink);
    strict.validationScheme = 2;
    strict.doNamespaces = true;
    strict.doSchema = true;
    strict.validationSchemaFullChecking = true;
    strict.externalNoNamespaceSchemaLocation = path("r.xsd");
    ASSERT_EQ(strict.read(path("doc.xml"), 2), XMLPROXY_SUCCESS);
    EXPECT_GT(strict.errorCount, 0);
    ASSERT_FALSE(strictSink.messages.empty());
    EXPECT_EQ(strictSink.messages.size(), static_cast<std::size_t>(strict.errorCount));
    EXPECT_EQ(strictSink.messages[0], "error@3");
    // Invalid trees are delivered all the same.
    EXPECT_EQ(strictSink.written(), sink.written());
}

bool stopAtOnce()
{
    return true;
}

TEST_F(NodeReaderTest, StopCallbackReachesTheParser)
{
    std::string body = "<r><s>";
    for (int i = 0; i < 500; ++i)
        body += "<a/>";
    writeFile(dir.file("doc.xml"), body + "</s></r>");
    NodeReader reader(&sink);
    reader.stopCallback = stopAtOnce;
    EXPECT_EQ(reader.read(path("doc.xml"), 2), XMLPROXY_STOPPED);
    EXPECT_LT(sink.trees.size(), 500u);
}

// Documents that end badly: the trees finished before the damage stay delivered, the sink
// hears a critical error, and nothing leaks (the sanitizer build checks that).
TEST_F(NodeReaderTest, BrokenInputsEndWithACriticalErrorAndTheFinishedTrees)
{
    orvtest::makeEmptyZip(dir.file("empty.zip"));
    ASSERT_TRUE(orvtest::makeZip(dir.file("binary.zip"), {{"image.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10)}}));
    writeFile(dir.file("truncated.xml"), "<r>\n<s>\n<a/>\n<c><d>");
    struct Case {
        const char* file;
        int result;
        std::size_t trees;
    };
    // An archive without entries gives the library no stream to open: it throws, as for a
    // missing file.
    for (const Case& c : {Case{"empty.zip", XMLPROXY_XML_EXCEPTION, 0}, Case{"binary.zip", XMLPROXY_SUCCESS, 0},
                          Case{"truncated.xml", XMLPROXY_SUCCESS, 1}}) {
        RecordingSink broken;
        NodeReader reader(&broken);
        EXPECT_EQ(reader.read(path(c.file), 2), c.result) << c.file;
        EXPECT_EQ(broken.trees.size(), c.trees) << c.file;
        ASSERT_FALSE(broken.messages.empty()) << c.file;
        EXPECT_EQ(broken.messages[0].rfind("critical@", 0), 0u) << c.file << ": " << broken.messages[0];
    }
}

} // namespace
