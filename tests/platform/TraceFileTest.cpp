#include "TestSupport.h"
#include "Trace.h"
#include "Tracer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace {

const std::string MARKER = "#ORV_TRACE_PROPERTIES_FILE\n";
const std::string STAMP = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ \d+ )";

void trace(Tracer::Component component, int level, const std::string& text)
{
    Trace statement(Tracer::getInstance(component), "Test::trace");
    statement.level = level;
    statement << text.c_str() << Trace::endl;
}

// The lines of a trace file with their time stamp and ids taken off ("!" + the line when it
// has none).
std::vector<std::string> bodiesOf(const std::string& path)
{
    std::vector<std::string> bodies;
    std::istringstream in(orvtest::readFile(path));
    static const std::regex stamped(STAMP + "(.*)");
    std::smatch match;
    for (std::string line; std::getline(in, line);)
        bodies.push_back(std::regex_match(line, match, stamped) ? match[1].str() : "!" + line);
    return bodies;
}

// A trace properties file naming logs/trace.log, in a directory of its own, named to the
// trace library.
class TraceFileTest : public ::testing::Test {
protected:
    void use(const std::string& lines)
    {
        orvtest::writeFile(properties(), MARKER + "handlers.traceFile.fileName=" + log() + "\n" + lines);
        Tracer::setPropertiesFile(properties().c_str());
    }
    void TearDown() override { Tracer::setPropertiesFile(nullptr); }
    std::string properties() const { return m_Dir.file("OrvTrace.properties"); }
    std::string log() const { return m_Dir.file("logs/trace.log"); }
    orvtest::TempDir m_Dir;
};

TEST_F(TraceFileTest, EachComponentsLevelDecidesWhichStatementsReachTheFile)
{
    use("hw.loggers.trcLogger.level=DEBUG_MAX\nvpd.loggers.trcLogger.level=DEBUG_MID\n"
        "handlers.traceFile.filePermission=0600\nhandlers.traceFile.dirPermission=0750\n");
    // A component without a line stays at DEBUG_MIN.
    const std::pair<Tracer::Component, int> statements[] = {
        {Tracer::COMPONENT_HW, 9},     {Tracer::COMPONENT_VPD, 3}, {Tracer::COMPONENT_VPD, 4},
        {Tracer::COMPONENT_COMMON, 2}, {Tracer::COMPONENT_COMMON, 3}, {Tracer::COMPONENT_PLG, 0},
        {Tracer::COMPONENT_PLG, 3}};
    for (const auto& [component, level] : statements)
        trace(component, level, std::to_string(level));
    {
        // A statement left open is ended when it goes.
        Trace open(Tracer::getInstance(Tracer::COMPONENT_HW), "Test::open");
        open.level = 1;
        open << "unended";
    }
    EXPECT_EQ(bodiesOf(log()), (std::vector<std::string>{"HW DEBUG Test::trace: 9", "VPD INFO Test::trace: 3",
                                                         "COM WARNING Test::trace: 2", "PLG CRITICAL Test::trace: 0",
                                                         "HW ERROR Test::open: unended"}));
    if (orvtest::haveModeBits()) {
        EXPECT_EQ(orvtest::accessOf(log()), "0600");
        EXPECT_EQ(orvtest::accessOf(m_Dir.file("logs")), "0750");
    }
}

TEST_F(TraceFileTest, FullFileIsRotatedKeepingMaxFiles)
{
    use("handlers.traceFile.maxFiles=3\nhandlers.traceFile.maxFileSize=1\n");
    for (int i = 0; i < 60; ++i)
        trace(Tracer::COMPONENT_COMMON, 2, std::string(90, 'r'));
    const std::size_t lineSize = orvtest::readFile(log()).find('\n') + 1;
    for (const char* suffix : {".1", ".2"}) {
        // Rotated when it reached 1 KiB, so at most one line beyond.
        const std::size_t size = orvtest::readFile(log() + suffix).size();
        EXPECT_TRUE(size >= 1024 && size < 1024 + lineSize) << suffix << ": " << size;
    }
    EXPECT_FALSE(orvtest::fileExists(log() + ".3"));
}

TEST_F(TraceFileTest, UnusableSettingsSendStatementsToStandardErrorWithOneNotice)
{
    orvtest::writeFile(m_Dir.file("plain"), "x");
    orvtest::writeFile(m_Dir.file("victim"), "untouched");
    const bool linked = orvtest::makeSymbolicLink(m_Dir.file("victim"), m_Dir.file("link.log"));
    const std::string named = MARKER + "handlers.traceFile.fileName=";
    const struct {
        const char* what;
        std::optional<std::string> properties; // nullopt: no file
        std::string notice;
    } cases[] = {
        {"missing", std::nullopt, "OrvTrace.properties cannot be read"},
        {"no file name", MARKER, "names no trace file"},
        {"directory cannot be created", named + m_Dir.file("plain/sub/t.log"),
         "cannot create directory " + m_Dir.file("plain") + ": "},
        {"planted link", named + m_Dir.file("link.log"), "cannot open trace file " + m_Dir.file("link.log") + ": "},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        if (!linked && std::string(cases[i].what) == "planted link") {
            std::cout << "[   NOTE   ] no symbolic links here: planted link not tried\n";
            continue;
        }
        // Each case its own properties file, so that no notice was given before.
        orvtest::makeDirs(m_Dir.file(std::to_string(i)));
        const std::string path = m_Dir.file(std::to_string(i) + "/OrvTrace.properties");
        if (cases[i].properties)
            orvtest::writeFile(path, *cases[i].properties);
        Tracer::setPropertiesFile(path.c_str());
        testing::internal::CaptureStderr();
        trace(Tracer::COMPONENT_COMMON, 1, "first");
        trace(Tracer::COMPONENT_COMMON, 1, "second");
        const std::string err = testing::internal::GetCapturedStderr();
        const std::size_t notice = err.find(cases[i].notice);
        EXPECT_TRUE(notice != std::string::npos && err.find(cases[i].notice, notice + 1) == std::string::npos) << err;
        EXPECT_NE(err.find("COM ERROR Test::trace: first\n"), std::string::npos) << err;
        EXPECT_NE(err.find("COM ERROR Test::trace: second\n"), std::string::npos) << err;
    }
    EXPECT_EQ(orvtest::readFile(m_Dir.file("victim")), "untouched");
}

TEST_F(TraceFileTest, FileDeletedByAnotherProcessGetsTheNextLine)
{
    use("");
    trace(Tracer::COMPONENT_COMMON, 1, "before");
    std::remove(log().c_str());
    // A system that keeps the name of a file deleted while another process holds it open
    // (wine does) has nothing new to look at.
    if (orvtest::fileExists(log())) {
        std::cout << "[   NOTE   ] the name of a deleted trace file stays while it is open; not tried\n";
        return;
    }
    // The file is looked at again 100 ms after the last look.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    trace(Tracer::COMPONENT_COMMON, 1, "after");
    EXPECT_EQ(bodiesOf(log()), std::vector<std::string>{"COM ERROR Test::trace: after"});
}

constexpr int PROCESSES = 4;
constexpr int THREADS = 3;
constexpr int PER_THREAD = 150;

// One writer process: the argument is its number and the trace properties file. On POSIX
// it inherits the parent's open trace file, which it must not share.
int traceWriter(const std::string& argument)
{
    const std::string::size_type blank = argument.find(' ');
    const std::string p = argument.substr(0, blank);
    Tracer::setPropertiesFile(argument.c_str() + blank + 1);
    std::vector<std::thread> workers;
    for (int t = 0; t < THREADS; ++t) {
        workers.emplace_back([&p, t] {
            for (int n = 0; n < PER_THREAD; ++n)
                trace(Tracer::COMPONENT_COMMON, 2,
                      "p" + p + " t" + std::to_string(t) + " n" + std::to_string(n) + " " + std::string(60, 'x'));
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    return 0;
}
[[maybe_unused]] const bool s_WriterRole = orvtest::registerChildRole("trace-writer", &traceWriter);

// Several processes, each with several threads, trace into one small file at once. Every line
// must arrive whole and exactly once across the rotated files, and a rotated file must be
// full: a second rotation of a fresh file by a process that saw the old size would show as a
// short file in the chain.
TEST_F(TraceFileTest, ProcessesAndThreadsAppendWholeLinesAndRotateOnce)
{
    use("handlers.traceFile.maxFiles=999\nhandlers.traceFile.maxFileSize=4\n");
    trace(Tracer::COMPONENT_COMMON, 2, "parent");
    std::vector<std::unique_ptr<orvtest::ChildProcess>> writers;
    for (int p = 0; p < PROCESSES; ++p)
        writers.push_back(std::make_unique<orvtest::ChildProcess>("trace-writer", std::to_string(p) + " " + properties()));
    for (const auto& writer : writers)
        ASSERT_EQ(writer->wait(), 0);

    const std::regex shape(R"(COM WARNING Test::trace: (p\d t\d n\d+ x{60}|parent))");
    std::set<std::string> seen;
    int files = 0;
    for (;; ++files) {
        const std::string path = files == 0 ? log() : log() + "." + std::to_string(files);
        const std::string bytes = orvtest::readFile(path);
        if (bytes.empty())
            break;
        EXPECT_TRUE(files == 0 || bytes.size() >= 4096u) << path << " was rotated before it was full";
        std::smatch match;
        for (const std::string& body : bodiesOf(path)) {
            ASSERT_TRUE(std::regex_match(body, match, shape)) << path << ": " << body;
            EXPECT_TRUE(seen.insert(match[1]).second) << "twice: " << body;
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(PROCESSES * THREADS * PER_THREAD + 1));
    EXPECT_GT(files, 10);
}

} // namespace
