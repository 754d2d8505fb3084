#include "NodeAttributes.h"
#include "StringVector.h"
#include "XmlProxyResult.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::u16string at(const StringVector& vector, int index)
{
    String text;
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.get(index, text));
    return text.units();
}

std::vector<std::u16string> contents(const StringVector& vector)
{
    std::vector<std::u16string> all;
    for (int i = 0; i < vector.getCount(); ++i)
        all.push_back(at(vector, i));
    return all;
}

struct Geometry {
    int capacity;
    int free;
};

Geometry geometry(const StringVector& vector)
{
    return Geometry{vector.getCapacity(), vector.getFree()};
}

bool operator==(const Geometry& a, const Geometry& b)
{
    return a.capacity == b.capacity && a.free == b.free;
}

std::ostream& operator<<(std::ostream& out, const Geometry& g)
{
    return out << "{capacity " << g.capacity << ", free " << g.free << "}";
}

} // namespace

TEST(StringVector, GrowsAndShrinksInWholeBlocks)
{
    StringVector vector(4);
    EXPECT_EQ((Geometry{0, 0}), geometry(vector));

    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(0, u"ab"));  // 3 units: one block
    EXPECT_EQ((Geometry{4, 1}), geometry(vector));
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(1, u"c"));   // 2 units, 1 free: one more block
    EXPECT_EQ((Geometry{8, 3}), geometry(vector));
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.remove(0));         // 6 free: one block released
    EXPECT_EQ((Geometry{4, 2}), geometry(vector));
    EXPECT_EQ(1, vector.getBlockCount());
    EXPECT_EQ(std::vector<std::u16string>{u"c"}, contents(vector));

    ASSERT_EQ(XMLPROXY_SUCCESS, vector.remove(0));
    EXPECT_EQ(0, vector.getCount());
    EXPECT_EQ(0, vector.getBlockCount());
    EXPECT_EQ(0, vector.getFree());
}

TEST(StringVector, GrowsByAsManyBlocksAsTheStringNeeds)
{
    StringVector vector(3);
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(0, u"abcdefg")); // 8 units: three blocks
    EXPECT_EQ((Geometry{9, 1}), geometry(vector));
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.reserve(1)); // enough free already
    EXPECT_EQ((Geometry{9, 1}), geometry(vector));
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.reserve(5));
    EXPECT_EQ((Geometry{15, 7}), geometry(vector));
    EXPECT_EQ(u"abcdefg", at(vector, 0));
}

TEST(StringVector, BlockSizeOneFitsTheStringsExactly)
{
    StringVector vector(1);
    const char16_t* texts[] = {u"name", u"", u"x", u"longer value"};
    int units = 0;
    for (const char16_t* text : texts) {
        ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(vector.getCount(), text));
        units += static_cast<int>(std::u16string(text).size()) + 1;
        EXPECT_EQ((Geometry{units, 0}), geometry(vector));
    }
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.remove(2));
    EXPECT_EQ((Geometry{units - 2, 0}), geometry(vector));
    EXPECT_EQ((std::vector<std::u16string>{u"name", u"", u"longer value"}), contents(vector));
}

TEST(StringVector, InsertKeepsOrderAtFrontMiddleAndEnd)
{
    StringVector vector(5);
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(0, u"b"));
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(0, u"a"));
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(2, u"d"));
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(2, u"c"));
    const unsigned short wide[] = {'e', 0x00E9, 0};
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(4, wide));
    EXPECT_EQ((std::vector<std::u16string>{u"a", u"b", u"c", u"d", u"e\u00E9"}), contents(vector));
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.remove(2));
    EXPECT_EQ((std::vector<std::u16string>{u"a", u"b", u"d", u"e\u00E9"}), contents(vector));
}

TEST(StringVector, RefusesBadArgumentsAndStaysUnchanged)
{
    StringVector vector(4);
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(0, u"one"));
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(1, u"two"));
    const Geometry before = geometry(vector);

    String untouched(u"keep");
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, vector.get(-1, untouched));
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, vector.get(2, untouched));
    EXPECT_EQ(u"keep", untouched.units());
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, vector.remove(-1));
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, vector.remove(2));
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, vector.insert(-1, u"x"));
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, vector.insert(3, u"x"));
    EXPECT_EQ(XMLPROXY_NULL_STRING, vector.insert(0, static_cast<const char16_t*>(nullptr)));
    EXPECT_EQ(XMLPROXY_NULL_STRING, vector.insert(9, static_cast<const unsigned short*>(nullptr)));

    EXPECT_EQ(before, geometry(vector));
    EXPECT_EQ((std::vector<std::u16string>{u"one", u"two"}), contents(vector));
}

TEST(StringVector, FindComparesUnitByUnit)
{
    StringVector vector(8);
    int index = 42;
    EXPECT_EQ(XMLPROXY_NOT_FOUND, vector.find(String(u""), index));
    EXPECT_EQ(42, index);

    for (const char16_t* text : {u"Name", u"", u"name", u"name"})
        ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(vector.getCount(), text));
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.find(String(u"name"), index));
    EXPECT_EQ(2, index);
    EXPECT_EQ(XMLPROXY_SUCCESS, vector.find(String(u""), index));
    EXPECT_EQ(1, index);
    EXPECT_EQ(XMLPROXY_NOT_FOUND, vector.find(String(u"nam"), index));
    EXPECT_EQ(XMLPROXY_NOT_FOUND, vector.find(String(u"NAME"), index));
}

TEST(NodeAttributes, RefusesASecondAttributeOfTheSameName)
{
    NodeAttributes table(1);
    ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(String(u"a"), String(u"1"), String(u"5")));
    ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(String(u"b"), String(u"2"), String(u"6")));
    EXPECT_EQ(XMLPROXY_NAME_PRESENT, table.addAttribute(String(u"a"), String(u"3"), String(u"7")));
    EXPECT_EQ(2, table.getCount());
    String value;
    ASSERT_EQ(XMLPROXY_SUCCESS, table.getValue(String(u"a"), value));
    EXPECT_EQ(u"1", value.units());
    EXPECT_EQ(XMLPROXY_NOT_FOUND, table.getValue(String(u"A"), value));
    String name(u"n");
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, table.getAttribute(2, name, value));
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, table.getAttribute(-1, name, value));
    EXPECT_EQ(u"n", name.units());
}

TEST(NodeAttributes, RollsBackAPartlyAddedAttribute)
{
    NodeAttributes table(4);
    ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"keep", u"v", u"0"));
    const Geometry names = geometry(table.getNames());
    const Geometry values = geometry(table.getValues());

    EXPECT_EQ(XMLPROXY_NULL_STRING, table.addAttribute(u"lost", nullptr, u"1"));
    EXPECT_EQ(XMLPROXY_NULL_STRING, table.addAttribute(u"lost", u"v", nullptr));
    EXPECT_EQ(XMLPROXY_NULL_STRING, table.addAttribute(nullptr, u"v", u"1"));

    EXPECT_EQ(1, table.getCount());
    EXPECT_EQ(1, table.getValues().getCount());
    EXPECT_EQ(1, table.getSequences().getCount());
    EXPECT_EQ(names, geometry(table.getNames()));
    EXPECT_EQ(values, geometry(table.getValues()));
    // The rolled-back name must not block a later, complete attempt.
    EXPECT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"lost", u"w", u"2"));
}

TEST(NodeAttributes, CopyKeepsNamesAndValuesAndZeroesTheSequences)
{
    NodeAttributes table(3);
    ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(String(u"a"), String(u"1"), String(u"5")));
    ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(String(u"b"), String(u"&"), String(u"6")));
    std::unique_ptr<NodeAttributes> copy(table.copy());
    ASSERT_EQ(2, copy->getCount());
    EXPECT_EQ(3, copy->getBlockSize());
    const char16_t* names[] = {u"a", u"b"};
    const char16_t* values[] = {u"1", u"&"};
    for (int i = 0; i < 2; ++i) {
        String name;
        String value;
        String sequence;
        ASSERT_EQ(XMLPROXY_SUCCESS, copy->getAttribute(i, name, value));
        ASSERT_EQ(XMLPROXY_SUCCESS, copy->getSequence(i, sequence));
        EXPECT_EQ(names[i], name.units());
        EXPECT_EQ(values[i], value.units());
        EXPECT_EQ(u"0", sequence.units());
    }
    String sequence;
    ASSERT_EQ(XMLPROXY_SUCCESS, table.getSequence(1, sequence));
    EXPECT_EQ(u"6", sequence.units());
}
