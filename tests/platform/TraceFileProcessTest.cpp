#include "TraceFileFixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace {

using orvtest::TraceFileTest;
using orvtest::trace;

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
