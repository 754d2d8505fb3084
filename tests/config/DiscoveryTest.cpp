#include "ConfigFixture.h"

#include "PathBuffers.h"

#include <cstring>
#include <filesystem>

namespace {

const char* const HEADER = "ORV_PROPERTIES_FILE\n";

bool bufferIsAllZero(const char (&buffer)[ORV_PATH_BUFFER_SIZE])
{
    for (char c : buffer)
        if (c != '\0')
            return false;
    return true;
}

bool allBuffersAreZero()
{
    return bufferIsAllZero(s_PropertiesPath) && bufferIsAllZero(s_TracePropertiesPath) &&
           bufferIsAllZero(s_PropertiesTmpPath) && bufferIsAllZero(s_TraceTmpPath);
}

// The directory above the one holding this test program: where the service looks for an
// installation when ORV_LOCALDIR is not set.
std::string installationOfThisProgram()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path().string();
}

using Discovery = ConfigTest;

struct LocalDirCase {
    const char* suffix;      // appended to the temporary directory; null: ORV_LOCALDIR is empty text
    const char* expectedDir; // what follows the temporary directory in the configuration directory
};

TEST_F(Discovery, LocalDirValueIsTakenAsItStands)
{
    const LocalDirCase cases[] = {
        {"", "/config/"},
        {"/", "//config/"},
        {nullptr, "/config/"},
    };
    for (const LocalDirCase& c : cases) {
        SCOPED_TRACE(c.suffix == nullptr ? "(empty)" : c.suffix);
        const std::string base = c.suffix == nullptr ? std::string() : m_Tmp.path() + c.suffix;
        pointLocalDirAt(base);
        OrvCfg::initialize("scan");

        const std::string dir = (c.suffix == nullptr ? std::string() : m_Tmp.path()) + c.expectedDir;
        EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), dir);
        EXPECT_STREQ(s_PropertiesPath, (dir + "Orv.properties").c_str());
        EXPECT_STREQ(s_TracePropertiesPath, (dir + "OrvTrace.properties").c_str());
        EXPECT_STREQ(s_PropertiesTmpPath, (dir + "Orv.tmp").c_str());
        EXPECT_STREQ(s_TraceTmpPath, (dir + "Trace.tmp").c_str());
        OrvCfg::cleanup();
    }
}

TEST_F(Discovery, DoubledSeparatorStillReachesTheFile)
{
    orvtest::writeFile(propertiesPath(), std::string(HEADER) + "k=v\n");
    pointLocalDirAt(m_Tmp.path() + "/");
    OrvCfg::initialize("scan");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"))), "v");
}

TEST_F(Discovery, InstallationIsTheParentOfTheProgramsDirectory)
{
    OrvCfg::initialize("ignored-name");
    EXPECT_EQ(bytesOf(OrvCfg::getInstallationDir()), installationOfThisProgram());
    // ORV_LOCALDIR still decides the configuration directory.
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), configDir());
}

TEST_F(Discovery, WithoutLocalDirConfigurationLiesBelowInstallation)
{
    pointLocalDirAt(nullptr);
    OrvCfg::initialize("scan");
    const std::string dir = installationOfThisProgram() + "/config/";
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), dir);
    EXPECT_STREQ(s_PropertiesPath, (dir + "Orv.properties").c_str());
}

TEST_F(Discovery, EnvironmentIsReadAtConstructionOnly)
{
    initializeWith(HEADER);
    pointLocalDirAt("/elsewhere");
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), configDir());
    EXPECT_STREQ(s_PropertiesPath, propertiesPath().c_str());
}

TEST_F(Discovery, IniLookupNeverSuppliesADirectory)
{
    initializeWith(HEADER);
    String dir("unchanged");
    EXPECT_FALSE(OrvCfgTestAccess::getOrvConfigDirFromIni(*OrvCfgTestAccess::instance(), dir));
    EXPECT_EQ(bytesOf(dir), "unchanged");
}

// A base path whose configuration directory ("<base>/config/") is exactly `length` bytes.
std::string baseForConfigDirLength(const std::string& tmp, std::size_t length)
{
    std::string base = tmp + "/";
    const std::size_t tail = std::string("/config/").size();
    base.append(length - tail - base.size(), 'd');
    return base;
}

TEST_F(Discovery, ConfigurationDirectoryOfTheLongestLengthStillLoads)
{
    const std::string base = baseForConfigDirLength(m_Tmp.path(), ORV_MAX_CONFIG_DIR_LENGTH);
    orvtest::makeDirs(base + "/config");
    orvtest::writeFile(base + "/config/Orv.properties", std::string(HEADER) + "k=v\n");
    pointLocalDirAt(base);
    OrvCfg::initialize("scan");

    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"))), "v");
    // The longest name fills the buffer up to its last byte, the terminating NUL.
    EXPECT_EQ(std::strlen(s_TracePropertiesPath), static_cast<std::size_t>(ORV_PATH_BUFFER_SIZE - 1));
    EXPECT_EQ(std::string(s_TracePropertiesPath), base + "/config/OrvTrace.properties");
}

TEST_F(Discovery, ConfigurationDirectoryOneByteTooLongIsRefused)
{
    // A first construction fills the buffers; the refused one must leave them all empty.
    initializeWith(HEADER);
    OrvCfg::cleanup();
    ASSERT_FALSE(allBuffersAreZero());

    const std::string base = baseForConfigDirLength(m_Tmp.path(), ORV_MAX_CONFIG_DIR_LENGTH + 1);
    orvtest::makeDirs(base + "/config");
    orvtest::writeFile(base + "/config/Orv.properties", std::string(HEADER) + "k=v\n");
    pointLocalDirAt(base);
    OrvCfg::initialize("scan");

    ASSERT_NE(OrvCfgTestAccess::instance(), nullptr);
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_NO_CONFIG_PATH);
    EXPECT_TRUE(allBuffersAreZero());
    EXPECT_EQ(OrvCfgTestAccess::propertyMapSize(), 0u);
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"))), "");
}

TEST_F(Discovery, EveryConstructionStartsFromZeroedBuffers)
{
    // A long path followed by a short one: no byte of the long one may survive after the NUL.
    const std::string base = baseForConfigDirLength(m_Tmp.path(), ORV_MAX_CONFIG_DIR_LENGTH);
    pointLocalDirAt(base);
    OrvCfg::initialize("scan");
    OrvCfg::cleanup();

    pointLocalDirAt(m_Tmp.path());
    OrvCfg::initialize("scan");
    const std::size_t used = std::strlen(s_TracePropertiesPath);
    for (std::size_t i = used; i < sizeof s_TracePropertiesPath; ++i)
        ASSERT_EQ(s_TracePropertiesPath[i], '\0') << "byte " << i;
}

} // namespace
