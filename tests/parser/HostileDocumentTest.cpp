// Hostile configuration documents: an entity expansion bomb, a document nested a million
// levels deep, and a zip archive whose first entry inflates to a gigabyte. Each must end
// with an error or a clean result, never a crash, and within a stated memory budget.
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
// child's exit code says whether the read ended with one of the layer's codes.
int readLikeTheConfigurationParser(const std::string& path)
{
    Tracer::setReceiver([](const TraceRecord&) {});
    ParseNodeSink sink;
    NodeReader reader(&sink);
    reader.validationScheme = 2;
    reader.doNamespaces = reader.doSchema = reader.validationSchemaFullChecking = true;
    reader.externalNoNamespaceSchemaLocation = String(ORV_TEST_SOURCE_DIR "/dist/bin/orvcli.xsd");
    const int result = reader.read(String(path.c_str()), 2);
    for (int index = 1; index <= 9; ++index)
        delete sink.getNode(index);
    std::printf("read %d, %d errors\n", result, reader.errorCount);
    const bool known =
        result == XMLPROXY_SUCCESS || result == XMLPROXY_XML_EXCEPTION || result == XMLPROXY_OTHER_EXCEPTION;
    return known ? CHILD_DONE : CHILD_UNEXPECTED_RESULT;
}

void expectBoundedEnd(const std::string& path, long budgetBytes, unsigned timeoutSeconds)
{
    const long budget = budgetBytes + SANITIZER_ALLOWANCE;
    const Outcome outcome =
        runMeasured(budget, timeoutSeconds, [&path] { return readLikeTheConfigurationParser(path); });
    EXPECT_EQ(outcome.signal, 0) << "the read crashed or ran out of time: " << describe(outcome, budget);
    EXPECT_EQ(outcome.exitCode, CHILD_DONE) << describe(outcome, budget);
    EXPECT_LE(outcome.peakBytes, budget) << describe(outcome, budget);
    std::printf("%s\n", describe(outcome, budget).c_str());
}

// Ten levels of ten references each: 10^9 copies of "lol", three gigabytes of text, in a
// document of under a kilobyte.
std::string billionLaughs()
{
    std::string doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE OrvConfiguration [\n  <!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        doc += "  <!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            doc += "&lol" + std::to_string(level - 1) + ";";
        doc += "\">\n";
    }
    doc += "]>\n<OrvConfiguration version=\"1.0\"><Scanners><Vpd>&lol9;</Vpd></Scanners></OrvConfiguration>\n";
    return doc;
}

std::string nestedDocument(int depth)
{
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    return "<?xml version=\"1.0\"?>\n" + open + close + "\n";
}

// An archive whose one entry is a document element's start tag followed by 2^30 blanks,
// deflated from a pipe: a gigabyte costs a few MB of archive and never touches the disk.
void writeInflatingArchive(const std::string& path, const std::string& prefix)
{
    const std::string command =
        "{ printf '%s' '" + prefix + "'; head -c 1073741824 /dev/zero | tr '\\0' ' '; } | zip -q -1 '" + path + "' -";
    ASSERT_EQ(0, std::system(command.c_str()));
}

class HostileDocumentTest : public ::testing::Test {
protected:
    orvtest::TempDir m_Tmp;
};

// The expansion must be refused long before the text exists: 64 MB is room for the
// library, the schema and the XML library, not for gigabytes of "lol". (Without a limit on
// expansions the read ran for minutes of CPU without an end.)
TEST_F(HostileDocumentTest, EntityExpansionBombEndsWithinBudget)
{
    const std::string path = m_Tmp.file("laughs.xml");
    orvtest::writeFile(path, billionLaughs());
    // Each refused expansion is a schema error that reaches the sink: tens of thousands of
    // messages, which take half a minute in a sanitizer build.
    expectBoundedEnd(path, 64 * MEBIBYTE, 180);
}

// A million open elements: the XML library resolves namespace prefixes by walking every
// open element, so the cost of a start tag grows with the depth; the read must refuse the
// nesting early instead of running for hours. (Without a depth limit 100,000 levels took
// 13 s in the XML library alone, and a million did not end in 300 s.)
TEST_F(HostileDocumentTest, MillionLevelsDeepEndsWithinBudget)
{
    const std::string path = m_Tmp.file("deep.xml");
    orvtest::writeFile(path, nestedDocument(1000000));
    expectBoundedEnd(path, 64 * MEBIBYTE, 60);
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
        orvtest::writeFile(path, nestedDocument(depth));
        orvtest::RecordingSink sink;
        EXPECT_EQ(depth == limit ? XMLPROXY_SUCCESS : XMLPROXY_OTHER_EXCEPTION,
                  NodeReader(&sink).read(String(path.c_str()), 2)) << "depth " << depth;
        EXPECT_EQ(depth == limit ? std::vector<std::string>{} : refused, sink.messages) << "depth " << depth;
    }
}

// The first entry is read as a stream: a gigabyte of blanks after the document element's
// start tag passes through in pieces, and the read ends with the truncated document's error.
TEST_F(HostileDocumentTest, GigabyteZipEntryEndsWithinBudget)
{
    const std::string path = m_Tmp.file("bomb.zip");
    writeInflatingArchive(path, "<?xml version=\"1.0\"?>\n<OrvConfiguration version=\"1.0\">");
    expectBoundedEnd(path, 64 * MEBIBYTE, 120);
}

} // namespace
