// The benchmark program: lays out its files, registers every case and runs them.
//   orv_bench [--orv-work=DIR] [Google Benchmark flags]
// DIR defaults to the work directory beside the installation of the benchmark programs.
#include "BenchEnvironment.h"
#include "BenchRegistry.h"
#include "OrvCfg.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::string workDir = ORV_BENCH_WORK_DIR;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const char* prefix = "--orv-work=";
        if (std::strncmp(argv[i], prefix, std::strlen(prefix)) == 0) {
            workDir = argv[i] + std::strlen(prefix);
        } else {
            args.push_back(argv[i]);
        }
    }
    int benchArgc = static_cast<int>(args.size());
    benchmark::Initialize(&benchArgc, args.data());
    if (benchmark::ReportUnrecognizedArguments(benchArgc, args.data())) {
        return 2;
    }
    try {
        // The cases refer to the environment while they run, after main's try block.
        static const orvbench::BenchEnvironment env = orvbench::prepareEnvironment(argv[0], workDir);
        orvbench::registerParseBenchmarks(env);
        orvbench::registerRepeatParseBenchmarks();
        orvbench::registerSectionBenchmarks(env);
        orvbench::registerPropertiesBenchmarks(env);
        orvbench::registerAttributesBenchmarks();
        orvbench::registerTraceBenchmarks(env);
        orvbench::registerProcessBenchmarks(env);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orv_bench: %s\n", e.what());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    OrvCfg::cleanup();
    return 0;
}
