// Hostile configuration documents: an entity expansion bomb, a document nested a million
// levels deep, and a zip archive whose first entry inflates to a gigabyte. Each must end
// with an error or a clean result, never a crash, and within a stated memory budget.
//
// Each document is read in a child process, as the configuration parser reads it (schema
// validation settings, skip depth 2, the section sink). The child watches its own resident
// size and gives up with a distinct exit code the moment it passes the budget, so a blow-up
// fails the test instead of exhausting the machine; the parent takes the child's peak
// resident size from wait4 and states it in the assertion.
#include "Node.h"
#include "NodeReader.h"
#include "NodeSink.h"
#include "ParseNodeSink.h"
#include "TestSupport.h"
#include "Tracer.h"
#include "XercesProxy.h"
#include "XmlProxyResult.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool UNDER_ADDRESS_SANITIZER = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool UNDER_ADDRESS_SANITIZER = true;
#else
constexpr bool UNDER_ADDRESS_SANITIZER = false;
#endif
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
    int exitCode = -1; // -1 when the child died from a signal
    int signal = 0;
    long peakBytes = 0;
};

long residentBytes()
{
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
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
    reader.doNamespaces = true;
    reader.doSchema = true;
    reader.validationSchemaFullChecking = true;
    reader.externalNoNamespaceSchemaLocation = String(ORV_TEST_SOURCE_DIR "/dist/bin/orvcli.xsd");
    const int result = reader.read(String(path.c_str()), 2);
    for (int index = 1; index <= 9; ++index)
        delete sink.getNode(index);
    std::printf("read %d, %d errors\n", result, reader.errorCount);
    const bool known = result == XMLPROXY_SUCCESS || result == XMLPROXY_XML_EXCEPTION ||
                       result == XMLPROXY_OTHER_EXCEPTION;
    return known ? CHILD_DONE : CHILD_UNEXPECTED_RESULT;
}

void expectBoundedEnd(const std::string& path, long budgetBytes, unsigned timeoutSeconds)
{
    const long budget = budgetBytes + SANITIZER_ALLOWANCE;
    const Outcome outcome = runMeasured(budget, timeoutSeconds, [&path] { return readLikeTheConfigurationParser(path); });
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
    std::string doc = "<?xml version=\"1.0\"?>\n";
    doc.reserve(static_cast<std::size_t>(depth) * 7 + 64);
    for (int i = 0; i < depth; ++i)
        doc += "<a>";
    for (int i = 0; i < depth; ++i)
        doc += "</a>";
    doc += "\n";
    return doc;
}

// --- A zip archive made by hand: one deflated entry of a small prefix followed by 2^30
// blanks. The deflate stream uses the fixed code: the prefix as literals, one blank, then
// copies of 258 bytes at distance 1, so a gigabyte costs under 7 MB of archive.

class BitWriter {
public:
    void bits(std::uint32_t value, int count) // least significant bit first
    {
        for (int i = 0; i < count; ++i)
            bit((value >> i) & 1);
    }
    void code(std::uint32_t code, int length) // Huffman codes go most significant bit first
    {
        for (int i = length - 1; i >= 0; --i)
            bit((code >> i) & 1);
    }
    std::string finish()
    {
        if (m_Used > 0)
            m_Out += static_cast<char>(m_Byte);
        return std::move(m_Out);
    }

private:
    void bit(std::uint32_t b)
    {
        m_Byte |= static_cast<std::uint8_t>(b << m_Used);
        if (++m_Used == 8) {
            m_Out += static_cast<char>(m_Byte);
            m_Byte = 0;
            m_Used = 0;
        }
    }
    std::string m_Out;
    std::uint8_t m_Byte = 0;
    int m_Used = 0;
};

void literal(BitWriter& out, std::uint8_t byte)
{
    if (byte < 144)
        out.code(0x30 + byte, 8);
    else
        out.code(0x190 + (byte - 144), 9);
}

std::uint32_t crc32(std::uint32_t crc, const std::string& bytes)
{
    crc = ~crc;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// The CRC of A followed by B from the CRCs of both and the length of B (GF(2) matrices).
std::uint32_t gf2Times(const std::uint32_t* matrix, std::uint32_t vector)
{
    std::uint32_t sum = 0;
    for (; vector != 0; vector >>= 1, ++matrix)
        if (vector & 1)
            sum ^= *matrix;
    return sum;
}

void gf2Square(std::uint32_t* square, const std::uint32_t* matrix)
{
    for (int n = 0; n < 32; ++n)
        square[n] = gf2Times(matrix, matrix[n]);
}

std::uint32_t crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::uint64_t lengthB)
{
    std::uint32_t even[32], odd[32];
    odd[0] = 0xEDB88320u;
    for (int n = 1; n < 32; ++n)
        odd[n] = 1u << (n - 1);
    gf2Square(even, odd);
    gf2Square(odd, even);
    while (lengthB != 0) {
        gf2Square(even, odd);
        if (lengthB & 1)
            crcA = gf2Times(even, crcA);
        lengthB >>= 1;
        if (lengthB == 0)
            break;
        gf2Square(odd, even);
        if (lengthB & 1)
            crcA = gf2Times(odd, crcA);
        lengthB >>= 1;
    }
    return crcA ^ crcB;
}

void put16(std::string& out, std::uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void writeInflatingArchive(const std::string& path, const std::string& prefix, int blankPower)
{
    const std::uint64_t blanks = std::uint64_t(1) << blankPower;

    BitWriter deflate;
    deflate.bits(1, 1); // final block
    deflate.bits(1, 2); // fixed Huffman codes
    for (unsigned char c : prefix)
        literal(deflate, c);
    literal(deflate, ' ');
    std::uint64_t left = blanks - 1;
    for (; left >= 258; left -= 258) {
        deflate.code(0xC5, 8); // length 258 (code 285)
        deflate.code(0, 5);    // distance 1
    }
    for (; left > 0; --left)
        literal(deflate, ' ');
    deflate.code(0, 7); // end of block
    const std::string data = deflate.finish();

    std::uint32_t blanksCrc = crc32(0, std::string(1 << 20, ' '));
    for (int power = 20; power < blankPower; ++power)
        blanksCrc = crc32Combine(blanksCrc, blanksCrc, std::uint64_t(1) << power);
    const std::uint32_t crc = crc32Combine(crc32(0, prefix), blanksCrc, blanks);
    const std::uint32_t size = static_cast<std::uint32_t>(prefix.size() + blanks);
    const std::string name = "orvcli.xml";

    auto entryFields = [&](std::string& out) {
        put16(out, 20); // version needed: deflate
        put16(out, 0);  // flags
        put16(out, 8);  // deflate
        put16(out, 0);  // time
        put16(out, 33); // 1980-01-01
        put32(out, crc);
        put32(out, static_cast<std::uint32_t>(data.size()));
        put32(out, size);
        put16(out, static_cast<std::uint32_t>(name.size()));
        put16(out, 0); // extra field
    };
    std::string archive;
    put32(archive, 0x04034B50);
    entryFields(archive);
    archive += name;
    archive += data;

    const std::uint32_t directoryOffset = static_cast<std::uint32_t>(archive.size());
    std::string directory;
    put32(directory, 0x02014B50);
    put16(directory, 20); // made by
    entryFields(directory);
    put16(directory, 0); // comment
    put16(directory, 0); // disk
    put16(directory, 0); // internal attributes
    put32(directory, 0); // external attributes
    put32(directory, 0); // local header offset
    directory += name;
    archive += directory;

    put32(archive, 0x06054B50);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, 1);
    put16(archive, 1);
    put32(archive, static_cast<std::uint32_t>(directory.size()));
    put32(archive, directoryOffset);
    put16(archive, 0);
    orvtest::writeFile(path, archive);
}

// Keeps nothing but the critical errors.
class CriticalErrorSink : public NodeSink {
public:
    int onNodeTree(Node* tree) override
    {
        delete tree;
        return 0;
    }
    int onCriticalError(const String& message, int) override
    {
        criticalErrors.push_back(std::string(message.narrow()));
        return XMLPROXY_NULL_STRING;
    }
    std::vector<std::string> criticalErrors;
};

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
    struct Case {
        int depth;
        int result;
        std::size_t criticalErrors;
    };
    const int limit = XercesProxy::MAX_ELEMENT_DEPTH;
    for (const Case& c : {Case{limit, XMLPROXY_SUCCESS, 0}, Case{limit + 1, XMLPROXY_OTHER_EXCEPTION, 1}}) {
        const std::string path = m_Tmp.file("nested.xml");
        orvtest::writeFile(path, nestedDocument(c.depth));
        CriticalErrorSink sink;
        NodeReader reader(&sink);
        EXPECT_EQ(reader.read(String(path.c_str()), 2), c.result) << "depth " << c.depth;
        ASSERT_EQ(sink.criticalErrors.size(), c.criticalErrors) << "depth " << c.depth;
        if (c.criticalErrors > 0) {
            EXPECT_EQ(sink.criticalErrors[0], "Elements nested deeper than " + std::to_string(limit) + " levels");
        }
    }
}

// The first entry is read as a stream: a gigabyte of blanks after the document element's
// start tag passes through in pieces, and the read ends with the truncated document's error.
TEST_F(HostileDocumentTest, GigabyteZipEntryEndsWithinBudget)
{
    const std::string path = m_Tmp.file("bomb.zip");
    writeInflatingArchive(path, "<?xml version=\"1.0\"?>\n<OrvConfiguration version=\"1.0\">", 30);
    expectBoundedEnd(path, 64 * MEBIBYTE, 120);
}

} // namespace
