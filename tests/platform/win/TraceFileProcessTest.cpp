#include "TraceFileFixture.h"

namespace {

using orvtest::TraceFileTest;

TEST_F(TraceFileTest, ProcessesAndThreadsAppendWholeLinesAndRotateOnce)
{
    GTEST_SKIP() << "its writers are forked children; a counterpart with processes the test starts itself is "
                    "not written yet";
}

} // namespace
