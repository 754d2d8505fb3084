#include "SchemaGrammarCache.h"

#include "BoundedMemoryManager.h"
#include "NetworkAccessOff.h"
#include "SAXParser.h"
#include "XmlFileInputSource.h"

#include <xercesc/framework/XMLGrammarPoolImpl.hpp>
#include <xercesc/parsers/SAXParser.hpp>
#include <xercesc/sax/HandlerBase.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include <fstream>
#include <iterator>
#include <new>
#include <string>

namespace {

// Growth of the pool past the compiled grammar that makes it be compiled afresh: documents
// add the namespace names they use to the pool's name table, and a long-lived process must
// not keep every name that every document brought.
constexpr long long kPoolGrowthBytes = 1LL << 20;

// Counts what compiling the schema reports; one report is enough to leave the schema to
// each parse, which reports it to the host.
class ReportCounter : public xercesc::HandlerBase {
public:
    void warning(const xercesc::SAXParseException&) override { ++reports; }
    void error(const xercesc::SAXParseException&) override { ++reports; }
    void fatalError(const xercesc::SAXParseException&) override { ++reports; }
    int reports = 0;
};

enum ValidationSetting : int {
    VALIDATE_NEVER = 0,
};

// A schema is a few kilobytes: reading it costs microseconds, compiling it a millisecond.
bool readContents(const char* path, std::string& contents)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

bool SchemaGrammarCache::Key::operator==(const Key& other) const
{
    return path == other.path && fullChecking == other.fullChecking && stamp == other.stamp &&
           contents == other.contents;
}

SchemaGrammarCache& SchemaGrammarCache::instance()
{
    static SchemaGrammarCache cache;
    return cache;
}

SchemaGrammarCache::SchemaGrammarCache() : m_PoolBytesAfterLoad(0), m_HasKey(false), m_KeyIsClean(false)
{
    xercesc::XMLPlatformUtils::Initialize();
}

// Runs at process exit: the grammar goes while the library still stands, then the
// library is given back its one initialisation.
SchemaGrammarCache::~SchemaGrammarCache()
{
    discard();
    xercesc::XMLPlatformUtils::Terminate();
}

void SchemaGrammarCache::discard()
{
    m_Pool.reset();
    m_PoolMemory.reset();
    m_HasKey = false;
    m_KeyIsClean = false;
}

xercesc::XMLGrammarPool* SchemaGrammarCache::grammarFor(const SAXParser& i_Settings)
{
    // Only one schema for elements without a namespace is kept; other settings read
    // what they name in each parse.
    if (!i_Settings.doSchema || i_Settings.validationScheme == VALIDATE_NEVER ||
        i_Settings.externalNoNamespaceSchemaLocation.length() == 0 || i_Settings.externalSchemaLocation.length() > 0)
        return nullptr;

    Key key;
    key.path = i_Settings.externalNoNamespaceSchemaLocation;
    key.fullChecking = i_Settings.validationSchemaFullChecking;
    if (!orv::os::readFileStamp(key.path.narrow(), key.stamp) || !readContents(key.path.narrow(), key.contents)) {
        discard();
        return nullptr;
    }
    if (m_HasKey && m_Key == key)
        return m_KeyIsClean ? m_Pool.get() : nullptr;

    discard();
    m_Key = key;
    m_HasKey = true;
    m_KeyIsClean = load(i_Settings);
    if (!m_KeyIsClean) {
        m_Pool.reset();
        m_PoolMemory.reset();
    }
    return m_Pool.get();
}

bool SchemaGrammarCache::load(const SAXParser& i_Settings)
{
    m_PoolMemory.reset(new BoundedMemoryManager(i_Settings.limits.libraryMemoryBytes));
    m_Pool.reset(new xercesc::XMLGrammarPoolImpl(m_PoolMemory.get()));

    NetworkAccessOff networkOff;
    ReportCounter counter;
    xercesc::SecurityManager securityManager;
    try {
        // Nothing but the schema itself is read: an include or import it names cannot be
        // resolved, which is a report, which leaves the schema to each parse, where the
        // parse's resolver refuses it in the host's hearing.
        // The loader's memory is the pool's: what the grammar keeps must outlive the loader.
        xercesc::SAXParser loader(nullptr, m_PoolMemory.get(), m_Pool.get());
        loader.setDoNamespaces(i_Settings.doNamespaces);
        loader.setDoSchema(true);
        loader.setValidationSchemaFullChecking(i_Settings.validationSchemaFullChecking);
        loader.setDisableDefaultEntityResolution(true);
        loader.setLoadExternalDTD(false);
        loader.setSecurityManager(&securityManager);
        loader.setErrorHandler(&counter);
        XmlFileInputSource source(i_Settings.externalNoNamespaceSchemaLocation);
        const xercesc::Grammar* grammar =
            loader.loadGrammar(source, xercesc::Grammar::SchemaGrammarType, true);
        m_PoolBytesAfterLoad = m_PoolMemory->heldBytes();
        return grammar != nullptr && counter.reports == 0 && !m_PoolMemory->exceeded();
    } catch (const std::bad_alloc&) {
        discard();
        throw;
    } catch (...) {
        return false;
    }
}

bool SchemaGrammarCache::memoryExceeded() const
{
    return m_PoolMemory && m_PoolMemory->exceeded();
}

void SchemaGrammarCache::afterParse(bool i_EndedNormally)
{
    if (!m_Pool)
        return;
    if (!i_EndedNormally || m_PoolMemory->exceeded() || m_PoolMemory->heldBytes() > m_PoolBytesAfterLoad + kPoolGrowthBytes)
        discard();
}
