#include "ConfigAccess.h"
#include "ConfigFixture.h"
#include "PathBuffers.h"

#include <sys/stat.h>

#include <cstring>

namespace {

const int E_NOTIMPL_RESULT = static_cast<int>(0x80004001u);

using ConfigAccess = ConfigTest;

TEST_F(ConfigAccess, NoSpecialFolderIsKnownHere)
{
    for (int folder : {0, 36, 37, 38, 40}) {
        char path[ORV_PATH_BUFFER_SIZE] = "untouched";
        EXPECT_EQ(getSpecialFolderPath(folder, path), E_NOTIMPL_RESULT) << folder;
        EXPECT_STREQ(path, "untouched");
    }
}

TEST_F(ConfigAccess, VirtualStoreTestLeavesATruncatedProbeFile)
{
    initializeWith("ORV_PROPERTIES_FILE\n");
    orvtest::writeFile(configDir() + "Orv.tmp", "left over");
    EXPECT_EQ(isConfigDirVirtualized(), 0);
    EXPECT_TRUE(orvtest::fileExists(configDir() + "Orv.tmp"));
    EXPECT_EQ(orvtest::readFile(configDir() + "Orv.tmp"), "");
}

// The redirection rules, with a program-files folder named by the test.
const char* g_ProgramFiles = nullptr;
int namedProgramFiles(int folder, char* path)
{
    if (folder != 38 || g_ProgramFiles == nullptr)
        return E_NOTIMPL_RESULT;
    std::strcpy(path, g_ProgramFiles);
    return 0;
}

class VirtualStore : public ConfigTest {
protected:
    // Points the probe path into <tmp>/<programFilesDir>/Scan/config/.
    std::string layOut(const std::string& programFilesDir)
    {
        const std::string dir = m_Tmp.path() + "/" + programFilesDir + "/Scan/config/";
        orvtest::makeDirs(dir);
        std::strcpy(s_PropertiesTmpPath, (dir + "Orv.tmp").c_str());
        return dir + "Orv.tmp";
    }
    std::string profile() const { return m_Tmp.path() + "/user"; }
    std::string storeFile(const std::string& programFilesDir) const
    {
        return profile() + "/AppData/Local/VirtualStore/" + programFilesDir + "/Scan/config/Orv.tmp";
    }
};

TEST_F(VirtualStore, RedirectedWriteIsDetectedAndBothFilesRemoved)
{
    for (const char* programFilesDir : {"Program Files", "Program Files (x86)"}) {
        SCOPED_TRACE(programFilesDir);
        const std::string probe = layOut(programFilesDir);
        orvtest::makeDirs(profile() + "/AppData/Local/VirtualStore/" + programFilesDir + "/Scan/config");
        orvtest::writeFile(storeFile(programFilesDir), "");
        orvtest::ScopedEnv user("USERPROFILE", profile().c_str());
        g_ProgramFiles = "/C/Program Files";

        EXPECT_EQ(isConfigDirVirtualized(&namedProgramFiles), 1);
        EXPECT_FALSE(orvtest::fileExists(storeFile(programFilesDir)));
        EXPECT_FALSE(orvtest::fileExists(probe));
    }
}

TEST_F(VirtualStore, NoRedirectionFound)
{
    const std::string probe = layOut("Program Files");
    g_ProgramFiles = "/C/Program Files";
    {
        orvtest::ScopedEnv user("USERPROFILE", profile().c_str());
        EXPECT_EQ(isConfigDirVirtualized(&namedProgramFiles), 0) << "nothing in the store";
        EXPECT_TRUE(orvtest::fileExists(probe));
    }
    {
        orvtest::ScopedEnv user("USERPROFILE", nullptr);
        EXPECT_EQ(isConfigDirVirtualized(&namedProgramFiles), 0) << "no user profile";
        EXPECT_FALSE(orvtest::fileExists(probe));
    }
    {
        orvtest::ScopedEnv user("USERPROFILE", profile().c_str());
        g_ProgramFiles = "/C/Programs";
        EXPECT_EQ(isConfigDirVirtualized(&namedProgramFiles), 0) << "outside the program-files folder";
        EXPECT_TRUE(orvtest::fileExists(probe));
    }
    g_ProgramFiles = nullptr;
}

TEST_F(ConfigAccess, PropertiesFileAccess)
{
    initializeWith("ORV_PROPERTIES_FILE\n");
    const String path(propertiesPath().c_str());
    EXPECT_EQ(checkPropertiesFileAccess(path), ORVCFG_OK);

    const std::string missing = configDir() + "missing.properties";
    EXPECT_EQ(checkPropertiesFileAccess(String(missing.c_str())), ORVCFG_OPEN_FAILED);
    EXPECT_FALSE(orvtest::fileExists(missing));

    EXPECT_EQ(checkPropertiesFileAccess(String(configDir().c_str())), ORVCFG_OPEN_FAILED) << "a directory";
}

TEST_F(ConfigAccess, PropertiesFileAccessUnprivileged)
{
    initializeWith("ORV_PROPERTIES_FILE\n");
    const std::string path = propertiesPath();
    struct {
        const char* name;
        mode_t mode;
        int expected;
    } const cases[] = {
        {"ReadOnly", 0444, ORVCFG_ACCESS_DENIED},
        {"NoAccess", 0, ORVCFG_ACCESS_DENIED},
        {"WriteOnly", 0222, ORVCFG_OK},
        {"ReadWrite", 0666, ORVCFG_OK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        EXPECT_EQ(orvtest::runUnprivileged([&] { return checkPropertiesFileAccess(String(path.c_str())); }),
                  c.expected);
    }
    EXPECT_EQ(orvtest::readFile(path), "ORV_PROPERTIES_FILE\n") << "appending checks write nothing";
}

TEST_F(ConfigAccess, DirectoryProbe)
{
    EXPECT_EQ(checkDirWritable(String(m_Tmp.path().c_str())), ORVCFG_OK);
    EXPECT_FALSE(orvtest::fileExists(m_Tmp.file("tempwriteorvfiletest999")));

    EXPECT_EQ(checkDirWritable(String(m_Tmp.file("missing").c_str())), ORVCFG_DIR_NOT_WRITABLE);
    orvtest::writeFile(m_Tmp.file("plain"), "");
    EXPECT_EQ(checkDirWritable(String(m_Tmp.file("plain").c_str())), ORVCFG_DIR_NOT_WRITABLE);

    orvtest::makeDirs(m_Tmp.file("locked"));
    ASSERT_EQ(chmod(m_Tmp.file("locked").c_str(), 0555), 0);
    const String locked(m_Tmp.file("locked").c_str());
    EXPECT_EQ(orvtest::runUnprivileged([&] { return checkDirWritable(locked); }), ORVCFG_DIR_NOT_WRITABLE);
}

} // namespace
