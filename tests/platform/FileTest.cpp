#include "File.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using orvtest::native;
using orvtest::rooted;

// The same paths with each system's separator and root ("/" or "C:\").
TEST(FileTest, ParentAndAbsolutePath)
{
    std::vector<std::pair<std::string, std::string>> parents = {
        {rooted("opt/orv/bin/orvcfg"), rooted("opt/orv/bin")},
        {rooted("opt/orv/bin/"), rooted("opt/orv")},
        {rooted("orvcfg"), rooted("")},
        {"orvcfg", ""},
    };
    if (orvtest::isWindows())
        parents.push_back({"\\\\server\\share\\orv", "\\\\server\\share\\"});
    for (const auto& [path, parent] : parents)
        EXPECT_STREQ(File(path.c_str()).getParent().narrow(), parent.c_str()) << path;

    EXPECT_STREQ(File(rooted("opt//orv/./bin/../lib").c_str()).getAbsolutePath().narrow(), rooted("opt/orv/lib").c_str());
    EXPECT_STREQ(File(rooted("").c_str()).getAbsolutePath().narrow(), rooted("").c_str());
    const String relative = File(native("x/y").c_str()).getAbsolutePath();
    EXPECT_TRUE(relative.endsWith(String(native("/x/y").c_str()))) << relative.narrow();
}

// Narrow paths are UTF-8: a name outside any single-byte code page reaches the file system
// whole.
TEST(FileTest, ExistsAndDeleteWithNonAsciiNames)
{
    orvtest::TempDir dir;
    for (const char* name : {"f", "\xC3\xBC\xE2\x82\xAC\xE4\xB8\xAD.properties"}) {
        const std::string path = dir.file(name);
        File f(path.c_str());
        EXPECT_FALSE(f.exists() || f.del()) << name;
        orvtest::writeFile(path, "x");
        EXPECT_TRUE(f.exists() && f.del()) << name;
        EXPECT_FALSE(orvtest::fileExists(path)) << name;
    }
}

} // namespace
