#include "InputStream.h"
#include "XmlZipInputStream.h"

#include <gtest/gtest.h>

#include <xercesc/util/PlatformUtils.hpp>

#include <string>
#include <vector>

namespace {

// An entry stream that hands out the given counts and counts how it is closed and deleted.
struct ScriptedStream : InputStream {
    ScriptedStream(std::vector<long long> i_Counts, int& o_Closes, int& o_Deletes)
        : counts(std::move(i_Counts)), closes(o_Closes), deletes(o_Deletes) {}
    ~ScriptedStream() override { ++deletes; }
    long long read(void*, long long) override { return next < counts.size() ? counts[next++] : 0; }
    void close() override { ++closes; }
    std::vector<long long> counts;
    std::size_t next = 0;
    int& closes;
    int& deletes;
};

} // namespace

// The zip input is made and deleted through the XML library's memory manager. A read error
// of the entry (a negative count) ends the input and moves nothing.
TEST(XmlZipInputTest, PositionIsTheSumOfTheCountsAndTheEntryStreamGoesOnce)
{
    xercesc::XMLPlatformUtils::Initialize();
    int closes = 0, deletes = 0;
    std::string steps;
    {
        XmlZipInputStream stream(new ScriptedStream({100, 28, 0, -1}, closes, deletes));
        XMLByte buffer[128];
        for (int read = 0; read < 4; ++read) {
            steps += std::to_string(stream.readBytes(buffer, sizeof buffer));
            steps += "@" + std::to_string(stream.curPos()) + " ";
        }
        EXPECT_EQ(0, closes);
    }
    xercesc::XMLPlatformUtils::Terminate();
    EXPECT_EQ("100@100 28@128 0@128 0@128 ", steps);
    EXPECT_EQ(1, closes);
    EXPECT_EQ(1, deletes);
}
