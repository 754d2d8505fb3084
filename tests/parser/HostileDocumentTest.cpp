// Hostile configuration documents: each passes one of the parse's bounds and must end with
// the critical error that names that bound, never a crash, within a stated memory budget
// and time.
//
// Each document is read in a child process, as the configuration parser reads it (schema
// validation settings, skip depth 2, the section sink). The child is stopped the moment its
// resident memory passes the budget, so a blow-up fails the test instead of exhausting the
// machine, and its peak is stated in the assertion.
#include "../common/xmlproxy/TreeTestSupport.h"

#include "NodeReader.h"
#include "ParseNodeSink.h"
#include "TestSupport.h"
#include "Tracer.h"
#include "XercesProxy.h"
#include "XmlProxyResult.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <zip.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool UNDER_ADDRESS_SANITIZER = true;
#else
constexpr bool UNDER_ADDRESS_SANITIZER = false;
#endif

constexpr long MEBIBYTE = 1024 * 1024;
// The address sanitizer keeps freed blocks in quarantine (256 MB by default) and shadows
// every allocation, so a sanitizer build gets that much more room; the budget of the
// library itself is the same.
constexpr long SANITIZER_ALLOWANCE = UNDER_ADDRESS_SANITIZER ? 512 * MEBIBYTE : 0;

// Exit codes of the measured child.
enum ChildExit : int {
    CHILD_DONE = 0,
    CHILD_UNEXPECTED_RESULT = 1,
};

std::string describe(const orvtest::MeasuredRun& run, long budgetBytes)
{
    return "exit " + std::to_string(run.status) + (run.overBudget ? ", over budget" : "") +
           (run.timedOut ? ", out of time" : "") + ", peak " + std::to_string(run.peakBytes / MEBIBYTE) +
           " MB of a budget of " + std::to_string(budgetBytes / MEBIBYTE) + " MB";
}

std::string repeat(const std::string& text, std::size_t times)
{
    std::string all;
    all.reserve(text.size() * times);
    while (times-- > 0)
        all += text;
    return all;
}

// The section Vpd, which the sink keeps, holding `inside`, with an attribute a of the given
// value when there is one.
std::string section(const std::string& inside, const std::string& attribute = "")
{
    return "<OrvConfiguration version=\"1.0\"><Scanners><Vpd" + (attribute.empty() ? "" : " a=\"" + attribute + "\"") +
           ">" + inside + "</Vpd></Scanners></OrvConfiguration>\n";
}

// Ten levels of ten references each: 10^9 copies of "lol", three gigabytes of text, in a
// document of under a kilobyte.
std::string billionLaughs()
{
    std::string doc = "<!DOCTYPE OrvConfiguration [\n  <!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 9; ++level)
        doc += "  <!ENTITY lol" + std::to_string(level) + " \"" + repeat("&lol" + std::to_string(level - 1) + ";", 10) +
               "\">\n";
    return doc + "]>\n" + section("&lol9;");
}

std::string nested(std::size_t depth)
{
    return repeat("<a>", depth) + repeat("</a>", depth);
}


// An archive whose one entry is the prefix followed by `bytes` copies of `fill` (whole
// mebibytes), compressed with `method` at its fastest level. Every mebibyte of the fill is
// a fragment over one buffer, so gigabytes cost a few MB of archive and never exist whole.
// False when the archive could not be made.
bool writeInflatingArchive(std::string prefix, char fill, long bytes, zip_int32_t method, const std::string& path)
{
    std::vector<zip_uint8_t> mebibyte(MEBIBYTE, static_cast<zip_uint8_t>(fill));
    std::vector<zip_buffer_fragment_t> fragments(1 + static_cast<std::size_t>(bytes / MEBIBYTE),
                                                 {mebibyte.data(), mebibyte.size()});
    fragments[0] = {reinterpret_cast<zip_uint8_t*>(&prefix[0]), prefix.size()};
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_source_t* source =
        archive != nullptr ? zip_source_buffer_fragment(archive, fragments.data(), fragments.size(), 0) : nullptr;
    const zip_int64_t index = source != nullptr ? zip_file_add(archive, "-", source, 0) : -1;
    if (index < 0)
        zip_source_free(source);
    const bool made = index >= 0 && zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), method, 1) == 0;
    if (archive != nullptr && !made)
        zip_discard(archive);
    return made && zip_close(archive) == 0;
}

// A document that passes one of the parse's bounds, with what the read must end with.
struct HostileCase {
    const char* name;
    std::function<bool(const std::string&)> make;
    int result;
    std::string critical;
    long budgetMB;
    unsigned timeoutSeconds;
    zip_int32_t archiveMethod; // the compression the archive needs; ZIP_CM_STORE for a document
};

// Makers of the rows: a document made when its row is tried, or an inflating archive.
std::function<bool(const std::string&)> document(std::function<std::string()> text)
{
    return [text](const std::string& path) {
        orvtest::writeFile(path, text());
        return true;
    };
}
std::function<bool(const std::string&)> archive(const std::string& prefix, char fill, long bytes, zip_int32_t method)
{
    return [=](const std::string& path) { return writeInflatingArchive(prefix, fill, bytes, method, path); };
}

const std::string PREFIX = "<OrvConfiguration version=\"1.0\">";
const std::string VPD = PREFIX + "<Scanners><Vpd>";
constexpr long GIGABYTE = 1L << 30;
const std::string LIBRARY_MEMORY = "The XML library's working memory exceeds its bound of 134217728 bytes";
const std::string ZIP_ENTRY = "The zip entry's uncompressed data exceeds its bound of 67108864 bytes";

// Budgets are room for the library, the schema and the XML library plus what the bound
// lets through, far below what each document took without its bound (gigabytes, or an
// endless read). Each row names the bound it passes.
const HostileCase HOSTILE_CASES[] = {
    // Short expansions, many of them: the XML library's limit of their number ends this
    // one, as a fatal error of the document.
    {"laughs.xml", document(billionLaughs), XMLPROXY_SUCCESS, "more than '50000' entity expansions", 64, 180,
     ZIP_CM_STORE},
    // An internal entity of 100 KB referenced 40,000 times: 4 GB of text from 220 KB, under
    // the limit of the number of expansions.
    {"wide-entity.xml",
     document([] {
         return "<!DOCTYPE OrvConfiguration [<!ENTITY e \"" + std::string(100000, 'x') + "\">]>\n" +
                section(repeat("&e;", 40000));
     }),
     XMLPROXY_OTHER_EXCEPTION, "Entity expansion exceeds its bound of 16777216 bytes", 64, 60, ZIP_CM_STORE},
    {"million-deep.xml", document([] { return nested(1000000); }), XMLPROXY_OTHER_EXCEPTION,
     "Elements nested deeper than 1000 levels", 64, 60, ZIP_CM_STORE},
    // 1000 subtrees 995 levels deep inside a section the sink keeps: 7 MB of document
    // and a million nodes, within the trees' bound of 16 times the document. The budget
    // holds the tree and the copy that getNode makes of it.
    {"deep-subtrees.xml", document([] { return section(repeat(nested(995), 1000)); }), XMLPROXY_SUCCESS, "", 288,
     120, ZIP_CM_STORE},
    // Two million empty elements kept in a section: 8 MB of document, more nodes than
    // 16 times its bytes hold.
    {"empty-elements.xml", document([] { return section(repeat("<a/>", 2000000)); }), XMLPROXY_OTHER_EXCEPTION,
     "The size of the node trees exceeds its bound of", 192, 120, ZIP_CM_STORE},
    // Text where the schema allows text: elsewhere the XML library drops it unreported.
    {"text.xml", document([] { return section("<Timeout>" + std::string(10000000, 't') + "</Timeout>"); }),
     XMLPROXY_OTHER_EXCEPTION, "A text run exceeds its bound of 16777216 bytes", 160, 60, ZIP_CM_STORE},
    {"attribute.xml", document([] { return section("", std::string(10000000, 'v')); }),
     XMLPROXY_OTHER_EXCEPTION, "An attribute value exceeds its bound of 16777216 bytes", 160, 60, ZIP_CM_STORE},
    // The XML library gathers a value whole before it hands it over.
    {"huge-attribute.xml", document([] { return section("", std::string(100000000, 'v')); }),
     XMLPROXY_OTHER_EXCEPTION, LIBRARY_MEMORY, 192, 60, ZIP_CM_STORE},
    {"comment.zip", archive(PREFIX + "<!--", ' ', GIGABYTE, ZIP_CM_DEFLATE), XMLPROXY_OTHER_EXCEPTION, LIBRARY_MEMORY,
     192, 120, ZIP_CM_DEFLATE},
    {"text.zip", archive(VPD, 'x', GIGABYTE, ZIP_CM_DEFLATE), XMLPROXY_OTHER_EXCEPTION, ZIP_ENTRY, 64, 120,
     ZIP_CM_DEFLATE},
    {"text-bzip2.zip", archive(VPD, 'x', GIGABYTE / 4, ZIP_CM_BZIP2), XMLPROXY_OTHER_EXCEPTION, ZIP_ENTRY, 64, 120,
     ZIP_CM_BZIP2},
};

// The child: reads the document of the case whose index is the argument's first word, from
// the path that follows it, as the configuration parser does, and releases every section.
// Its exit code says whether the read ended with the case's code and a critical error
// holding the case's text.
int readHostileDocument(const std::string& argument)
{
    const std::string::size_type blank = argument.find(' ');
    const HostileCase& c = HOSTILE_CASES[std::atoi(argument.substr(0, blank).c_str())];
    std::string critical;
    Tracer::setReceiver([&critical, &c](const TraceRecord& record) {
        if (record.level == 0 && critical.find(c.critical) == std::string::npos)
            critical = record.text;
    });
    ParseNodeSink sink;
    NodeReader reader(&sink);
    reader.validationScheme = 2;
    reader.doNamespaces = reader.doSchema = reader.validationSchemaFullChecking = true;
    reader.externalNoNamespaceSchemaLocation = String(ORV_TEST_SOURCE_DIR "/dist/bin/orvcli.xsd");
    const int result = reader.read(String(argument.substr(blank + 1).c_str()), 2);
    for (int index = 1; index <= 9; ++index)
        delete sink.getNode(index);
    std::printf("read %d, %d errors, critical: %s\n", result, reader.errorCount, critical.c_str());
    return result == c.result && critical.find(c.critical) != std::string::npos ? CHILD_DONE : CHILD_UNEXPECTED_RESULT;
}
[[maybe_unused]] const bool s_ReaderRole = orvtest::registerChildRole("hostile-reader", &readHostileDocument);

class HostileDocumentTest : public ::testing::Test {
protected:
    orvtest::TempDir m_Tmp;
};

TEST_F(HostileDocumentTest, EachBoundEndsTheParseWithinBudgetAndSaysWhichBound)
{
    for (std::size_t index = 0; index < std::size(HOSTILE_CASES); ++index) {
        const HostileCase& c = HOSTILE_CASES[index];
        SCOPED_TRACE(c.name);
        if (c.archiveMethod != ZIP_CM_STORE && !zip_compression_method_supported(c.archiveMethod, 1)) {
            std::printf("%s: [ note ] this build's libzip cannot compress with method %d; row not tried\n", c.name,
                        c.archiveMethod);
            continue;
        }
        const std::string path = m_Tmp.file(c.name);
        ASSERT_TRUE(c.make(path));
        const long budget = c.budgetMB * MEBIBYTE + SANITIZER_ALLOWANCE;
        const orvtest::MeasuredRun run =
            orvtest::runChildMeasured("hostile-reader", std::to_string(index) + " " + path, budget, c.timeoutSeconds);
        EXPECT_TRUE(!run.timedOut && run.status == CHILD_DONE && run.peakBytes <= budget) << describe(run, budget);
        std::printf("%s: %s\n", c.name, describe(run, budget).c_str());
        std::remove(path.c_str());
    }
}

// The depth limit itself: a document exactly at the limit reads cleanly, one level more is
// refused with a critical error that names the limit, and no tree leaks on the way.
TEST_F(HostileDocumentTest, NestingBeyondTheLimitIsRefusedAtItsFirstExcessLevel)
{
    const int limit = XercesProxy::MAX_ELEMENT_DEPTH;
    for (int depth : {limit, limit + 1}) {
        SCOPED_TRACE(depth);
        const std::string path = m_Tmp.file("nested.xml");
        orvtest::writeFile(path, "<?xml version=\"1.0\"?>\n" + nested(static_cast<std::size_t>(depth)));
        orvtest::RecordingSink sink;
        const int result = NodeReader(&sink).read(String(path.c_str()), 2);
        EXPECT_EQ(depth == limit ? XMLPROXY_SUCCESS : XMLPROXY_OTHER_EXCEPTION, result);
        const std::string refused = "critical@2: Elements nested deeper than " + std::to_string(limit) + " levels";
        EXPECT_EQ(depth == limit ? std::vector<std::string>{} : std::vector<std::string>{refused}, sink.messages);
    }
}

} // namespace
