#include "Trace.h"
#include "Tracer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(TraceTest, OpenStatementIsClosedByTheDestructorAndEmptyOneIsNot)
{
    std::vector<std::string> texts;
    Tracer::setReceiver([&texts](const TraceRecord& r) { texts.push_back(r.text); });
    {
        Trace unused(Tracer::getInstance(Tracer::COMPONENT_COMMON), "A::b");
    }
    {
        Trace trace(Tracer::getInstance(Tracer::COMPONENT_COMMON), "A::c");
        trace.level = 1;
        trace << "one" << Trace::endl << "two";
    }
    Tracer::setReceiver(Tracer::Receiver());
    EXPECT_EQ(texts, (std::vector<std::string>{"one", "two"}));
}

} // namespace
