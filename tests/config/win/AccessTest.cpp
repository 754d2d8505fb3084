#include "ConfigAccess.h"
#include "ConfigFixture.h"
#include "Permissions.h"
#include "ShortPath.h"

#include <cstring>
#include <filesystem>

#include <aclapi.h>
#include <windows.h>

namespace {

struct Entry {
    std::string trustee; // "S-1-1-0" (Everyone), "S-1-5-32-544" (Administrators)
    ACCESS_MASK rights;
    BYTE inheritance;
    bool operator==(const Entry& other) const
    {
        return trustee == other.trustee && rights == other.rights && inheritance == other.inheritance;
    }
};

std::string sidText(PSID sid)
{
    const PSID_IDENTIFIER_AUTHORITY authority = GetSidIdentifierAuthority(sid);
    std::string text = "S-1-" + std::to_string(authority->Value[5]);
    for (BYTE i = 0; i < *GetSidSubAuthorityCount(sid); ++i)
        text += "-" + std::to_string(*GetSidSubAuthority(sid, i));
    return text;
}

// The access entries of a directory as the system reads them back; nullopt where the
// system keeps none (wine on a file system without extended attributes).
std::optional<std::vector<Entry>> entriesOf(const std::string& path)
{
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring wide = std::filesystem::u8path(path).wstring();
    if (GetNamedSecurityInfoW(wide.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<Entry> entries;
    for (DWORD i = 0; list != nullptr && i < list->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(list, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE)
            entries.push_back({sidText(&ace->SidStart), ace->Mask, ace->Header.AceFlags});
    }
    LocalFree(descriptor);
    return entries;
}

// Whether a list given to a directory reads back as given: one entry that no system would
// make up by default.
bool keepsAccessEntries(const std::string& dir)
{
    orvtest::makeDirs(dir);
    EXPLICIT_ACCESS_W entry = {};
    entry.grfAccessPermissions = FILE_GENERIC_EXECUTE;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    entry.Trustee.ptstrName = const_cast<LPWSTR>(L"CURRENT_USER");
    PACL list = nullptr;
    if (SetEntriesInAclW(1, &entry, nullptr, &list) != ERROR_SUCCESS)
        return false;
    std::wstring wide = std::filesystem::u8path(dir).wstring();
    const DWORD applied = SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT,
                                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                                nullptr, nullptr, list, nullptr);
    LocalFree(list);
    const std::optional<std::vector<Entry>> entries = entriesOf(dir);
    return applied == ERROR_SUCCESS && entries && entries->size() == 1 && (*entries)[0].rights == FILE_GENERIC_EXECUTE;
}

TEST(Permissions, NewDirectoriesGetExactlyTheTwoEntries)
{
    orvtest::TempDir tmp;
    const std::string top = tmp.file("logs"), deeper = tmp.file("logs/scan/trace");
    EXPECT_TRUE(createDirectoryPath((deeper + "\\").c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    EXPECT_TRUE(orvtest::fileExists(deeper));
    EXPECT_FALSE(setDirectoryPermissions(tmp.path().c_str(), 0, 0));
    EXPECT_FALSE(setDirectoryPermissions(tmp.file("missing").c_str(), FILE_ALL_ACCESS, GENERIC_READ));

    const std::vector<Entry> expected = {{"S-1-1-0", GENERIC_READ, CONTAINER_INHERIT_ACE},
                                         {"S-1-5-32-544", FILE_ALL_ACCESS, CONTAINER_INHERIT_ACE}};
    if (!keepsAccessEntries(tmp.file("probe"))) {
        std::printf("[ note     ] this system (wine on a file system without extended attributes) keeps no "
                    "access entries of its own; only the created paths were checked\n");
        return;
    }
    const std::optional<std::vector<Entry>> entries = entriesOf(deeper);
    ASSERT_TRUE(entries);
    EXPECT_EQ(*entries, expected);
    EXPECT_EQ(entriesOf(top), expected);
    ASSERT_TRUE(setDirectoryPermissions(top.c_str(), FILE_ALL_ACCESS, 0));
    EXPECT_EQ(entriesOf(top), std::vector<Entry>{expected[1]}) << "an entry with rights 0 is left out";
}

using ConfigAccess = ConfigTest;

TEST_F(ConfigAccess, PropertiesFileAccessNeedsAnExistingFile)
{
    initializeWith(HEADER);
    // Windows refuses to open a directory as a file with "access denied".
    EXPECT_EQ(checkPropertiesFileAccess(String(configDir().c_str())), ORVCFG_ACCESS_DENIED) << "a directory";
    const std::string missing = configDir() + "missing.properties";
    EXPECT_EQ(checkPropertiesFileAccess(String(missing.c_str())), ORVCFG_OPEN_FAILED);
    EXPECT_FALSE(orvtest::fileExists(missing));
    EXPECT_EQ(checkPropertiesFileAccess(String(propertiesPath().c_str())), ORVCFG_OK);
    EXPECT_EQ(mainFile(), HEADER) << "the checks write nothing";
}

// The shell's folders, through the wide calls; a configuration directory outside the
// program-files folder is not virtualized, and the probe file stays, truncated.
TEST_F(ConfigAccess, ShellFoldersAndAConfigurationOutsideProgramFiles)
{
    for (int folder : {36, 37, 38}) {
        char path[ORV_PATH_BUFFER_SIZE] = "";
        EXPECT_EQ(getSpecialFolderPath(folder, path), 0) << folder;
        EXPECT_EQ(path[1], ':') << folder << ": " << path;
    }
    initializeWith(HEADER);
    orvtest::writeFile(configDir() + "Orv.tmp", "left over");
    EXPECT_EQ(isConfigDirVirtualized(), 0);
    EXPECT_EQ(orvtest::readFile(configDir() + "Orv.tmp"), "");
}

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
    const std::string dir = m_Tmp.file("Program Files (x86)/Scan/config/");
    const std::string store = profile + "\\AppData\\Local\\VirtualStore\\Program Files (x86)\\Scan\\config\\";
    orvtest::makeDirs(dir);
    orvtest::makeDirs(store);
    std::strcpy(s_PropertiesTmpPath, (dir + "Orv.tmp").c_str());
    const struct {
        const char* name;
        const char* programFiles;
        bool inStore;
        int expected;
    } cases[] = {
        {"Redirected", "C:\\Program Files", true, 1},
        {"NothingInTheStore", "C:\\Program Files", false, 0},
        {"OutsideProgramFiles", "C:\\Programs", true, 0},
    };
    orvtest::ScopedEnv user("USERPROFILE", profile.c_str());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.inStore)
            orvtest::writeFile(store + "Orv.tmp", "");
        g_ProgramFiles = c.programFiles;
        EXPECT_EQ(isConfigDirVirtualized(&namedProgramFiles), c.expected);
        EXPECT_EQ(orvtest::fileExists(dir + "Orv.tmp"), c.expected == 0);
        EXPECT_EQ(orvtest::fileExists(store + "Orv.tmp"), c.inStore && c.expected == 0);
        std::filesystem::remove(store + "Orv.tmp");
        std::filesystem::remove(dir + "Orv.tmp");
    }
    g_ProgramFiles = nullptr;
}

// The short form names the same directory without blanks, and fits the caller's room.
TEST(ShortPath, BlankFreeFormOfAnExistingDirectory)
{
    orvtest::TempDir tmp;
    const std::string dir = tmp.file("cache home with blanks");
    orvtest::makeDirs(dir);
    std::string shortForm = "untouched";
    ASSERT_TRUE(orv::os::getShortPathForm(dir.c_str(), 260, shortForm));
    EXPECT_EQ(shortForm.find(' '), std::string::npos) << shortForm;
    EXPECT_TRUE(std::filesystem::equivalent(shortForm, dir)) << shortForm;
    std::string unchanged = "untouched";
    EXPECT_FALSE(orv::os::getShortPathForm(dir.c_str(), shortForm.size(), unchanged));
    EXPECT_FALSE(orv::os::getShortPathForm(tmp.file("missing dir").c_str(), 260, unchanged));
    EXPECT_EQ(unchanged, "untouched");
}

} // namespace
