#include "NodeAttributes.h"
#include "StringVector.h"
#include "XmlProxyResult.h"

#include <gtest/gtest.h>

#include <memory>
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

// Strings of 1 to 13 units, all different.
std::vector<std::u16string> manyStrings(int i_Count)
{
    std::vector<std::u16string> strings;
    for (int i = 0; i < i_Count; ++i)
        strings.push_back(std::u16string(static_cast<std::size_t>(i % 13), u'a' + i % 26) + char16_t(u'0' + i));
    return strings;
}

} // namespace

TEST(StringVector, GrowsAndShrinksInWholeBlocksAndRefusesBadArgumentsUnchanged)
{
    // 'i' inserts text at index through the char16_t form, 'u' through the unsigned short
    // form, 'r' removes at index, 'R' reserves index units, 'g' gets at index; then the result
    // and the geometry expected.
    struct Step { char op; int index; const char16_t* text; int result; Geometry after; };
    const int ok = XMLPROXY_SUCCESS, range = XMLPROXY_INDEX_OUT_OF_RANGE, null = XMLPROXY_NULL_STRING;
    const struct {
        const char* what;
        int blockSize;
        std::vector<Step> steps;
        std::vector<std::u16string> contents;
    } cases[] = {
        {"block 4: one block more, one released when six units stand free, none left when empty", 4,
         {{'i', 0, u"ab", ok, {4, 1}}, {'u', 1, u"c", ok, {8, 3}}, {'r', 0, nullptr, ok, {4, 2}},
          {'r', 0, nullptr, ok, {0, 0}}}, {}},
        {"one string needing three blocks; reserve only what is missing", 3,
         {{'i', 0, u"abcdefg", ok, {9, 1}}, {'R', 1, nullptr, ok, {9, 1}}, {'R', 5, nullptr, ok, {15, 7}}},
         {u"abcdefg"}},
        {"block 1 fits exactly; inserts at front, middle and end keep the order", 1,
         {{'i', 0, u"b", ok, {2, 0}}, {'u', 0, u"a", ok, {4, 0}}, {'i', 2, u"d", ok, {6, 0}}, {'i', 2, u"", ok, {7, 0}},
          {'u', 4, u"e\u00E9", ok, {10, 0}}, {'r', 1, nullptr, ok, {8, 0}}},
         {u"a", u"", u"d", u"e\u00E9"}},
        {"indices out of range and null texts are refused", 4,
         {{'i', 0, u"one", ok, {4, 0}}, {'i', 1, u"two", ok, {8, 0}}, {'g', -1, nullptr, range, {8, 0}},
          {'g', 2, nullptr, range, {8, 0}}, {'r', -1, nullptr, range, {8, 0}}, {'r', 2, nullptr, range, {8, 0}},
          {'i', -1, u"x", range, {8, 0}}, {'u', 3, u"x", range, {8, 0}}, {'i', 0, nullptr, null, {8, 0}},
          {'u', 9, nullptr, null, {8, 0}}},
         {u"one", u"two"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StringVector vector(c.blockSize);
        for (const Step& step : c.steps) {
            const std::u16string text = step.text != nullptr ? step.text : u"";
            const std::vector<unsigned short> units(text.c_str(), text.c_str() + text.size() + 1);
            String got(u"keep");
            const int result = step.op == 'i'   ? vector.insert(step.index, step.text)
                               : step.op == 'u' ? vector.insert(step.index, step.text ? units.data() : nullptr)
                               : step.op == 'r' ? vector.remove(step.index)
                               : step.op == 'g' ? vector.get(step.index, got)
                                                : vector.reserve(step.index);
            EXPECT_EQ(step.result, result) << step.op << step.index;
            EXPECT_EQ(step.after, geometry(vector)) << step.op << step.index;
            EXPECT_EQ(u"keep", got.units()) << "a refused get leaves its output alone";
        }
        EXPECT_EQ(c.contents, contents(vector));
    }
}

TEST(StringVector, FindsTheFirstEqualStringUnitByUnit)
{
    StringVector vector(8);
    int index = 42;
    EXPECT_EQ(XMLPROXY_NOT_FOUND, vector.find(String(u""), index));
    EXPECT_EQ(42, index);
    for (const char16_t* text : {u"Name", u"", u"name", u"name", u"ab", u"c"})
        ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(vector.getCount(), text));
    const char16_t acrossTerminator[] = {u'a', u'b', 0, u'c'};
    const struct { String key; int index; /* -1: not found */ } cases[] = {
        {String(u"name"), 2}, {String(u""), 1}, {String(u"c"), 5}, {String(u"nam"), -1}, {String(u"NAME"), -1},
        {String(u"abc"), -1}, {String(u"a"), -1}, {String(acrossTerminator, 4), -1}};
    for (const auto& c : cases) {
        index = -1;
        EXPECT_EQ(c.index < 0 ? XMLPROXY_NOT_FOUND : XMLPROXY_SUCCESS, vector.find(c.key, index)) << c.key;
        EXPECT_EQ(c.index, index) << c.key;
    }
}

TEST(StringVector, ReservingOrCopyingEndsWithTheBlocksOfInsertingOneByOne)
{
    // Units reserved beyond the strings are for strings that are then not inserted.
    const struct { int blockSize; std::vector<std::u16string> strings; int extraReserved; } cases[] = {
        {1, {u"name", u""}, 9}, {4, {u"ab", u"c"}, 0}, {4, {u"ab", u"c"}, 6}, {3, {u"abcdefg"}, 2},
        {7, manyStrings(40), 5}, {1, manyStrings(300), 17}};
    for (const auto& c : cases) {
        SCOPED_TRACE("block size " + std::to_string(c.blockSize) + ", extra " + std::to_string(c.extraReserved));
        StringVector oneByOne(c.blockSize), reserved(c.blockSize), copy(c.blockSize);
        int units = c.extraReserved;
        for (const std::u16string& s : c.strings)
            units += static_cast<int>(s.size()) + 1;
        ASSERT_EQ(XMLPROXY_SUCCESS, reserved.reserve(units));
        for (const std::u16string& s : c.strings) {
            ASSERT_EQ(XMLPROXY_SUCCESS, oneByOne.insert(oneByOne.getCount(), s.c_str()));
            ASSERT_EQ(XMLPROXY_SUCCESS, reserved.insert(reserved.getCount(), s.c_str()));
        }
        ASSERT_EQ(XMLPROXY_SUCCESS, reserved.releaseFreeBlocks());
        ASSERT_EQ(XMLPROXY_SUCCESS, copy.assign(oneByOne));
        for (const StringVector* vector : {&oneByOne, &reserved, &copy}) {
            EXPECT_EQ(c.strings, contents(*vector));
            EXPECT_EQ(geometry(oneByOne), geometry(*vector));
        }
        // Removing from the front moves every later string down and gives whole blocks back.
        const std::size_t half = c.strings.size() / 2;
        for (std::size_t i = 0; i < half; ++i)
            ASSERT_EQ(XMLPROXY_SUCCESS, oneByOne.remove(0));
        EXPECT_EQ(std::vector<std::u16string>(c.strings.begin() + static_cast<long>(half), c.strings.end()),
                  contents(oneByOne));
        EXPECT_LT(oneByOne.getFree(), c.blockSize);
    }
}

TEST(NodeAttributes, RefusesASecondAttributeOfTheSameNameAndRollsBackAPartialOne)
{
    NodeAttributes table(4);
    ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(String(u"a"), String(u"1"), String(u"5")));
    ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"b", u"2", u"6"));
    EXPECT_EQ(XMLPROXY_NAME_PRESENT, table.addAttribute(String(u"a"), String(u"3"), String(u"7")));
    EXPECT_EQ(XMLPROXY_NULL_STRING, table.addAttribute(u"lost", nullptr, u"1"));
    EXPECT_EQ(XMLPROXY_NULL_STRING, table.addAttribute(u"lost", u"v", nullptr));
    EXPECT_EQ(XMLPROXY_NULL_STRING, table.addAttribute(nullptr, u"v", u"1"));
    for (const StringVector* vector : {&table.getNames(), &table.getValues(), &table.getSequences()})
        EXPECT_EQ(Geometry(4, 0), geometry(*vector));
    EXPECT_EQ((std::vector<std::u16string>{u"a", u"b"}), contents(table.getNames()));
    EXPECT_EQ((std::vector<std::u16string>{u"1", u"2"}), contents(table.getValues()));

    String name(u"n"), value;
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, table.getAttribute(2, name, value));
    EXPECT_EQ(XMLPROXY_INDEX_OUT_OF_RANGE, table.getAttribute(-1, name, value));
    EXPECT_EQ(u"n", name.units());
    ASSERT_EQ(XMLPROXY_SUCCESS, table.getValue(String(u"a"), value));
    EXPECT_EQ(u"1", value.units());
    EXPECT_EQ(XMLPROXY_NOT_FOUND, table.getValue(String(u"A"), value));
    // The rolled-back name must not block a later, complete attempt.
    EXPECT_EQ(XMLPROXY_SUCCESS, table.addAttribute(u"lost", u"w", u"2"));
}

TEST(NodeAttributes, CopyKeepsNamesValuesAndBlocksAndZeroesTheSequences)
{
    for (int blockSize : {1, 5}) {
        NodeAttributes table(blockSize), expected(blockSize);
        for (const auto& pair : {std::pair(u"id", u"S1"), std::pair(u"vendor", u"Acme & Co"), std::pair(u"e", u"")}) {
            ASSERT_EQ(XMLPROXY_SUCCESS, table.addAttribute(pair.first, pair.second, u"17"));
            ASSERT_EQ(XMLPROXY_SUCCESS, expected.addAttribute(pair.first, pair.second, u"0"));
        }
        std::unique_ptr<NodeAttributes> copy(table.copy());
        EXPECT_EQ(blockSize, copy->getBlockSize());
        for (auto part : {&NodeAttributes::getNames, &NodeAttributes::getValues, &NodeAttributes::getSequences}) {
            EXPECT_EQ(contents((expected.*part)()), contents((copy.get()->*part)()));
            EXPECT_EQ(geometry((expected.*part)()), geometry((copy.get()->*part)()));
        }
        EXPECT_EQ(XMLPROXY_NAME_PRESENT, copy->addAttribute(u"vendor", u"x", u"0"));
        EXPECT_EQ(std::vector<std::u16string>(3, u"17"), contents(table.getSequences()));
    }
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
