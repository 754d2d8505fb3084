// The compact representation of trees (pooled objects, tables made on demand, vectors sized
// once, one-pointer child lists) must look exactly like the plain one from outside.
#include "DefaultSAXHandler.h"
#include "Node.h"
#include "NodeAttributes.h"
#include "NodeSink.h"
#include "SAXHandler.h"
#include "StringVector.h"
#include "TextNode.h"
#include "XmlProxyResult.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Geometry {
    int blocks;
    int free;
    int count;
    bool operator==(const Geometry& o) const { return blocks == o.blocks && free == o.free && count == o.count; }
};

std::ostream& operator<<(std::ostream& out, const Geometry& g)
{
    return out << "{blocks " << g.blocks << ", free " << g.free << ", count " << g.count << "}";
}

Geometry geometry(const StringVector& v)
{
    return Geometry{v.getBlockCount(), v.getFree(), v.getCount()};
}

std::vector<std::u16string> contents(const StringVector& v)
{
    std::vector<std::u16string> all;
    for (int i = 0; i < v.getCount(); ++i) {
        String text;
        EXPECT_EQ(XMLPROXY_SUCCESS, v.get(i, text));
        all.push_back(text.units());
    }
    return all;
}

std::vector<std::u16string> manyStrings(int count)
{
    std::vector<std::u16string> strings;
    for (int i = 0; i < count; ++i)
        strings.push_back(std::u16string(static_cast<std::size_t>(i % 13), u'a' + i % 26) + u"#");
    return strings;
}

} // namespace

TEST(StringVectorBlocks, ReservingFirstEndsWithTheBlocksOfInsertingOneByOne)
{
    struct Case {
        int blockSize;
        std::vector<std::u16string> strings;
        int extraReserved; // units reserved for strings that are then not inserted
    };
    const std::vector<Case> cases = {
        {1, {u"name", u"size", u"checksum"}, 0},
        {1, {u"name", u""}, 9},
        {4, {u"ab", u"c"}, 0},
        {4, {u"ab", u"c"}, 6},
        {3, {u"abcdefg"}, 2},
        {7, manyStrings(40), 5},
        {1, manyStrings(300), 0},
        {1, manyStrings(300), 17},
    };
    for (const Case& c : cases) {
        StringVector oneByOne(c.blockSize);
        int units = c.extraReserved;
        for (const std::u16string& s : c.strings) {
            ASSERT_EQ(XMLPROXY_SUCCESS, oneByOne.insert(oneByOne.getCount(), s.c_str()));
            units += static_cast<int>(s.size()) + 1;
        }
        StringVector reserved(c.blockSize);
        ASSERT_EQ(XMLPROXY_SUCCESS, reserved.reserve(units));
        for (const std::u16string& s : c.strings)
            ASSERT_EQ(XMLPROXY_SUCCESS, reserved.insert(reserved.getCount(), s.c_str()));
        ASSERT_EQ(XMLPROXY_SUCCESS, reserved.releaseFreeBlocks());

        SCOPED_TRACE("block size " + std::to_string(c.blockSize) + ", " + std::to_string(c.strings.size()) +
                     " strings, " + std::to_string(c.extraReserved) + " extra");
        EXPECT_EQ(geometry(oneByOne), geometry(reserved));
        EXPECT_LT(oneByOne.getFree(), c.blockSize);
        EXPECT_EQ(c.strings, contents(oneByOne));
        EXPECT_EQ(c.strings, contents(reserved));

        StringVector copy(c.blockSize);
        ASSERT_EQ(XMLPROXY_SUCCESS, copy.assign(oneByOne));
        EXPECT_EQ(geometry(oneByOne), geometry(copy));
        EXPECT_EQ(c.strings, contents(copy));
    }
}

TEST(StringVectorBlocks, BlockSizeOneFitsExactlyThroughLongGrowthAndShrinkage)
{
    StringVector vector(1);
    const std::vector<std::u16string> strings = manyStrings(500);
    int used = 0;
    for (const std::u16string& s : strings) {
        ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(vector.getCount(), s.c_str()));
        used += static_cast<int>(s.size()) + 1;
        ASSERT_EQ((Geometry{used, 0, vector.getCount()}), geometry(vector));
    }
    for (int i = 0; i < 500; i += 7) {
        int index = -1;
        ASSERT_EQ(XMLPROXY_SUCCESS, vector.find(String(strings[static_cast<std::size_t>(i)].c_str()), index));
        EXPECT_EQ(strings[static_cast<std::size_t>(index)], strings[static_cast<std::size_t>(i)]);
    }
    // Removing from the front moves everything down; the units freed must read as 0 when the
    // vector grows into them again.
    while (vector.getCount() > 250) {
        String first;
        ASSERT_EQ(XMLPROXY_SUCCESS, vector.get(0, first));
        ASSERT_EQ(XMLPROXY_SUCCESS, vector.remove(0));
        used -= first.length() + 1;
        ASSERT_EQ((Geometry{used, 0, vector.getCount()}), geometry(vector));
    }
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(vector.getCount(), u"tail"));
    const std::vector<std::u16string> now = contents(vector);
    EXPECT_EQ(std::vector<std::u16string>(strings.begin() + 250, strings.end()),
              std::vector<std::u16string>(now.begin(), now.end() - 1));
    EXPECT_EQ(u"tail", now.back());
    while (vector.getCount() > 0)
        ASSERT_EQ(XMLPROXY_SUCCESS, vector.remove(vector.getCount() - 1));
    EXPECT_EQ((Geometry{0, 0, 0}), geometry(vector));
}

TEST(StringVectorBlocks, FindDoesNotMatchAcrossATerminatorOrAPrefix)
{
    StringVector vector(1);
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(0, u"ab"));
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(1, u"c"));
    int index = -1;
    const char16_t withZero[] = {u'a', u'b', 0, u'c'};
    EXPECT_EQ(XMLPROXY_NOT_FOUND, vector.find(String(withZero, 4), index));
    EXPECT_EQ(XMLPROXY_NOT_FOUND, vector.find(String(u"a"), index));
    EXPECT_EQ(XMLPROXY_NOT_FOUND, vector.find(String(u"abc"), index));
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.find(String(u"c"), index));
    EXPECT_EQ(1, index);
}

TEST(NodeAttributesCopy, CopyHasTheBlocksOfATableBuiltOneAttributeAtATime)
{
    for (int blockSize : {1, 5}) {
        NodeAttributes table(blockSize);
        ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(String(u"id"), String(u"S1"), String(u"5")));
        ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(String(u"vendor"), String(u"Acme & Co"), String(u"6")));
        ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(String(u"empty"), String(u""), String(u"17")));

        NodeAttributes expected(blockSize);
        for (int i = 0; i < table.getCount(); ++i) {
            String name;
            String value;
            ASSERT_EQ(XMLPROXY_SUCCESS, table.getAttribute(i, name, value));
            ASSERT_EQ(XMLPROXY_SUCCESS, expected.addAttribute(name, value, String(u"0")));
        }
        std::unique_ptr<NodeAttributes> copy(table.copy());
        EXPECT_EQ(blockSize, copy->getBlockSize());
        EXPECT_EQ(geometry(expected.getNames()), geometry(copy->getNames()));
        EXPECT_EQ(geometry(expected.getValues()), geometry(copy->getValues()));
        EXPECT_EQ(geometry(expected.getSequences()), geometry(copy->getSequences()));
        EXPECT_EQ(contents(expected.getNames()), contents(copy->getNames()));
        EXPECT_EQ(contents(expected.getValues()), contents(copy->getValues()));
        EXPECT_EQ((std::vector<std::u16string>{u"0", u"0", u"0"}), contents(copy->getSequences()));
        EXPECT_EQ(XMLPROXY_NAME_PRESENT, copy->addAttribute(String(u"vendor"), String(u"x"), String(u"0")));
    }
}

TEST(NodeAttributesReserve, AttributeLeftOutGivesItsReservedRoomBack)
{
    NodeAttributes table(1);
    table.reserve(3 + 3 + 3, 2 + 2 + 2, 2 + 2 + 2); // "id", "id", "ab" with one-unit values
    EXPECT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"id", u"1", u"0"));
    EXPECT_EQ(XMLPROXY_NAME_PRESENT, table.addAttribute(u"id", u"2", u"1"));
    EXPECT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"ab", u"3", u"2"));
    table.releaseReserve();
    EXPECT_EQ((Geometry{6, 0, 2}), geometry(table.getNames()));
    EXPECT_EQ((Geometry{4, 0, 2}), geometry(table.getValues()));
    EXPECT_EQ((Geometry{4, 0, 2}), geometry(table.getSequences()));
}

TEST(TextNodeTable, IsEmptyWithBlockSizeOneAndStaysTheSameTable)
{
    TextNode text(String(u"hi"), 3, 4, 5);
    NodeAttributes* table = text.getAttributes();
    ASSERT_NE(nullptr, table);
    EXPECT_EQ(0, table->getCount());
    EXPECT_EQ(1, table->getBlockSize());
    EXPECT_EQ(table, text.getAttributes());

    // A table made on demand belongs to the node like any other: what is added shows.
    ASSERT_EQ(XMLPROXY_SUCCESS, table->addAttribute(String(u"x"), String(u"1"), String(u"0")));
    std::unique_ptr<Node> copy(text.clone());
    ASSERT_NE(nullptr, copy->getAttributes());
    EXPECT_NE(table, copy->getAttributes());
    EXPECT_EQ(0, copy->getAttributes()->getCount());
}

namespace {

// Keeps what it is given and nothing else, so that the tests see the tables handed over.
class KeepingHandler : public SAXHandler {
public:
    ~KeepingHandler() = default;
    void startDocument() override {}
    void endDocument() override {}
    void startElement(const String& i_Name, NodeAttributes* i_Attributes, int, int, int) override
    {
        names.push_back(i_Name.units());
        tables.emplace_back(i_Attributes);
    }
    void endElement(const String&) override {}
    void characters(const String&, int, int, int) override {}
    int warning(const String&, int) override { return 0; }
    int error(const String&, int) override { return 0; }
    int fatalError(const String&, int) override { return 0; }

    std::vector<std::u16string> names;
    std::vector<std::unique_ptr<NodeAttributes>> tables;
};

class KeepingSink : public NodeSink {
public:
    int onNodeTree(Node* i_Tree) override
    {
        trees.emplace_back(i_Tree);
        return 0;
    }
    std::vector<std::unique_ptr<Node>> trees;
};

} // namespace

TEST(BareElement, AHandlerOfItsOwnReceivesARealEmptyTable)
{
    KeepingHandler handler;
    handler.startBareElementUnits(u"Timeout", 7, 1, 2, 3);
    ASSERT_EQ(1u, handler.tables.size());
    EXPECT_EQ(u"Timeout", handler.names[0]);
    ASSERT_NE(nullptr, handler.tables[0]);
    EXPECT_EQ(0, handler.tables[0]->getCount());
    EXPECT_EQ(1, handler.tables[0]->getBlockSize());
}

TEST(BareElement, TreeNodesWriteAndCopyLikeNodesWithAnEmptyTable)
{
    KeepingSink sink;
    DefaultSAXHandler handler(&sink, 0);
    handler.startBareElementUnits(u"r", 1, 1, 1, 0);
    handler.startBareElementUnits(u"a", 1, 2, 3, 1);
    handler.endElementUnits(u"a", 1);
    handler.charactersUnits(u"t&x", 3, 2, 9, 2);
    handler.startBareElementUnits(u"b", 1, 3, 3, 3);
    handler.endElementUnits(u"b", 1);
    handler.endElementUnits(u"r", 1);
    ASSERT_EQ(1u, sink.trees.size());
    Node* root = sink.trees[0].get();

    std::ostringstream written;
    ASSERT_EQ(0, root->write(written, 0));
    EXPECT_EQ("<r>\n <a/>t&amp;x <b/></r>\n", written.str());

    ASSERT_EQ(3, root->getChildCount());
    ASSERT_EQ(3, root->getChildList().size());
    Node* a = root->getFirstChild();
    Node* text = a->getNextSibling();
    Node* b = text->getNextSibling();
    EXPECT_EQ(b, root->getChildList().back());
    EXPECT_EQ(nullptr, a->getPreviousSibling());
    EXPECT_EQ(a, text->getPreviousSibling());
    EXPECT_EQ(text, b->getPreviousSibling());
    EXPECT_EQ(nullptr, b->getNextSibling());
    EXPECT_EQ(root, a->getParent());
    EXPECT_EQ(nullptr, text->getParent());
    ASSERT_NE(nullptr, a->getAttributes());
    EXPECT_EQ(0, a->getAttributes()->getCount());

    std::unique_ptr<Node> copy(root->clone());
    std::ostringstream copied;
    ASSERT_EQ(0, copy->write(copied, 0));
    EXPECT_EQ(written.str(), copied.str());
    EXPECT_EQ(nullptr, copy->getFirstChild()->getPreviousSibling());
    ASSERT_NE(nullptr, copy->getAttributes());
    EXPECT_EQ(1, copy->getAttributes()->getBlockSize());
}
