// Loading Orv.properties, looking keys up and setting a key, each against the plain program.
#include "BenchRegistry.h"

#include "Baselines.h"
#include "BenchDocuments.h"
#include "BenchEnvironment.h"
#include "OrvCfg.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace orvbench {
namespace {

std::string lineLabel(int i_Lines)
{
    return i_Lines >= 1000 ? std::to_string(i_Lines / 1000) + "k" : std::to_string(i_Lines);
}

void initializeService(benchmark::State& io_State, const BenchEnvironment& i_Env, int i_Lines)
{
    useProperties(i_Env, i_Lines);
    for (auto _ : io_State) {
        OrvCfg::cleanup();
        OrvCfg::initialize(i_Env.programPath.c_str());
        benchmark::DoNotOptimize(OrvCfg::getError());
    }
}

void loadPlain(benchmark::State& io_State, const BenchEnvironment& i_Env, int i_Lines)
{
    const std::string path = i_Env.plainDir(i_Lines) + "/Orv.properties";
    for (auto _ : io_State) {
        PlainPropertyMap map;
        benchmark::DoNotOptimize(loadPropertiesPlain(path, map));
    }
}

std::vector<std::string> keysOf(int i_Lines)
{
    std::vector<std::string> keys;
    makePropertiesFile(i_Lines, &keys);
    return keys;
}

void getKeyService(benchmark::State& io_State, const BenchEnvironment& i_Env, int i_Lines)
{
    useProperties(i_Env, i_Lines);
    std::vector<String> keys;
    for (const std::string& key : keysOf(i_Lines)) {
        keys.emplace_back(key.c_str());
    }
    std::size_t next = 0;
    for (auto _ : io_State) {
        String value = OrvCfg::getKey(keys[next]);
        benchmark::DoNotOptimize(value.getUnits());
        next = next + 1 == keys.size() ? 0 : next + 1;
    }
    if (OrvCfg::getError() != ORVCFG_OK) {
        io_State.SkipWithError("a present key was not found");
    }
}

void getKeyPlain(benchmark::State& io_State, const BenchEnvironment& i_Env, int i_Lines)
{
    PlainPropertyMap map;
    loadPropertiesPlain(i_Env.plainDir(i_Lines) + "/Orv.properties", map);
    std::vector<std::u16string> keys;
    for (const std::string& key : keysOf(i_Lines)) {
        keys.push_back(std::u16string(key.begin(), key.end()));
    }
    std::size_t next = 0;
    for (auto _ : io_State) {
        auto found = map.find(keys[next]);
        std::u16string value = found == map.end() ? std::u16string() : found->second;
        benchmark::DoNotOptimize(value.data());
        next = next + 1 == keys.size() ? 0 : next + 1;
    }
}

// setKey of a key that only the main file holds, and of trace_level, which rewrites the
// trace file first; values alternate so that every call changes the file.
void setKeyService(benchmark::State& io_State, const BenchEnvironment& i_Env, int i_Lines, const char* i_Key,
                   const char* i_ValueA, const char* i_ValueB)
{
    useProperties(i_Env, i_Lines);
    const String key(i_Key);
    bool flip = false;
    for (auto _ : io_State) {
        String value(flip ? i_ValueA : i_ValueB);
        flip = !flip;
        const int result = OrvCfg::setKey(key, value);
        if (result != ORVCFG_OK) {
            io_State.SkipWithError(("setKey gave " + std::to_string(result)).c_str());
            break;
        }
    }
}

// The plain rewrite of the same lines: one line of the main file, and for the trace keys
// first one line of the trace file.
void setKeyPlain(benchmark::State& io_State, const BenchEnvironment& i_Env, int i_Lines, const char* i_Key,
                 const char* i_ValueA, const char* i_ValueB, bool i_TraceToo, bool i_Sync = false)
{
    const std::string dir = i_Env.plainDir(i_Lines);
    bool flip = false;
    for (auto _ : io_State) {
        const char* value = flip ? i_ValueA : i_ValueB;
        flip = !flip;
        if (i_TraceToo) {
            rewritePropertyPlain(dir + "/OrvTrace.properties", dir + "/Trace.tmp", "hw.loggers.trcLogger.level",
                                 std::string("DEBUG_") + value, i_Sync);
        }
        if (rewritePropertyPlain(dir + "/Orv.properties", dir + "/Orv.tmp", i_Key, value, i_Sync) != 1) {
            io_State.SkipWithError("the line was not replaced");
            break;
        }
    }
}

} // namespace

void registerPropertiesBenchmarks(const BenchEnvironment& i_Env)
{
    const BenchEnvironment* env = &i_Env;
    for (int lines : {1000, 10000, 100000}) {
        const std::string label = lineLabel(lines);
        benchmark::RegisterBenchmark(("properties/initialize/" + label).c_str(),
                                     [env, lines](benchmark::State& s) { initializeService(s, *env, lines); })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("properties/load_plain/" + label).c_str(),
                                     [env, lines](benchmark::State& s) { loadPlain(s, *env, lines); })
            ->Unit(benchmark::kMicrosecond);
    }
    for (int lines : {100, 100000}) {
        const std::string label = lineLabel(lines);
        benchmark::RegisterBenchmark(("properties/getKey/" + label).c_str(),
                                     [env, lines](benchmark::State& s) { getKeyService(s, *env, lines); });
        benchmark::RegisterBenchmark(("properties/getKey_plain/" + label).c_str(),
                                     [env, lines](benchmark::State& s) { getKeyPlain(s, *env, lines); });
    }
    for (int lines : {10000, 100000}) {
        const std::string label = lineLabel(lines);
        benchmark::RegisterBenchmark(("properties/setKey/" + label).c_str(), [env, lines](benchmark::State& s) {
            setKeyService(s, *env, lines, "hwscanner.timeout", "300", "301");
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("properties/setKey_plain/" + label).c_str(),
                                     [env, lines](benchmark::State& s) {
                                         setKeyPlain(s, *env, lines, "hwscanner.timeout", "300", "301", false);
                                     })
            ->Unit(benchmark::kMicrosecond);
        // The library syncs its temporary file before the rename; the same plain program
        // with the sync shows how much of a rewrite is the disk.
        benchmark::RegisterBenchmark(("properties/setKey_plain_synced/" + label).c_str(),
                                     [env, lines](benchmark::State& s) {
                                         setKeyPlain(s, *env, lines, "hwscanner.timeout", "300", "301", false, true);
                                     })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("properties/setKey_trace/" + label).c_str(),
                                     [env, lines](benchmark::State& s) {
                                         setKeyService(s, *env, lines, "trace_level", "MAX", "MIN");
                                     })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("properties/setKey_trace_plain/" + label).c_str(),
                                     [env, lines](benchmark::State& s) {
                                         setKeyPlain(s, *env, lines, "trace_level", "MAX", "MIN", true);
                                     })
            ->Unit(benchmark::kMicrosecond);
    }
}

} // namespace orvbench
