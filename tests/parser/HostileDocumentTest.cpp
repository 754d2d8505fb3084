// Hostile configuration documents: each passes one of the parse's bounds and must end with
// the critical error that names that bound, never a crash, within a stated memory budget
// and time.
//
// Each document is read in a child process, as the configuration parser reads it (schema
// validation settings, skip depth 2, the section sink). The child watches its own resident
// size and gives up with a distinct exit code the moment it passes the budget, so a blow-up
// fails the test instead of exhausting the machine; the parent takes the child's peak
// resident size from wait4 and states it in the assertion.
#include "../common/xmlproxy/TreeTestSupport.h"

#include "NodeReader.h"
#include "ParseNodeSink.h"
#include "TestSupport.h"
#include "Tracer.h"
#include "XercesProxy.h"
#include "XmlProxyResult.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
    CHILD_OVER_BUDGET = 2,
};

struct Outcome {
    int exitCode = -1, signal = 0; // exit code -1 when the child died from a signal
    long peakBytes = 0;
};

long residentBytes()
{
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm != nullptr && std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    if (statm != nullptr)
        std::fclose(statm);
    return resident * sysconf(_SC_PAGESIZE);
}

// Runs body in a child that stops itself past budgetBytes of resident memory or after
// timeoutSeconds; the child's exit code is the body's.
Outcome runMeasured(long budgetBytes, unsigned timeoutSeconds, const std::function<int()>& body)
{
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        alarm(timeoutSeconds);
        std::thread([budgetBytes] {
            for (;;) {
                if (residentBytes() > budgetBytes)
                    _exit(CHILD_OVER_BUDGET);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }).detach();
        int code = body();
        std::fflush(nullptr);
        _exit(code);
    }
    Outcome outcome;
    int status = 0;
    struct rusage usage = {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return outcome;
    outcome.peakBytes = usage.ru_maxrss * 1024L;
    if (WIFEXITED(status))
        outcome.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        outcome.signal = WTERMSIG(status);
    return outcome;
}

std::string describe(const Outcome& outcome, long budgetBytes)
{
    return "exit " + std::to_string(outcome.exitCode) + ", signal " + std::to_string(outcome.signal) +
           ", peak " + std::to_string(outcome.peakBytes / MEBIBYTE) + " MB of a budget of " +
           std::to_string(budgetBytes / MEBIBYTE) + " MB";
}

// Reads the document as the configuration parser does and releases every section; the
// child's exit code says whether the read ended with the expected code and a critical
// error holding the expected text.
int readLikeTheConfigurationParser(const std::string& path, int expectedResult, const std::string& expectedCritical)
{
    std::string critical;
    Tracer::setReceiver([&critical, &expectedCritical](const TraceRecord& record) {
        if (record.level == 0 && critical.find(expectedCritical) == std::string::npos)
            critical = record.text;
    });
    ParseNodeSink sink;
    NodeReader reader(&sink);
    reader.validationScheme = 2;
    reader.doNamespaces = reader.doSchema = reader.validationSchemaFullChecking = true;
    reader.externalNoNamespaceSchemaLocation = String(ORV_TEST_SOURCE_DIR "/dist/bin/orvcli.xsd");
    const int result = reader.read(String(path.c_str()), 2);
    for (int index = 1; index <= 9; ++index)
        delete sink.getNode(index);
    std::printf("read %d, %d errors, critical: %s\n", result, reader.errorCount, critical.c_str());
    const bool expected = result == expectedResult && critical.find(expectedCritical) != std::string::npos;
    return expected ? CHILD_DONE : CHILD_UNEXPECTED_RESULT;
}

// Ten levels of ten references each: 10^9 copies of "lol", three gigabytes of text, in a
// document of under a kilobyte.
std::string billionLaughs()
{
    std::string doc = "<!DOCTYPE OrvConfiguration [\n  <!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        doc += "  <!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            doc += "&lol" + std::to_string(level - 1) + ";";
        doc += "\">\n";
    }
    return doc + "]>\n<OrvConfiguration version=\"1.0\"><Scanners><Vpd>&lol9;</Vpd></Scanners></OrvConfiguration>\n";
}

// An internal entity of 100 KB referenced 40,000 times: 4 GB of text from 220 KB, under
// the limit of the number of expansions.
std::string wideEntity()
{
    std::string refs;
    for (int i = 0; i < 40000; ++i)
        refs += "&e;";
    return "<!DOCTYPE OrvConfiguration [<!ENTITY e \"" + std::string(100000, 'x') + "\">]>\n" +
           "<OrvConfiguration version=\"1.0\"><Scanners><Vpd>" + refs + "</Vpd></Scanners></OrvConfiguration>\n";
}

std::string nested(int depth)
{
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    return open + close;
}

std::string section(const std::string& inside)
{
    return "<OrvConfiguration version=\"1.0\"><Scanners>" + inside + "</Scanners></OrvConfiguration>\n";
}

// An archive whose one entry is the prefix followed by `bytes` copies of `fill`, compressed
// from a pipe: gigabytes cost a few MB of archive and never touch the disk.
void writeInflatingArchive(const std::string& path, const std::string& prefix, char fill, long bytes,
                           const char* method)
{
    const std::string command = "{ printf '%s' '" + prefix + "'; head -c " + std::to_string(bytes) +
                                " /dev/zero | tr '\\0' '" + fill + "'; } | zip -q " + method + " '" + path + "' -";
    ASSERT_EQ(0, std::system(command.c_str()));
}

class HostileDocumentTest : public ::testing::Test {
protected:
    orvtest::TempDir m_Tmp;
};

// Budgets are room for the library, the schema and the XML library plus what the bound
// lets through, far below what each document took without its bound (gigabytes, or an
// endless read). Each row names the bound it passes.
TEST_F(HostileDocumentTest, EachBoundEndsTheParseWithinBudgetAndSaysWhichBound)
{
    const std::string prefix = "<OrvConfiguration version=\"1.0\">";
    const long gigabyte = 1L << 30;
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
        int result;
        std::string critical;
        long budgetMB;
        unsigned timeoutSeconds;
    } cases[] = {
        // Short expansions, many of them: the XML library's limit of their number ends this
        // one, as a fatal error of the document.
        {"laughs.xml", [](const std::string& p) { orvtest::writeFile(p, billionLaughs()); }, XMLPROXY_SUCCESS,
         "more than '50000' entity expansions", 64, 180},
        {"wide-entity.xml", [](const std::string& p) { orvtest::writeFile(p, wideEntity()); },
         XMLPROXY_OTHER_EXCEPTION, "Entity expansion exceeds its bound of 16777216 bytes", 64, 60},
        {"million-deep.xml", [](const std::string& p) { orvtest::writeFile(p, nested(1000000)); },
         XMLPROXY_OTHER_EXCEPTION, "Elements nested deeper than 1000 levels", 64, 60},
        // 1000 subtrees 995 levels deep inside a section the sink keeps: 7 MB of document
        // and a million nodes, within the trees' bound of 16 times the document. The budget
        // holds the tree and the copy that getNode makes of it.
        {"deep-subtrees.xml",
         [](const std::string& p) {
             const std::string subtree = nested(995);
             std::string all;
             for (int i = 0; i < 1000; ++i)
                 all += subtree;
             orvtest::writeFile(p, section("<Vpd>" + all + "</Vpd>"));
         },
         XMLPROXY_SUCCESS, "", 288, 120},
        // Two million empty elements kept in a section: 8 MB of document, more nodes than
        // 16 times its bytes hold.
        {"empty-elements.xml",
         [](const std::string& p) {
             std::string all;
             for (int i = 0; i < 2000000; ++i)
                 all += "<a/>";
             orvtest::writeFile(p, section("<Vpd>" + all + "</Vpd>"));
         },
         XMLPROXY_OTHER_EXCEPTION, "The size of the node trees exceeds its bound of", 192, 120},
        // Text where the schema allows text: elsewhere the XML library drops it unreported.
        {"text.xml",
         [](const std::string& p) {
             orvtest::writeFile(p, section("<Vpd><Timeout>" + std::string(10000000, 't') + "</Timeout></Vpd>"));
         },
         XMLPROXY_OTHER_EXCEPTION, "A text run exceeds its bound of 16777216 bytes", 160, 60},
        {"attribute.xml",
         [](const std::string& p) { orvtest::writeFile(p, section("<Vpd a=\"" + std::string(10000000, 'v') + "\"/>")); },
         XMLPROXY_OTHER_EXCEPTION, "An attribute value exceeds its bound of 16777216 bytes", 160, 60},
        // The XML library gathers a value whole before it hands it over.
        {"huge-attribute.xml",
         [](const std::string& p) {
             orvtest::writeFile(p, section("<Vpd a=\"" + std::string(100000000, 'v') + "\"/>"));
         },
         XMLPROXY_OTHER_EXCEPTION, "The XML library's working memory exceeds its bound of 134217728 bytes", 192, 60},
        {"comment.zip",
         [&](const std::string& p) { writeInflatingArchive(p, prefix + "<!--", ' ', gigabyte, "-1"); },
         XMLPROXY_OTHER_EXCEPTION, "The XML library's working memory exceeds its bound of 134217728 bytes", 192, 120},
        {"text.zip",
         [&](const std::string& p) { writeInflatingArchive(p, prefix + "<Scanners><Vpd>", 'x', gigabyte, "-1"); },
         XMLPROXY_OTHER_EXCEPTION, "The zip entry's uncompressed data exceeds its bound of 67108864 bytes", 64, 120},
        {"text-bzip2.zip",
         [&](const std::string& p) {
             writeInflatingArchive(p, prefix + "<Scanners><Vpd>", 'x', gigabyte / 4, "-Z bzip2");
         },
         XMLPROXY_OTHER_EXCEPTION, "The zip entry's uncompressed data exceeds its bound of 67108864 bytes", 64, 120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_Tmp.file(c.name);
        c.make(path);
        const long budget = c.budgetMB * MEBIBYTE + SANITIZER_ALLOWANCE;
        const Outcome outcome = runMeasured(budget, c.timeoutSeconds, [&] {
            return readLikeTheConfigurationParser(path, c.result, c.critical);
        });
        EXPECT_EQ(outcome.signal, 0) << "the read crashed or ran out of time: " << describe(outcome, budget);
        EXPECT_EQ(outcome.exitCode, CHILD_DONE) << describe(outcome, budget);
        EXPECT_LE(outcome.peakBytes, budget) << describe(outcome, budget);
        std::printf("%s: %s\n", c.name, describe(outcome, budget).c_str());
        std::remove(path.c_str());
    }
}

// The depth limit itself: a document exactly at the limit reads cleanly, one level more is
// refused with a critical error that names the limit, and no tree leaks on the way.
TEST_F(HostileDocumentTest, NestingBeyondTheLimitIsRefusedAtItsFirstExcessLevel)
{
    const int limit = XercesProxy::MAX_ELEMENT_DEPTH;
    const std::vector<std::string> refused{"critical@2: Elements nested deeper than " + std::to_string(limit) +
                                           " levels"};
    for (int depth : {limit, limit + 1}) {
        const std::string path = m_Tmp.file("nested.xml");
        orvtest::writeFile(path, "<?xml version=\"1.0\"?>\n" + nested(depth));
        orvtest::RecordingSink sink;
        EXPECT_EQ(depth == limit ? XMLPROXY_SUCCESS : XMLPROXY_OTHER_EXCEPTION,
                  NodeReader(&sink).read(String(path.c_str()), 2)) << "depth " << depth;
        EXPECT_EQ(depth == limit ? std::vector<std::string>{} : refused, sink.messages) << "depth " << depth;
    }
}

} // namespace
