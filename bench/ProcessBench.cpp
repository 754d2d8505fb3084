// Whole programs, from process start to exit, in wall-clock time: `orvcfg parse` of a
// document, a minimal host of the library (orv_bench_process pipeline) and the bare Xerces
// program (orv_bench_process xerces: initialise, compile the schema, parse, terminate).
// Start-up, loading the libraries, freeing the trees and the exit count on every side.
#include "BenchEnvironment.h"
#include "BenchRegistry.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace orvbench {

namespace {

// The benchmark's environment without ORV_LOCALDIR: the property benchmarks point it at
// property files of up to 100k lines, which a spawned program would load as well.
std::vector<char*> programEnvironment()
{
    static const char kLocalDir[] = "ORV_LOCALDIR=";
    std::vector<char*> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (std::strncmp(*variable, kLocalDir, sizeof kLocalDir - 1) != 0)
            environment.push_back(*variable);
    }
    environment.push_back(nullptr);
    return environment;
}

// Runs the program with its standard output thrown away; its exit status. Adds the
// program's processor time (user and system) to io_CpuSeconds: on a loaded machine the wall
// time also holds the time the program waited for a processor.
int runProgram(const std::vector<std::string>& i_Arguments, double& io_CpuSeconds)
{
    std::vector<char*> argv;
    for (const std::string& argument : i_Arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> environment = programEnvironment();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    struct rusage usage {};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status))
        return -1;
    io_CpuSeconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return WEXITSTATUS(status);
}

void runEach(benchmark::State& s, const std::vector<std::string>& i_Arguments)
{
    double cpuSeconds = 0;
    for (auto _ : s) {
        if (runProgram(i_Arguments, cpuSeconds) != 0) {
            s.SkipWithError((i_Arguments[0] + " failed").c_str());
            return;
        }
    }
    s.counters["program_cpu_ms"] = benchmark::Counter(cpuSeconds * 1e3, benchmark::Counter::kAvgIterations);
}

} // namespace

void registerProcessBenchmarks(const BenchEnvironment& i_Env)
{
    const std::string bin = i_Env.programPath.substr(0, i_Env.programPath.find_last_of('/') + 1);
    const std::string process = bin + "orv_bench_process";
    const std::string tool = bin + "orvcfg";
    for (const char* name : {"1MB", "10MB"}) {
        const std::string document = i_Env.document(name);
        const std::vector<std::vector<std::string>> programs = {
            {tool, "parse", document},
            {process, "pipeline", document},
            {process, "xerces", document},
        };
        const char* cases[] = {"process/orvcfg_parse/", "process/pipeline/", "process/xerces/"};
        for (std::size_t index = 0; index < programs.size(); ++index) {
            double ignored = 0;
            if (runProgram(programs[index], ignored) != 0)
                throw std::runtime_error(programs[index][0] + " does not parse " + document + " cleanly");
            const std::vector<std::string> arguments = programs[index];
            benchmark::RegisterBenchmark((std::string(cases[index]) + name).c_str(),
                                         [arguments](benchmark::State& s) { runEach(s, arguments); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
}

} // namespace orvbench
