#ifndef ORV_TESTS_CONFIGFIXTURE_H
#define ORV_TESTS_CONFIGFIXTURE_H

#include "OrvCfg.h"
#include "OrvCfgTestAccess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

// The narrow bytes of a String, embedded NUL bytes included.
inline std::string bytesOf(const String& text) { return std::string(text.narrow(), text.narrowLength()); }

// A configuration directory of its own under a temporary directory, reached through
// ORV_LOCALDIR; every test starts and ends with the service as a freshly loaded library.
class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OrvCfgTestAccess::resetToUnloaded();
        orvtest::makeDirs(configDir());
        pointLocalDirAt(m_Tmp.path());
    }
    void TearDown() override { OrvCfgTestAccess::resetToUnloaded(); }

    // "<tmp>/config/", as the service composes it.
    std::string configDir() const { return m_Tmp.path() + "/config/"; }
    std::string propertiesPath() const { return configDir() + "Orv.properties"; }

    void pointLocalDirAt(const char* value)
    {
        m_LocalDir.reset();
        m_LocalDir.emplace("ORV_LOCALDIR", value);
    }
    void pointLocalDirAt(const std::string& value) { pointLocalDirAt(value.c_str()); }

    // Writes Orv.properties with exactly these bytes and starts the service on it.
    void initializeWith(const std::string& propertiesBytes)
    {
        orvtest::writeFile(propertiesPath(), propertiesBytes);
        OrvCfg::initialize("config_tests");
    }

    orvtest::TempDir m_Tmp;
    std::optional<orvtest::ScopedEnv> m_LocalDir;
};

#endif
