#include "XmlOrvParser.h"

#include "File.h"
#include "InputStream.h"
#include "NodeReader.h"
#include "OrvCfg.h"
#include "ParseNodeSink.h"
#include "Trace.h"
#include "Tracer.h"
#include "XmlProxyResult.h"

#include <memory>

namespace {

enum Settings : int {
    VALIDATION_AUTO = 2,      // the XML library's automatic scheme: validate what names a grammar
    SECTION_DEPTH = 2,        // sections lie two levels below the document element
    ERROR_LEVEL = 1,          // trace level of a file that cannot be opened
    OPEN_FAILED_COUNT = 1,    // the error count when a file cannot be opened or the read broke off
};

// Only a regular file can be opened: a FIFO would hang the parse waiting for a writer, and
// a directory or a device is no document. Either is reported as a file that cannot be opened.
bool canOpen(const String& path)
{
    return std::unique_ptr<InputStream>(File(path).openRegularFile()) != nullptr;
}

} // namespace

XmlOrvParser::XmlOrvParser(const String& configFile, ParseNodeSink& sink) : configFile(), errorCount(0)
{
    // Open for the whole construction; it carries a line only when a file cannot be opened.
    Trace trace(Tracer::getInstance(Tracer::COMPONENT_COMMON), "XmlOrvParser::XmlOrvParser");
    this->configFile = configFile;

    if (!canOpen(this->configFile)) {
        errorCount = OPEN_FAILED_COUNT;
        trace.level = ERROR_LEVEL;
        trace << "Error opening the configuration file " << this->configFile << Trace::endl;
        return;
    }

    const String schemaPath = OrvCfg::getConfigurationSchemaPath();
    if (schemaPath.length() > 0 && !canOpen(schemaPath)) {
        errorCount = OPEN_FAILED_COUNT;
        trace.level = ERROR_LEVEL;
        trace << "Error opening the configuration schema file " << schemaPath << Trace::endl;
        return;
    }

    NodeReader reader(&sink);
    reader.validationScheme = VALIDATION_AUTO;
    reader.doNamespaces = true;
    reader.doSchema = true;
    reader.validationSchemaFullChecking = true;
    reader.externalNoNamespaceSchemaLocation = OrvCfg::getConfigurationSchemaPath();
    reader.externalSchemaLocation = String();
    reader.stopCallback = nullptr;
    const int result = reader.read(this->configFile, SECTION_DEPTH);
    errorCount = reader.errorCount;
    // A read that ended before the XML parser could count anything (the library did not
    // start, or threw) has already told the sink why; the count must not claim a clean parse.
    if (result != XMLPROXY_SUCCESS && errorCount == 0)
        errorCount = OPEN_FAILED_COUNT;
}

XmlOrvParser::XmlOrvParser(const XmlOrvParser& other) : configFile(other.configFile), errorCount(other.errorCount)
{
}

XmlOrvParser& XmlOrvParser::operator=(const XmlOrvParser& other)
{
    configFile = other.configFile;
    errorCount = other.errorCount;
    return *this;
}

XmlOrvParser::~XmlOrvParser() = default;

int XmlOrvParser::getErrorCount()
{
    return errorCount;
}

void XmlOrvParser::setErrorCount(int count)
{
    errorCount = count;
}
