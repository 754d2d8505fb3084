#include "ConfigAccess.h"
#include "ConfigFixture.h"
#include "Permissions.h"

#include <cstring>

namespace {

TEST(Permissions, DirectoryPathStopsAtTheFirstFailure)
{
    ORVTEST_REQUIRE_CHILD_PROCESSES();
    orvtest::TempDir tmp;
    // Created levels and their modes are pinned through a change of common_trace_path.
    orvtest::writeFile(tmp.file("file"), "");
    EXPECT_FALSE(createDirectoryPath(tmp.file("file/x/y").c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    EXPECT_FALSE(orvtest::fileExists(tmp.file("file/x")));

    // A link is never followed: its target keeps its mode.
    ASSERT_EQ(::symlink(tmp.path().c_str(), tmp.file("link").c_str()), 0);
    for (const std::string& path : {tmp.path(), tmp.file("missing"), tmp.file("link")})
        EXPECT_FALSE(setDirectoryPermissions(path.c_str(), path == tmp.path() ? 0 : FILE_ALL_ACCESS, 0)) << path;
    EXPECT_EQ(modeOf(tmp.path()), 0777u);
    EXPECT_TRUE(setDirectoryPermissions(tmp.path().c_str(), FILE_ALL_ACCESS, 0));
    EXPECT_EQ(modeOf(tmp.path()), 0700u);
    ::chmod(tmp.path().c_str(), 0777);
}

using ConfigAccess = ConfigTest;

// The redirection rules, with a program-files folder named by the test.
const char* g_ProgramFiles = nullptr;
int namedProgramFiles(int folder, char* path)
{
    if (folder != 38 || g_ProgramFiles == nullptr)
        return static_cast<int>(0x80004001u);
    std::strcpy(path, g_ProgramFiles);
    return 0;
}

TEST_F(ConfigAccess, RedirectedWriteIsDetectedAndBothFilesRemoved)
{
    const std::string profile = m_Tmp.file("user");
    const std::string dir = m_Tmp.path() + "/Program Files (x86)/Scan/config/";
    const std::string store = profile + "/AppData/Local/VirtualStore/Program Files (x86)/Scan/config/";
    orvtest::makeDirs(dir);
    orvtest::makeDirs(store);
    std::strcpy(s_PropertiesTmpPath, (dir + "Orv.tmp").c_str());
    const struct {
        const char* name;
        const char* programFiles;
        bool inStore;
        bool hasProfile;
        int expected;
    } cases[] = {
        {"Redirected", "/C/Program Files", true, true, 1},
        {"NothingInTheStore", "/C/Program Files", false, true, 0},
        {"OutsideProgramFiles", "/C/Programs", true, true, 0},
        {"NoUserProfileStillRemovesTheProbe", "/C/Program Files", true, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.inStore)
            orvtest::writeFile(store + "Orv.tmp", "");
        orvtest::ScopedEnv user("USERPROFILE", c.hasProfile ? profile.c_str() : nullptr);
        g_ProgramFiles = c.programFiles;
        EXPECT_EQ(isConfigDirVirtualized(&namedProgramFiles), c.expected);
        EXPECT_EQ(orvtest::fileExists(dir + "Orv.tmp"), c.expected == 0 && c.hasProfile);
        EXPECT_EQ(orvtest::fileExists(store + "Orv.tmp"), c.inStore && c.expected == 0);
        ::unlink((store + "Orv.tmp").c_str());
        ::unlink((dir + "Orv.tmp").c_str());
    }
    g_ProgramFiles = nullptr;
}

} // namespace
