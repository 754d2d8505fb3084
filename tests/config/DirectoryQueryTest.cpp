#include "ConfigFixture.h"

#include <sys/stat.h>

namespace {

TEST(DirectoryQueries, ComposeBelowTheInstallationDirectory)
{
    OrvCfgTestAccess::resetToUnloaded();
    OrvCfgTestAccess::setInstallDir(String("/opt/scan"));
    OrvCfgTestAccess::setConfigDir(String("/data/config/"));
    struct {
        const char* name;
        String (*query)();
        const char* expected;
    } const cases[] = {
        {"installation", &OrvCfg::getInstallationDir, "/opt/scan"},
        {"config", &OrvCfg::getConfigDir, "/data/config/"},
        {"bin", &OrvCfg::getBinDir, "/opt/scan/bin"},
        {"install", &OrvCfg::getInstallDir, "/opt/scan/install"},
        {"plugins", &OrvCfg::getPluginsDir, "/opt/scan/bin/plugins"},
        {"customscanners", &OrvCfg::getCustomScannerDir, "/opt/scan/bin/customscanners"},
        {"schema", &OrvCfg::getConfigurationSchemaPath, "/opt/scan/bin/orvcli.xsd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bytesOf(c.query()), c.expected) << c.name;
    OrvCfgTestAccess::resetToUnloaded();
}

// An installation laid out under a temporary directory, with the service pointed at it.
class InstallationType : public ConfigTest {
protected:
    void SetUp() override
    {
        ConfigTest::SetUp();
        orvtest::makeDirs(m_Tmp.path() + "/install");
        OrvCfgTestAccess::setInstallDir(String(m_Tmp.path().c_str()));
    }
    std::string typeFile() const { return m_Tmp.path() + "/install/orv_install.properties"; }
};

TEST_F(InstallationType, LastRecognisedLineDecides)
{
    struct {
        const char* name;
        std::string bytes;
        int expected;
    } const cases[] = {
        {"Local", "ORV_InstallType = local\n", ORV_INSTALL_LOCAL},
        {"Global", "ORV_InstallType=global\n", ORV_INSTALL_GLOBAL},
        {"NoHeaderNeededNoLineFeed", "ORV_InstallType=local", ORV_INSTALL_LOCAL},
        {"HeaderLineIsJustALine", "ORV_PROPERTIES_FILE\nORV_InstallType=global\n", ORV_INSTALL_GLOBAL},
        {"CrlfLineEnds", "ORV_InstallType=global\r\n", ORV_INSTALL_GLOBAL},
        {"UnknownValueDoesNotReset", "ORV_InstallType=global\nORV_InstallType=other\n", ORV_INSTALL_GLOBAL},
        {"LaterValueWins", "ORV_InstallType=local\nORV_InstallType=global\n", ORV_INSTALL_GLOBAL},
        {"CommentedOut", "#ORV_InstallType=local\n", ORV_INSTALL_UNDETERMINED},
        {"ValueCaseMatters", "ORV_InstallType=LOCAL\n", ORV_INSTALL_UNDETERMINED},
        {"KeyCaseMatters", "orv_installtype=local\n", ORV_INSTALL_UNDETERMINED},
        {"OtherKeysOnly", "ORV_InstallTypeX=local\nx=local\n", ORV_INSTALL_UNDETERMINED},
        {"EmptyFile", "", ORV_INSTALL_UNDETERMINED},
        {"PieceAfter259BytesIsALine", std::string(259, '#') + "ORV_InstallType=local\n", ORV_INSTALL_LOCAL},
        {"NulInValue", std::string("ORV_InstallType=loc\0al\n", 23), ORV_INSTALL_UNDETERMINED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        orvtest::writeFile(typeFile(), c.bytes);
        EXPECT_EQ(OrvCfg::installationType(), c.expected);
    }
}

TEST_F(InstallationType, MissingOrUnreadableFileIsUndetermined)
{
    EXPECT_EQ(OrvCfg::installationType(), ORV_INSTALL_UNDETERMINED);

    orvtest::writeFile(typeFile(), "ORV_InstallType=local\n");
    ASSERT_EQ(chmod(typeFile().c_str(), 0), 0);
    EXPECT_EQ(orvtest::runUnprivileged([] { return OrvCfg::installationType(); }), ORV_INSTALL_UNDETERMINED);
}

TEST_F(InstallationType, QueriesLeaveTheErrorFieldAlone)
{
    initializeWith("ORV_PROPERTIES_FILE\n");
    OrvCfgTestAccess::setInstallDir(String(m_Tmp.path().c_str()));
    orvtest::writeFile(typeFile(), "ORV_InstallType=local\n");
    OrvCfg::getKey(String("absent"));
    ASSERT_EQ(OrvCfg::getError(), ORVCFG_KEY_NOT_FOUND);

    EXPECT_EQ(OrvCfg::installationType(), ORV_INSTALL_LOCAL);
    OrvCfg::getConfigurationSchemaPath();
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_KEY_NOT_FOUND);
}

} // namespace
