#ifndef ORV_TRACEFILE_H
#define ORV_TRACEFILE_H

#include <cstdint>
#include <string>

// The trace file shared by every process that traces into it.
//
// What a reader can rely on: each line arrives whole, never torn or mixed with another
// process's line, because every line is one append of the whole line. When the file has
// reached its size, exactly one process rotates it (trace.log becomes trace.log.1, and so
// on, keeping at most `maxFiles` files), under a lock held on the full file itself; a process
// that still holds the old file open sees that the name has moved on and reopens it. A line
// that such a process wrote in between lands at the end of trace.log.1: it is kept, not lost.
// A file that another process deletes is created anew (at the latest 100 ms later); one that
// is truncated is appended to at its new end. A full disk may leave the line being written cut.
//
// The file's size is looked at before a line when this process has written 1/64 of the
// rotation size since the last look, or 100 ms have passed: looking before every line would
// double the system calls of a line. A file may thus grow a little beyond its size before it
// is rotated, never rotated early.
class TraceFile {
public:
    struct Options {
        std::string path;
        long maxFiles = 1;             // files kept, trace.log included
        std::int64_t maxBytes = 0;     // 0: never rotate
        unsigned filePermission = 0644;
        unsigned dirPermission = 0755;
    };

    TraceFile() = default;
    ~TraceFile();
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    // Appends one whole line, rotating first when the file is full. Empty on success, else
    // why the line could not be written; the next call tries again from the start.
    std::string append(const std::string& line, const Options& options);
    void close();

private:
    std::string open(const Options& options);
    bool sizeCheckDue(const Options& options) const;
    // Reopens a file that lost its name, rotates a full one. Empty on success, else why.
    std::string checkSize(const Options& options);
    void rotate(const Options& options);

    int m_Handle = -1;
    std::string m_Path;
    // A forked child must not share the parent's open file: the rotation lock belongs to the
    // open file, so parent and child would both hold it at once.
    long m_OpenedBy = 0;
    std::int64_t m_UncheckedBytes = 0;
    std::int64_t m_CheckedAt = 0;
};

#endif
