#include "ConfigFixture.h"
#include "Permissions.h"

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

} // namespace
