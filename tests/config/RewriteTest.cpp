#include "ConfigFixture.h"

#include <cstdio>
#include <cstring>

namespace {

using Rewrite = ConfigTest;

// A rewrite that fails after every check has passed (its temporary file cannot be made, the
// disk fills up) leaves Orv.properties as it was, no temporary file and no open descriptor.
TEST_F(Rewrite, FailedWriteLeavesTheOrvFileAsItWasAndNoTemporaryFile)
{
    const std::string before = HEADER + "k=1\n";
    const auto change = [] {
        const int handles = orvtest::openHandleCount();
        const int result = set("k", "2");
        return orvtest::openHandleCount() == handles ? result : 100;
    };
    start(before, std::nullopt);
    std::strcpy(s_PropertiesTmpPath, m_Tmp.file("missing/Orv.tmp").c_str());
    EXPECT_EQ(change(), ORVCFG_OPEN_FAILED);
    EXPECT_EQ(mainFile(), before);

    if (!orvtest::haveChildProcesses()) {
        std::printf("[ note     ] a full disk is a file size limit, which needs fork(); not tried\n");
        return;
    }
    start(before, std::nullopt);
    EXPECT_EQ(orvtest::runWithFileSizeLimit(8, change), ORVCFG_WRITE_FAILED);
    EXPECT_EQ(mainFile(), before);
    EXPECT_FALSE(orvtest::fileExists(configDir() + "Orv.tmp"));
}

} // namespace
