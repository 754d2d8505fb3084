#include "XercesParser.h"

#include "SAXHandler.h"
#include "XercesProxy.h"
#include "XmlProxyResult.h"
#include "XmlZipInputSource.h"
#include "ZipFile.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/XMLPScanToken.hpp>
#include <xercesc/parsers/SAXParser.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

enum ValidationSetting : int {
    VALIDATE_NEVER = 0,
    VALIDATE_ALWAYS = 1,
    VALIDATE_AUTO = 2,
};

// Terminates the XML library when the parse leaves, whichever way it leaves; the library
// counts nested initialisations, so other users in the process keep theirs.
class XercesSession {
public:
    XercesSession() = default;
    ~XercesSession() { xercesc::XMLPlatformUtils::Terminate(); }
    XercesSession(const XercesSession&) = delete;
    XercesSession& operator=(const XercesSession&) = delete;
};

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};

// A library exception reaches the handler as a critical error; its line is the line of the
// library's own source that raised it, as the library reports no document position here.
void reportException(SAXHandler* handler, const xercesc::XMLException& exception)
{
    const XMLCh* message = exception.getMessage();
    handler->fatalError(message != nullptr ? String(message) : String(),
                        static_cast<int>(exception.getSrcLine()));
}

void applySettings(const SAXParser& settings, xercesc::SAXParser& parser)
{
    switch (settings.validationScheme) {
    case VALIDATE_NEVER:
        parser.setValidationScheme(xercesc::SAXParser::Val_Never);
        parser.setLoadExternalDTD(false);
        break;
    case VALIDATE_ALWAYS:
        parser.setValidationScheme(xercesc::SAXParser::Val_Always);
        break;
    case VALIDATE_AUTO:
        parser.setValidationScheme(xercesc::SAXParser::Val_Auto);
        break;
    default:
        // An unknown scheme leaves the library's default in place.
        break;
    }
    parser.setDoNamespaces(settings.doNamespaces);
    parser.setDoSchema(settings.doSchema);
    parser.setValidationSchemaFullChecking(settings.validationSchemaFullChecking);
    if (settings.externalNoNamespaceSchemaLocation.length() > 0)
        parser.setExternalNoNamespaceSchemaLocation(settings.externalNoNamespaceSchemaLocation.narrow());
    if (settings.externalSchemaLocation.length() > 0)
        parser.setExternalSchemaLocation(settings.externalSchemaLocation.narrow());
}

// A zip archive is read from its first entry; anything else as a local file.
xercesc::InputSource* makeInputSource(const String& path)
{
    if (ZipFile::isValid(path) == 0)
        return new XmlZipInputSource(path);

    const std::size_t units = static_cast<std::size_t>(path.length()) + 1;
    std::unique_ptr<XMLCh, FreeDeleter> buffer(static_cast<XMLCh*>(std::malloc(units * sizeof(XMLCh))));
    if (!buffer)
        return nullptr;
    std::memcpy(buffer.get(), path.getUnits(), units * sizeof(XMLCh));
    return new xercesc::LocalFileInputSource(buffer.get(), xercesc::XMLPlatformUtils::fgMemoryManager);
}

} // namespace

XercesParser::XercesParser(SAXHandler* i_Handler) : SAXParser(i_Handler) {}

XercesParser::~XercesParser() = default;

int XercesParser::parse(const String& i_Path, bool (*i_StopCallback)())
{
    try {
        xercesc::XMLPlatformUtils::Initialize();
    } catch (const xercesc::XMLException& exception) {
        reportException(m_Handler, exception);
        return XMLPROXY_INIT_FAILED;
    }
    XercesSession session;

    // Declared in this order so that the source goes first, then the parser, then the
    // proxy that the parser calls, and the library is terminated last.
    XercesProxy proxy(m_Handler);
    // A few entity declarations can name gigabytes of text; the security manager makes the
    // library stop with a fatal error once a document has expanded more entity references
    // than its limit.
    xercesc::SecurityManager securityManager;
    std::unique_ptr<xercesc::SAXParser> parser(
        new xercesc::SAXParser(nullptr, xercesc::XMLPlatformUtils::fgMemoryManager, nullptr));
    applySettings(*this, *parser);
    parser->setSecurityManager(&securityManager);
    std::unique_ptr<xercesc::InputSource> source(makeInputSource(i_Path));
    if (!source)
        return XMLPROXY_NO_INPUT_SOURCE;

    try {
        parser->setDocumentHandler(&proxy);
        parser->setErrorHandler(&proxy);

        xercesc::XMLPScanToken token;
        bool more = parser->parseFirst(*source, token);
        bool stopRequested = false;
        while (more && !stopRequested) {
            if (i_StopCallback != nullptr)
                stopRequested = i_StopCallback();
            more = parser->parseNext(token);
        }
        // A parse ended before the document's end still holds the entry or file open.
        if (more)
            parser->parseReset(token);

        errorCount = static_cast<int>(parser->getErrorCount());
        return stopRequested ? XMLPROXY_STOPPED : XMLPROXY_SUCCESS;
    } catch (const xercesc::OutOfMemoryException&) {
        // The library's own out-of-memory report is out of memory all the same.
        throw std::bad_alloc();
    } catch (const xercesc::XMLException& exception) {
        reportException(m_Handler, exception);
        return XMLPROXY_XML_EXCEPTION;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        // Among them the proxy's refusal of a document nested too deep, already reported
        // to the handler as a critical error.
        return XMLPROXY_OTHER_EXCEPTION;
    }
}
