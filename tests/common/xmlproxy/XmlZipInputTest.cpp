#include "InputStream.h"
#include "XmlZipInputStream.h"

#include <gtest/gtest.h>

#include <xercesc/util/PlatformUtils.hpp>

#include <vector>

namespace {

// An entry stream that hands out the given counts and counts how it is closed and deleted.
struct ScriptedStream : InputStream {
    ScriptedStream(std::vector<long long> i_Counts, int& o_Closes, int& o_Deletes)
        : m_Counts(std::move(i_Counts)), m_Closes(o_Closes), m_Deletes(o_Deletes) {}
    ~ScriptedStream() override { ++m_Deletes; }
    long long read(void*, long long) override { return m_Next < m_Counts.size() ? m_Counts[m_Next++] : 0; }
    void close() override { ++m_Closes; }
    std::vector<long long> m_Counts;
    std::size_t m_Next = 0;
    int& m_Closes;
    int& m_Deletes;
};

// The zip input is made and deleted through the XML library's memory manager.
class XmlZipInputTest : public ::testing::Test {
protected:
    void SetUp() override { xercesc::XMLPlatformUtils::Initialize(); }
    void TearDown() override { xercesc::XMLPlatformUtils::Terminate(); }
};

} // namespace

TEST_F(XmlZipInputTest, PositionIsTheSumOfTheCountsAndTheEntryStreamGoesOnce)
{
    int closes = 0;
    int deletes = 0;
    XMLByte buffer[128];
    {
        // A read error of the entry (a negative count) ends the input and moves nothing.
        XmlZipInputStream stream(new ScriptedStream({100, 28, 0, -1}, closes, deletes));
        const XMLSize_t expected[][2] = {{100, 100}, {28, 128}, {0, 128}, {0, 128}};
        EXPECT_EQ(0u, stream.curPos());
        for (const auto& read : expected) {
            EXPECT_EQ(read[0], stream.readBytes(buffer, sizeof buffer));
            EXPECT_EQ(read[1], stream.curPos());
        }
        EXPECT_EQ(nullptr, stream.getContentType());
        EXPECT_EQ(0, closes);
    }
    EXPECT_EQ(1, closes);
    EXPECT_EQ(1, deletes);
}

