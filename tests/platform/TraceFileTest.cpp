#include "TraceFileFixture.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <regex>
#include <thread>

namespace {

using orvtest::TraceFileTest;
using orvtest::linesOf;
using orvtest::MARKER;
using orvtest::trace;

unsigned modeOf(const std::string& path)
{
    const auto perms = std::filesystem::status(std::filesystem::u8path(path)).permissions();
    return static_cast<unsigned>(perms) & 0777;
}

TEST_F(TraceFileTest, EachComponentsLevelDecidesWhichStatementsReachTheFile)
{
    use(fileNameLine() + "hw.loggers.trcLogger.level=DEBUG_MAX\nvpd.loggers.trcLogger.level=DEBUG_MID\n"
                         "common.loggers.trcLogger.level=DEBUG_MIN\n"
                         "handlers.traceFile.filePermission=0600\nhandlers.traceFile.dirPermission=0750\n");
    struct Case {
        Tracer::Component component;
        int level;
        bool passes;
    } cases[] = {
        {Tracer::COMPONENT_HW, 9, true},      {Tracer::COMPONENT_VPD, 3, true}, {Tracer::COMPONENT_VPD, 4, false},
        {Tracer::COMPONENT_COMMON, 2, true},  {Tracer::COMPONENT_COMMON, 3, false},
        {Tracer::COMPONENT_PLG, 0, true}, // no line: the default, DEBUG_MIN
        {Tracer::COMPONENT_PLG, 3, false},
    };
    std::size_t expected = 0;
    for (const Case& c : cases) {
        trace(c.component, c.level, "statement");
        expected += c.passes ? 1 : 0;
        EXPECT_EQ(linesOf(log()).size(), expected) << c.component << " at " << c.level;
    }
    const std::regex shape(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ \d+ HW DEBUG Test::trace: statement)");
    EXPECT_TRUE(std::regex_match(linesOf(log()).at(0), shape)) << linesOf(log()).at(0);
    if (orvtest::haveModeBits()) {
        EXPECT_EQ(modeOf(log()), 0600u);
        EXPECT_EQ(modeOf(m_Dir.file("logs")), 0750u);
    }
}

TEST_F(TraceFileTest, FullFileIsRotatedKeepingMaxFiles)
{
    use(fileNameLine() + "handlers.traceFile.maxFiles=3\nhandlers.traceFile.maxFileSize=1\n");
    const std::string text(90, 'r');
    for (int i = 0; i < 60; ++i)
        trace(Tracer::COMPONENT_COMMON, 2, text);
    const std::size_t lineSize = linesOf(log()).at(0).size() + 1;
    for (const char* suffix : {".1", ".2"}) {
        ASSERT_TRUE(orvtest::fileExists(log() + suffix)) << suffix;
        const std::size_t size = orvtest::readFile(log() + suffix).size();
        // Rotated when it reached 1 KiB, so at most one line beyond.
        EXPECT_GE(size, 1024u) << suffix;
        EXPECT_LT(size, 1024 + lineSize) << suffix;
    }
    EXPECT_FALSE(orvtest::fileExists(log() + ".3"));
}

TEST_F(TraceFileTest, UnusableSettingsSendStatementsToStandardErrorWithOneNotice)
{
    orvtest::writeFile(m_Dir.file("plain"), "x");
    orvtest::makeDirs(m_Dir.file("adir"));
    orvtest::writeFile(m_Dir.file("victim"), "untouched");
    // Where the system makes no symbolic links, the planted-link row has nothing to plant.
    std::error_code linkError;
    std::filesystem::create_symlink(std::filesystem::u8path(m_Dir.file("victim")),
                                    std::filesystem::u8path(m_Dir.file("link.log")), linkError);
    struct Case {
        const char* what;
        std::string properties; // empty: no file; "-": an empty file
        std::string notice;
    } cases[] = {
        {"missing", "", "OrvTrace.properties cannot be read"},
        {"empty", "-", "OrvTrace.properties is empty"},
        {"headerless", "hw.loggers.trcLogger.level=DEBUG_MAX\n", "does not begin with #ORV_TRACE_PROPERTIES_FILE"},
        {"no file name", MARKER, "names no trace file"},
        {"directory cannot be created", MARKER + "handlers.traceFile.fileName=" + m_Dir.file("plain/sub/t.log"),
         "cannot create directory " + m_Dir.file("plain") + ": "},
        {"file name is a directory", MARKER + "handlers.traceFile.fileName=" + m_Dir.file("adir"),
         "cannot open trace file " + m_Dir.file("adir") + ": "},
        {"planted link", MARKER + "handlers.traceFile.fileName=" + m_Dir.file("link.log"),
         "cannot open trace file " + m_Dir.file("link.log") + ": "},
    };
    int round = 0;
    for (const Case& c : cases) {
        if (linkError && std::string(c.what) == "planted link") {
            std::cout << "[   NOTE   ] no symbolic links here (" << linkError.message() << "): planted link not tried\n";
            continue;
        }
        // Each case its own properties file, so that no notice was given before.
        const std::string path = m_Dir.file("p" + std::to_string(round++) + "/OrvTrace.properties");
        orvtest::makeDirs(m_Dir.file("p" + std::to_string(round - 1)));
        if (!c.properties.empty())
            orvtest::writeFile(path, c.properties == "-" ? "" : c.properties);
        Tracer::setPropertiesFile(path.c_str());
        testing::internal::CaptureStderr();
        trace(Tracer::COMPONENT_COMMON, 1, "first");
        trace(Tracer::COMPONENT_COMMON, 1, "second");
        const std::string err = testing::internal::GetCapturedStderr();
        const std::size_t notice = err.find(c.notice);
        EXPECT_NE(notice, std::string::npos) << c.what << ":\n" << err;
        EXPECT_EQ(err.find(c.notice, notice + 1), std::string::npos) << c.what << ": notice repeated\n" << err;
        EXPECT_NE(err.find("COM ERROR Test::trace: first\n"), std::string::npos) << c.what;
        EXPECT_NE(err.find("COM ERROR Test::trace: second\n"), std::string::npos) << c.what;
    }
    EXPECT_EQ(orvtest::readFile(m_Dir.file("victim")), "untouched");
}

// Root ignores permission bits: the host drops to an unprivileged user for this case.
TEST_F(TraceFileTest, DirectoryTheHostMayNotWriteSendsStatementsToStandardError)
{
    orvtest::makeDirs(m_Dir.file("locked"));
    ORVTEST_REQUIRE_CHILD_PROCESSES();
    const auto open = std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                      std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                      std::filesystem::perms::others_exec;
    std::filesystem::permissions(std::filesystem::u8path(m_Dir.path()), open);
    std::filesystem::permissions(std::filesystem::u8path(m_Dir.file("locked")), open);
    use("handlers.traceFile.fileName=" + m_Dir.file("locked/trace.log") + "\n");
    const std::string notice = "cannot open trace file " + m_Dir.file("locked/trace.log") + ": Permission denied";
    EXPECT_EQ(orvtest::runUnprivileged([&notice] {
                  testing::internal::CaptureStderr();
                  trace(Tracer::COMPONENT_COMMON, 1, "kept");
                  const std::string err = testing::internal::GetCapturedStderr();
                  return err.find(notice) != std::string::npos && err.find("Test::trace: kept\n") != std::string::npos
                             ? 0
                             : 1;
              }),
              0);
}

TEST_F(TraceFileTest, FileDeletedOrTruncatedByAnotherProcessGetsTheNextLine)
{
    use(fileNameLine());
    struct Case {
        const char* what;
        void (*change)(const std::string& path);
    } cases[] = {
        {"deleted", [](const std::string& path) { std::remove(path.c_str()); }},
        {"truncated", [](const std::string& path) { std::ofstream(path, std::ios::trunc); }},
    };
    for (const Case& c : cases) {
        trace(Tracer::COMPONENT_COMMON, 1, "before");
        c.change(log());
        // A system that keeps the name of a file deleted while another process holds it open
        // (wine does) has nothing new to look at.
        if (std::string(c.what) == "deleted" && orvtest::fileExists(log())) {
            std::cout << "[   NOTE   ] the name of a deleted trace file stays while it is open; row not tried\n";
            continue;
        }
        // The file is looked at again 100 ms after the last look.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        trace(Tracer::COMPONENT_COMMON, 1, "after");
        const std::vector<std::string> lines = linesOf(log());
        ASSERT_EQ(lines.size(), 1u) << c.what;
        EXPECT_EQ(lines[0].substr(lines[0].find(" Test::trace: ")), " Test::trace: after") << c.what;
    }
}

} // namespace
