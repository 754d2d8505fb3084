// Arbitrary archive bytes as the zip input of the XML pipeline: the entry input source and
// its stream read the first entry to its end (up to a cap; inflating archives are the
// hostile-document tests' business), and the stream's position must be the sum of what it
// handed out. Small archives are then parsed as documents.
#include "FuzzSupport.h"
#include "Node.h"
#include "NodeReader.h"
#include "ParseNodeSink.h"
#include "TestSupport.h"
#include "Tracer.h"
#include "XmlZipInputSource.h"
#include "ZipFile.h"

#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

const XMLSize_t READ_CAP = 16 * 1024 * 1024;
const XMLSize_t PARSE_LIMIT = 64 * 1024;

struct Scratch {
    orvtest::TempDir tmp;
    std::string archivePath = tmp.file("document.zip");
};

Scratch* g_Scratch = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_Scratch = new Scratch();
    std::atexit([] { delete g_Scratch; });
    // The input source lives in the XML library's memory, which stays initialised.
    orvfuzz::holdXmlLibraryForTheRun();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    orvtest::writeFile(g_Scratch->archivePath, std::string(reinterpret_cast<const char*>(data), size));
    const String path(g_Scratch->archivePath.c_str());

    XMLSize_t total = 0;
    bool complete = false;
    {
        std::unique_ptr<XmlZipInputSource> source(new XmlZipInputSource(path));
        std::unique_ptr<xercesc::BinInputStream> stream(source->makeStream());
        if (stream) {
            XMLByte buffer[4096];
            while (total < READ_CAP) {
                XMLSize_t count = stream->readBytes(buffer, sizeof buffer);
                orvfuzz::check(count <= sizeof buffer, "read more than asked", std::to_string(count));
                if (count == 0) {
                    complete = true;
                    break;
                }
                total += count;
                orvfuzz::check(stream->curPos() == total, "stream position");
            }
        }
    }

    if (complete && total <= PARSE_LIMIT && ZipFile::isValid(path) == 0) {
        ParseNodeSink sink;
        NodeReader reader(&sink);
        reader.read(path, 1);
        for (int index = 1; index <= 9; ++index)
            delete sink.getNode(index);
    }
    return 0;
}
