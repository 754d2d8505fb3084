// Operation sequences, their result codes and the block geometry (copies included) are
// compared with a model by the string-vector fuzzer; these tests pin one walk through the
// block rule, each result code, and what the fuzzer does not reach: a partial add rolled
// back, and a table's reserve handed back (which releases each vector's free blocks).
#include "NodeAttributes.h"
#include "StringVector.h"
#include "XmlProxyResult.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

using Geometry = std::pair<int, int>; // capacity, free units

Geometry geometry(const StringVector& i_Vector)
{
    return {i_Vector.getCapacity(), i_Vector.getFree()};
}

std::vector<std::u16string> contents(const StringVector& i_Vector)
{
    std::vector<std::u16string> all;
    for (String text; static_cast<int>(all.size()) < i_Vector.getCount(); all.push_back(text.units()))
        EXPECT_EQ(XMLPROXY_SUCCESS, i_Vector.get(static_cast<int>(all.size()), text));
    return all;
}

} // namespace

TEST(StringVector, GrowsAndShrinksInWholeBlocksAndRefusesBadArgumentsUnchanged)
{
    StringVector vector(4);
    const unsigned short c[] = {u'c', 0};
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.insert(0, u"ab"));
    EXPECT_EQ(Geometry(4, 1), geometry(vector));
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.insert(1, c));
    EXPECT_EQ(Geometry(8, 3), geometry(vector)); // one block more
    String got(u"keep");
    for (int index : {-1, 2}) {
        EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, vector.get(index, got));
        EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, vector.remove(index));
    }
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, vector.insert(3, u"x"));
    EXPECT_EQ(XMLPROXY_NULL_STRING, vector.insert(0, static_cast<const char16_t*>(nullptr)));
    EXPECT_EQ(u"keep", got.units());
    EXPECT_EQ(Geometry(8, 3), geometry(vector));
    int index = 42;
    EXPECT_EQ(XMLPROXY_NOT_FOUND, vector.find(String(u"a"), index));
    EXPECT_EQ(42, index);
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.find(String(u"c"), index));
    EXPECT_EQ(1, index);
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.remove(0));
    EXPECT_EQ(Geometry(4, 2), geometry(vector)); // six units free: one block goes
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.remove(0));
    EXPECT_EQ(Geometry(0, 0), geometry(vector));
}

TEST(StringVector, GrowthPastTwoToThe31UnitsFailsAsAnAllocationAndLeavesTheVectorUnchanged)
{
    const int most = std::numeric_limits<int>::max();
    StringVector wide(1 << 30); // two blocks would hold 2^31 units
    EXPECT_THROW(wide.reserve(most), std::bad_alloc);
    EXPECT_EQ(Geometry(0, 0), geometry(wide));
    StringVector vector(4);
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(0, u"ab"));
    EXPECT_THROW(vector.reserve(most), std::bad_alloc);
    EXPECT_THROW(vector.assignRepeated(u"abc", 1 << 30), std::bad_alloc); // 2^32 units
    EXPECT_EQ(Geometry(4, 1), geometry(vector));
    EXPECT_EQ(std::vector<std::u16string>{u"ab"}, contents(vector));
}

TEST(NodeAttributes, RefusesASecondAttributeOfTheSameNameAndRollsBackAPartialOne)
{
    NodeAttributes table(4);
    ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(String(u"a"), String(u"1"), String(u"5")));
    ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"b", u"2", u"6"));
    EXPECT_EQ(XMLPROXY_NAME_PRESENT, table.addAttribute(String(u"a"), String(u"3"), String(u"7")));
    EXPECT_EQ(XMLPROXY_NULL_STRING, table.addAttribute(u"lost", nullptr, u"1"));
    EXPECT_EQ(XMLPROXY_NULL_STRING, table.addAttribute(u"lost", u"v", nullptr));
    for (const StringVector* vector : {&table.getNames(), &table.getValues(), &table.getSequences()})
        EXPECT_EQ(Geometry(4, 0), geometry(*vector));
    String value;
    EXPECT_EQ(XMLPROXY_NOT_FOUND, table.getValue(String(u"A"), value));
    // The rolled-back name must not block a later, complete attempt.
    EXPECT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"lost", u"w", u"2"));

    // A copy keeps names, values and blocks, and numbers nothing.
    std::unique_ptr<NodeAttributes> copy(table.copy());
    EXPECT_EQ(contents(table.getNames()), contents(copy->getNames()));
    EXPECT_EQ(geometry(table.getValues()), geometry(copy->getValues()));
    EXPECT_EQ(std::vector<std::u16string>(3, u"0"), contents(copy->getSequences()));
    EXPECT_EQ(XMLPROXY_NAME_PRESENT, copy->addAttribute(u"b", u"x", u"0"));
}

TEST(NodeAttributes, AttributeLeftOutGivesItsReservedRoomBack)
{
    NodeAttributes table(1);
    table.reserve(3 + 3 + 3, 2 + 2 + 2, 2 + 2 + 2); // "id", "id", "ab" with one-unit values
    EXPECT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"id", u"1", u"0"));
    EXPECT_EQ(XMLPROXY_NAME_PRESENT, table.addAttribute(u"id", u"2", u"1"));
    EXPECT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"ab", u"3", u"2"));
    table.releaseReserve();
    EXPECT_EQ(Geometry(6, 0), geometry(table.getNames()));
    EXPECT_EQ(Geometry(4, 0), geometry(table.getValues()));
    EXPECT_EQ(Geometry(4, 0), geometry(table.getSequences()));
}

// The parser's attributes keep their first number until a sequence text is read; what is
// read then, texts and blocks, is what adding the texts one by one gives.
TEST(NodeAttributes, NumberedAttributesReadAsIfTheirTextsWereStored)
{
    struct Add {
        const char16_t* name;
        int sequence; // -1: a host's addAttribute with the text "x"
        int result;
    };
    const struct {
        const char* what;
        std::vector<Add> adds;
        std::vector<std::u16string> sequences;
    } cases[] = {
        {"numbered one after the other", {{u"a", 9, 0}, {u"b", 10, 0}, {u"c", 11, 0}}, {u"9", u"10", u"11"}},
        {"a refused name uses up its number",
         {{u"a", 5, 0}, {u"a", 6, XMLPROXY_NAME_PRESENT}, {u"b", 7, 0}},
         {u"5", u"7"}},
        {"a host's attribute after the parser's", {{u"a", 99, 0}, {u"b", -1, 0}, {u"c", 101, 0}}, {u"99", u"x", u"101"}},
    };
    for (const auto& c : cases) {
        for (int blockSize : {1, 4}) {
            SCOPED_TRACE(std::string(c.what) + ", block size " + std::to_string(blockSize));
            NodeAttributes numbered(blockSize);
            NodeAttributes stored(blockSize);
            for (const Add& add : c.adds) {
                const std::u16string name(add.name);
                if (add.sequence < 0) {
                    EXPECT_EQ(add.result, numbered.addAttribute(add.name, u"v", u"x"));
                } else {
                    EXPECT_EQ(add.result, numbered.addNumberedAttribute(name.data(), name.size(), u"v", 1, add.sequence));
                }
                const std::u16string text = add.sequence < 0 ? u"x" : String::valueOf(add.sequence).units();
                stored.addAttribute(add.name, u"v", text.c_str());
            }
            String second;
            EXPECT_EQ(XMLPROXY_SUCCESS, numbered.getSequence(1, second));
            EXPECT_EQ(c.sequences[1], second.units());
            EXPECT_EQ(c.sequences, contents(numbered.getSequences()));
            EXPECT_EQ(geometry(stored.getSequences()), geometry(numbered.getSequences()));
            EXPECT_EQ(geometry(stored.getNames()), geometry(numbered.getNames()));
            std::unique_ptr<NodeAttributes> copy(numbered.copy());
            EXPECT_EQ(std::vector<std::u16string>(c.sequences.size(), u"0"), contents(copy->getSequences()));
        }
    }
}
