#include "InputStream.h"
#include "TestSupport.h"
#include "XmlZipInputSource.h"
#include "XmlZipInputStream.h"
#include "XmlZipTestArchive.h"

#include <gtest/gtest.h>

#include <xercesc/util/PlatformUtils.hpp>

#include <memory>
#include <string>
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

    orvtest::TempDir dir;
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

TEST_F(XmlZipInputTest, EachStreamReadsTheFirstEntryFromItsBeginning)
{
    const std::string archive = dir.file("doc.zip");
    const std::string first = "<config>" + std::string(5000, 'a') + "</config>";
    ASSERT_TRUE(orvtest::makeZip(archive, {{"z_first.xml", first}, {"a_second.xml", "<other/>"}}));

    XmlZipInputSource source(String(archive.c_str()));
    EXPECT_EQ(nullptr, source.getSystemId());
    for (int stream = 0; stream < 2; ++stream) {
        std::unique_ptr<xercesc::BinInputStream> entry(source.makeStream());
        ASSERT_NE(nullptr, entry);
        std::string read;
        XMLByte buffer[7]; // small on purpose: many reads per entry
        while (XMLSize_t n = entry->readBytes(buffer, sizeof buffer))
            read.append(reinterpret_cast<const char*>(buffer), n);
        EXPECT_EQ(first, read);
        EXPECT_EQ(first.size(), entry->curPos());
    }
}
