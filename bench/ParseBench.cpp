// Parsing a configuration document through the library against bare validated Xerces.
#include "BenchRegistry.h"

#include "Baselines.h"
#include "BenchEnvironment.h"
#include "Node.h"
#include "ParseNodeSink.h"
#include "XmlOrvParser.h"

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace orvbench {
namespace {

// The library's whole path: file checks, validated progressive parse (Xerces initialised and
// the schema compiled by the first iteration and kept), trees built and handed to the sink;
// then the sink releases its trees.
void parsePipeline(benchmark::State& io_State, const std::string& i_Path)
{
    const String path(i_Path.c_str());
    for (auto _ : io_State) {
        ParseNodeSink sink;
        XmlOrvParser parser(path, sink);
        if (parser.getErrorCount() != 0) {
            io_State.SkipWithError("the document did not parse cleanly");
            break;
        }
    }
    io_State.SetBytesProcessed(static_cast<int64_t>(io_State.iterations() * fileSize(i_Path)));
}

void parseBare(benchmark::State& io_State, const std::string& i_Path, const std::string& i_Schema)
{
    for (auto _ : io_State) {
        const ParseCounts counts = bareXercesParse(i_Path, i_Schema);
        if (counts.errors != 0) {
            io_State.SkipWithError("the document did not parse cleanly");
            break;
        }
        benchmark::DoNotOptimize(counts.elements);
    }
    io_State.SetBytesProcessed(static_cast<int64_t>(io_State.iterations() * fileSize(i_Path)));
}

// Bare Xerces as a long-running host uses it: initialised and the schema compiled once.
void parseWarm(benchmark::State& io_State, const std::string& i_Path, const std::string& i_Schema)
{
    WarmXercesParser parser(i_Schema);
    for (auto _ : io_State) {
        const ParseCounts counts = parser.parse(i_Path);
        if (counts.errors != 0) {
            io_State.SkipWithError("the document did not parse cleanly");
            break;
        }
        benchmark::DoNotOptimize(counts.elements);
    }
    io_State.SetBytesProcessed(static_cast<int64_t>(io_State.iterations() * fileSize(i_Path)));
}

// A parse that fails before the run measures nothing; say so before any timing.
void checkDocument(const BenchEnvironment& i_Env, const std::string& i_Name)
{
    const std::string path = i_Env.document(i_Name);
    ParseNodeSink sink;
    XmlOrvParser parser(String(path.c_str()), sink);
    if (parser.getErrorCount() != 0) {
        throw std::runtime_error(path + " gives " + std::to_string(parser.getErrorCount()) + " errors");
    }
    for (int index : {1, 2, 3, 4, 7, 8, 9}) {
        Node* section = sink.getNode(index);
        if (section == nullptr) {
            throw std::runtime_error(path + " lacks section " + std::to_string(index));
        }
        delete section;
    }
    if (bareXercesParse(path, i_Env.schemaPath).errors != 0) {
        throw std::runtime_error(path + " is not valid for bare Xerces");
    }
}

} // namespace

void registerParseBenchmarks(const BenchEnvironment& i_Env)
{
    for (const DocumentShape& shape : documentShapes()) {
        if (shape.escapeHeavy) {
            continue;
        }
        checkDocument(i_Env, shape.name);
        const std::string path = i_Env.document(shape.name);
        benchmark::RegisterBenchmark((std::string("parse/pipeline/") + shape.name).c_str(),
                                     [path](benchmark::State& s) { parsePipeline(s, path); })
            ->Unit(benchmark::kMillisecond);
        const std::string schema = i_Env.schemaPath;
        benchmark::RegisterBenchmark((std::string("parse/xerces/") + shape.name).c_str(),
                                     [path, schema](benchmark::State& s) { parseBare(s, path, schema); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("parse/xerces_warm/") + shape.name).c_str(),
                                     [path, schema](benchmark::State& s) { parseWarm(s, path, schema); })
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("parse/xerces_init_terminate", [](benchmark::State& s) {
        for (auto _ : s) {
            xercesInitializeTerminate();
        }
    })->Unit(benchmark::kMillisecond);
}

} // namespace orvbench
