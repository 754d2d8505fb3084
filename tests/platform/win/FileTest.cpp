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
        {"C:\\opt\\orv\\bin\\orvcfg", "C:\\opt\\orv\\bin"}, {"C:\\opt\\orv\\bin\\", "C:\\opt\\orv"},
        {"C:\\orvcfg", "C:\\"}, {"C:\\", ""}, {"orvcfg", ""}, {"bin\\orvcfg", "bin"},
        {"\\\\server\\share\\orv", "\\\\server\\share\\"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(File(c.path).getParent().narrow(), c.parent) << c.path;

    EXPECT_STREQ(File("C:\\opt\\\\orv\\.\\bin\\..\\lib").getAbsolutePath().narrow(), "C:\\opt\\orv\\lib");
    EXPECT_STREQ(File("C:\\").getAbsolutePath().narrow(), "C:\\");
    String relative = File("x\\y").getAbsolutePath();
    EXPECT_EQ(relative.charAt(1), u':');
    EXPECT_TRUE(relative.endsWith(String("\\x\\y")));
}

// Narrow paths are UTF-8: a name outside the ANSI code page must reach the file system whole.
TEST(FileTest, ExistsAndDeleteWithNonAsciiNames)
{
    orvtest::TempDir dir;
    for (const char* name : {"f", "\xC3\xBC\xE2\x82\xAC\xE4\xB8\xAD.properties"}) {
        std::string path = dir.file(name);
        File f(path.c_str());
        EXPECT_FALSE(f.exists()) << name;
        EXPECT_FALSE(f.del()) << name;
        orvtest::writeFile(path, "x");
        EXPECT_TRUE(f.exists()) << name;
        EXPECT_TRUE(f.del()) << name;
        EXPECT_FALSE(orvtest::fileExists(path)) << name;
    }
    const String child("c");
    EXPECT_STREQ(File(String("C:\\a"), &child).getPath().narrow(), "C:\\a\\c");
}

TEST(FileTest, CurrentProcessPathIsTheTestExecutable)
{
    String given("ignored");
    String path = Process::getCurrentProcessFullPath(&given);
    EXPECT_TRUE(path.endsWith(String("\\platform_tests.exe"))) << path.narrow();
}

} // namespace
