#ifndef ORV_SCHEMAGRAMMARCACHE_H
#define ORV_SCHEMAGRAMMARCACHE_H

#include "FileSystem.h"
#include "String.h"

#include <xercesc/framework/XMLGrammarPool.hpp>

#include <memory>
#include <string>

class BoundedMemoryManager;
class SAXParser;

// What the XML library costs once per process rather than once per parse. The library is
// initialised by the first parse and stays so until the process ends (it counts
// initialisations, so a host's own initialise and terminate pairs keep working), and the
// configured schema is compiled once and kept, keyed by its path, size, times and contents,
// so that a schema replaced on disk is read again: a replacement of the same size within one
// tick of the file system's clock keeps the size and the times, and only the bytes tell.
//
// Only a schema that compiles without a single warning or error is kept. A parse against
// the kept grammar then reports exactly what a parse that compiles the schema itself
// reports, since compiling it adds nothing; any other schema is left to each parse, which
// reports its problems as before. Parses run one at a time, as before.
class SchemaGrammarCache {
public:
    // The process's cache, initialising the XML library on first use; throws the library's
    // exception when it cannot be initialised, and the next call tries again.
    static SchemaGrammarCache& instance();

    ~SchemaGrammarCache();
    SchemaGrammarCache(const SchemaGrammarCache&) = delete;
    SchemaGrammarCache& operator=(const SchemaGrammarCache&) = delete;

    // The pool holding the compiled schema that the settings name, or null when the parse
    // must compile it itself: no single no-namespace schema, or one that does not compile
    // cleanly.
    xercesc::XMLGrammarPool* grammarFor(const SAXParser& i_Settings);
    // Whether the kept grammar's memory reached its bound during the last parse.
    bool memoryExceeded() const;
    // Forgets the kept grammar after a parse that ended abnormally, or that left the pool
    // holding noticeably more than the grammar itself.
    void afterParse(bool i_EndedNormally);

private:
    SchemaGrammarCache();
    void discard();
    bool load(const SAXParser& i_Settings);

    struct Key {
        String path;
        bool fullChecking = false;
        orv::os::FileStamp stamp;
        std::string contents;
        bool operator==(const Key& other) const;
    };

    std::unique_ptr<BoundedMemoryManager> m_PoolMemory;
    std::unique_ptr<xercesc::XMLGrammarPool> m_Pool;
    long long m_PoolBytesAfterLoad;
    bool m_HasKey;
    bool m_KeyIsClean; // false: the keyed schema did not compile cleanly, parses compile it
    Key m_Key;
};

#endif
