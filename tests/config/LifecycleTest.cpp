#include "ConfigFixture.h"

#include "PathBuffers.h"

#include <cstring>

namespace {

const char* const HEADER = "ORV_PROPERTIES_FILE\n";

using Lifecycle = ConfigTest;

TEST_F(Lifecycle, WithoutInstanceStaticCallsAnswerFixedResults)
{
    initializeWith(std::string(HEADER) + "k=stored\n");
    OrvCfg::cleanup();
    const std::string before = orvtest::readFile(propertiesPath());

    EXPECT_EQ(OrvCfg::getError(), ORVCFG_NO_INSTANCE);
    String value("new");
    EXPECT_EQ(OrvCfg::setKey(String("k"), value), ORVCFG_NO_INSTANCE);
    EXPECT_EQ(orvtest::readFile(propertiesPath()), before);
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"))), "");
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"), String("dflt").getBuffer())), "dflt");
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"), nullptr)), "");
}

TEST_F(Lifecycle, BeforeFirstInitializeDirectoriesComposeFromEmptyText)
{
    EXPECT_EQ(bytesOf(OrvCfg::getInstallationDir()), "");
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), "");
    EXPECT_EQ(bytesOf(OrvCfg::getBinDir()), "/bin");
    EXPECT_EQ(bytesOf(OrvCfg::getPluginsDir()), "/bin/plugins");
    EXPECT_EQ(OrvCfg::installationType(), ORV_INSTALL_UNDETERMINED);
}

TEST_F(Lifecycle, SecondInitializeKeepsTheFirstInstanceAndOutcome)
{
    OrvCfg::initialize("first"); // no Orv.properties yet
    OrvCfg* first = OrvCfgTestAccess::instance();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(OrvCfg::getError(), ORVCFG_OPEN_FAILED);

    orvtest::TempDir other;
    orvtest::makeDirs(other.path() + "/config");
    orvtest::writeFile(other.path() + "/config/Orv.properties", std::string(HEADER) + "k=v\n");
    pointLocalDirAt(other.path());
    OrvCfg::initialize("second");

    EXPECT_EQ(OrvCfgTestAccess::instance(), first);
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OPEN_FAILED);
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), configDir());
}

TEST_F(Lifecycle, InitializeAfterCleanupDiscoversAgain)
{
    initializeWith(std::string(HEADER) + "k=first\n");
    OrvCfg::cleanup();

    orvtest::TempDir other;
    orvtest::makeDirs(other.path() + "/config");
    orvtest::writeFile(other.path() + "/config/Orv.properties", std::string(HEADER) + "k=second\n");
    pointLocalDirAt(other.path());
    OrvCfg::initialize("again");

    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"))), "second");
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), other.path() + "/config/");
    EXPECT_STREQ(s_PropertiesPath, (other.path() + "/config/Orv.properties").c_str());
}

TEST_F(Lifecycle, CleanupKeepsDirectoriesAndPathsAndIsIdempotent)
{
    initializeWith(HEADER);
    const std::string installDir = bytesOf(OrvCfg::getInstallationDir());
    ASSERT_FALSE(installDir.empty());

    OrvCfg::cleanup();
    EXPECT_EQ(OrvCfgTestAccess::instance(), nullptr);
    OrvCfg::cleanup();
    EXPECT_EQ(OrvCfgTestAccess::instance(), nullptr);

    EXPECT_EQ(OrvCfg::getError(), ORVCFG_NO_INSTANCE);
    EXPECT_EQ(bytesOf(OrvCfg::getInstallationDir()), installDir);
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), configDir());
    EXPECT_STREQ(s_PropertiesPath, propertiesPath().c_str());
    EXPECT_STREQ(s_TraceTmpPath, (configDir() + "Trace.tmp").c_str());
}

TEST_F(Lifecycle, MissingPropertiesFileStillLeavesAnInstance)
{
    OrvCfg::initialize("scan");
    ASSERT_NE(OrvCfgTestAccess::instance(), nullptr);
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OPEN_FAILED);
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"), String("d").getBuffer())), "d");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_KEY_NOT_FOUND);
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"))), "");
    EXPECT_FALSE(orvtest::fileExists(propertiesPath())); // the loader never creates it
}

TEST_F(Lifecycle, ErrorFollowsTheLastLookup)
{
    initializeWith(std::string(HEADER) + "present=1\n");
    ASSERT_EQ(OrvCfg::getError(), ORVCFG_OK);
    OrvCfg::getKey(String("absent"));
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_KEY_NOT_FOUND);
    OrvCfg::getKey(String("present"));
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
}

TEST_F(Lifecycle, CopyAndAssignmentCarryStoreCountAndError)
{
    initializeWith(std::string(HEADER) + "a=1\nb=2\na=3\n");
    OrvCfg& original = *OrvCfgTestAccess::instance();
    OrvCfg::getKey(String("absent")); // error 15 travels with the copy

    OrvCfg copy(original);
    EXPECT_EQ(OrvCfgTestAccess::properties(copy), OrvCfgTestAccess::properties(original));
    EXPECT_EQ(OrvCfgTestAccess::propertyCount(copy), 3);
    EXPECT_EQ(OrvCfgTestAccess::error(copy), ORVCFG_KEY_NOT_FOUND);
    EXPECT_EQ(bytesOf(OrvCfgTestAccess::instGetKey(copy, String("a"), nullptr)), "3");
    EXPECT_EQ(OrvCfgTestAccess::error(copy), ORVCFG_OK);

    // Assignment replaces whatever the target held.
    OrvCfg::cleanup();
    initializeWith(std::string(HEADER) + "other=x\n");
    OrvCfg& target = *OrvCfgTestAccess::instance();
    target = copy;
    EXPECT_EQ(OrvCfgTestAccess::properties(target), OrvCfgTestAccess::properties(copy));
    EXPECT_EQ(OrvCfgTestAccess::propertyCount(target), 3);
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("other"))), "");

    OrvCfg& self = target;
    target = self;
    EXPECT_EQ(OrvCfgTestAccess::propertyMapSize(target), 2u);
    EXPECT_EQ(OrvCfgTestAccess::propertyCount(target), 3);
}

} // namespace
