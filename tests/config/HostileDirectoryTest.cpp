#include "ConfigFixture.h"
#include "ConfigLock.h"
#include "FaultHook.h"
#include "FileLock.h"

#include <functional>
#include <set>
#include <vector>

#include <unistd.h>

namespace {

bool isLink(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

uid_t ownerOf(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_uid : static_cast<uid_t>(-1);
}

// The configuration directory is shared: another local user may add and remove names in it,
// and nothing else. Root changes keys there. Whatever that user plants, no file outside the
// directory changes, and the property files stay plain files of root's.
class HostileDirectory : public ConfigTest {
protected:
    void SetUp() override
    {
        ConfigTest::SetUp();
        ::chmod(configDir().c_str(), 0777);
        orvtest::writeFile(m_Victim, "root only\n");
        ::chmod(m_Victim.c_str(), 0600);
    }
    // Runs `plant` as the other user.
    void plant(const std::function<int()>& plant) { ASSERT_EQ(orvtest::runUnprivileged(plant), 0); }
    int linkAt(const std::string& name, const std::string& target) const
    {
        return ::symlink(target.c_str(), (configDir() + name).c_str());
    }

    const std::string m_Victim = m_Tmp.file("victim");
};

TEST_F(HostileDirectory, PlantedNamesNeverTurnAChangeAgainstOtherFiles)
{
    const std::string shared = m_Tmp.file("shared");
    orvtest::makeDirs(shared);
    ::chmod(shared.c_str(), 0777);
    const std::string copy = m_Tmp.file("copy.properties");
    const struct {
        const char* name;
        std::function<int()> plant;
        const char* key;
        std::string value;
        int result;
        std::string main = MAIN;
        std::string trace = TRACE;
    } cases[] = {
        {"LinkAtOrvTmp", [&] { return linkAt("Orv.tmp", m_Victim); }, "hwscanner.timeout", "46", ORVCFG_OK,
         withValue(MAIN, "hwscanner.timeout", "46")},
        {"LinkAtOrvTmpAndAReadOnlyKey", [&] { return linkAt("Orv.tmp", m_Victim); }, "version", "2",
         ORVCFG_KEY_READ_ONLY},
        {"LinkAtOrvTmpAndARejectedValue", [&] { return linkAt("Orv.tmp", m_Victim); }, "trace_level", "LOUD",
         ORVCFG_VALUE_REJECTED},
        {"LinkAtTraceTmp", [&] { return linkAt("Trace.tmp", m_Victim); }, "trace_file_num", "4", ORVCFG_OK,
         withValue(MAIN, "trace_file_num", "4"), withLine(TRACE, "maxFiles=3", "maxFiles=4")},
        {"DanglingLinkAtTheLock", [&] { return linkAt(CONFIG_LOCK_FILE_NAME, m_Tmp.file("made")); }, "custom.key",
         "x", ORVCFG_ACCESS_DENIED},
        {"LinkAtTheProbeOfASharedCacheHome",
         [&] { return ::symlink(m_Victim.c_str(), (shared + "/tempwriteorvfiletest999").c_str()); },
         "fscanner.provider_cache.home", shared, ORVCFG_KEY_NOT_FOUND},
        {"FileLeftAtOrvTmpByThatUser", [&] { orvtest::writeFile(configDir() + "Orv.tmp", "x=1\n"); return 0; },
         "custom.key", "x", ORVCFG_OK, withValue(MAIN, "custom.key", "x")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start(MAIN, TRACE);
        plant(c.plant);
        EXPECT_EQ(set(c.key, c.value), c.result);
        EXPECT_EQ(orvtest::readFile(m_Victim), "root only\n");
        EXPECT_EQ(modeOf(m_Victim), 0600u);
        EXPECT_FALSE(orvtest::fileExists(m_Tmp.file("made")));
        EXPECT_EQ(mainFile(), c.main);
        EXPECT_EQ(traceFile(), c.trace);
        EXPECT_EQ(ownerOf(propertiesPath()), 0u);
        EXPECT_FALSE(isLink(propertiesPath()) || isLink(tracePath()));
        for (const char* name : {"Orv.tmp", "Trace.tmp", CONFIG_LOCK_FILE_NAME})
            ::unlink((configDir() + name).c_str());
        ::unlink((shared + "/tempwriteorvfiletest999").c_str());
    }
}

// A property file that is a link is neither written through nor replaced by a plain file.
TEST_F(HostileDirectory, LinkedPropertyFileIsRefusedAndStaysALink)
{
    for (const bool main : {true, false}) {
        SCOPED_TRACE(main ? "Orv.properties" : "OrvTrace.properties");
        start(MAIN, TRACE);
        const std::string linked = main ? propertiesPath() : tracePath();
        const std::string bytes = orvtest::readFile(linked);
        orvtest::writeFile(m_Victim, bytes);
        ::unlink(linked.c_str());
        ASSERT_EQ(::symlink(m_Victim.c_str(), linked.c_str()), 0);
        EXPECT_EQ(set("trace_level", "MAX"), ORVCFG_NOT_PLAIN_FILE);
        EXPECT_TRUE(isLink(linked));
        EXPECT_EQ(orvtest::readFile(m_Victim), bytes);
        EXPECT_EQ(modeOf(m_Victim), 0600u);
        ::unlink(linked.c_str());
        orvtest::writeFile(linked, bytes);
    }
}

// While a rewrite writes its temporary file, no other user can open it, and the host's
// creation mask is its own: the service never changes it.
TEST_F(HostileDirectory, TemporaryFilesArePrivateWhileWrittenAndTheMaskStaysTheHosts)
{
    static std::vector<unsigned int> s_Masks;
    static std::set<unsigned int> s_Modes;
    const auto look = [](orv::os::FaultPoint point) {
        if (point != orv::os::FaultPoint::TEMP_OPENED)
            return;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        s_Masks.push_back(static_cast<unsigned int>(mask));
        for (const char* temp : {s_PropertiesTmpPath, s_TraceTmpPath})
            if (orvtest::fileExists(temp))
                s_Modes.insert(modeOf(temp));
    };
    start(MAIN, TRACE);
    const mode_t old = ::umask(027);
    orv::os::setFaultHook(look);
    EXPECT_EQ(set("trace_level", "MID"), ORVCFG_OK);
    orv::os::setFaultHook(nullptr);
    ::umask(old);
    EXPECT_EQ(s_Masks, (std::vector<unsigned int>{027, 027}));
    EXPECT_EQ(s_Modes, std::set<unsigned int>{0600});
    EXPECT_EQ(modeOf(propertiesPath()), 0644u);
    EXPECT_EQ(modeOf(tracePath()), 0644u);
}

// Someone who may only read the configuration cannot open the lock file, so cannot hold
// the lock; a directory that refuses the lock file to a user gives that user the results of
// the checks and the writes, with the store changed first, as always.
TEST_F(HostileDirectory, OnlyTheLockFilesOwnerOpensItAndAReadOnlyDirectoryNeedsNoLock)
{
    start(MAIN, TRACE);
    EXPECT_EQ(set("trace_level", "MID"), ORVCFG_OK);
    EXPECT_EQ(modeOf(configDir() + CONFIG_LOCK_FILE_NAME), 0600u);
    EXPECT_EQ(orvtest::runUnprivileged([this] {
                  orv::os::FileLock reader;
                  return reader.open((configDir() + CONFIG_LOCK_FILE_NAME).c_str(), 0600);
              }),
              EACCES);

    const std::string main = withValue(MAIN, "trace_level", "MID");
    const std::string trace = traceWith(levelLines("DEBUG_MID"));
    ::unlink((configDir() + CONFIG_LOCK_FILE_NAME).c_str());
    ::chmod(propertiesPath().c_str(), 0666);
    ::chmod(configDir().c_str(), 0555);
    const struct {
        const char* key;
        const char* value;
        int result;
    } cases[] = {
        {"version", "2", ORVCFG_KEY_READ_ONLY},
        {"trace_level", "MAX", ORVCFG_OPEN_FAILED},
        {"custom.key", "x", ORVCFG_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(orvtest::runUnprivileged([&] {
                      const int result = set(c.key, c.value);
                      return result == ORVCFG_KEY_READ_ONLY || stored(c.key) == c.value ? result : 100;
                  }),
                  c.result);
        EXPECT_EQ(mainFile(), main);
        EXPECT_EQ(traceFile(), trace);
        EXPECT_FALSE(orvtest::fileExists(configDir() + CONFIG_LOCK_FILE_NAME));
    }
    ::chmod(configDir().c_str(), 0777);
}

} // namespace
