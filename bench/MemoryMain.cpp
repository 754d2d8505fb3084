// Peak memory of one parse, measured in a process of its own so that nothing else has
// touched the heap:
//   orv_bench_memory pipeline|xerces DOCUMENT [WARMUP_DOCUMENT]
// The warm-up parse (the smallest valid document) loads the code and the library's static
// state first; then the heap's high-water mark and the resident-set peak are reset and the
// document is parsed. Prints one line of key=value pairs:
//   doc_bytes       size of the document
//   peak_heap       highest number of heap bytes live during the parse, above the start
//   retained_heap   heap bytes still live after the parse (the sink's trees, for pipeline)
//   rss_peak        resident-set peak during the parse, above the start (VmHWM - VmRSS)
#include "Baselines.h"
#include "OrvCfg.h"
#include "Node.h"
#include "ParseNodeSink.h"
#include "XmlOrvParser.h"

#include <malloc.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>

// Every allocation of the process (ours, the C++ runtime's, Xerces') goes through these, so
// the count covers what the parse really holds. glibc's own entry points do the work.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace {

std::size_t g_Live = 0;
std::size_t g_Peak = 0;

void counted(void* i_Block)
{
    if (i_Block != nullptr) {
        g_Live += malloc_usable_size(i_Block);
        if (g_Live > g_Peak) {
            g_Peak = g_Live;
        }
    }
}

void uncounted(void* i_Block)
{
    if (i_Block != nullptr) {
        g_Live -= malloc_usable_size(i_Block);
    }
}

} // namespace

extern "C" {
__attribute__((visibility("default"))) void* malloc(std::size_t i_Size) noexcept
{
    void* block = __libc_malloc(i_Size);
    counted(block);
    return block;
}
__attribute__((visibility("default"))) void* calloc(std::size_t i_Count, std::size_t i_Size) noexcept
{
    void* block = __libc_calloc(i_Count, i_Size);
    counted(block);
    return block;
}
__attribute__((visibility("default"))) void* realloc(void* i_Block, std::size_t i_Size) noexcept
{
    uncounted(i_Block);
    void* block = __libc_realloc(i_Block, i_Size);
    if (block == nullptr && i_Size != 0) {
        counted(i_Block); // the old block stays
        return nullptr;
    }
    counted(block);
    return block;
}
__attribute__((visibility("default"))) void free(void* i_Block) noexcept
{
    uncounted(i_Block);
    __libc_free(i_Block);
}
__attribute__((visibility("default"))) void* memalign(std::size_t i_Alignment, std::size_t i_Size) noexcept
{
    void* block = __libc_memalign(i_Alignment, i_Size);
    counted(block);
    return block;
}
__attribute__((visibility("default"))) void* aligned_alloc(std::size_t i_Alignment, std::size_t i_Size) noexcept
{
    return memalign(i_Alignment, i_Size);
}
__attribute__((visibility("default"))) int posix_memalign(void** o_Block, std::size_t i_Alignment, std::size_t i_Size) noexcept
{
    void* block = memalign(i_Alignment, i_Size);
    if (block == nullptr) {
        return ENOMEM;
    }
    *o_Block = block;
    return 0;
}
}

namespace {

long statusKilobytes(const char* i_Field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(i_Field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, i_Field) == 0 && line.size() > length && line[length] == ':') {
            return std::strtol(line.c_str() + length + 1, nullptr, 10);
        }
    }
    return -1;
}

// Writing 5 to clear_refs resets the resident-set peak to the current resident set.
void resetResidentPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

int parse(const std::string& i_Mode, const std::string& i_Path, std::unique_ptr<ParseNodeSink>& o_Sink)
{
    if (i_Mode == "pipeline") {
        o_Sink = std::make_unique<ParseNodeSink>();
        XmlOrvParser parser(String(i_Path.c_str()), *o_Sink);
        return parser.getErrorCount();
    }
    return static_cast<int>(
        orvbench::bareXercesParse(i_Path, OrvCfg::getConfigurationSchemaPath().narrow()).errors);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || (std::strcmp(argv[1], "pipeline") != 0 && std::strcmp(argv[1], "xerces") != 0)) {
        std::fprintf(stderr, "usage: %s pipeline|xerces DOCUMENT [WARMUP_DOCUMENT]\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const std::string document = argv[2];
    OrvCfg::initialize(argv[0]); // the schema path comes from the installation directory
    if (argc > 3) {
        std::unique_ptr<ParseNodeSink> warmup;
        if (parse(mode, argv[3], warmup) != 0) {
            std::fprintf(stderr, "%s: the warm-up document did not parse cleanly\n", argv[0]);
            return 1;
        }
    }

    struct stat info {};
    ::stat(document.c_str(), &info);
    resetResidentPeak();
    const long rssStart = statusKilobytes("VmRSS");
    const std::size_t heapStart = g_Live;
    g_Peak = g_Live;

    std::unique_ptr<ParseNodeSink> sink;
    const int errors = parse(mode, document, sink);
    const std::size_t peak = g_Peak - heapStart;
    const long rssPeak = statusKilobytes("VmHWM") - rssStart;
    const std::size_t retained = g_Live > heapStart ? g_Live - heapStart : 0;
    sink.reset();
    if (errors != 0) {
        std::fprintf(stderr, "%s: %s gives %d errors\n", argv[0], document.c_str(), errors);
        return 1;
    }
    std::printf("mode=%s doc_bytes=%lld peak_heap=%zu retained_heap=%zu rss_peak=%ld\n", mode.c_str(),
                static_cast<long long>(info.st_size), peak, retained, rssPeak * 1024);
    OrvCfg::cleanup();
    return 0;
}
