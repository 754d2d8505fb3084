#include "ConfigFixture.h"
#include "ConfigLock.h"
#include "FileLock.h"

#include <chrono>
#include <memory>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int WRITERS = 4;
constexpr int KEYS_PER_WRITER = 200;

std::string keyOf(int writer, int index) { return "writer" + std::to_string(writer) + ".key" + std::to_string(index); }
std::string valueOf(int writer, int index) { return "set-by-" + keyOf(writer, index); }

// Both files with every writer's keys interleaved, so that the writers' lines are neighbours.
std::string mainFileWith(const std::string& level, const std::string& fileNum, bool written)
{
    std::string text = HEADER + "trace_level=" + level + "\ntrace_file_num=" + fileNum + "\n";
    for (int index = 0; index < KEYS_PER_WRITER; ++index)
        for (int writer = 0; writer < WRITERS; ++writer)
            text += keyOf(writer, index) + "=" + (written ? valueOf(writer, index) : "initial") + "\n";
    return text + "last.line=kept\n";
}
std::string traceFileWith(const std::string& level, const std::string& fileNum)
{
    return MARKER + levelLines(level.c_str()) + "handlers.traceFile.maxFiles=" + fileNum + "\n";
}

// One scanner process with its own store, loaded before the others wrote; every tenth key it
// also changes the two trace keys that all writers share. Exits with the first result not 0.
int writeKeysOf(int writer)
{
    OrvCfg::cleanup();
    OrvCfg::initialize("config_tests");
    const char* const levels[] = {"MAX", "MID", "MIN"};
    for (int index = 0; index < KEYS_PER_WRITER; ++index) {
        int result = set(keyOf(writer, index), valueOf(writer, index));
        if (result == ORVCFG_OK && index % 10 == 0)
            result = set("trace_level", levels[(writer + index) % 3]);
        if (result == ORVCFG_OK && index % 10 == 0)
            result = set("trace_file_num", std::to_string(writer * 1000 + index));
        if (result != ORVCFG_OK)
            return result;
    }
    return 0;
}

// A writer process: held at the gate file (the argument) until every writer runs, then it
// writes its keys; the writer's number comes after the gate's path.
int writerProcess(const std::string& argument)
{
    const std::string::size_type blank = argument.rfind(' ');
    const std::string gate = argument.substr(0, blank);
    while (!orvtest::fileExists(gate))
        std::this_thread::sleep_for(milliseconds(1));
    return writeKeysOf(std::atoi(argument.c_str() + blank + 1));
}
[[maybe_unused]] const bool s_WriterRole = orvtest::registerChildRole("concurrent-writer", &writerProcess);

class ConcurrentSetKey : public ConfigTest {
protected:
    void TearDown() override
    {
        setConfigLockWait(CONFIG_LOCK_WAIT);
        ConfigTest::TearDown();
    }
    std::string lockPath() const { return configDir() + CONFIG_LOCK_FILE_NAME; }
};

TEST_F(ConcurrentSetKey, WritersInSeparateProcessesLoseNoUpdate)
{
    start(mainFileWith("MIN", "3", false), traceFileWith("DEBUG_MIN", "3"));
    OrvCfg::cleanup();
    const std::string gate = configDir() + "gate";
    std::vector<std::unique_ptr<orvtest::ChildProcess>> writers;
    for (int writer = 0; writer < WRITERS; ++writer)
        writers.push_back(
            std::make_unique<orvtest::ChildProcess>("concurrent-writer", gate + " " + std::to_string(writer)));
    orvtest::writeFile(gate, "");
    for (const auto& writer : writers)
        EXPECT_EQ(writer->wait(), 0);

    // Whoever changed the trace keys last, both files must tell the same story.
    OrvCfg::initialize("config_tests");
    const std::string levelValue = stored("trace_level");
    const std::string fileNumValue = stored("trace_file_num");
    EXPECT_TRUE(levelValue == "MAX" || levelValue == "MID" || levelValue == "MIN") << levelValue;
    EXPECT_EQ(mainFile(), mainFileWith(levelValue, fileNumValue, true));
    EXPECT_EQ(traceFile(), traceFileWith("DEBUG_" + levelValue, fileNumValue));
}

TEST_F(ConcurrentSetKey, LockHeldElsewhereIsWaitedForWithinTheBound)
{
    // The checks that touch no file answer at once; everything else waits out the bound.
    const struct {
        const char* name;
        const char* key;
        const char* value;
        bool clearPath;
        int result;
    } cases[] = {
        {"PercentIsRefusedWithoutWaiting", "custom.key", "a%b", false, ORVCFG_VALUE_REJECTED},
        {"EmptyPathIsRefusedWithoutWaiting", "custom.key", "new", true, ORVCFG_NO_CONFIG_PATH},
        {"ReadOnlyKeyGivesUpBeforeItsRule", "version", "2.0", false, ORVCFG_ACCESS_DENIED},
    };
    constexpr milliseconds WAIT{150};
    setConfigLockWait(WAIT);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start(MAIN, TRACE);
        // A leftover temporary file shows whether the access check's probe ran.
        orvtest::writeFile(configDir() + "Orv.tmp", "left over");
        orv::os::FileLock other;
        ASSERT_EQ(other.open(lockPath().c_str(), 0644), 0);
        ASSERT_TRUE(other.lock(milliseconds(0)));
        if (c.clearPath)
            s_PropertiesPath[0] = '\0';
        const int descriptors = openDescriptorCount();
        const Clock::time_point begin = Clock::now();
        EXPECT_EQ(set(c.key, c.value), c.result);
        const Clock::duration took = Clock::now() - begin;
        EXPECT_EQ(openDescriptorCount(), descriptors);
        EXPECT_EQ(took >= WAIT, c.result == ORVCFG_ACCESS_DENIED);
        EXPECT_LT(took, milliseconds(5000));
        EXPECT_EQ(mainFile(), MAIN);
        EXPECT_EQ(traceFile(), TRACE);
        EXPECT_EQ(orvtest::readFile(configDir() + "Orv.tmp"), "left over");
    }
}

} // namespace
