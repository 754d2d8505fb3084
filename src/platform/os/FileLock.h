#ifndef ORV_OS_FILELOCK_H
#define ORV_OS_FILELOCK_H

#include <chrono>
#include <cstdint>

namespace orv::os {

// An exclusive advisory lock on a lock file, shared by every process that opens the same
// file. The lock belongs to this object's open file: a second FileLock on the same file,
// in this process or another, waits for it. It goes when the object goes, and with the
// process when that dies, however it dies.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens the lock file for reading and writing, creating it when it is missing, and gives
    // it exactly `mode` (whatever the creation mask) where the caller may change its mode:
    // a mode that lets no one else open the file keeps everyone else from holding the lock.
    // The name is never followed when it is a symbolic link. 0 when open;
    // OPEN_NOT_PLAIN_FILE (FileSystem.h) for a link, a directory, a pipe or a device; else
    // the errno of the open.
    int open(const char* path, unsigned int mode);

    // Takes the exclusive lock, trying again every millisecond or so until `wait` has
    // passed; a zero wait tries once. False when the wait ran out, or the file is not open.
    // Waiters are not served in the order in which they came.
    bool lock(std::chrono::milliseconds wait);

    bool isLocked() const { return m_Locked; }

    // Releases the lock and closes the file; the destructor does the same.
    void release();

private:
    // The open file: a descriptor on POSIX, a handle on Windows (-1 is "none" on both).
    std::intptr_t m_Descriptor = -1;
    bool m_Locked = false;
};

} // namespace orv::os

#endif
