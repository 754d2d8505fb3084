#include "ConfigFixture.h"

#include <cstring>
#include <functional>
#include <iostream>

namespace {

using Rewrite = ConfigTest;

// The rewrite of Orv.properties on its own, where setKey's checks before it would answer first.

TEST_F(Rewrite, FailuresLeaveTheOrvFileAsItWasAndNoTemporaryFile)
{
    enum Runner { HERE, UNPRIVILEGED, FILE_SIZE_LIMITED };
    const struct { const char* name; std::function<void()> arrange; Runner runner; int result; } cases[] = {
        {"TemporaryFileCannotBeOpened", [&] { std::strcpy(s_PropertiesTmpPath, m_Tmp.file("missing/Orv.tmp").c_str()); },
         HERE, ORVCFG_OPEN_FAILED},
        {"PropertyFileDenied", [&] { orvtest::setMode(propertiesPath(), 0); }, UNPRIVILEGED, ORVCFG_ACCESS_DENIED},
        {"TemporaryFileDenied", [&] { orvtest::setMode(configDir(), 0555); }, UNPRIVILEGED, ORVCFG_ACCESS_DENIED},
        {"TemporaryFileCannotBeWrittenOut", [] {}, FILE_SIZE_LIMITED, ORVCFG_WRITE_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.runner != HERE && !orvtest::haveChildProcesses()) {
            std::cout << "[   NOTE   ] " << c.name << ": needs fork() (a change of user or a file size limit), "
                      << "which Windows lacks; row not tried\n";
            continue;
        }
        start(HEADER + "k=1\n", std::nullopt);
        c.arrange();
        const auto rewrite = [this] { return OrvCfgTestAccess::writeToOrvFile(String("k"), String("2"), String(propertiesPath().c_str())); };
        const int handles = orvtest::openHandleCount();
        EXPECT_EQ(c.runner == HERE           ? rewrite()
                  : c.runner == UNPRIVILEGED ? orvtest::runUnprivileged(rewrite)
                                             : orvtest::runWithFileSizeLimit(8, rewrite),
                  c.result);
        EXPECT_EQ(orvtest::openHandleCount(), handles);
        orvtest::setMode(configDir(), 0777);
        orvtest::setMode(propertiesPath(), 0644);
        EXPECT_EQ(mainFile(), HEADER + "k=1\n");
        EXPECT_FALSE(orvtest::fileExists(configDir() + "Orv.tmp"));
    }
}

} // namespace
