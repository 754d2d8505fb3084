#include "ConfigAccess.h"
#include "ConfigFixture.h"
#include "Permissions.h"
#include "ShortPath.h"

#include <cstring>

namespace {

// A new directory of the path is open to every reader (the trace library's files are read
// by every scanner); a link is never followed to change its target's access. Where the
// system keeps no mode bits (Windows, and wine keeps no access entries) only the refusal of
// an impossible path is tried.
TEST(Permissions, NewDirectoriesAreOpenToReadersAndNoLinkIsFollowed)
{
    orvtest::TempDir tmp;
    const std::string deeper = tmp.file("logs/scan/trace");
    orvtest::writeFile(tmp.file("file"), "");
    EXPECT_FALSE(createDirectoryPath(tmp.file("file/x/y").c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    ASSERT_TRUE(createDirectoryPath((deeper + orvtest::SEP).c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    if (!orvtest::haveModeBits() || !orvtest::makeSymbolicLink(deeper, tmp.file("link")))
        GTEST_SKIP() << "no mode bits or no symbolic links here";
    EXPECT_EQ(modeOf(tmp.file("logs")), 0755u);
    orvtest::setMode(deeper, 0700);
    EXPECT_FALSE(setDirectoryPermissions(tmp.file("link").c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    EXPECT_EQ(modeOf(deeper), 0700u) << "the link's target keeps its access";
}

using ConfigAccess = ConfigTest;

// The redirection rules, with a program-files folder named by the test.
const char* g_ProgramFiles = nullptr;
int namedProgramFiles(int folder, char* path)
{
    return folder != 38 || g_ProgramFiles == nullptr ? static_cast<int>(0x80004001u) : (std::strcpy(path, g_ProgramFiles), 0);
}

TEST_F(ConfigAccess, RedirectedWriteIsDetectedAndBothFilesRemoved)
{
    const std::string profile = m_Tmp.file("user");
    const std::string dir = m_Tmp.file("Program Files (x86)/Scan/config/");
    const std::string store = profile + orvtest::native("/AppData/Local/VirtualStore/Program Files (x86)/Scan/config/");
    orvtest::makeDirs(dir);
    orvtest::makeDirs(store);
    std::strcpy(s_PropertiesTmpPath, (dir + "Orv.tmp").c_str());
    orvtest::ScopedEnv user("USERPROFILE", profile.c_str());
    const std::string programFiles = orvtest::rooted("Program Files"), programs = orvtest::rooted("Programs");
    const struct { const char* name; const char* programFiles; bool inStore; int expected; } cases[] = {
        {"Redirected", programFiles.c_str(), true, 1},
        {"NothingInTheStore", programFiles.c_str(), false, 0},
        {"OutsideProgramFiles", programs.c_str(), true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.inStore)
            orvtest::writeFile(store + "Orv.tmp", "");
        g_ProgramFiles = c.programFiles;
        EXPECT_EQ(isConfigDirVirtualized(&namedProgramFiles), c.expected);
        EXPECT_EQ(orvtest::fileExists(dir + "Orv.tmp"), c.expected == 0);
        EXPECT_EQ(orvtest::fileExists(store + "Orv.tmp"), c.inStore && c.expected == 0);
        std::filesystem::remove(std::filesystem::u8path(store + "Orv.tmp"));
        std::filesystem::remove(std::filesystem::u8path(dir + "Orv.tmp"));
    }
    g_ProgramFiles = nullptr;
}

// A cache home with blanks is stored in its short form where the file system keeps one
// (Windows); elsewhere there is none and the value is stored as given (the cache-home test).
TEST(ShortPath, BlankFreeFormOfAnExistingDirectory)
{
    if (!orvtest::isWindows())
        GTEST_SKIP() << "no short forms on this system";
    orvtest::TempDir tmp;
    const std::string dir = tmp.file("cache home with blanks");
    orvtest::makeDirs(dir);
    std::string unchanged = "untouched", shortForm;
    EXPECT_FALSE(orv::os::getShortPathForm(tmp.file("missing dir").c_str(), 260, unchanged));
    ASSERT_TRUE(orv::os::getShortPathForm(dir.c_str(), 260, shortForm));
    EXPECT_EQ(shortForm.find(' '), std::string::npos) << shortForm;
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::u8path(shortForm), std::filesystem::u8path(dir)))
        << shortForm;
    EXPECT_FALSE(orv::os::getShortPathForm(dir.c_str(), shortForm.size(), unchanged)) << "no room for the NUL";
    EXPECT_EQ(unchanged, "untouched");
}

} // namespace
