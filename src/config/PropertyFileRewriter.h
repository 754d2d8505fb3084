#ifndef ORV_PROPERTYFILEREWRITER_H
#define ORV_PROPERTYFILEREWRITER_H

#include "FileSystem.h"
#include "PropertyLineReader.h"
#include "String.h"

#include <memory>
#include <string>
#include <string_view>

// Rewrites one property file through a temporary file, line by line.
//
// What readers of the property file can rely on: until commit() the property file is not
// touched at all; commit() writes the temporary file out to the device and then moves it
// over the property file in one step, so at every moment the property file holds either
// its whole old content or its whole new content, and is never missing. A rewrite that is
// abandoned (a failure return, an early exit, a failed write) removes its temporary file
// and leaves the property file as it was. A process that dies during a rewrite, at any
// step, leaves the property file whole as well (old or new content); only the temporary
// file may stay behind, and the next rewrite replaces it. After a power failure the
// property file likewise holds its old or its new content whole: the new content reaches
// the device before the move, and the move before commit() returns. Every step of a
// rewrite runs through this class.
//
// What another local user can do to it: nothing through the fixed names. The property file
// is read only when it is a plain file (a symbolic link is never followed, a pipe never
// waited on). The temporary file is created afresh, exclusively and never through a link,
// readable by the caller only until it is complete; whatever had its name before is removed
// first, the link itself rather than its target. It gets the property file's final mode on
// its descriptor just before the move, so no one else can hold it open for writing.
//
// The temporary file's name is fixed per configuration directory, so rewrites of one
// directory must not overlap: callers hold the directory's ConfigLock.
class PropertyFileRewriter {
public:
    enum CommitResult {
        COMMITTED,
        READ_FAILED,  // the property file could not be read to its end
        WRITE_FAILED, // the temporary file could not be written completely
        MOVE_FAILED,  // the temporary file could not take the property file's place
    };

    // `mode`: the mode bits the property file has after the rewrite.
    PropertyFileRewriter(const char* path, const char* tempPath, unsigned int mode);
    ~PropertyFileRewriter();
    PropertyFileRewriter(const PropertyFileRewriter&) = delete;
    PropertyFileRewriter& operator=(const PropertyFileRewriter&) = delete;

    // Opens the property file for reading, then creates the temporary file. 0 when both are
    // open; orv::os::OPEN_NOT_PLAIN_FILE when the property file is not a plain file; else the
    // errno of the step that failed. No file is created when the property file cannot be
    // opened.
    int open();

    // Reads the next piece of the property file (at most 259 bytes, see
    // PropertyLineReader); false at the end.
    bool nextLine();
    // The piece last read, byte for byte.
    std::string_view lineBytes() const;
    // The piece last read, as 16-bit text; converted on first request, since most pieces
    // of a rewrite are copied without being looked at as text.
    const String& lineText() const;

    // Writes the piece last read, byte for byte.
    void copyLine();
    // Writes the line "key=value" in place of the piece last read, without blanks around the
    // "=", and with that piece's line end: a carriage return and a line feed when it ended
    // so, else a line feed.
    void writeProperty(const String& key, const String& value);

    // Finishes the rewrite; the property file changes only when the result is COMMITTED.
    CommitResult commit();

private:
    void write(const char* bytes, std::size_t count);
    void abandon();

    std::string m_Path;
    std::string m_TempPath;
    unsigned int m_Mode;
    orv::os::FileHandle m_Input;
    orv::os::FileHandle m_Output;
    std::unique_ptr<PropertyLineReader> m_Reader;
    mutable String m_LineText;
    mutable bool m_LineTextValid = false;
    bool m_TempCreated = false;
    bool m_WriteFailed = false;
};

#endif
