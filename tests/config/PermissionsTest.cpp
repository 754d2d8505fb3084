#include "Permissions.h"

#include "RewriteFixture.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

struct RightsCase {
    unsigned int admin;
    unsigned int everyone;
    unsigned int mode;
};

TEST(Permissions, RightsBecomeOwnerAndWorldBits)
{
    const RightsCase cases[] = {
        {FILE_ALL_ACCESS, GENERIC_READ, 0755},
        {FILE_ALL_ACCESS, 0, 0700},
        {0, GENERIC_READ, 0055},
        {GENERIC_READ, FILE_ALL_ACCESS, 0577},
        {orv::os::RIGHTS_GENERIC_WRITE, orv::os::RIGHTS_GENERIC_EXECUTE, 0211},
    };
    for (const RightsCase& c : cases)
        EXPECT_EQ(orv::os::modeForRights(c.admin, c.everyone), c.mode) << std::hex << c.admin << " " << c.everyone;
}

class DirectoryPath : public ::testing::Test {
protected:
    // The process mask must not narrow the modes of created directories.
    void SetUp() override { m_OldMask = ::umask(077); }
    void TearDown() override { ::umask(m_OldMask); }

    bool create(const std::string& path) { return createDirectoryPath(path.c_str(), FILE_ALL_ACCESS, GENERIC_READ); }

    orvtest::TempDir m_Tmp;
    mode_t m_OldMask = 0;
};

TEST_F(DirectoryPath, CreatesMissingLevelsAndKeepsExistingOnes)
{
    const std::string logs = m_Tmp.file("logs");
    ASSERT_EQ(::mkdir(logs.c_str(), 0700), 0);
    EXPECT_TRUE(create(logs + "/scan/trace"));
    EXPECT_EQ(modeOf(logs), 0700u);
    EXPECT_EQ(modeOf(logs + "/scan"), 0755u);
    EXPECT_EQ(modeOf(logs + "/scan/trace"), 0755u);
}

TEST_F(DirectoryPath, ExistingPathChangesNothing)
{
    ASSERT_EQ(::chmod(m_Tmp.path().c_str(), 0711), 0);
    EXPECT_TRUE(create(m_Tmp.path()));
    EXPECT_EQ(modeOf(m_Tmp.path()), 0711u);
    ::chmod(m_Tmp.path().c_str(), 0777);
}

TEST_F(DirectoryPath, TrailingSeparatorAndDoubledSeparatorsAreHarmless)
{
    EXPECT_TRUE(create(m_Tmp.file("a//b/")));
    EXPECT_EQ(modeOf(m_Tmp.file("a/b")), 0755u);
}

TEST_F(DirectoryPath, UncreatableLevelStopsAtOnce)
{
    orvtest::writeFile(m_Tmp.file("file"), "x");
    EXPECT_FALSE(create(m_Tmp.file("file/sub/deeper")));
    EXPECT_FALSE(orvtest::fileExists(m_Tmp.file("file/sub")));

    ASSERT_EQ(::chmod(m_Tmp.path().c_str(), 0555), 0);
    EXPECT_EQ(orvtest::runUnprivileged([&] { return create(m_Tmp.file("x/y")) ? 1 : 0; }), 0);
    ::chmod(m_Tmp.path().c_str(), 0777);
    EXPECT_FALSE(orvtest::fileExists(m_Tmp.file("x")));
}

TEST_F(DirectoryPath, RelativePathIsCreatedBelowWorkingDirectory)
{
    const std::string before = std::filesystem::current_path().string();
    std::filesystem::current_path(m_Tmp.path());
    EXPECT_TRUE(create("rel/sub"));
    std::filesystem::current_path(before);
    EXPECT_EQ(modeOf(m_Tmp.file("rel/sub")), 0755u);
}

TEST(Permissions, SetDirectoryPermissionsRefusesNothingToDo)
{
    orvtest::TempDir tmp;
    EXPECT_FALSE(setDirectoryPermissions(nullptr, FILE_ALL_ACCESS, GENERIC_READ));
    EXPECT_FALSE(setDirectoryPermissions(tmp.path().c_str(), 0, 0));
    EXPECT_EQ(modeOf(tmp.path()), 0777u);
    EXPECT_FALSE(setDirectoryPermissions(tmp.file("missing").c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    EXPECT_TRUE(setDirectoryPermissions(tmp.path().c_str(), FILE_ALL_ACCESS, 0));
    EXPECT_EQ(modeOf(tmp.path()), 0700u);
    ::chmod(tmp.path().c_str(), 0777);
}

} // namespace
