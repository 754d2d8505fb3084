// Whole parses: a NodeReader drives the Xerces adapter, the tree builder and a sink. Archives,
// truncated documents, schema errors and missing files through the section sink are read by
// the configuration parser's tests; each bound, at its default, by the hostile documents'.
#include "NodeReader.h"
#include "TestSupport.h"
#include "TreeTestSupport.h"
#include "XmlZipTestArchive.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using orvtest::RecordingSink;
using orvtest::writeFile;

std::string manyElements(int i_Count)
{
    std::string body = "<r>";
    for (int i = 0; i < i_Count; ++i)
        body += "<e>" + std::to_string(i) + "</e>\n";
    return body + "</r>";
}

class NodeReaderTest : public ::testing::Test {
protected:
    String document(const std::string& i_Name, const std::string& i_Bytes)
    {
        writeFile(dir.file(i_Name), i_Bytes);
        return String(dir.file(i_Name).c_str());
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

// Each bound, set small, ends the parse in this process with the critical error that names
// it and releases everything on the way out (the leak checker of the sanitizer build sees
// each path); the same document reads cleanly under the default bounds. Each document passes
// its small bound by a few bytes, so that a bound applied twice over lets it through.
TEST_F(NodeReaderTest, EachBoundSetSmallEndsTheParseSayingWhichAndReleasesEverything)
{
    const std::string justOver(51, 'x'); // text is counted as the library holds it, two bytes a unit
    ASSERT_TRUE(orvtest::makeZip(dir.file("doc.zip"), {{"doc.xml", "<r>" + std::string(94, ' ') + "</r>"}}));
    // Empty elements: their trees take more than 16 times their bytes, above a floor set small.
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
            EXPECT_EQ(small ? XMLPROXY_OTHER_EXCEPTION : XMLPROXY_SUCCESS, reader.read(String(dir.file(c.file).c_str()), 0));
            const std::string last = sink.messages.empty() ? "" : sink.messages.back();
            EXPECT_EQ(small, last.find(c.critical) != std::string::npos) << last;
        }
    }
}

} // namespace

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
    // Names and texts are taken by their length, with nothing of the library's buffers
    // behind them, which the narrow forms above would not show.
    const Node* b = sink.trees[0]->getFirstChild();
    EXPECT_EQ(u"b", b->getName().units());
    EXPECT_EQ(u"\n  hi\n  ", b->getNextSibling()->getName().units());
    // A copy keeps lines and columns; its sequence numbers are 0 and its elements do not link
    // back to their parent.
    std::unique_ptr<Node> copy(sink.trees[0]->clone());
    EXPECT_EQ("a@1:16#0{x=v#0,y=w#0}[b@2:7#0 \"\n  hi\n  \"@4:3#0 c@4:6#0]", orvtest::describe(*copy));
}

TEST_F(NodeReaderTest, ExceptionFromTheHandlerGivesMinus1005ButOutOfMemoryPassesOut)
{
    const String many = document("many.xml", manyElements(50));
    ThrowingSink failing(false);
    EXPECT_EQ(XMLPROXY_OTHER_EXCEPTION, NodeReader(&failing).read(many, 1));
    EXPECT_EQ(2u, failing.trees.size());

    ThrowingSink exhausted(true);
    EXPECT_THROW(NodeReader(&exhausted).read(many, 1), std::bad_alloc);
    // The library was terminated and everything released: the next parse starts afresh.
    RecordingSink sound;
    EXPECT_EQ(XMLPROXY_SUCCESS, NodeReader(&sound).read(many, 1));
    EXPECT_EQ(50u, sound.trees.size());
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
        {"\n\n\x80", 3, false},                                           // a byte that cannot lead
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
