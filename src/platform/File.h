#ifndef ORV_FILE_H
#define ORV_FILE_H

#include "OrvExport.h"
#include "String.h"

class InputStream;

// A path in the file system.
class ORVBASE_API File {
public:
    // The native separator: "/" on POSIX, "\" on Windows.
    static const unsigned short pathSeparator[2];

    explicit File(const String& path, const String* child = nullptr);
    explicit File(const char* path, const String* child = nullptr);
    virtual ~File();

    const String& getPath() const { return m_Path; }
    // The path without its last component; empty when there is none.
    String getParent() const;
    // The absolute, lexically normalised form of the path.
    String getAbsolutePath() const;
    // Nonzero when something exists at the path.
    int exists() const;
    // Deletes the file; nonzero on success.
    int del() const;
    // A new stream over the file's bytes that the caller deletes, or null when nothing can
    // be opened there or what is there is not a regular file. A FIFO, a device or a
    // directory is refused without waiting for a writer or reading a byte, and the check
    // and the read concern the same open file, so nothing can be swapped in between.
    InputStream* openRegularFile() const;

private:
    String m_Path;
};

#endif
