#include "ConfigFixture.h"

namespace {

using Lifecycle = ConfigTest;

// Without Orv.properties there is an instance all the same; a second initialize keeps it
// and reads no file. Without an instance the calls answer fixed results.
TEST_F(Lifecycle, SecondInitializeKeepsTheInstanceAndCleanupEndsIt)
{
    OrvCfg::initialize("first");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OPEN_FAILED);
    orvtest::writeFile(propertiesPath(), HEADER + "k=stored\n");
    OrvCfg::initialize("second");
    EXPECT_EQ(stored("k"), "");

    OrvCfg::cleanup();
    OrvCfg::cleanup();
    EXPECT_EQ(set("k", "new"), ORVCFG_NO_INSTANCE);
    String checked("new");
    EXPECT_EQ(OrvCfg::checkKey(String("k"), checked), ORVCFG_NO_INSTANCE);
    EXPECT_EQ(mainFile(), HEADER + "k=stored\n");
    EXPECT_EQ(bytesOf(OrvCfg::getKey(String("k"), String("dflt").getBuffer())), "dflt");
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

} // namespace
