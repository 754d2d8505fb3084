// Whole parses: a NodeReader drives the Xerces adapter, the tree builder and a sink. Archives,
// truncated documents and schema errors through the section sink are read by the
// configuration parser's tests.
#include "NodeReader.h"
#include "TestSupport.h"
#include "TreeTestSupport.h"
#include "XmlZipTestArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using orvtest::RecordingSink;
using orvtest::writeFile;

const char* const kSchema = R"(<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
  <xs:element name="r"><xs:complexType><xs:sequence>
    <xs:element name="n" type="xs:int" maxOccurs="unbounded"/>
  </xs:sequence></xs:complexType></xs:element>
</xs:schema>
)";

std::string manyElements(int i_Count)
{
    std::string body = "<r>";
    for (int i = 0; i < i_Count; ++i)
        body += "<e>" + std::to_string(i) + "</e>\n";
    return body + "</r>";
}

class NodeReaderTest : public ::testing::Test {
protected:
    String path(const std::string& i_Name) const { return String(dir.file(i_Name).c_str()); }
    String document(const std::string& i_Name, const std::string& i_Bytes)
    {
        writeFile(dir.file(i_Name), i_Bytes);
        return path(i_Name);
    }

    orvtest::TempDir dir;
};

// Throws from the delivery of its second tree.
struct ThrowingSink : RecordingSink {
    explicit ThrowingSink(bool i_OutOfMemory) : outOfMemory(i_OutOfMemory) {}
    int onNodeTree(Node* i_Tree) override
    {
        RecordingSink::onNodeTree(i_Tree);
        if (trees.size() != 2)
            return 0;
        if (outOfMemory)
            throw std::bad_alloc();
        throw std::runtime_error("sink failed");
    }
    bool outOfMemory;
};

int g_StopCalls = 0;
int g_StopAfter = 0;

} // namespace

TEST_F(NodeReaderTest, ReadsEachInputToItsTreesMessagesAndCounts)
{
    document("malformed.xml", "<r>\n<a>\n<b></a>\n</r>\n");
    document("dtd.xml", "<!DOCTYPE a SYSTEM \"missing.dtd\"><a/>");
    // Messages as "kind@line". A valid document at the section depth and schema errors are
    // read by the configuration parser's tests.
    const struct {
        const char *what, *file;
        int scheme, skipDepth, result;
        std::string trees;
        std::vector<std::string> messages;
        int errorCount;
    } cases[] = {
        {"not well-formed: the parse ends, the document never does", "malformed.xml", 0, 1, XMLPROXY_SUCCESS, "",
         {"critical@3"}, 1},
        {"scheme 0 loads no external DTD", "dtd.xml", 0, 0, XMLPROXY_SUCCESS, "<a/>", {}, 0},
        {"scheme 1 asks for it, and it is refused", "dtd.xml", 1, 0, XMLPROXY_OTHER_EXCEPTION, "", {"critical@1"}, 0},
        {"scheme 3 keeps the library's default, which loads none either", "dtd.xml", 3, 0, XMLPROXY_SUCCESS, "<a/>",
         {}, 0},
        // A library exception names the file, and no line: the only line it has is one of
        // the library's own source.
        {"missing file", "missing.xml", 0, 2, XMLPROXY_XML_EXCEPTION, "", {"critical@0"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingSink sink;
        NodeReader reader(&sink);
        reader.validationScheme = c.scheme;
        EXPECT_EQ(c.result, reader.read(path(c.file), c.skipDepth));
        EXPECT_EQ(c.trees, sink.writtenTrees());
        EXPECT_EQ(c.errorCount, reader.errorCount);
        std::vector<std::string> messages;
        for (const std::string& m : sink.messages)
            messages.push_back(m.substr(0, m.find(':')));
        EXPECT_EQ(c.messages, messages);
        const std::string first = sink.messages.empty() ? "" : sink.messages[0];
        EXPECT_TRUE(std::string(c.file) != "missing.xml" || first.find("missing.xml") != std::string::npos) << first;
    }
}

TEST_F(NodeReaderTest, NumbersAttributesBeforeTheirElementAndSkipsWhiteSpaceAnewInEachParse)
{
    const String file = document("doc.xml", "<a x=\"v\" y=\"w\">\n  <b/>\n  hi\n  <c>  </c></a>");
    RecordingSink sink;
    NodeReader reader(&sink);
    ASSERT_EQ(XMLPROXY_SUCCESS, reader.read(file, 0));
    ASSERT_EQ(XMLPROXY_SUCCESS, reader.read(file, 0));
    ASSERT_EQ(2u, sink.trees.size());
    const std::string expected = "a@1:16#2{x=v#0,y=w#1}[b@2:7#3^ \"\n  hi\n  \"@4:3#4 c@4:6#5^]";
    EXPECT_EQ(expected, orvtest::describe(*sink.trees[0]));
    EXPECT_EQ(expected, orvtest::describe(*sink.trees[1]));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(NodeReaderTest, StopCallbackIsAskedBeforeEachStepAfterTheFirst)
{
    // Trees exact, or at most for a stopped parse.
    const struct {
        const char* what;
        std::string body;
        int stopAfter, result, minCalls, maxCalls;
        std::size_t trees, messages;
    } cases[] = {
        {"true at once: one more step, far from the end", manyElements(1000), 1, XMLPROXY_STOPPED, 1, 1, 1, 0},
        {"never true: asked to the end", manyElements(3), 1000, XMLPROXY_SUCCESS, 4, 999, 3, 0},
        {"the first step ends the parse: never asked", "", 1, XMLPROXY_SUCCESS, 0, 0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_StopCalls = 0;
        g_StopAfter = c.stopAfter;
        RecordingSink sink;
        NodeReader reader(&sink);
        reader.stopCallback = [] { return ++g_StopCalls >= g_StopAfter; };
        EXPECT_EQ(c.result, reader.read(document("doc.xml", c.body), 1));
        EXPECT_TRUE(g_StopCalls >= c.minCalls && g_StopCalls <= c.maxCalls) << g_StopCalls;
        EXPECT_EQ(c.result == XMLPROXY_STOPPED ? std::min(c.trees, sink.trees.size()) : c.trees, sink.trees.size());
        EXPECT_EQ(c.messages, sink.messages.size());
    }
}

TEST_F(NodeReaderTest, ExceptionFromTheHandlerGivesMinus1005ButOutOfMemoryPassesOut)
{
    ThrowingSink sink(false);
    NodeReader reader(&sink);
    writeFile(dir.file("r.xsd"), kSchema);
    reader.validationScheme = 1;
    reader.doNamespaces = reader.doSchema = reader.validationSchemaFullChecking = true;
    reader.externalNoNamespaceSchemaLocation = path("r.xsd");
    // The errors counted before the throw are not the count of a finished parse.
    EXPECT_EQ(XMLPROXY_OTHER_EXCEPTION, reader.read(document("invalid.xml", "<r>\n<n>x</n>\n<n>y</n>\n<n>3</n>\n</r>"), 1));
    EXPECT_FALSE(sink.messages.empty());
    EXPECT_EQ(0, reader.errorCount);

    ThrowingSink exhausted(true);
    const String many = document("many.xml", manyElements(50));
    EXPECT_THROW(NodeReader(&exhausted).read(many, 1), std::bad_alloc);
    // The library was terminated and everything released: the next parse starts afresh.
    RecordingSink sound;
    EXPECT_EQ(XMLPROXY_SUCCESS, NodeReader(&sound).read(many, 1));
    EXPECT_EQ(50u, sound.trees.size());
}

// Each bound, set small, ends the parse in this process with the critical error that names
// it and releases everything on the way out (the leak checker of the sanitizer build sees
// each path); the same document reads cleanly under the default bounds.
TEST_F(NodeReaderTest, EachBoundSetSmallEndsTheParseSayingWhichAndReleasesEverything)
{
    // Each document passes its small bound by a few bytes, so that a bound applied twice over
    // lets it through. Text is counted as the library holds it, two bytes a unit.
    const std::string justOver(51, 'x');
    ASSERT_TRUE(orvtest::makeZip(dir.file("doc.zip"), {{"doc.xml", "<r>" + std::string(94, ' ') + "</r>"}}));
    // Empty elements: their trees take more than 16 times their bytes. The trees' bound is
    // 16 times the document's bytes, above a floor set small here.
    std::string elements = "<r>";
    for (int i = 0; i < 100; ++i)
        elements += "<e/>";
    elements += "</r>";
    const struct {
        const char* file;
        std::string bytes; // empty: the file is there already
        long long ParseLimits::*bound;
        long long small;
        std::string critical;
    } cases[] = {
        {"entity.xml", "<!DOCTYPE r [<!ENTITY e \"" + justOver + "\">]><r>&e;&e;</r>", &ParseLimits::entityExpansionBytes,
         200, "Entity expansion exceeds its bound of 200 bytes"},
        {"text.xml", "<r>" + justOver + "</r>", &ParseLimits::valueBytes, 100, "A text run exceeds its bound of 100 bytes"},
        {"attribute.xml", "<r a=\"" + justOver + "\"/>", &ParseLimits::valueBytes, 100,
         "An attribute value exceeds its bound of 100 bytes"},
        {"trees.xml", elements, &ParseLimits::treeFloorBytes, 1000,
         "The size of the node trees exceeds its bound of " + std::to_string(16 * elements.size()) + " bytes"},
        {"doc.zip", "", &ParseLimits::zipEntryBytes, 100, "The zip entry's uncompressed data exceeds its bound of 100 bytes"},
        {"comment.xml", "<r><!--" + std::string(4 << 20, 'c') + "--></r>", &ParseLimits::libraryMemoryBytes, 4 << 20,
         "The XML library's working memory exceeds its bound of 4194304 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        if (!c.bytes.empty())
            document(c.file, c.bytes);
        for (bool small : {true, false}) {
            RecordingSink sink;
            NodeReader reader(&sink);
            if (small)
                reader.limits.*c.bound = c.small;
            EXPECT_EQ(small ? XMLPROXY_OTHER_EXCEPTION : XMLPROXY_SUCCESS, reader.read(path(c.file), 0));
            const std::string last = sink.messages.empty() ? "" : sink.messages.back();
            EXPECT_EQ(small, last.find(c.critical) != std::string::npos) << last;
        }
    }
}

// Bytes that are not UTF-8 in a document that says it is: the parse ends with a critical
// error at the line of the first bad byte, wherever it falls in the library's reads.
TEST_F(NodeReaderTest, InvalidUtf8EndsTheParseAtTheLineOfTheFirstBadByte)
{
    const std::string valid = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"; // é, €, an emoji
    std::string manyLines;
    for (int i = 0; i < 30000; ++i)
        manyLines += "<n>" + valid + "</n>\n";
    const struct {
        std::string body;
        int line; // 0: the document is valid
        bool declared = true; // without an XML declaration a document is UTF-8 as well
    } cases[] = {
        {std::string(100, 'x') + valid + std::string(40, 'y') + valid, 0}, // sequences of every length
        {std::string(70, 'x') + "\xC3(", 1},                             // after a long ASCII run
        {"\n\n\x80", 3, false},                                           // a continuation byte alone
        {"\xFF", 1},                                                      // a byte that cannot lead
        {valid + "\xE2\x82<", 1},                                         // a sequence cut short
        {manyLines + "\xC0\xAF", 30001}, // an overlong form past the library's first read
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        RecordingSink sink;
        const std::string declaration = c.declared ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" : "";
        EXPECT_EQ(c.line == 0 ? XMLPROXY_SUCCESS : XMLPROXY_OTHER_EXCEPTION,
                  NodeReader(&sink).read(document("doc.xml", declaration + "<r>" + c.body + "</r>"), 0));
        EXPECT_EQ(c.line == 0 ? std::vector<std::string>{}
                              : std::vector<std::string>{"critical@" + std::to_string(c.line) +
                                                         ": Invalid UTF-8 byte sequence in a document encoded in UTF-8"},
                  sink.messages);
    }
}
