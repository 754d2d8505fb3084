// Arbitrary documents through the whole XML pipeline: the Xerces adapter, the tree-building
// SAX handler and the section sink, then copies and XML output of every section found.
// Input: a flag byte (bit 0: validate against a small schema; bits 1-2: skip depth), then
// the document's bytes. Crashes, leaks and sanitizer reports are the findings; a read must
// answer with one of the layer's codes.
#include "FuzzSupport.h"
#include "Node.h"
#include "NodeReader.h"
#include "ParseNodeSink.h"
#include "TestSupport.h"
#include "Tracer.h"
#include "XmlProxyResult.h"

#include <xercesc/util/PlatformUtils.hpp>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#ifndef ORV_FUZZ_SOURCE_DIR
#error "ORV_FUZZ_SOURCE_DIR must name the fuzz directory"
#endif

namespace {

struct Scratch {
    orvtest::TempDir tmp;
    std::string documentPath = tmp.file("document.xml");
    std::string schemaPath = std::string(ORV_FUZZ_SOURCE_DIR) + "/pipeline.xsd";
};

Scratch* g_Scratch = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_Scratch = new Scratch();
    std::atexit([] { delete g_Scratch; });
    orvfuzz::holdXmlLibraryForTheRun();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const bool withSchema = (data[0] & 1) != 0;
    const int skipDepth = (data[0] >> 1) & 3;
    orvtest::writeFile(g_Scratch->documentPath, std::string(reinterpret_cast<const char*>(data + 1), size - 1));

    ParseNodeSink sink;
    {
        NodeReader reader(&sink);
        if (withSchema) {
            reader.validationScheme = 2;
            reader.doNamespaces = true;
            reader.doSchema = true;
            reader.validationSchemaFullChecking = true;
            reader.externalNoNamespaceSchemaLocation = String(g_Scratch->schemaPath.c_str());
        }
        const int result = reader.read(String(g_Scratch->documentPath.c_str()), skipDepth);
        orvfuzz::check(result == XMLPROXY_SUCCESS || result == XMLPROXY_XML_EXCEPTION ||
                           result == XMLPROXY_OTHER_EXCEPTION,
                       "read result", std::to_string(result));
        orvfuzz::check(reader.errorCount >= 0, "negative error count");
    }
    for (int index = 0; index <= 10; ++index) {
        std::unique_ptr<Node> section(sink.getNode(index));
        if (!section)
            continue;
        std::unique_ptr<Node> again(section->clone());
        std::ostringstream out;
        orvfuzz::check(again->write(out, 0) == 0, "write of a section copy");
    }
    return 0;
}
