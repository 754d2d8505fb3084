#ifndef ORV_OS_FILESYSTEM_H
#define ORV_OS_FILESYSTEM_H

#include <cstdio>
#include <memory>

// File-system operations of the configuration service. Paths are narrow, NUL-terminated
// text in the base library's narrow form.
namespace orv::os {

// Access rights in the encoding the configuration service speaks: the rights of an entry of
// a directory's access list, as the service hands them to setDirectoryAccess.
constexpr unsigned int RIGHTS_FILE_ALL_ACCESS = 0x001F01FFu;
constexpr unsigned int RIGHTS_GENERIC_READ = 0x80000000u;
constexpr unsigned int RIGHTS_GENERIC_WRITE = 0x40000000u;
constexpr unsigned int RIGHTS_GENERIC_EXECUTE = 0x20000000u;
constexpr unsigned int RIGHTS_GENERIC_ALL = 0x10000000u;
constexpr unsigned int RIGHTS_FILE_READ_DATA = 0x0001u;   // also: list a directory
constexpr unsigned int RIGHTS_FILE_WRITE_DATA = 0x0002u;  // also: add a file to a directory
constexpr unsigned int RIGHTS_FILE_APPEND_DATA = 0x0004u; // also: add a subdirectory
constexpr unsigned int RIGHTS_FILE_EXECUTE = 0x0020u;     // also: traverse a directory

struct FileCloser {
    void operator()(std::FILE* file) const
    {
        if (file != nullptr)
            std::fclose(file);
    }
};
// An open stdio file, closed when the holder goes. The one holder of open files of the
// configuration service.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// fopen with the descriptor closed across spawned programs. On failure the handle is empty
// and errno tells why.
FileHandle openFile(const char* path, const char* mode);

// What openPlainFile answers for a name that holds something other than a plain file: a
// symbolic link (never followed), a directory, a named pipe or a device.
constexpr int OPEN_NOT_PLAIN_FILE = -1;

// Opens an existing plain file for reading. The name is followed when it is a symbolic link
// only with `followLink`, and a named pipe planted under it cannot make the open wait for a
// writer. 0 with the file in `file`; OPEN_NOT_PLAIN_FILE; or the errno of the failed open.
int openPlainFile(const char* path, FileHandle& file, bool followLink = false);

// Whether the file at `path` opens for reading (forAppend false) or for appending, without
// creating it, without waiting on a named pipe, and without changing a byte. 0, or the errno.
int tryOpen(const char* path, bool forAppend);

// Creates `path` afresh for writing, readable and writable by the caller only: whatever
// has the name (a file someone left, a symbolic link) is removed first, the link itself and
// not its target, and the new file is created exclusively, never through a link. 0 with the
// file in `file`, else the errno of the removal or the creation.
int createPrivateFile(const char* path, FileHandle& file);

// Sets the mode bits of an open file.
bool setFileMode(FileHandle& file, unsigned int mode);

// Closes the file and reports whether everything written reached the system: false when a
// buffered write, the close or (with syncToDisk) the flush to the device failed.
bool closeFile(FileHandle& file, bool syncToDisk);

bool pathExists(const char* path);

// What tells one version of a file from the next without reading it: its size, the time
// its contents were last written, a second time that replacing the file changes (the
// status change time on POSIX, the creation time on Windows), and the file's identity on
// its volume (the inode, the file index), which a file moved into its place brings along
// even when it has the old size and was written within the clock's last tick.
struct FileStamp {
    long long size = 0;
    long long modifiedNanoseconds = 0;
    long long changedNanoseconds = 0;
    unsigned long long identity = 0;
};
inline bool operator==(const FileStamp& a, const FileStamp& b)
{
    return a.size == b.size && a.modifiedNanoseconds == b.modifiedNanoseconds &&
           a.changedNanoseconds == b.changedNanoseconds && a.identity == b.identity;
}
// False when nothing can be looked at there.
bool readFileStamp(const char* path, FileStamp& stamp);
bool makeDirectory(const char* path);
// Gives the directory the stand-in of two access entries: the administrators' rights and
// everyone's rights. False when it could not be applied, or `path` is a symbolic link.
bool setDirectoryAccess(const char* path, unsigned int adminRights, unsigned int everyoneRights);
// Sets the mode bits of the file or directory at `path`; a symbolic link is not followed
// (and the call fails). False when that failed.
bool setFileMode(const char* path, unsigned int mode);
// Replaces `to` by `from` in one step and writes the change of the directory out to the
// device, so that the replacement survives a power failure. False (errno set) when the
// move failed; once the move is done, the result is true.
bool replaceFile(const char* from, const char* to);
bool removeFile(const char* path);

// The mode bits that stand in for the two access entries on a system of mode bits: the
// administrators' rights become the owner's bits, everyone's rights those of group and
// others. Exposed so the mapping can be checked without a directory.
unsigned int modeForRights(unsigned int adminRights, unsigned int everyoneRights);

} // namespace orv::os

#endif
