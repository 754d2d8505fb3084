#include "FuzzSupport.h"

#include "Tracer.h"

#include <xercesc/util/PlatformUtils.hpp>

#include <cstdio>
#include <cstdlib>

namespace orvfuzz {

void fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.c_str());
    std::abort();
}

std::vector<std::string> propertyPieces(const std::string& bytes)
{
    const std::size_t maxPiece = 259;
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = start;
        while (end < bytes.size() && end - start < maxPiece) {
            ++end;
            if (bytes[end - 1] == '\n')
                break;
        }
        pieces.push_back(bytes.substr(start, end - start));
        start = end;
    }
    return pieces;
}

std::string bytesOf(const String& text)
{
    return std::string(text.narrow(), text.narrowLength());
}

std::string quoted(const std::string& bytes)
{
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c >= 32 && c < 127 && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out + "\"";
}

ScratchConfig::ScratchConfig()
    : localDir("ORV_LOCALDIR", root.path().c_str()), configPath(root.path() + "/config/")
{
    orvtest::makeDirs(configPath);
}

ScratchConfig& scratchConfig()
{
    static ScratchConfig scratch;
    return scratch;
}

void holdXmlLibraryForTheRun()
{
    xercesc::XMLPlatformUtils::Initialize();
    std::atexit([] { xercesc::XMLPlatformUtils::Terminate(); });
    Tracer::setReceiver([](const TraceRecord&) {});
}

} // namespace orvfuzz
