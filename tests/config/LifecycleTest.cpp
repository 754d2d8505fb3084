#include "ConfigFixture.h"

#include <filesystem>

namespace {

using Lifecycle = ConfigTest;

TEST_F(Lifecycle, WithoutInstanceCallsAnswerFixedResultsAndDirectoriesStay)
{
    initializeWith(HEADER + "k=stored\n");
    const std::string installDir = bytesOf(OrvCfg::getInstallationDir());
    OrvCfg::cleanup();
    OrvCfg::cleanup();
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_NO_INSTANCE);
    EXPECT_EQ(set("k", "new"), ORVCFG_NO_INSTANCE);
    String checked("new");
    EXPECT_EQ(OrvCfg::checkKey(String("k"), checked), ORVCFG_NO_INSTANCE);
    EXPECT_EQ(mainFile(), HEADER + "k=stored\n");
    EXPECT_EQ(stored("k"), "");
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"), String("dflt").getBuffer())), "dflt");
    EXPECT_EQ(bytesOf(OrvCfg::getInstallationDir()), installDir);
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), configDir());
}

TEST_F(Lifecycle, SecondInitializeKeepsTheInstance)
{
    OrvCfg::initialize("first"); // no Orv.properties: an instance all the same
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OPEN_FAILED);
    EXPECT_FALSE(orvtest::fileExists(propertiesPath()));
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"), String("d").getBuffer())), "d");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_KEY_NOT_FOUND);

    orvtest::TempDir other;
    pointLocalDirAt(other.path().c_str()); // a new discovery would find no file there
    OrvCfg::initialize("second");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_KEY_NOT_FOUND);
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), configDir());
    EXPECT_STREQ(s_PropertiesPath, propertiesPath().c_str());
}

using Discovery = ConfigTest;

// ORV_LOCALDIR, even empty, is taken as it stands; without it the configuration lies below
// the installation, the parent of the program's directory whatever the program's name.
TEST_F(Discovery, ConfigurationDirectoryComesFromLocalDirOrTheInstallation)
{
    orvtest::writeFile(propertiesPath(), HEADER + "k=v\n");
    const std::string install = std::filesystem::u8path(orvtest::programPath()).parent_path().parent_path().u8string();
    const struct {
        std::optional<std::string> localDir;
        std::string configDir;
    } cases[] = {
        {m_Tmp.path(), m_Tmp.path() + orvtest::SEP + "config" + orvtest::SEP},
        // The C runtime of Windows cannot hold a variable set to empty text: it is unset there.
        {"", orvtest::isWindows() ? install + orvtest::SEP + "config" + orvtest::SEP : orvtest::SEP + "config" + orvtest::SEP},
        {std::nullopt, install + orvtest::SEP + "config" + orvtest::SEP},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.configDir);
        pointLocalDirAt(c.localDir ? c.localDir->c_str() : nullptr);
        OrvCfg::initialize("ignored-name");
        EXPECT_EQ(bytesOf(OrvCfg::getInstallationDir()), install);
        EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), c.configDir);
        EXPECT_STREQ(s_PropertiesPath, (c.configDir + "Orv.properties").c_str());
        EXPECT_EQ(stored("k"), c.configDir.find(m_Tmp.path()) == 0 ? "v" : "");
        pointLocalDirAt("/elsewhere"); // read at construction only
        EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), c.configDir);
        OrvCfg::cleanup();
    }
}

// A configuration directory of 240 bytes gives a 259-byte OrvTrace.properties path, the
// most a buffer holds; one byte more is refused and leaves every buffer empty. Each
// construction starts from zeroed buffers, so no byte of a longer path survives.
TEST_F(Discovery, ConfigurationDirectoryUpTo240BytesLoads)
{
    initializeWith(HEADER);
    OrvCfg::cleanup();
    const auto whole = [](const char(&buffer)[ORV_PATH_BUFFER_SIZE]) { return std::string(buffer, sizeof buffer); };
    const auto padded = [](std::string path) { return path.append(ORV_PATH_BUFFER_SIZE - path.size(), '\0'); };
    for (const int length : {ORV_MAX_CONFIG_DIR_LENGTH + 1, ORV_MAX_CONFIG_DIR_LENGTH, 0}) {
        SCOPED_TRACE(length);
        std::string base = m_Tmp.path();
        if (length != 0)
            base += orvtest::SEP + std::string(length - base.size() - std::string("//config/").size(), 'd');
        const std::string configDir = base + orvtest::SEP + "config" + orvtest::SEP;
        orvtest::makeDirs(configDir);
        orvtest::writeFile(configDir + "Orv.properties", HEADER + "k=v\n");
        pointLocalDirAt(base.c_str());
        OrvCfg::initialize("scan");
        const bool fits = length <= ORV_MAX_CONFIG_DIR_LENGTH;
        EXPECT_EQ(OrvCfg::getError(), fits ? ORVCFG_OK : ORVCFG_NO_CONFIG_PATH);
        EXPECT_EQ(stored("k"), fits ? "v" : "");
        const auto at = [&](const char* name) { return padded(fits ? configDir + name : ""); };
        EXPECT_EQ(whole(s_PropertiesPath) + whole(s_TracePropertiesPath) + whole(s_PropertiesTmpPath) +
                      whole(s_TraceTmpPath),
                  at("Orv.properties") + at("OrvTrace.properties") + at("Orv.tmp") + at("Trace.tmp"));
        OrvCfg::cleanup();
    }
}

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
    const struct {
        const char* name;
        std::string bytes;
        int expected;
    } cases[] = {
        {"NoHeaderNoLineFeed", "ORV_InstallType=global", ORV_INSTALL_GLOBAL},
        {"UnknownValueDoesNotReset", "ORV_InstallType=global\nORV_InstallType=other\n", ORV_INSTALL_GLOBAL},
        {"ValueCaseMatters", "ORV_InstallType=LOCAL\n", ORV_INSTALL_UNDETERMINED},
        {"PieceAfter259BytesIsALine", std::string(259, '#') + "ORV_InstallType=local\n", ORV_INSTALL_LOCAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        orvtest::writeFile(typeFile(), c.bytes);
        EXPECT_EQ(OrvCfg::installationType(), c.expected);
    }
}

TEST_F(InstallationType, MissingOrUnreadableFileIsUndetermined)
{
    ORVTEST_REQUIRE_CHILD_PROCESSES();
    EXPECT_EQ(OrvCfg::installationType(), ORV_INSTALL_UNDETERMINED);
    orvtest::writeFile(typeFile(), "ORV_InstallType=local\n");
    ASSERT_EQ(::chmod(typeFile().c_str(), 0), 0);
    EXPECT_EQ(orvtest::runUnprivileged([] { return OrvCfg::installationType(); }), ORV_INSTALL_UNDETERMINED);
}

} // namespace
