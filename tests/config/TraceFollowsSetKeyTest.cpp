#include "ConfigFixture.h"
#include "Trace.h"
#include "Tracer.h"

#include <chrono>
#include <thread>

namespace {

using TraceFollowsSetKey = ConfigTest;

// A running host traces a debugging statement before and after a setKey of trace_level: the
// trace library is not told, it notices the rewritten OrvTrace.properties, as it does when
// another program makes the change.
TEST_F(TraceFollowsSetKey, RunningHostTracesMoreAfterSetKeyOfTraceLevel)
{
    const std::string log = m_Tmp.file("logs/trace.log");
    start(MAIN, withValue(traceWith(levelLines("DEBUG_MIN")), "handlers.traceFile.fileName", log));
    auto debugStatement = [](const char* text) {
        Trace trace(Tracer::getInstance(Tracer::COMPONENT_HW), "Scanner::scan");
        trace.level = 4;
        trace << text << Trace::endl;
    };
    debugStatement("hidden");
    EXPECT_FALSE(orvtest::fileExists(log));

    ASSERT_EQ(set("trace_level", "MAX"), ORVCFG_OK);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!orvtest::fileExists(log) && std::chrono::steady_clock::now() < deadline) {
        debugStatement("shown");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const std::string lines = orvtest::readFile(log);
    EXPECT_NE(lines.find(" HW DEBUG Scanner::scan: shown\n"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("hidden"), std::string::npos) << lines;
}

} // namespace
