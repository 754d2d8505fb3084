// Copies of the two signature sections (getNode) and writing them out (Node::write).
#include "BenchRegistry.h"

#include "BenchEnvironment.h"
#include "Node.h"
#include "ParseNodeSink.h"
#include "XmlOrvParser.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <ostream>
#include <streambuf>

namespace orvbench {
namespace {

const int USE_SIGNATURES = 7;
const int NET_SIGNATURES = 8;

// A stream that counts what it is given and keeps nothing, with a buffer like a file
// stream's, so that the cost measured is the writer's and not the disk's.
class CountingBuffer : public std::streambuf {
public:
    CountingBuffer() { setp(m_Buffer, m_Buffer + sizeof m_Buffer); }
    long long count() { return m_Flushed + (pptr() - pbase()); }

protected:
    int_type overflow(int_type i_Char) override
    {
        m_Flushed += pptr() - pbase();
        setp(m_Buffer, m_Buffer + sizeof m_Buffer);
        if (!traits_type::eq_int_type(i_Char, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(i_Char);
            pbump(1);
        }
        return traits_type::not_eof(i_Char);
    }

private:
    char m_Buffer[8192];
    long long m_Flushed = 0;
};

// One parse per document, kept for the whole run: the sink and copies of the two big
// sections, made the first time a benchmark asks for them.
struct ParsedDocument {
    ParseNodeSink sink;
    std::unique_ptr<Node> useSignatures;
    std::unique_ptr<Node> netSignatures;
};

ParsedDocument& parsed(const std::string& i_Path)
{
    static std::map<std::string, std::unique_ptr<ParsedDocument>> documents;
    std::unique_ptr<ParsedDocument>& slot = documents[i_Path];
    if (!slot) {
        slot = std::make_unique<ParsedDocument>();
        XmlOrvParser parser(String(i_Path.c_str()), slot->sink);
        slot->useSignatures.reset(slot->sink.getNode(USE_SIGNATURES));
        slot->netSignatures.reset(slot->sink.getNode(NET_SIGNATURES));
    }
    return *slot;
}

void copySections(benchmark::State& io_State, const std::string& i_Path)
{
    ParsedDocument& doc = parsed(i_Path);
    for (auto _ : io_State) {
        std::unique_ptr<Node> use(doc.sink.getNode(USE_SIGNATURES));
        std::unique_ptr<Node> net(doc.sink.getNode(NET_SIGNATURES));
        benchmark::DoNotOptimize(use.get());
        benchmark::DoNotOptimize(net.get());
    }
    io_State.SetBytesProcessed(static_cast<int64_t>(io_State.iterations() * fileSize(i_Path)));
    io_State.counters["doc_bytes"] = static_cast<double>(fileSize(i_Path));
}

void writeSections(benchmark::State& io_State, const std::string& i_Path)
{
    ParsedDocument& doc = parsed(i_Path);
    long long bytes = 0;
    for (auto _ : io_State) {
        CountingBuffer buffer;
        std::ostream out(&buffer);
        doc.useSignatures->write(out, 0);
        doc.netSignatures->write(out, 0);
        bytes = buffer.count();
    }
    io_State.SetBytesProcessed(static_cast<int64_t>(io_State.iterations() * bytes));
    io_State.counters["output_bytes"] = static_cast<double>(bytes);
}

} // namespace

void registerSectionBenchmarks(const BenchEnvironment& i_Env)
{
    for (const char* name : {"1MB", "10MB", "1MB-escaped", "10MB-escaped"}) {
        const std::string path = i_Env.document(name);
        benchmark::RegisterBenchmark((std::string("sections/getNode/") + name).c_str(),
                                     [path](benchmark::State& s) { copySections(s, path); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("sections/write/") + name).c_str(),
                                     [path](benchmark::State& s) { writeSections(s, path); })
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace orvbench
