// A host that reads its small configuration document again and again in one process: the
// shipped orvcli.xml against the shipped schema, through the node reader with the settings
// and the sink of the configuration parser, against bare Xerces reading the same document
// with the library already initialised and the schema already compiled. The difference is
// what the library adds to a repeated parse; the cold bare parse shows the fixed cost that
// each parse paid when the library was initialised and the schema compiled every time.
#include "BenchRegistry.h"

#include "Baselines.h"
#include "NodeReader.h"
#include "ParseNodeSink.h"
#include "XmlProxyResult.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace orvbench {
namespace {

constexpr int kSectionDepth = 2;
constexpr int kValidationAuto = 2;

int readShipped(ParseNodeSink& io_Sink)
{
    NodeReader reader(&io_Sink);
    reader.validationScheme = kValidationAuto;
    reader.doNamespaces = true;
    reader.doSchema = true;
    reader.validationSchemaFullChecking = true;
    reader.externalNoNamespaceSchemaLocation = String(ORV_SHIPPED_SCHEMA);
    const int result = reader.read(String(ORV_SHIPPED_DOCUMENT), kSectionDepth);
    return result == XMLPROXY_SUCCESS ? reader.errorCount : -1;
}

void repeatPipeline(benchmark::State& io_State)
{
    for (auto _ : io_State) {
        ParseNodeSink sink;
        if (readShipped(sink) != 0) {
            io_State.SkipWithError("the shipped document did not parse cleanly");
            break;
        }
    }
}

void repeatWarmXerces(benchmark::State& io_State)
{
    WarmXercesParser parser(ORV_SHIPPED_SCHEMA);
    for (auto _ : io_State) {
        const ParseCounts counts = parser.parse(ORV_SHIPPED_DOCUMENT);
        if (counts.errors != 0 || counts.elements == 0) {
            io_State.SkipWithError("the shipped document did not parse cleanly");
            break;
        }
    }
}

void repeatColdXerces(benchmark::State& io_State)
{
    for (auto _ : io_State) {
        const ParseCounts counts = bareXercesParse(ORV_SHIPPED_DOCUMENT, ORV_SHIPPED_SCHEMA);
        benchmark::DoNotOptimize(counts.elements);
    }
}

} // namespace

void registerRepeatParseBenchmarks()
{
    ParseNodeSink sink;
    if (readShipped(sink) != 0)
        throw std::runtime_error(std::string(ORV_SHIPPED_DOCUMENT) + " does not parse cleanly");
    benchmark::RegisterBenchmark("repeat/pipeline/orvcli", repeatPipeline)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("repeat/xerces/orvcli", repeatWarmXerces)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("repeat/xerces_cold/orvcli", repeatColdXerces)->Unit(benchmark::kMicrosecond);
}

} // namespace orvbench
