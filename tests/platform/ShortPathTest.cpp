#include "ShortPath.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A cache home with blanks is stored in its short form where the file system keeps one
// (Windows); elsewhere there is none and the caller's text stays as it was.
TEST(ShortPath, BlankFreeFormOfAnExistingDirectory)
{
    orvtest::TempDir tmp;
    const std::string dir = tmp.file("cache home with blanks");
    orvtest::makeDirs(dir);
    std::string unchanged = "untouched", shortForm;
    EXPECT_FALSE(orv::os::getShortPathForm(tmp.file("missing dir").c_str(), 260, unchanged));
    if (orvtest::isWindows()) {
        ASSERT_TRUE(orv::os::getShortPathForm(dir.c_str(), 260, shortForm));
        EXPECT_EQ(shortForm.find(' '), std::string::npos) << shortForm;
        EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::u8path(shortForm), std::filesystem::u8path(dir)));
        // The buffer the form is copied into needs room for its closing NUL.
        EXPECT_FALSE(orv::os::getShortPathForm(dir.c_str(), shortForm.size(), unchanged));
    } else {
        EXPECT_FALSE(orv::os::getShortPathForm(dir.c_str(), 260, unchanged));
    }
    EXPECT_EQ(unchanged, "untouched");
}

} // namespace
