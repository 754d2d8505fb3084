#include "XmlInputStream.h"

#include "InputStream.h"
#include "ParseGuard.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Continuation bytes that follow a lead byte; -1 for a byte that cannot lead.
int continuationsAfter(XMLByte i_Lead)
{
    if (i_Lead < 0x80)
        return 0;
    if (i_Lead >= 0xC2 && i_Lead <= 0xDF)
        return 1;
    if (i_Lead >= 0xE0 && i_Lead <= 0xEF)
        return 2;
    if (i_Lead >= 0xF0 && i_Lead <= 0xF4)
        return 3;
    return -1;
}

// Whether the document's first bytes say it is UTF-8: no byte-order mark or zero bytes of
// a wider encoding, and an XML declaration that names UTF-8 or no encoding. A declaration
// cut off by the first read gives no answer, and nothing is checked.
bool declaresUtf8(const XMLByte* i_Bytes, XMLSize_t i_Count)
{
    const std::string head(reinterpret_cast<const char*>(i_Bytes), std::min<XMLSize_t>(i_Count, 512));
    if (head.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return true;
    if (head.size() < 2 || head[0] == '\0' || head[1] == '\0' || static_cast<unsigned char>(head[0]) >= 0xFE)
        return false;
    if (head.compare(0, 5, "<?xml") != 0)
        return true;
    const std::size_t end = head.find("?>");
    if (end == std::string::npos)
        return false;
    const std::size_t name = head.find("encoding", 5);
    if (name == std::string::npos || name > end)
        return true;
    const std::size_t quote = head.find_first_of("\"'", name);
    if (quote == std::string::npos || quote > end)
        return false;
    std::string value = head.substr(quote + 1, head.find(head[quote], quote + 1) - quote - 1);
    std::transform(value.begin(), value.end(), value.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });
    return value == "UTF-8" || value == "UTF8";
}

} // namespace

XmlInputStream::XmlInputStream(InputStream* i_InputStream, ParseGuard* i_Guard, bool i_ZipEntry)
    : position(0),
      m_Stream(i_InputStream),
      m_Guard(i_Guard),
      m_ZipEntry(i_ZipEntry),
      m_Checking(i_Guard != nullptr),
      m_ContinuationsDue(0),
      m_Lines(0)
{
}

XmlInputStream::~XmlInputStream()
{
    if (m_Stream != nullptr) {
        m_Stream->close();
        delete m_Stream;
    }
}

XMLFilePos XmlInputStream::curPos() const
{
    return position;
}

namespace {

// Whether the eight bytes at i_Bytes are all below 0x80.
bool asciiWord(const XMLByte* i_Bytes)
{
    std::uint64_t word;
    std::memcpy(&word, i_Bytes, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

// Whether the 32 bytes at i_Bytes are all below 0x80, tested as one.
bool asciiRun(const XMLByte* i_Bytes)
{
    std::uint64_t words[4];
    std::memcpy(words, i_Bytes, sizeof words);
    return ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ULL) == 0;
}

long long countLines(const XMLByte* i_Bytes, XMLSize_t i_Count)
{
    long long lines = 0;
    const XMLByte* end = i_Bytes + i_Count;
    for (const XMLByte* at = i_Bytes; at != end; ++at) {
        at = static_cast<const XMLByte*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        if (at == nullptr)
            break;
        ++lines;
    }
    return lines;
}

} // namespace

void XmlInputStream::checkUtf8(const XMLByte* i_Bytes, XMLSize_t i_Count)
{
    XMLSize_t at = 0;
    while (at < i_Count) {
        if (m_ContinuationsDue == 0) {
            // Plain ASCII, 32 and then 8 bytes at a time: the common case costs little.
            while (i_Count - at >= 32 && asciiRun(i_Bytes + at))
                at += 32;
            while (i_Count - at >= 8 && asciiWord(i_Bytes + at))
                at += 8;
            while (at < i_Count && i_Bytes[at] < 0x80)
                ++at;
            if (at == i_Count)
                break;
            m_ContinuationsDue = continuationsAfter(i_Bytes[at]);
            if (m_ContinuationsDue < 0)
                refuseByteAt(i_Bytes, at);
            ++at;
        }
        for (; m_ContinuationsDue > 0 && at < i_Count; ++at, --m_ContinuationsDue) {
            if ((i_Bytes[at] & 0xC0) != 0x80)
                refuseByteAt(i_Bytes, at);
        }
    }
    // The line of a bad byte in a later read counts the lines of this one; memchr finds the
    // line feeds faster than a loop that looks at every byte.
    m_Lines += countLines(i_Bytes, i_Count);
}

void XmlInputStream::refuseByteAt(const XMLByte* i_Bytes, XMLSize_t i_At) const
{
    const long long line = m_Lines + 1 + countLines(i_Bytes, i_At);
    m_Guard->refuseAtLine("Invalid UTF-8 byte sequence in a document encoded in UTF-8", static_cast<int>(line));
}

XMLSize_t XmlInputStream::readBytes(XMLByte* const o_ToFill, const XMLSize_t i_MaxToRead)
{
    const long long read = m_Stream->read(o_ToFill, static_cast<long long>(i_MaxToRead));
    // The base library reports a read error as a negative count; to the XML library that
    // is the end of the input, and the document then fails as truncated.
    if (read <= 0)
        return 0;
    const XMLSize_t count = static_cast<XMLSize_t>(read);
    if (m_Guard != nullptr) {
        m_Guard->chargeDocumentBytes(count, m_ZipEntry);
        if (position == 0)
            m_Checking = declaresUtf8(o_ToFill, count);
        if (m_Checking)
            checkUtf8(o_ToFill, count);
    }
    position += count;
    return count;
}

const XMLCh* XmlInputStream::getContentType() const
{
    return nullptr;
}
