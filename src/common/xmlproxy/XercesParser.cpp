#include "XercesParser.h"

#include "BoundedMemoryManager.h"
#include "NetworkAccessOff.h"
#include "EntityExpansionMeter.h"
#include "ParseGuard.h"
#include "ParseRefusal.h"
#include "RefusingEntityResolver.h"
#include "SchemaGrammarCache.h"
#include "SAXHandler.h"
#include "XercesProxy.h"
#include "XmlFileInputSource.h"
#include "XmlProxyResult.h"
#include "XmlZipInputSource.h"
#include "ZipFile.h"

#include <xercesc/framework/XMLPScanToken.hpp>
#include <xercesc/parsers/SAXParser.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>

#include <memory>
#include <new>

namespace {

enum ValidationSetting : int {
    VALIDATE_NEVER = 0,
    VALIDATE_ALWAYS = 1,
    VALIDATE_AUTO = 2,
};

// Tells the grammar cache how the parse ended, whichever way it leaves; declared before
// the parser, so the parser has let go of the pool when the cache may discard it.
class ParseEnd {
public:
    ParseEnd(SchemaGrammarCache& i_Cache, const bool& i_EndedNormally)
        : m_Cache(i_Cache), m_EndedNormally(i_EndedNormally)
    {
    }
    ~ParseEnd() { m_Cache.afterParse(m_EndedNormally); }
    ParseEnd(const ParseEnd&) = delete;
    ParseEnd& operator=(const ParseEnd&) = delete;

private:
    SchemaGrammarCache& m_Cache;
    const bool& m_EndedNormally;
};

// A library exception reaches the handler as a critical error without a line: the only
// line it carries is one of the library's own source, which means nothing in a document.
constexpr int kNoDocumentLine = 0;

void reportException(SAXHandler* handler, const xercesc::XMLException& exception)
{
    const XMLCh* message = exception.getMessage();
    handler->fatalError(message != nullptr ? String(message) : String(), kNoDocumentLine);
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

// Nothing outside the document and the configured schema is read: external entities and
// DTDs go to the resolver, which refuses them, and the library does not look further when
// it does; schema location hints in the document are asked of the resolver as well.
void closeTheWayOut(xercesc::SAXParser& parser, RefusingEntityResolver& resolver)
{
    parser.setXMLEntityResolver(&resolver);
    parser.setDisableDefaultEntityResolution(true);
    parser.setLoadExternalDTD(false);
}

// A zip archive is read from its first entry; anything else as a regular file.
xercesc::InputSource* makeInputSource(const String& path, ParseGuard& guard)
{
    if (ZipFile::isValid(path) == 0)
        return new XmlZipInputSource(path, &guard);
    return new XmlFileInputSource(path, &guard);
}

} // namespace

XercesParser::XercesParser(SAXHandler* i_Handler) : SAXParser(i_Handler) {}

XercesParser::~XercesParser() = default;

int XercesParser::parse(const String& i_Path, bool (*i_StopCallback)())
{
    SchemaGrammarCache* cache = nullptr;
    try {
        cache = &SchemaGrammarCache::instance();
    } catch (const xercesc::XMLException& exception) {
        reportException(m_Handler, exception);
        return XMLPROXY_INIT_FAILED;
    }
    NetworkAccessOff networkOff;
    xercesc::XMLGrammarPool* grammar = cache->grammarFor(*this);
    bool endedNormally = false;
    ParseEnd parseEnd(*cache, endedNormally);

    // Declared in this order so that the source goes first, then the parser, then what the
    // parser calls, then the memory the parser held.
    ParseGuard guard(m_Handler, limits);
    BoundedMemoryManager memory(limits.libraryMemoryBytes);
    XercesProxy proxy(m_Handler, &guard);
    EntityExpansionMeter expansionMeter(&guard);
    RefusingEntityResolver resolver(&guard, externalNoNamespaceSchemaLocation, externalSchemaLocation);
    // The security manager also stops the library once a document has expanded more entity
    // references than its limit, however short each expansion.
    xercesc::SecurityManager securityManager;
    std::unique_ptr<xercesc::SAXParser> parser;
    try {
        // Inside the guard: the parser's own making already counts against its memory bound.
        parser.reset(new xercesc::SAXParser(nullptr, &memory, grammar));
        applySettings(*this, *parser);
        if (grammar != nullptr)
            parser->useCachedGrammarInParse(true);
        closeTheWayOut(*parser, resolver);
        parser->setSecurityManager(&securityManager);
        std::unique_ptr<xercesc::InputSource> source(makeInputSource(i_Path, guard));
        if (!source)
            return XMLPROXY_NO_INPUT_SOURCE;

        parser->setDocumentHandler(&proxy);
        parser->setErrorHandler(&proxy);
        parser->installAdvDocHandler(&expansionMeter);

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
        endedNormally = true;
        return stopRequested ? XMLPROXY_STOPPED : XMLPROXY_SUCCESS;
    } catch (const ParseRefusal&) {
        // The handler has heard why.
        return XMLPROXY_OTHER_EXCEPTION;
    } catch (const xercesc::OutOfMemoryException&) {
        if (memory.exceeded() || cache->memoryExceeded()) {
            guard.reportLibraryMemory();
            return XMLPROXY_OTHER_EXCEPTION;
        }
        // Otherwise the library's own out-of-memory report is out of memory all the same.
        throw std::bad_alloc();
    } catch (const xercesc::XMLException& exception) {
        reportException(m_Handler, exception);
        return XMLPROXY_XML_EXCEPTION;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return XMLPROXY_OTHER_EXCEPTION;
    }
}
