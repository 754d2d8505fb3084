#include "ConfigFixture.h"
#include "Permissions.h"

#include <cstdio>

namespace {

// A new directory of the path is open to every reader (the trace library's files are read
// by every scanner); a link is never followed to change its target's access.
TEST(Permissions, NewDirectoriesAreOpenToReadersAndNoLinkIsFollowed)
{
    orvtest::TempDir tmp;
    const std::string deeper = tmp.file("logs/scan/trace");
    ASSERT_TRUE(createDirectoryPath((deeper + orvtest::SEP).c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    if (!orvtest::haveModeBits() || !orvtest::makeSymbolicLink(deeper, tmp.file("link"))) {
        std::printf("[ note     ] no mode bits or no symbolic links here; only the directories were made\n");
        return;
    }
    EXPECT_EQ(modeOf(tmp.file("logs")), 0755u);
    orvtest::setMode(deeper, 0700);
    EXPECT_FALSE(setDirectoryPermissions(tmp.file("link").c_str(), FILE_ALL_ACCESS, GENERIC_READ));
    EXPECT_EQ(modeOf(deeper), 0700u) << "the link's target keeps its access";
}

} // namespace
