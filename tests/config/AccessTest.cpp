#include "ConfigAccess.h"
#include "ConfigFixture.h"
#include "Permissions.h"
#include "ShortPath.h"

#include <cstring>

namespace {

// What a new directory carries for the two entries the service gives it: mode bits on
// POSIX, the access entries on Windows ("<trustee> <rights> <inheritance>"). An entry with
// rights 0 is left out.
std::string expectedAccess(bool everyone)
{
    if (orvtest::haveModeBits())
        return everyone ? "0755" : "0700";
    return everyone ? "Everyone 0x80000000 sub-directories; Administrators 0x1f01ff sub-directories"
                    : "Administrators 0x1f01ff sub-directories";
}

// Every directory of the path gets the access; the path stops at the first failure, and
// a link's target keeps its access.
TEST(Permissions, NewDirectoriesGetTheAccessOfTheTwoEntriesAndNoLinkIsFollowed)
{
    orvtest::TempDir tmp;
    const std::string top = tmp.file("logs"), deeper = tmp.file("logs/scan/trace");
    ASSERT_TRUE(createDirectoryPath((deeper + orvtest::SEP).c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    EXPECT_FALSE(setDirectoryPermissions(tmp.path().c_str(), 0, 0));
    EXPECT_FALSE(setDirectoryPermissions(tmp.file("missing").c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    orvtest::writeFile(tmp.file("file"), "");
    EXPECT_FALSE(createDirectoryPath(tmp.file("file/x/y").c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    EXPECT_FALSE(orvtest::fileExists(tmp.file("file/x")));
    if (!orvtest::accessOf(deeper)) {
        std::printf("[ note     ] this system (wine on a file system without extended attributes) keeps no "
                    "access entries of its own; only the created paths were checked\n");
        EXPECT_TRUE(orvtest::fileExists(deeper));
        return;
    }
    EXPECT_EQ(orvtest::accessOf(deeper), expectedAccess(true));
    EXPECT_EQ(orvtest::accessOf(top), expectedAccess(true));
    ASSERT_TRUE(setDirectoryPermissions(top.c_str(), FILE_ALL_ACCESS, 0));
    EXPECT_EQ(orvtest::accessOf(top), expectedAccess(false));

    if (!orvtest::makeSymbolicLink(deeper, tmp.file("link"))) {
        std::printf("[ note     ] this system makes no symbolic links; the link was not tried\n");
        return;
    }
    EXPECT_FALSE(setDirectoryPermissions(tmp.file("link").c_str(), FILE_ALL_ACCESS, 0));
    EXPECT_EQ(orvtest::accessOf(deeper), expectedAccess(true)) << "the link's target keeps its access";
}

using ConfigAccess = ConfigTest;

// The shell's folders exist on Windows only; elsewhere every lookup answers "not
// implemented". A configuration directory outside the program-files folder is not
// virtualized, and the probe file stays, truncated.
TEST_F(ConfigAccess, ShellFoldersAndAConfigurationOutsideProgramFiles)
{
    initializeWith(HEADER);
    for (int folder : {36, 37, 38}) {
        char path[ORV_PATH_BUFFER_SIZE] = "";
        EXPECT_EQ(getSpecialFolderPath(folder, path), orvtest::isWindows() ? 0 : static_cast<int>(0x80004001u)) << folder;
        EXPECT_TRUE(!orvtest::isWindows() || path[1] == ':') << folder << ": " << path;
    }
    orvtest::writeFile(configDir() + "Orv.tmp", "left over");
    EXPECT_EQ(isConfigDirVirtualized(), 0);
    EXPECT_EQ(orvtest::readFile(configDir() + "Orv.tmp"), "");
}

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
    const std::string programFiles = orvtest::rooted("Program Files"), programs = orvtest::rooted("Programs");
    const struct { const char* name; const char* programFiles; bool inStore, hasProfile; int expected; } cases[] = {
        {"Redirected", programFiles.c_str(), true, true, 1},
        {"NothingInTheStore", programFiles.c_str(), false, true, 0},
        {"OutsideProgramFiles", programs.c_str(), true, true, 0},
        {"NoUserProfileStillRemovesTheProbe", programFiles.c_str(), true, false, 0},
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
        std::filesystem::remove(std::filesystem::u8path(store + "Orv.tmp"));
        std::filesystem::remove(std::filesystem::u8path(dir + "Orv.tmp"));
    }
    g_ProgramFiles = nullptr;
}

// A cache home with blanks is stored in its short form where the file system keeps one
// (Windows); elsewhere there is none and the caller's text stays as it was.
TEST(ShortPath, BlankFreeFormOfAnExistingDirectory)
{
    orvtest::TempDir tmp;
    const std::string dir = tmp.file("cache home with blanks");
    orvtest::makeDirs(dir);
    std::string unchanged = "untouched", shortForm = "untouched";
    EXPECT_FALSE(orv::os::getShortPathForm(tmp.file("missing dir").c_str(), 260, unchanged));
    if (!orvtest::isWindows()) {
        EXPECT_FALSE(orv::os::getShortPathForm(dir.c_str(), 260, unchanged));
        EXPECT_EQ(unchanged, "untouched");
        return;
    }
    ASSERT_TRUE(orv::os::getShortPathForm(dir.c_str(), 260, shortForm));
    EXPECT_EQ(shortForm.find(' '), std::string::npos) << shortForm;
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::u8path(shortForm), std::filesystem::u8path(dir)))
        << shortForm;
    EXPECT_FALSE(orv::os::getShortPathForm(dir.c_str(), shortForm.size(), unchanged)) << "no room for the NUL";
    EXPECT_EQ(unchanged, "untouched");
}

} // namespace
