#include "TestSupport.h"
#include "Trace.h"
#include "Tracer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string MARKER = "#ORV_TRACE_PROPERTIES_FILE\n";

void trace(Tracer::Component component, int level, const std::string& text)
{
    Trace statement(Tracer::getInstance(component), "Test::trace");
    statement.level = level;
    statement << text.c_str() << Trace::endl;
}

std::vector<std::string> linesOf(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

unsigned modeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

// A trace properties file in a directory of its own, named to the trace library.
class TraceFileTest : public ::testing::Test {
protected:
    void use(const std::string& lines)
    {
        orvtest::writeFile(m_Dir.file("OrvTrace.properties"), MARKER + lines);
        Tracer::setPropertiesFile(m_Dir.file("OrvTrace.properties").c_str());
    }
    void TearDown() override { Tracer::setPropertiesFile(nullptr); }
    std::string log() const { return m_Dir.file("logs/trace.log"); }
    std::string fileNameLine() const { return "handlers.traceFile.fileName=" + log() + "\n"; }
    orvtest::TempDir m_Dir;
};

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
    EXPECT_EQ(modeOf(log()), 0600u);
    EXPECT_EQ(modeOf(m_Dir.file("logs")), 0750u);
}

TEST_F(TraceFileTest, FullFileIsRotatedKeepingMaxFiles)
{
    use(fileNameLine() + "handlers.traceFile.maxFiles=3\nhandlers.traceFile.maxFileSize=1\n");
    const std::string text(90, 'r');
    for (int i = 0; i < 60; ++i)
        trace(Tracer::COMPONENT_COMMON, 2, text);
    const std::size_t lineSize = linesOf(log()).at(0).size() + 1;
    for (const char* suffix : {".1", ".2"}) {
        struct stat info {};
        ASSERT_EQ(::stat((log() + suffix).c_str(), &info), 0) << suffix;
        // Rotated when it reached 1 KiB, so at most one line beyond.
        EXPECT_GE(info.st_size, 1024) << suffix;
        EXPECT_LT(info.st_size, static_cast<off_t>(1024 + lineSize)) << suffix;
    }
    EXPECT_FALSE(orvtest::fileExists(log() + ".3"));
}

TEST_F(TraceFileTest, UnusableSettingsSendStatementsToStandardErrorWithOneNotice)
{
    orvtest::writeFile(m_Dir.file("plain"), "x");
    orvtest::makeDirs(m_Dir.file("adir"));
    orvtest::writeFile(m_Dir.file("victim"), "untouched");
    ASSERT_EQ(::symlink(m_Dir.file("victim").c_str(), m_Dir.file("link.log").c_str()), 0);
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
         "cannot create directory " + m_Dir.file("plain") + ": Not a directory"},
        {"file name is a directory", MARKER + "handlers.traceFile.fileName=" + m_Dir.file("adir"),
         "cannot open trace file " + m_Dir.file("adir") + ": Is a directory"},
        {"planted link", MARKER + "handlers.traceFile.fileName=" + m_Dir.file("link.log"),
         "cannot open trace file " + m_Dir.file("link.log") + ": Too many levels of symbolic links"},
    };
    int round = 0;
    for (const Case& c : cases) {
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
    ASSERT_EQ(::chmod(m_Dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(m_Dir.file("locked").c_str(), 0755), 0);
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
        // The file is looked at again 100 ms after the last look.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        trace(Tracer::COMPONENT_COMMON, 1, "after");
        const std::vector<std::string> lines = linesOf(log());
        ASSERT_EQ(lines.size(), 1u) << c.what;
        EXPECT_EQ(lines[0].substr(lines[0].find(" Test::trace: ")), " Test::trace: after") << c.what;
    }
}

// Several processes, each with several threads, trace into one small file at once. Every line
// must arrive whole and exactly once across the rotated files, and a rotated file must be
// full: a second rotation of a fresh file by a process that saw the old size would show as a
// short file in the chain.
TEST_F(TraceFileTest, ProcessesAndThreadsAppendWholeLinesAndRotateOnce)
{
    const int processes = 4;
    const int threads = 3;
    const int perThread = 150;
    use(fileNameLine() + "handlers.traceFile.maxFiles=999\nhandlers.traceFile.maxFileSize=4\n");
    // The parent traces first: its children inherit the open file and must not share it.
    trace(Tracer::COMPONENT_COMMON, 2, "parent");
    const std::string padding(60, 'x');
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::vector<std::thread> workers;
            for (int t = 0; t < threads; ++t) {
                workers.emplace_back([p, t, &padding] {
                    for (int n = 0; n < perThread; ++n)
                        trace(Tracer::COMPONENT_COMMON, 2,
                              "p" + std::to_string(p) + " t" + std::to_string(t) + " n" + std::to_string(n) + " " +
                                  padding);
                });
            }
            for (std::thread& worker : workers)
                worker.join();
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const std::regex shape(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ \d+ COM WARNING Test::trace: )"
                           R"((p(\d) t(\d) n(\d+) x{60}|parent))");
    std::set<std::string> seen;
    int files = 0;
    for (int index = 0;; ++index) {
        const std::string path = index == 0 ? log() : log() + "." + std::to_string(index);
        if (!orvtest::fileExists(path))
            break;
        ++files;
        const std::string bytes = orvtest::readFile(path);
        if (index > 0) {
            EXPECT_GE(bytes.size(), 4096u) << path << " was rotated before it was full";
        }
        ASSERT_FALSE(bytes.empty()) << path;
        EXPECT_EQ(bytes.back(), '\n') << path;
        std::istringstream in(bytes);
        for (std::string line; std::getline(in, line);) {
            std::smatch match;
            ASSERT_TRUE(std::regex_match(line, match, shape)) << path << ": " << line;
            EXPECT_TRUE(seen.insert(match[1]).second) << "twice: " << line;
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(processes * threads * perThread + 1));
    EXPECT_GT(files, 10);
}

} // namespace
