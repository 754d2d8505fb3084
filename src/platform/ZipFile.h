#ifndef ORV_ZIPFILE_H
#define ORV_ZIPFILE_H

#include "OrvExport.h"
#include "String.h"

#include <memory>

class InputStream;
class ZipEntry;
struct ZipArchiveHandle;

// A zip archive opened by path. Entry streams share the archive handle, so a stream
// stays usable after the ZipFile that made it is destroyed.
class ORVBASE_API ZipFile {
public:
    explicit ZipFile(const String& path);
    virtual ~ZipFile();
    ZipFile(const ZipFile&) = delete;
    ZipFile& operator=(const ZipFile&) = delete;

    // 0 for a readable zip archive, nonzero otherwise.
    static int isValid(const String& path);

    bool isOpen() const { return m_Archive != nullptr; }
    long long getEntryCount() const;
    // A new entry that the caller deletes, or null when there is no such entry.
    ZipEntry* getEntry(long long index) const;
    // A new stream over the entry's uncompressed bytes that the caller deletes, or null.
    InputStream* getEntryStream(const ZipEntry* entry) const;

    // Why an entry's stream cannot be had, so that a reader can say what is wrong.
    enum EntryProblem : int {
        ENTRY_READABLE = 0,
        ENTRY_ENCRYPTED = 1,
        ENTRY_METHOD_UNSUPPORTED = 2, // a compression method this build cannot inflate
        ENTRY_UNREADABLE = 3,
    };
    EntryProblem getEntryProblem(const ZipEntry* entry) const;

private:
    std::shared_ptr<ZipArchiveHandle> m_Archive;
};

#endif
