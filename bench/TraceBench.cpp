// Trace statements: one that its level filters out, an emitted line against formatting the
// same line with snprintf and writing it with fwrite, and lines that rotate the file.
#include "BenchEnvironment.h"
#include "BenchRegistry.h"
#include "Trace.h"
#include "Tracer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace orvbench {
namespace {

const char* const TEXT = "Message is no declaration found for element 'Hardware' at line ";

// A trace properties file of its own in the work directory, named to the trace library.
std::string useTraceProperties(const BenchEnvironment& i_Env, const std::string& i_Name, const std::string& i_Lines)
{
    const std::string dir = i_Env.workDir + "/trace-" + i_Name;
    ::mkdir(dir.c_str(), 0755);
    const std::string log = dir + "/trace.log";
    for (const char* suffix : {"", ".1", ".2"})
        std::remove((log + suffix).c_str());
    std::ofstream(dir + "/OrvTrace.properties")
        << "#ORV_TRACE_PROPERTIES_FILE\ncommon.loggers.trcLogger.level=DEBUG_MIN\n"
        << "handlers.traceFile.fileName=" << log << "\n" << i_Lines;
    Tracer::setPropertiesFile((dir + "/OrvTrace.properties").c_str());
    return log;
}

void traceOne(int i_Level, int i_Line)
{
    Trace trace(Tracer::getInstance(Tracer::COMPONENT_COMMON), "ParseNodeSink::onWarning");
    trace.level = i_Level;
    trace << TEXT << i_Line << Trace::endl;
}

void filteredOut(benchmark::State& io_State, const BenchEnvironment& i_Env)
{
    useTraceProperties(i_Env, "filtered", "");
    int line = 0;
    for (auto _ : io_State)
        traceOne(4, ++line);
}

void emitted(benchmark::State& io_State, const BenchEnvironment& i_Env, const char* i_Name, const char* i_Rotation)
{
    const std::string log = useTraceProperties(i_Env, i_Name, i_Rotation);
    int line = 0;
    for (auto _ : io_State)
        traceOne(2, ++line);
    Tracer::setPropertiesFile(nullptr);
    std::remove(log.c_str());
}

// The same line, formatted with snprintf (time stamp included) and written with fwrite;
// with i_Flush each line is also handed to the system at once, as a trace line is.
void emittedPlain(benchmark::State& io_State, const BenchEnvironment& i_Env, bool i_Flush)
{
    const std::string path = i_Env.workDir + "/trace-plain.log";
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (file == nullptr) {
        io_State.SkipWithError("cannot open the plain trace file");
        return;
    }
    const long pid = static_cast<long>(::getpid());
    int line = 0;
    for (auto _ : io_State) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::tm parts{};
        gmtime_r(&now.tv_sec, &parts);
        char buffer[512];
        const int size = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ %ld %ld %s %s %s: %s%d\n",
                                       parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                                       parts.tm_min, parts.tm_sec, static_cast<int>(now.tv_nsec / 1000000), pid, pid,
                                       "COM", "WARNING", "ParseNodeSink::onWarning", TEXT, ++line);
        std::fwrite(buffer, 1, static_cast<std::size_t>(size), file);
        if (i_Flush)
            std::fflush(file);
    }
    std::fclose(file);
    std::remove(path.c_str());
}

} // namespace

void registerTraceBenchmarks(const BenchEnvironment& i_Env)
{
    const BenchEnvironment* env = &i_Env;
    benchmark::RegisterBenchmark("trace/filtered_out", [env](benchmark::State& s) { filteredOut(s, *env); });
    // 64 MiB before a rotation: the line itself, not the rotation, is measured.
    benchmark::RegisterBenchmark("trace/emitted", [env](benchmark::State& s) {
        emitted(s, *env, "emitted", "handlers.traceFile.maxFileSize=65536\nhandlers.traceFile.maxFiles=2\n");
    });
    benchmark::RegisterBenchmark("trace/emitted_plain", [env](benchmark::State& s) { emittedPlain(s, *env, false); });
    benchmark::RegisterBenchmark("trace/emitted_plain_flushed",
                                 [env](benchmark::State& s) { emittedPlain(s, *env, true); });
    // 1 KiB files: about every eighth line rotates three files.
    benchmark::RegisterBenchmark("trace/rotating", [env](benchmark::State& s) {
        emitted(s, *env, "rotating", "handlers.traceFile.maxFileSize=1\nhandlers.traceFile.maxFiles=3\n");
    });
}

} // namespace orvbench
