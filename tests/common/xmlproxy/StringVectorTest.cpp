// Operation sequences, their result codes and the block geometry (copies included) are
// compared with a model by the string-vector fuzzer; these tests pin one walk through the
// block rule, each result code, and what the fuzzer does not reach: growth past 2^31 units,
// a partial add rolled back, and a table's reserve handed back (which releases each
// vector's free blocks).
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
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.insert(0, u"ab"));
    EXPECT_EQ(Geometry(4, 1), geometry(vector));
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.insert(1, u"c"));
    EXPECT_EQ(Geometry(8, 3), geometry(vector)); // one block more
    String got(u"keep");
    int index = 42;
    const int refusals[][2] = {{vector.get(-1, got), XMLPROXY_INDEX_OUT_OF_RANGE},
                               {vector.get(2, got), XMLPROXY_INDEX_OUT_OF_RANGE},
                               {vector.remove(2), XMLPROXY_INDEX_OUT_OF_RANGE},
                               {vector.insert(3, u"x"), XMLPROXY_INDEX_OUT_OF_RANGE},
                               {vector.insert(0, static_cast<const char16_t*>(nullptr)), XMLPROXY_NULL_STRING},
                               {vector.find(String(u"a"), index), XMLPROXY_NOT_FOUND}};
    for (const auto& refusal : refusals)
        EXPECT_EQ(refusal[1], refusal[0]);
    EXPECT_EQ(u"keep", got.units());
    EXPECT_EQ(42, index);
    EXPECT_EQ(Geometry(8, 3), geometry(vector));
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.find(String(u"c"), index));
    EXPECT_EQ(1, index);
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.remove(0));
    EXPECT_EQ(Geometry(4, 2), geometry(vector)); // six units free: one block goes
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.remove(0));
    EXPECT_EQ(Geometry(0, 0), geometry(vector));
}

TEST(StringVector, GrowthPastTwoToThe31UnitsFailsAsAnAllocationAndLeavesTheVectorUnchanged)
{
    StringVector wide(1 << 30); // two blocks would hold 2^31 units
    EXPECT_THROW(wide.reserve(std::numeric_limits<int>::max()), std::bad_alloc);
    EXPECT_EQ(Geometry(0, 0), geometry(wide));
    StringVector vector(4);
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(0, u"ab"));
    EXPECT_THROW(vector.reserve(std::numeric_limits<int>::max()), std::bad_alloc);
    EXPECT_THROW(vector.assignRepeated(u"abc", 1 << 30), std::bad_alloc); // 2^32 units
    EXPECT_EQ(Geometry(4, 1), geometry(vector));
    EXPECT_EQ(std::vector<std::u16string>{u"ab"}, contents(vector));
}

TEST(NodeAttributes, RefusesASecondAttributeOfTheSameNameAndRollsBackAPartialOne)
{
    NodeAttributes table(4);
    ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"a", u"1", u"5"));
    EXPECT_EQ(XMLPROXY_NAME_PRESENT, table.addAttribute(String(u"a"), String(u"3"), String(u"7")));
    EXPECT_EQ(XMLPROXY_NULL_STRING, table.addAttribute(u"lost", nullptr, u"1"));
    EXPECT_EQ(XMLPROXY_NULL_STRING, table.addAttribute(u"lost", u"v", nullptr));
    for (const StringVector* vector : {&table.getNames(), &table.getValues(), &table.getSequences()})
        EXPECT_EQ(Geometry(4, 2), geometry(*vector));
    String value;
    EXPECT_EQ(XMLPROXY_NOT_FOUND, table.getValue(String(u"A"), value));
    // The rolled-back name must not block a later, complete attempt.
    EXPECT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"lost", u"w", u"2"));
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
// read then, texts and blocks, is what adding the texts one by one gives. A copy numbers
// nothing.
TEST(NodeAttributes, NumberedAttributesReadAsIfTheirTextsWereStored)
{
    struct Add {
        const char16_t* name;
        int sequence; // -1: a host's addAttribute with the text "x"
        int result;
    };
    const struct {
        std::vector<Add> adds;
        std::vector<std::u16string> sequences;
    } cases[] = {
        {{{u"a", 9, 0}, {u"b", 10, 0}, {u"c", 11, 0}}, {u"9", u"10", u"11"}},
        {{{u"a", 5, 0}, {u"a", 6, XMLPROXY_NAME_PRESENT}, {u"b", 7, 0}}, {u"5", u"7"}}, // a refused name uses its number
        {{{u"a", 99, 0}, {u"b", -1, 0}, {u"c", 101, 0}}, {u"99", u"x", u"101"}},
    };
    for (const auto& c : cases) {
        for (int blockSize : {1, 4}) {
            SCOPED_TRACE(std::string(c.sequences[1].begin(), c.sequences[1].end()) + ", block size " +
                         std::to_string(blockSize));
            NodeAttributes numbered(blockSize), stored(blockSize);
            for (const Add& add : c.adds) {
                const std::u16string name(add.name), text = add.sequence < 0 ? u"x" : String::valueOf(add.sequence).units();
                EXPECT_EQ(add.result, add.sequence < 0 ? numbered.addAttribute(add.name, u"v", u"x")
                                                       : numbered.addNumberedAttribute(name.data(), name.size(), u"v",
                                                                                       1, add.sequence));
                stored.addAttribute(add.name, u"v", text.c_str());
            }
            String second;
            EXPECT_EQ(XMLPROXY_SUCCESS, numbered.getSequence(1, second));
            EXPECT_EQ(c.sequences[1], second.units());
            EXPECT_EQ(c.sequences, contents(numbered.getSequences()));
            EXPECT_EQ(geometry(stored.getSequences()), geometry(numbered.getSequences()));
            EXPECT_EQ(geometry(stored.getNames()), geometry(numbered.getNames()));
            std::unique_ptr<NodeAttributes> copy(numbered.copy());
            EXPECT_EQ(contents(numbered.getNames()), contents(copy->getNames()));
            EXPECT_EQ(std::vector<std::u16string>(c.sequences.size(), u"0"), contents(copy->getSequences()));
        }
    }
}
