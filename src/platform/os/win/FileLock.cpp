#include "FileLock.h"

#include "FileSystem.h"
#include "SystemError.h"
#include "WideText.h"

#include <cerrno>
#include <thread>
#include <windows.h>

namespace orv::os {

namespace {

// Short enough that a waiter often finds the gap between two holders, long enough that a
// waiting process costs next to nothing.
constexpr std::chrono::microseconds RETRY_INTERVAL{1000};

HANDLE handleOf(std::intptr_t descriptor) { return reinterpret_cast<HANDLE>(descriptor); }

} // namespace

FileLock::~FileLock()
{
    release();
}

int FileLock::open(const char* path, unsigned int)
{
    release();
    if (path == nullptr)
        return EINVAL;
    // Every sharing mode: other processes open the same file to wait for the lock, and
    // the lock, not the sharing mode, is what excludes them. Not inherited by spawned
    // programs (fsprobe), which must not keep the lock. A link under the name is opened
    // itself and refused, as is a directory. The file takes the access entries its
    // directory passes on; there are no mode bits to give it.
    HANDLE handle = CreateFileW(orv::win::widen(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return orv::win::errnoOf(GetLastError());
    BY_HANDLE_FILE_INFORMATION info = {};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        CloseHandle(handle);
        return OPEN_NOT_PLAIN_FILE;
    }
    m_Descriptor = reinterpret_cast<std::intptr_t>(handle);
    return 0;
}

bool FileLock::lock(std::chrono::milliseconds wait)
{
    if (m_Descriptor == -1)
        return false;
    if (m_Locked)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        OVERLAPPED whole = {};
        if (LockFileEx(handleOf(m_Descriptor), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                       MAXDWORD, &whole)) {
            m_Locked = true;
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION)
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(RETRY_INTERVAL);
    }
}

void FileLock::release()
{
    if (m_Descriptor == -1)
        return;
    if (m_Locked) {
        OVERLAPPED whole = {};
        UnlockFileEx(handleOf(m_Descriptor), 0, MAXDWORD, MAXDWORD, &whole);
    }
    CloseHandle(handleOf(m_Descriptor));
    m_Descriptor = -1;
    m_Locked = false;
}

} // namespace orv::os
