#include "ConfigFixture.h"
#include "ConfigLock.h"
#include "FaultHook.h"
#include "FileLock.h"

#include <cerrno>
#include <cstdio>
#include <functional>
#include <set>

namespace {

// The configuration directory is shared: another local user may add and remove names in it,
// and nothing else. Root changes keys there. Whatever that user plants, no file outside the
// directory changes, and a property file is never written through a link nor made one.
// While a temporary file is written no one else can open it, and the host's creation mask
// stays its own: the service never changes it.
using HostileDirectory = ConfigTest;

std::set<unsigned int> s_Masks;
std::set<unsigned int> s_TempModes;

void lookAtTemporaryFiles(orv::os::FaultPoint point)
{
    const unsigned int mask = orvtest::exchangeCreationMask(0);
    orvtest::exchangeCreationMask(mask);
    s_Masks.insert(mask);
    for (const char* temp : {s_PropertiesTmpPath, s_TraceTmpPath})
        if (point == orv::os::FaultPoint::TEMP_OPENED && orvtest::fileExists(temp))
            s_TempModes.insert(modeOf(temp));
}

TEST_F(HostileDirectory, PlantedNamesNeverTurnAChangeAgainstOtherFiles)
{
    ORVTEST_REQUIRE_CHILD_PROCESSES();
    const std::string victim = m_Tmp.file("victim"), shared = m_Tmp.file("shared"), made = m_Tmp.file("made");
    orvtest::makeDirs(shared);
    orvtest::setMode(shared, 0777);
    orvtest::setMode(configDir(), 0777);
    const auto linkAt = [&](const std::string& path, const std::string& target) {
        return [=] {
            std::remove(path.c_str());
            return orvtest::makeSymbolicLink(target, path) ? 0 : 1;
        };
    };
    const std::string orvTmp = configDir() + "Orv.tmp";
    // `plant` runs as the other user; `main` is read through a link at Orv.properties.
    const struct { const char* name; std::function<int()> plant; const char* key; std::string value; int result;
                   std::string main = MAIN, trace = TRACE; } cases[] = {
        {"LinkAtOrvTmp", linkAt(orvTmp, victim), "hwscanner.timeout", "46", ORVCFG_OK,
         withValue(MAIN, "hwscanner.timeout", "46")},
        {"LinkAtOrvTmpAndAReadOnlyKey", linkAt(orvTmp, victim), "version", "2", ORVCFG_KEY_READ_ONLY},
        {"LinkAtOrvTmpAndARejectedValue", linkAt(orvTmp, victim), "trace_level", "LOUD", ORVCFG_VALUE_REJECTED},
        {"LinkAtTraceTmp", linkAt(configDir() + "Trace.tmp", victim), "trace_file_num", "4", ORVCFG_OK,
         withValue(MAIN, "trace_file_num", "4"), withLine(TRACE, "maxFiles=3", "maxFiles=4")},
        {"DanglingLinkAtTheLock", linkAt(configDir() + CONFIG_LOCK_FILE_NAME, made), "custom.key", "x",
         ORVCFG_ACCESS_DENIED},
        {"LinkAtTheProbeOfASharedCacheHome", linkAt(shared + "/tempwriteorvfiletest999", victim),
         "fscanner.provider_cache.home", shared, ORVCFG_KEY_NOT_FOUND},
        {"FileLeftAtOrvTmpByThatUser", [&] { orvtest::writeFile(orvTmp, "x=1\n"); return 0; }, "custom.key", "x",
         ORVCFG_OK, withValue(MAIN, "custom.key", "x")},
        {"LinkAtOrvProperties", linkAt(propertiesPath(), victim), "custom.key", "x", ORVCFG_NOT_PLAIN_FILE,
         "root only\n"},
    };
    const unsigned int hostMask = orvtest::exchangeCreationMask(027);
    orv::os::setFaultHook(lookAtTemporaryFiles);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start(MAIN, TRACE);
        orvtest::writeFile(victim, "root only\n");
        orvtest::setMode(victim, 0600);
        ASSERT_EQ(orvtest::runUnprivileged(c.plant), 0);
        EXPECT_EQ(set(c.key, c.value), c.result);
        EXPECT_EQ(std::make_pair(orvtest::readFile(victim), modeOf(victim)), std::make_pair(std::string("root only\n"), 0600u));
        EXPECT_FALSE(orvtest::fileExists(made));
        EXPECT_EQ(files(), std::make_pair(c.main, c.trace));
        const bool linked = c.result == ORVCFG_NOT_PLAIN_FILE;
        EXPECT_EQ(orvtest::isSymbolicLink(propertiesPath()), linked);
        EXPECT_EQ(orvtest::ownerOf(propertiesPath()), linked ? 65534u : 0u);
        // A rewritten file ends at 0644 (0640 is the mask's); a link's target keeps its mode.
        const bool rewritten = c.result == ORVCFG_OK || c.result == ORVCFG_KEY_NOT_FOUND;
        EXPECT_EQ(modeOf(propertiesPath()), linked ? 0600u : rewritten ? 0644u : 0640u);
        EXPECT_EQ(modeOf(tracePath()), c.trace != TRACE ? 0644u : 0640u);
        for (const std::string name : {"Orv.tmp", "Trace.tmp", CONFIG_LOCK_FILE_NAME, "Orv.properties", "OrvTrace.properties"})
            std::remove((configDir() + name).c_str());
    }
    orv::os::setFaultHook(nullptr);
    orvtest::exchangeCreationMask(hostMask);
    EXPECT_EQ(s_Masks, std::set<unsigned int>{027});
    EXPECT_EQ(s_TempModes, std::set<unsigned int>{0600});
}

// Someone who may only read the configuration cannot open the lock file, so cannot hold
// the lock. A directory that refuses the lock file to a user gives that user the results of
// the checks and the writes, with the store changed first, as always.
TEST_F(HostileDirectory, OnlyTheLockFilesOwnerOpensItAndAReadOnlyDirectoryNeedsNoLock)
{
    ORVTEST_REQUIRE_CHILD_PROCESSES();
    start(MAIN, TRACE);
    const std::string lock = configDir() + CONFIG_LOCK_FILE_NAME;
    EXPECT_EQ(set("trace_level", "MID"), ORVCFG_OK);
    EXPECT_EQ(modeOf(lock), 0600u);
    EXPECT_EQ(orvtest::runUnprivileged([&] { return orv::os::FileLock().open(lock.c_str(), 0600); }), EACCES);

    std::remove(lock.c_str());
    orvtest::setMode(propertiesPath(), 0666);
    orvtest::setMode(configDir(), 0555);
    const char* const changes[][3] = {{"version", "2", "17"}, {"trace_level", "MAX", "18"}, {"custom.key", "x", "49"}};
    for (const auto& change : changes) {
        SCOPED_TRACE(change[0]);
        EXPECT_EQ(orvtest::runUnprivileged([&] {
                      const int result = set(change[0], change[1]);
                      return result == ORVCFG_KEY_READ_ONLY || stored(change[0]) == change[1] ? result : 100;
                  }),
                  std::stoi(change[2]));
        EXPECT_EQ(files(), std::make_pair(withValue(MAIN, "trace_level", "MID"), traceWith(levelLines("DEBUG_MID"))));
        EXPECT_FALSE(orvtest::fileExists(lock));
    }
    orvtest::setMode(configDir(), 0777);
}

} // namespace
