#include "File.h"
#include "Process.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(FileTest, ParentAndAbsolutePath)
{
    struct Case {
        const char* path;
        const char* parent;
    } cases[] = {
        {"/opt/orv/bin/orvcfg", "/opt/orv/bin"}, {"/opt/orv/bin/", "/opt/orv"}, {"/orvcfg", "/"},
        {"orvcfg", ""},                          {"bin/orvcfg", "bin"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(File(c.path).getParent().narrow(), c.parent) << c.path;

    EXPECT_STREQ(File("/opt//orv/./bin/../lib").getAbsolutePath().narrow(), "/opt/orv/lib");
    EXPECT_STREQ(File("/").getAbsolutePath().narrow(), "/");
    String relative = File("x/y").getAbsolutePath();
    EXPECT_EQ(relative.charAt(0), u'/');
    EXPECT_TRUE(relative.endsWith(String("/x/y")));
}

TEST(FileTest, ExistsAndDelete)
{
    orvtest::TempDir dir;
    std::string path = dir.file("f");
    File f(path.c_str());
    EXPECT_FALSE(f.exists());
    EXPECT_FALSE(f.del());
    orvtest::writeFile(path, "x");
    EXPECT_TRUE(f.exists());
    EXPECT_TRUE(f.del());
    EXPECT_FALSE(orvtest::fileExists(path));
    const String child("c");
    EXPECT_STREQ(File(String("/a"), &child).getPath().narrow(), "/a/c");
}

TEST(FileTest, CurrentProcessPathIsTheTestExecutable)
{
    String given("ignored");
    String path = Process::getCurrentProcessFullPath(&given);
    EXPECT_TRUE(path.endsWith(String("/platform_tests"))) << path.narrow();
}

} // namespace
