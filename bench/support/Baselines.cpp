#include "Baselines.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/XMLGrammarPoolImpl.hpp>
#include <xercesc/framework/XMLPScanToken.hpp>
#include <xercesc/parsers/SAXParser.hpp>
#include <xercesc/sax/AttributeList.hpp>
#include <xercesc/sax/HandlerBase.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace orvbench {
namespace {

class CountingHandler : public xercesc::HandlerBase {
public:
    explicit CountingHandler(ParseCounts& o_Counts) : m_Counts(o_Counts) {}

    void startElement(const XMLCh* const, xercesc::AttributeList& i_Attributes) override
    {
        ++m_Counts.elements;
        m_Counts.attributes += static_cast<long>(i_Attributes.getLength());
    }
    void characters(const XMLCh* const, const XMLSize_t i_Length) override
    {
        m_Counts.characterUnits += static_cast<long>(i_Length);
    }
    void error(const xercesc::SAXParseException&) override { ++m_Counts.errors; }
    void fatalError(const xercesc::SAXParseException&) override { ++m_Counts.errors; }

private:
    ParseCounts& m_Counts;
};

struct FileCloser {
    void operator()(std::FILE* i_File) const { std::fclose(i_File); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

bool isBlank(char i_Char)
{
    return i_Char == ' ' || i_Char == '\t' || i_Char == '\r' || i_Char == '\n' || i_Char == '\v' || i_Char == '\f';
}

void trimRange(const char*& io_First, const char*& io_Last)
{
    while (io_First < io_Last && isBlank(*io_First)) {
        ++io_First;
    }
    while (io_Last > io_First && isBlank(io_Last[-1])) {
        --io_Last;
    }
}

// UTF-8 to 16-bit units, ASCII first; enough for the files the benchmarks write.
std::u16string decode(const char* i_First, const char* i_Last)
{
    std::u16string out;
    out.reserve(static_cast<std::size_t>(i_Last - i_First));
    const auto* p = reinterpret_cast<const unsigned char*>(i_First);
    const auto* end = reinterpret_cast<const unsigned char*>(i_Last);
    while (p < end) {
        unsigned c = *p++;
        if (c < 0x80) {
            out += static_cast<char16_t>(c);
        } else if ((c & 0xE0) == 0xC0 && p < end) {
            out += static_cast<char16_t>(((c & 0x1F) << 6) | (*p++ & 0x3F));
        } else if ((c & 0xF0) == 0xE0 && end - p >= 2) {
            out += static_cast<char16_t>(((c & 0x0F) << 12) | ((p[0] & 0x3F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else {
            out += static_cast<char16_t>(0xDC00 + c);
        }
    }
    return out;
}

// The validating settings both baselines share, then a progressive parse of the document
// with the counting handler.
ParseCounts countedParse(xercesc::SAXParser& io_Parser, const std::string& i_Document, const std::string& i_Schema)
{
    using namespace xercesc;
    ParseCounts counts;
    io_Parser.setValidationScheme(SAXParser::Val_Auto);
    io_Parser.setDoNamespaces(true);
    io_Parser.setDoSchema(true);
    io_Parser.setValidationSchemaFullChecking(true);
    io_Parser.setExternalNoNamespaceSchemaLocation(i_Schema.c_str());
    CountingHandler handler(counts);
    io_Parser.setDocumentHandler(&handler);
    io_Parser.setErrorHandler(&handler);
    XMLCh* path = XMLString::transcode(i_Document.c_str());
    {
        LocalFileInputSource source(path);
        XMLPScanToken token;
        bool more = io_Parser.parseFirst(source, token);
        while (more) {
            more = io_Parser.parseNext(token);
        }
        counts.errors = static_cast<long>(io_Parser.getErrorCount());
    }
    XMLString::release(&path);
    return counts;
}

} // namespace

ParseCounts bareXercesParse(const std::string& i_Document, const std::string& i_Schema)
{
    using namespace xercesc;
    XMLPlatformUtils::Initialize();
    ParseCounts counts;
    {
        SAXParser parser(nullptr, XMLPlatformUtils::fgMemoryManager, nullptr);
        counts = countedParse(parser, i_Document, i_Schema);
    }
    XMLPlatformUtils::Terminate();
    return counts;
}

struct WarmXercesParser::State {
    std::string schema;
    std::unique_ptr<xercesc::XMLGrammarPool> pool;
};

WarmXercesParser::WarmXercesParser(const std::string& i_Schema) : m_State(new State)
{
    using namespace xercesc;
    XMLPlatformUtils::Initialize();
    m_State->schema = i_Schema;
    m_State->pool.reset(new XMLGrammarPoolImpl(XMLPlatformUtils::fgMemoryManager));
    SAXParser loader(nullptr, XMLPlatformUtils::fgMemoryManager, m_State->pool.get());
    loader.setDoNamespaces(true);
    loader.setDoSchema(true);
    loader.setValidationSchemaFullChecking(true);
    if (loader.loadGrammar(i_Schema.c_str(), Grammar::SchemaGrammarType, true) == nullptr) {
        throw std::runtime_error("bare Xerces cannot compile " + i_Schema);
    }
}

WarmXercesParser::~WarmXercesParser()
{
    m_State->pool.reset();
    xercesc::XMLPlatformUtils::Terminate();
}

ParseCounts WarmXercesParser::parse(const std::string& i_Document)
{
    using namespace xercesc;
    SAXParser parser(nullptr, XMLPlatformUtils::fgMemoryManager, m_State->pool.get());
    parser.useCachedGrammarInParse(true);
    return countedParse(parser, i_Document, m_State->schema);
}

void xercesInitializeTerminate()
{
    xercesc::XMLPlatformUtils::Initialize();
    xercesc::XMLPlatformUtils::Terminate();
}

int loadPropertiesPlain(const std::string& i_Path, PlainPropertyMap& o_Map)
{
    FileHandle file(std::fopen(i_Path.c_str(), "r"));
    if (!file) {
        throw std::runtime_error("cannot open " + i_Path);
    }
    char line[260];
    if (std::fgets(line, sizeof line, file.get()) == nullptr
        || std::strncmp(line, "ORV_PROPERTIES_FILE", std::strlen("ORV_PROPERTIES_FILE")) != 0) {
        return 0;
    }
    int count = 0;
    while (std::fgets(line, sizeof line, file.get()) != nullptr) {
        if (line[0] == '#') {
            continue;
        }
        const char* equals = std::strchr(line, '=');
        if (equals == nullptr || equals == line) {
            continue;
        }
        const char* keyFirst = line;
        const char* keyLast = equals;
        const char* valueFirst = equals + 1;
        const char* valueLast = line + std::strlen(line);
        trimRange(keyFirst, keyLast);
        trimRange(valueFirst, valueLast);
        o_Map[decode(keyFirst, keyLast)] = decode(valueFirst, valueLast);
        ++count;
    }
    return count;
}

int rewritePropertyPlain(const std::string& i_Path, const std::string& i_TmpPath, const std::string& i_Key,
                         const std::string& i_Value, bool i_Sync)
{
    int replaced = 0;
    {
        FileHandle in(std::fopen(i_Path.c_str(), "r"));
        FileHandle out(std::fopen(i_TmpPath.c_str(), "w"));
        if (!in || !out) {
            throw std::runtime_error("cannot rewrite " + i_Path);
        }
        char line[260];
        while (std::fgets(line, sizeof line, in.get()) != nullptr) {
            const char* equals = line[0] == '=' ? nullptr : std::strchr(line, '=');
            if (equals != nullptr) {
                const char* keyFirst = line;
                const char* keyLast = equals;
                trimRange(keyFirst, keyLast);
                if (static_cast<std::size_t>(keyLast - keyFirst) == i_Key.size()
                    && std::memcmp(keyFirst, i_Key.data(), i_Key.size()) == 0) {
                    std::fprintf(out.get(), "%s=%s\n", i_Key.c_str(), i_Value.c_str());
                    ++replaced;
                    continue;
                }
            }
            std::fputs(line, out.get());
        }
        if (i_Sync && (std::fflush(out.get()) != 0 || ::fsync(::fileno(out.get())) != 0)) {
            throw std::runtime_error("cannot sync " + i_TmpPath);
        }
    }
    std::remove(i_Path.c_str());
    if (std::rename(i_TmpPath.c_str(), i_Path.c_str()) != 0) {
        throw std::runtime_error("cannot rename onto " + i_Path);
    }
    return replaced;
}

} // namespace orvbench
