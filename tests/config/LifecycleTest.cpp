#include "ConfigFixture.h"

#include <filesystem>

namespace {

using Lifecycle = ConfigTest;

// Without Orv.properties there is an instance all the same; a second initialize keeps it and
// reads no file. Without an instance the calls answer fixed results and the directories stay.
TEST_F(Lifecycle, SecondInitializeKeepsTheInstanceAndCleanupEndsIt)
{
    OrvCfg::initialize("first");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OPEN_FAILED);
    EXPECT_FALSE(orvtest::fileExists(propertiesPath()));
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"), String("d").getBuffer())), "d");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_KEY_NOT_FOUND);
    orvtest::writeFile(propertiesPath(), HEADER + "k=stored\n");
    orvtest::TempDir other;
    pointLocalDirAt(other.path().c_str());
    OrvCfg::initialize("second");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_KEY_NOT_FOUND);
    EXPECT_EQ(stored("k"), "");
    EXPECT_STREQ(s_PropertiesPath, propertiesPath().c_str());

    const std::string installDir = bytesOf(OrvCfg::getInstallationDir());
    OrvCfg::cleanup();
    OrvCfg::cleanup();
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_NO_INSTANCE);
    EXPECT_EQ(set("k", "new"), ORVCFG_NO_INSTANCE);
    String checked("new");
    EXPECT_EQ(OrvCfg::checkKey(String("k"), checked), ORVCFG_NO_INSTANCE);
    EXPECT_EQ(mainFile(), HEADER + "k=stored\n");
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"), String("dflt").getBuffer())), "dflt");
    EXPECT_EQ(bytesOf(OrvCfg::getInstallationDir()), installDir);
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), configDir());
}

// ORV_LOCALDIR, even empty, is taken as it stands, and read at construction only. (Where
// it points and the installation's own configuration are the tool's directory table.)
TEST_F(Lifecycle, EmptyLocalDirIsTakenAsItStandsAndReadOnce)
{
    const std::string install = std::filesystem::u8path(orvtest::programPath()).parent_path().parent_path().u8string();
    // The C runtime of Windows cannot hold a variable set to empty text: it is unset there.
    const std::string expected = (orvtest::isWindows() ? install : "") + orvtest::SEP + "config" + orvtest::SEP;
    pointLocalDirAt("");
    OrvCfg::initialize("ignored-name");
    pointLocalDirAt("/elsewhere");
    EXPECT_EQ(bytesOf(OrvCfg::getInstallationDir()), install);
    EXPECT_EQ(bytesOf(OrvCfg::getConfigDir()), expected);
    EXPECT_STREQ(s_PropertiesPath, (expected + "Orv.properties").c_str());
}

// A configuration directory of 240 bytes gives a 259-byte OrvTrace.properties path, the
// most a buffer holds; one byte more is refused and leaves every buffer empty. Each
// construction starts from zeroed buffers, so no byte of a longer path survives.
TEST_F(Lifecycle, ConfigurationDirectoryUpTo240BytesLoads)
{
    initializeWith(HEADER); // buffers filled before the refused one
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

// The last recognised line decides; a missing or unreadable file is undetermined.
TEST_F(Lifecycle, InstallationType)
{
    orvtest::makeDirs(m_Tmp.file("install"));
    OrvCfgTestAccess::setInstallDir(String(m_Tmp.path().c_str()));
    const std::string typeFile = m_Tmp.file("install/orv_install.properties");
    EXPECT_EQ(OrvCfg::installationType(), ORV_INSTALL_UNDETERMINED);
    const struct { std::string bytes; int expected; } cases[] = {
        {"ORV_InstallType=global", ORV_INSTALL_GLOBAL}, // no header, no line feed
        {"ORV_InstallType=local\nORV_InstallType=global\nORV_InstallType=other\n", ORV_INSTALL_GLOBAL},
        {"ORV_InstallType=LOCAL\n", ORV_INSTALL_UNDETERMINED},
        {std::string(259, '#') + "ORV_InstallType=local\n", ORV_INSTALL_LOCAL}, // the piece after 259 bytes
    };
    for (const auto& c : cases) {
        orvtest::writeFile(typeFile, c.bytes);
        EXPECT_EQ(OrvCfg::installationType(), c.expected) << c.bytes.substr(0, 40);
    }
    ORVTEST_REQUIRE_CHILD_PROCESSES();
    orvtest::setMode(typeFile, 0);
    EXPECT_EQ(orvtest::runUnprivileged([] { return OrvCfg::installationType(); }), ORV_INSTALL_UNDETERMINED);
}

} // namespace
