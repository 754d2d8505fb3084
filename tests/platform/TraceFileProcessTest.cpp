#include "TraceFileFixture.h"

#include <cstdlib>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace {

using orvtest::TraceFileTest;
using orvtest::trace;

constexpr int PROCESSES = 4;
constexpr int THREADS = 3;
constexpr int PER_THREAD = 150;

// One writer process: the argument is its number and the trace properties file. On POSIX
// it inherits the parent's open trace file, which it must not share.
int traceWriter(const std::string& argument)
{
    const std::string::size_type blank = argument.find(' ');
    const int p = std::atoi(argument.substr(0, blank).c_str());
    Tracer::setPropertiesFile(argument.c_str() + blank + 1);
    const std::string padding(60, 'x');
    std::vector<std::thread> workers;
    for (int t = 0; t < THREADS; ++t) {
        workers.emplace_back([p, t, &padding] {
            for (int n = 0; n < PER_THREAD; ++n)
                trace(Tracer::COMPONENT_COMMON, 2,
                      "p" + std::to_string(p) + " t" + std::to_string(t) + " n" + std::to_string(n) + " " + padding);
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
    use(fileNameLine() + "handlers.traceFile.maxFiles=999\nhandlers.traceFile.maxFileSize=4\n");
    trace(Tracer::COMPONENT_COMMON, 2, "parent");
    std::vector<std::unique_ptr<orvtest::ChildProcess>> writers;
    for (int p = 0; p < PROCESSES; ++p)
        writers.push_back(std::make_unique<orvtest::ChildProcess>(
            "trace-writer", std::to_string(p) + " " + m_Dir.file("OrvTrace.properties")));
    for (const auto& writer : writers)
        ASSERT_EQ(writer->wait(), 0);

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
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(PROCESSES * THREADS * PER_THREAD + 1));
    EXPECT_GT(files, 10);
}

} // namespace
