#ifndef ORV_TRACESYSTEM_H
#define ORV_TRACESYSTEM_H

#include <cstddef>
#include <cstdint>
#include <string>

// Every operating-system call of the trace library, each behind one small function, so that
// another system needs only this file anew. Paths are narrow UTF-8 text; a trace file is an
// integer handle, -1 when none.
class TraceSystem {
public:
    // What the trace library needs to see that a file changed: a rewrite by rename gives a new
    // identity even within the same second.
    struct FileStamp {
        bool exists = false;
        std::int64_t modifiedNs = 0;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        bool operator==(const FileStamp& other) const;
        bool operator!=(const FileStamp& other) const { return !(*this == other); }
    };

    // A clock for "at most once a second" checks; cheap, only its differences count.
    static std::int64_t monotonicMillis();
    // UTC wall-clock time: whole seconds since 1970 and the milliseconds within the second.
    static void utcNow(std::int64_t& seconds, int& millis);
    static long processId();
    static long threadId();

    static FileStamp stampOf(const std::string& path);
    // Where the directory part of `path` ends: its last separator, npos when it has none.
    static std::size_t lastSeparator(const std::string& path);
    // Whether `path` names its file without the working directory.
    static bool isAbsolute(const std::string& path);

    // Creates each missing directory of `directory`, giving every new one `mode` (set after
    // creation, so the process file-creation mask cannot narrow it). Empty on success, else why.
    static std::string makeDirectories(const std::string& directory, unsigned mode);
    // Opens `path` for appending, creating it with `mode` when missing. Refuses a symbolic
    // link, a directory and anything that is not a regular file. -1 with `reason` on failure.
    static int openAppend(const std::string& path, unsigned mode, std::string& reason);
    // Writes all bytes with one call, which the system appends whole to the end of the file
    // even when other processes append at the same time. Empty on success, else why.
    static std::string appendAll(int handle, const char* data, std::size_t size);
    // Size of an open file, and whether it still has a name (false once another process
    // deleted it).
    static bool sizeAndLinked(int handle, std::int64_t& size, bool& linked);
    // Whether `path` still names the open file `handle`.
    static bool stillNamedBy(int handle, const std::string& path);
    // A lock on the open file shared by every process of the machine; released by unlock or close.
    static void lockExclusive(int handle);
    static void unlock(int handle);
    static void closeFile(int handle);
    static bool renameFile(const std::string& from, const std::string& to);
    static bool removeFile(const std::string& path);
    static void writeStandardError(const char* data, std::size_t size);
};

#endif
