#include "ConfigFixture.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

// The replacements below pair malloc with free behind operator new and delete, which the
// compiler's pairing check cannot see through.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Every allocation of this test program goes through here, so a test can make exactly one of
// them fail: the one after the next `g_AllocationsLeft` allocations.
namespace {
std::atomic<long> g_AllocationsLeft{-1}; // negative: none fails
}

void* operator new(std::size_t size)
{
    if (g_AllocationsLeft.load() >= 0 && g_AllocationsLeft.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (void* block = std::malloc(size != 0 ? size : 1))
        return block;
    throw std::bad_alloc();
}
// Every form, so that a sanitizer's own forms never meet these blocks.
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

using OutOfMemory = ConfigTest;

// Whichever allocation fails, no exception leaves the interface, no descriptor stays open,
// and each property file holds its old or its new content whole.
TEST_F(OutOfMemory, EveryFailedAllocationOfAChangeIsAnsweredWithACode)
{
    const std::string newMain = withValue(MAIN, "trace_level", "MAX");
    const std::string newTrace = traceWith(levelLines("DEBUG_MAX"));
    for (long allocations = 0;; ++allocations) {
        SCOPED_TRACE(allocations);
        start(MAIN, TRACE);
        String key("trace_level"), value("MAX");
        const int handles = orvtest::openHandleCount();
        g_AllocationsLeft = allocations;
        const int result = OrvCfg::setKey(key, value);
        const bool failed = g_AllocationsLeft.exchange(-1) < 0;
        EXPECT_EQ(orvtest::openHandleCount(), handles);
        EXPECT_TRUE(mainFile() == MAIN || mainFile() == newMain);
        EXPECT_TRUE(traceFile() == TRACE || traceFile() == newTrace);
        if (!failed) {
            EXPECT_EQ(result, ORVCFG_OK);
            break;
        }
        // The access check answers any failure inside it as denied access.
        EXPECT_TRUE(result == ORVCFG_OUT_OF_MEMORY || result == ORVCFG_ACCESS_DENIED) << result;
    }

    // A value longer than a string keeps in place needs an allocation to be copied out; on
    // Windows that allocation is made inside orvbase.dll, out of this operator new's sight.
    if (orvtest::isWindows()) {
        std::printf("[ note     ] the copy of a value out of the store was not tried: it allocates in a DLL\n");
        return;
    }
    const String pathKey("common_trace_path");
    g_AllocationsLeft = 0;
    const String found = OrvCfg::getKey(pathKey);
    g_AllocationsLeft = -1;
    EXPECT_TRUE(found.isEmpty());
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OUT_OF_MEMORY);
}

} // namespace
