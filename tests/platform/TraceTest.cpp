#include "Trace.h"
#include "Tracer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Tracer::setReceiver([this](const TraceRecord& r) { records.push_back(r); });
    }
    void TearDown() override { Tracer::setReceiver(Tracer::Receiver()); }
    std::vector<TraceRecord> records;
};

TEST_F(TraceTest, OpenStatementIsClosedByTheDestructorAndEmptyOneIsNot)
{
    {
        Trace unused(Tracer::getInstance(Tracer::COMPONENT_COMMON), "A::b");
    }
    EXPECT_TRUE(records.empty());
    {
        Trace trace(Tracer::getInstance(Tracer::COMPONENT_COMMON), "A::c");
        trace.level = 1;
        trace << "one" << Trace::endl << "two";
    }
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].text, "one");
    EXPECT_EQ(records[1].text, "two");
}

} // namespace
