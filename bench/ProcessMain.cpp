// One parse in a process of its own, from start to exit: the bare Xerces program that whole
// runs of `orvcfg parse` are timed against, and a minimal host of the library.
//   orv_bench_process pipeline|xerces DOCUMENT [WARMUP_DOCUMENT]
// pipeline: XmlOrvParser into a ParseNodeSink, the sink destroyed before the exit.
// xerces:   initialise Xerces, compile the schema, parse with a counting handler, terminate.
// With a warm-up document, that document is parsed first (xerces: by a parser kept warm, the
// schema compiled once) and only the parse of DOCUMENT is in parseMeasured(), so an
// instruction count can be limited to it
// (valgrind --tool=callgrind --toggle-collect='*parseMeasured*').
// The exit status is 0 when the document parsed without an error.
#include "Baselines.h"
#include "OrvCfg.h"
#include "ParseNodeSink.h"
#include "XmlOrvParser.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

int parse(bool i_Pipeline, const std::string& i_Document, orvbench::WarmXercesParser* i_Warm)
{
    if (i_Warm != nullptr)
        return static_cast<int>(i_Warm->parse(i_Document).errors);
    if (i_Pipeline) {
        auto sink = std::make_unique<ParseNodeSink>();
        XmlOrvParser parser(String(i_Document.c_str()), *sink);
        return parser.getErrorCount();
    }
    return static_cast<int>(
        orvbench::bareXercesParse(i_Document, OrvCfg::getConfigurationSchemaPath().narrow()).errors);
}

// The parse of DOCUMENT alone, by name, for the instruction counts.
__attribute__((noinline)) int parseMeasured(bool i_Pipeline, const std::string& i_Document,
                                           orvbench::WarmXercesParser* i_Warm)
{
    return parse(i_Pipeline, i_Document, i_Warm);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || (std::strcmp(argv[1], "pipeline") != 0 && std::strcmp(argv[1], "xerces") != 0)) {
        std::fprintf(stderr, "usage: %s pipeline|xerces DOCUMENT [WARMUP_DOCUMENT]\n", argv[0]);
        return 2;
    }
    const bool pipeline = std::strcmp(argv[1], "pipeline") == 0;
    OrvCfg::initialize(argv[0]); // the schema path comes from the installation directory
    std::unique_ptr<orvbench::WarmXercesParser> warm;
    if (argc > 3) {
        if (!pipeline)
            warm = std::make_unique<orvbench::WarmXercesParser>(OrvCfg::getConfigurationSchemaPath().narrow());
        if (parse(pipeline, argv[3], warm.get()) != 0)
            return 1;
    }
    const int errors = parseMeasured(pipeline, argv[2], warm.get());
    warm.reset();
    OrvCfg::cleanup();
    return errors == 0 ? 0 : 1;
}
