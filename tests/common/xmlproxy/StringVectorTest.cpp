// Operation sequences, their result codes, the block geometry and the numbered attributes
// of the parser (copies included) are compared with a model by the string-vector fuzzer;
// these tests pin what the fuzzer does not reach: growth past 2^31 units and a partial add
// rolled back.
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

TEST(StringVector, GrowthPastTwoToThe31UnitsFailsAsAnAllocationAndLeavesTheVectorUnchanged)
{
    StringVector vector(4);
    const unsigned short ab[] = {u'a', u'b', 0}; // the form of a host whose units are unsigned short
    ASSERT_EQ(XMLPROXY_SUCCESS, vector.insert(0, ab));
    EXPECT_THROW(vector.reserve(std::numeric_limits<int>::max()), std::bad_alloc); // whole blocks hold 2^31
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
