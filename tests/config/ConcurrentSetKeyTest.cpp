#include "ConfigLock.h"
#include "FileLock.h"
#include "RewriteFixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int WRITERS = 4;
constexpr int KEYS_PER_WRITER = 200;
// Every this many keys a writer also changes the two shared trace keys.
constexpr int TRACE_CHANGE_INTERVAL = 10;

const char* const LEVELS[] = {"MAX", "MID", "MIN"};
const char* const LEVEL_KEYS[] = {"hw", "vpd", "fscanner", "sigeval", "plugin", "common"};

std::string keyOf(int writer, int index)
{
    return "writer" + std::to_string(writer) + ".key" + std::to_string(index);
}

std::string valueOf(int writer, int index)
{
    return "set-by-" + std::to_string(writer) + "-" + std::to_string(index);
}

// Orv.properties with every key of every writer, interleaved so that the writers' lines
// sit next to each other, each holding `value(writer, index)`.
template <typename ValueOf>
std::string mainFileWith(const std::string& level, const std::string& fileNum, ValueOf value)
{
    std::string text = "ORV_PROPERTIES_FILE\n# shared by all writers\ntrace_level=" + level +
                       "\ntrace_file_num=" + fileNum + "\n";
    for (int index = 0; index < KEYS_PER_WRITER; ++index) {
        for (int writer = 0; writer < WRITERS; ++writer)
            text += keyOf(writer, index) + "=" + value(writer, index) + "\n";
    }
    return text + "last.line=kept\n";
}

std::string traceFileWith(const std::string& level, const std::string& fileNum)
{
    std::string text = "#ORV_TRACE_PROPERTIES_FILE\n";
    for (const char* component : LEVEL_KEYS)
        text += std::string(component) + ".loggers.trcLogger.level=" + level + "\n";
    return text + "handlers.traceFile.maxFiles=" + fileNum + "\n# end\n";
}

// The value of the first line that starts with `prefix`, up to the line end.
std::string valueAfter(const std::string& text, const std::string& prefix)
{
    const std::string::size_type at = text.find(prefix);
    if (at == std::string::npos)
        return std::string();
    const std::string::size_type start = at + prefix.size();
    return text.substr(start, text.find('\n', start) - start);
}

// Runs `body(writer)` in `count` forked processes that all start at once, and returns
// their exit statuses (-1 for a process that died from a signal).
std::vector<int> runWritersTogether(int count, int (*body)(int writer))
{
    int gate[2];
    if (::pipe(gate) != 0)
        return {};
    std::fflush(nullptr);
    std::vector<pid_t> children;
    for (int writer = 0; writer < count; ++writer) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(gate[1]);
            char ignored;
            // Returns at the end of input, once the parent has started every writer.
            while (::read(gate[0], &ignored, 1) < 0) {
            }
            _exit(body(writer));
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    std::vector<int> statuses;
    for (const pid_t pid : children) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0) {
        }
        statuses.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    return statuses;
}

// One writer process: a scanner with its own store, loaded before the others wrote.
// Exits with the first result that was not 0.
int writeKeysOf(int writer)
{
    OrvCfg::cleanup();
    OrvCfg::initialize("config_tests");
    for (int index = 0; index < KEYS_PER_WRITER; ++index) {
        String value(valueOf(writer, index).c_str());
        if (const int result = OrvCfg::setKey(String(keyOf(writer, index).c_str()), value); result != 0)
            return result;
        if (index % TRACE_CHANGE_INTERVAL != 0)
            continue;
        String level(LEVELS[(writer + index) % 3]);
        if (const int result = OrvCfg::setKey(String("trace_level"), level); result != 0)
            return result;
        String fileNum(std::to_string(writer * 1000 + index).c_str());
        if (const int result = OrvCfg::setKey(String("trace_file_num"), fileNum); result != 0)
            return result;
    }
    return 0;
}

class ConcurrentSetKey : public RewriteTest {
protected:
    void TearDown() override
    {
        setConfigLockWait(CONFIG_LOCK_WAIT);
        RewriteTest::TearDown();
    }
    std::string lockPath() const { return configDir() + CONFIG_LOCK_FILE_NAME; }
};

TEST_F(ConcurrentSetKey, WritersInSeparateProcessesLoseNoUpdate)
{
    const auto initial = [](int, int) { return std::string("initial"); };
    start(mainFileWith("MIN", "3", initial), traceFileWith("DEBUG_MIN", "3"));
    OrvCfg::cleanup();

    const std::vector<int> statuses = runWritersTogether(WRITERS, &writeKeysOf);
    ASSERT_EQ(statuses, std::vector<int>(WRITERS, 0));

    // Whoever changed the trace keys last, both files must tell the same story.
    const std::string main = mainFile();
    const std::string level = valueAfter(main, "\ntrace_level=");
    const std::string fileNum = valueAfter(main, "\ntrace_file_num=");
    EXPECT_TRUE(level == "MAX" || level == "MID" || level == "MIN") << level;
    EXPECT_EQ(main, mainFileWith(level, fileNum, valueOf));
    EXPECT_EQ(traceFile(), traceFileWith("DEBUG_" + level, fileNum));

    OrvCfg::initialize("config_tests");
    ASSERT_EQ(OrvCfg::getError(), ORVCFG_OK);
    EXPECT_EQ(OrvCfgTestAccess::propertyCount(), WRITERS * KEYS_PER_WRITER + 3);
    for (int writer = 0; writer < WRITERS; ++writer) {
        for (int index = 0; index < KEYS_PER_WRITER; ++index)
            EXPECT_EQ(stored(keyOf(writer, index).c_str()), valueOf(writer, index));
    }
}

const std::string MAIN = "ORV_PROPERTIES_FILE\ntrace_level=MIN\nversion=1.0\ncustom.key=old\n";
const std::string TRACE = traceFileWith("DEBUG_MIN", "3");

// What the caller gets while another process holds the lock: the checks that touch no file
// answer at once, everything else waits out the bound and gives up.
struct HeldLockCase {
    const char* name;
    const char* key;
    const char* value;
    bool clearPath;
    int result;
};

const HeldLockCase HELD_LOCK_CASES[] = {
    {"PercentIsRefusedWithoutWaiting", "custom.key", "a%b", false, ORVCFG_VALUE_REJECTED},
    {"EmptyPathIsRefusedWithoutWaiting", "custom.key", "new", true, ORVCFG_NO_CONFIG_PATH},
    {"OrdinaryKeyGivesUp", "custom.key", "new", false, ORVCFG_ACCESS_DENIED},
    {"TraceKeyGivesUp", "trace_level", "MAX", false, ORVCFG_ACCESS_DENIED},
    {"ReadOnlyKeyGivesUpBeforeItsRule", "version", "2.0", false, ORVCFG_ACCESS_DENIED},
};

TEST_F(ConcurrentSetKey, LockHeldElsewhereIsWaitedForWithinTheBound)
{
    constexpr milliseconds WAIT{150};
    setConfigLockWait(WAIT);
    for (const HeldLockCase& c : HELD_LOCK_CASES) {
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
        String value(c.value);
        const Clock::time_point begin = Clock::now();
        EXPECT_EQ(OrvCfg::setKey(String(c.key), value), c.result);
        const Clock::duration took = Clock::now() - begin;
        EXPECT_EQ(openDescriptorCount(), descriptors);
        if (c.result == ORVCFG_ACCESS_DENIED)
            EXPECT_GE(took, WAIT);
        else
            EXPECT_LT(took, WAIT);
        EXPECT_LT(took, milliseconds(5000));
        EXPECT_EQ(mainFile(), MAIN);
        EXPECT_EQ(traceFile(), TRACE);
        EXPECT_EQ(orvtest::readFile(configDir() + "Orv.tmp"), "left over");
        OrvCfgTestAccess::resetToUnloaded();
    }
}

TEST_F(ConcurrentSetKey, ChangeWaitsForTheHolderAndThenLands)
{
    start(MAIN, TRACE);
    auto holder = std::make_unique<orv::os::FileLock>();
    ASSERT_EQ(holder->open(lockPath().c_str(), 0644), 0);
    ASSERT_TRUE(holder->lock(milliseconds(0)));
    std::thread releaser([&holder] {
        std::this_thread::sleep_for(milliseconds(200));
        holder.reset();
    });
    String value("MAX");
    const Clock::time_point begin = Clock::now();
    const int result = OrvCfg::setKey(String("trace_level"), value);
    const Clock::duration took = Clock::now() - begin;
    releaser.join();
    EXPECT_EQ(result, ORVCFG_OK);
    EXPECT_GE(took, milliseconds(150));
    EXPECT_EQ(mainFile(), withLine(MAIN, "trace_level=MIN\n", "trace_level=MAX\n"));
    EXPECT_EQ(traceFile(), traceFileWith("DEBUG_MAX", "3"));
}

TEST_F(ConcurrentSetKey, LockFileIsReadableByAllAndStaysOutOfThePropertyFiles)
{
    start(MAIN, TRACE);
    const mode_t old = ::umask(077);
    String value("MID");
    EXPECT_EQ(OrvCfg::setKey(String("trace_level"), value), ORVCFG_OK);
    ::umask(old);
    EXPECT_EQ(modeOf(lockPath()), 0644u);
    EXPECT_EQ(orvtest::readFile(lockPath()), "");
    EXPECT_EQ(mainFile().find("lock"), std::string::npos);
    EXPECT_EQ(traceFile().find("lock"), std::string::npos);

    // The lock is released with the call: another holder gets it at once.
    orv::os::FileLock other;
    ASSERT_EQ(other.open(lockPath().c_str(), 0644), 0);
    EXPECT_TRUE(other.lock(milliseconds(0)));
}

// Taking the lock needs only read access to an existing lock file: a user who may not add
// files to the directory gets the results the checks and the rewrite give, not a refusal
// for the lock.
TEST_F(ConcurrentSetKey, ExistingLockFileServesUsersWhoCannotCreateFiles)
{
    start(MAIN, TRACE);
    String first("MID");
    ASSERT_EQ(OrvCfg::setKey(String("trace_level"), first), ORVCFG_OK);
    ASSERT_TRUE(orvtest::fileExists(lockPath()));
    ::chmod(propertiesPath().c_str(), 0666);
    ::chmod(configDir().c_str(), 0755);
    const int readOnlyKey = orvtest::runUnprivileged([] {
        String value("2.0");
        return OrvCfg::setKey(String("version"), value);
    });
    const int rewrite = orvtest::runUnprivileged([] {
        String value("new");
        return OrvCfg::setKey(String("custom.key"), value);
    });
    ::chmod(configDir().c_str(), 0777);
    EXPECT_EQ(readOnlyKey, ORVCFG_KEY_READ_ONLY);
    EXPECT_EQ(rewrite, ORVCFG_ACCESS_DENIED); // the temporary file cannot be created
    EXPECT_EQ(mainFile(), withLine(MAIN, "trace_level=MIN\n", "trace_level=MID\n"));
}

} // namespace
