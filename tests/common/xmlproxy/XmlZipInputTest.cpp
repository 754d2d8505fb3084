#include "InputStream.h"
#include "TestSupport.h"
#include "XmlZipInputSource.h"
#include "XmlZipInputStream.h"
#include "XmlZipTestArchive.h"

#include <gtest/gtest.h>

#include <xercesc/util/PlatformUtils.hpp>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using orvtest::TempDir;

// An entry stream that hands out the given counts and records how it is closed and deleted.
class ScriptedStream : public InputStream {
public:
    ScriptedStream(std::vector<long long> counts, int& closes, int& deletes)
        : m_Counts(std::move(counts)), m_Closes(closes), m_Deletes(deletes)
    {
    }
    ~ScriptedStream() override { ++m_Deletes; }

    long long read(void* buffer, long long count) override
    {
        if (m_Next >= m_Counts.size())
            return 0;
        long long n = m_Counts[m_Next++];
        if (n > 0)
            std::memset(buffer, 'x', static_cast<std::size_t>(n < count ? n : count));
        return n;
    }
    void close() override { ++m_Closes; }

private:
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

    std::string readAll(xercesc::BinInputStream& stream)
    {
        std::string out;
        XMLByte buffer[7]; // small on purpose: many reads per entry
        while (XMLSize_t n = stream.readBytes(buffer, sizeof buffer))
            out.append(reinterpret_cast<const char*>(buffer), n);
        return out;
    }

    TempDir dir;
};

TEST_F(XmlZipInputTest, PositionIsTheSumOfTheCountsHandedOut)
{
    int closes = 0;
    int deletes = 0;
    XMLByte buffer[128];
    {
        XmlZipInputStream stream(new ScriptedStream({100, 28, 0}, closes, deletes));
        EXPECT_EQ(stream.curPos(), 0u);
        EXPECT_EQ(stream.readBytes(buffer, sizeof buffer), 100u);
        EXPECT_EQ(stream.readBytes(buffer, sizeof buffer), 28u);
        EXPECT_EQ(stream.curPos(), 128u);
        EXPECT_EQ(stream.readBytes(buffer, sizeof buffer), 0u);
        EXPECT_EQ(stream.curPos(), 128u);
        EXPECT_EQ(stream.getContentType(), nullptr);
        EXPECT_EQ(closes, 0);
    }
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(deletes, 1);
}

TEST_F(XmlZipInputTest, ReadErrorOfTheEntryEndsTheInputWithoutMovingThePosition)
{
    int closes = 0;
    int deletes = 0;
    XMLByte buffer[64];
    XmlZipInputStream stream(new ScriptedStream({10, -1}, closes, deletes));
    EXPECT_EQ(stream.readBytes(buffer, sizeof buffer), 10u);
    EXPECT_EQ(stream.readBytes(buffer, sizeof buffer), 0u);
    EXPECT_EQ(stream.curPos(), 10u);
}

TEST_F(XmlZipInputTest, NullEntryStreamStopsTheProgram)
{
    EXPECT_DEATH(XmlZipInputStream stream(nullptr),
                 "i_InputStream != 0, file src/common/xmlproxy/XmlZipInputStream.cpp");
}

TEST_F(XmlZipInputTest, EachStreamReadsTheFirstEntryFromItsBeginning)
{
    std::string archive = dir.file("doc.zip");
    std::string first = "<config>" + std::string(5000, 'a') + "</config>";
    ASSERT_TRUE(orvtest::makeZip(archive, {{"z_first.xml", first}, {"a_second.xml", "<other/>"}}));

    XmlZipInputSource source(String(archive.c_str()));
    std::unique_ptr<xercesc::BinInputStream> one(source.makeStream());
    std::unique_ptr<xercesc::BinInputStream> two(source.makeStream());
    ASSERT_TRUE(one && two);
    EXPECT_EQ(readAll(*one), first);
    EXPECT_EQ(one->curPos(), first.size());
    EXPECT_EQ(readAll(*two), first);
    EXPECT_EQ(source.getSystemId(), nullptr);
}

TEST_F(XmlZipInputTest, NoStreamForAnArchiveWithoutEntriesOrNoArchive)
{
    std::string empty = dir.file("empty.zip");
    orvtest::makeEmptyZip(empty);
    orvtest::writeFile(dir.file("plain.xml"), "<a/>");

    for (const std::string& path : {empty, dir.file("plain.xml"), dir.file("missing.zip")}) {
        XmlZipInputSource source(String(path.c_str()));
        EXPECT_EQ(source.makeStream(), nullptr) << path;
    }
}

} // namespace
