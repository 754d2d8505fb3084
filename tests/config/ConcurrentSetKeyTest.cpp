#include "ConfigFixture.h"
#include "ConfigLock.h"
#include "FileLock.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;

constexpr int WRITERS = 4;
constexpr int KEYS_PER_WRITER = 200;

std::string keyOf(int writer, int index) { return "writer" + std::to_string(writer) + ".key" + std::to_string(index); }

// Both files with every writer's keys interleaved, so that the writers' lines are neighbours.
std::string mainFileWith(const std::string& level, const std::string& fileNum, bool written)
{
    std::string text = HEADER + "trace_level=" + level + "\ntrace_file_num=" + fileNum + "\n";
    for (int index = 0; index < KEYS_PER_WRITER; ++index)
        for (int writer = 0; writer < WRITERS; ++writer)
            text += keyOf(writer, index) + "=" + (written ? "set-by-" + keyOf(writer, index) : "initial") + "\n";
    return text + "last.line=kept\n";
}
std::string traceFileWith(const std::string& level, const std::string& fileNum)
{
    return MARKER + levelLines(level.c_str()) + "handlers.traceFile.maxFiles=" + fileNum + "\n";
}

// A scanner process with its own store, loaded before the others wrote: held at the gate
// file until every writer runs, then it sets its keys and, every tenth key, the two trace
// keys that all writers share. Exits with the first result not 0.
int writerProcess(const std::string& argument)
{
    const std::string::size_type blank = argument.rfind(' ');
    const int writer = std::atoi(argument.c_str() + blank + 1);
    OrvCfg::cleanup();
    OrvCfg::initialize("config_tests");
    while (!orvtest::fileExists(argument.substr(0, blank)))
        std::this_thread::sleep_for(milliseconds(1));
    const char* const levels[] = {"MAX", "MID", "MIN"};
    for (int index = 0; index < KEYS_PER_WRITER; ++index) {
        int result = set(keyOf(writer, index), "set-by-" + keyOf(writer, index));
        if (result == ORVCFG_OK && index % 10 == 0)
            result = set("trace_level", levels[(writer + index) % 3]);
        if (result == ORVCFG_OK && index % 10 == 0)
            result = set("trace_file_num", std::to_string(writer * 1000 + index));
        if (result != ORVCFG_OK)
            return result;
    }
    return 0;
}
[[maybe_unused]] const bool s_WriterRole = orvtest::registerChildRole("concurrent-writer", &writerProcess);

class ConcurrentSetKey : public ConfigTest {
    void TearDown() override { setConfigLockWait(CONFIG_LOCK_WAIT); ConfigTest::TearDown(); }
};

TEST_F(ConcurrentSetKey, WritersInSeparateProcessesLoseNoUpdate)
{
    start(mainFileWith("MIN", "3", false), traceFileWith("DEBUG_MIN", "3"));
    OrvCfg::cleanup();
    const std::string gate = configDir() + "gate";
    std::vector<std::unique_ptr<orvtest::ChildProcess>> writers;
    for (int writer = 0; writer < WRITERS; ++writer)
        writers.push_back(std::make_unique<orvtest::ChildProcess>("concurrent-writer", gate + " " + std::to_string(writer)));
    orvtest::writeFile(gate, "");
    for (const auto& writer : writers)
        EXPECT_EQ(writer->wait(), 0);

    // Whoever changed the trace keys last, both files must tell the same story.
    OrvCfg::initialize("config_tests");
    const std::string level = stored("trace_level"), fileNum = stored("trace_file_num");
    EXPECT_TRUE(level == "MAX" || level == "MID" || level == "MIN") << level;
    EXPECT_EQ(files(), std::make_pair(mainFileWith(level, fileNum, true), traceFileWith("DEBUG_" + level, fileNum)));
}

// While another process holds the lock, the checks that touch no file answer at once;
// everything else waits out the bound and gives up with denied access, writing nothing
// (a leftover temporary file shows whether the access check's probe ran).
TEST_F(ConcurrentSetKey, LockHeldElsewhereIsWaitedForWithinTheBound)
{
    const struct { const char* key, *value; bool clearPath; int result; } cases[] = {
        {"custom.key", "a%b", false, ORVCFG_VALUE_REJECTED},
        {"custom.key", "new", true, ORVCFG_NO_CONFIG_PATH},
        {"version", "2.0", false, ORVCFG_ACCESS_DENIED}, // before the read-only rule
    };
    constexpr milliseconds WAIT{150};
    setConfigLockWait(WAIT);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        start(MAIN, TRACE);
        orvtest::writeFile(configDir() + "Orv.tmp", "left over");
        orv::os::FileLock other;
        ASSERT_EQ(other.open((configDir() + CONFIG_LOCK_FILE_NAME).c_str(), 0644), 0);
        ASSERT_TRUE(other.lock(milliseconds(0)));
        if (c.clearPath)
            s_PropertiesPath[0] = '\0';
        const int handles = orvtest::openHandleCount();
        const auto begin = std::chrono::steady_clock::now();
        EXPECT_EQ(set(c.key, c.value), c.result);
        const auto took = std::chrono::steady_clock::now() - begin;
        EXPECT_EQ(orvtest::openHandleCount(), handles);
        EXPECT_EQ(took >= WAIT, c.result == ORVCFG_ACCESS_DENIED);
        EXPECT_LT(took, milliseconds(5000));
        EXPECT_EQ(files(), std::make_pair(MAIN, TRACE));
        EXPECT_EQ(orvtest::readFile(configDir() + "Orv.tmp"), "left over");
    }
}

} // namespace
