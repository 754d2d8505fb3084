#ifndef ORV_WIN_SYSTEMERROR_H
#define ORV_WIN_SYSTEMERROR_H

#include <cerrno>
#include <windows.h>

// The seam reports failures as errno values on both systems, so the configuration service
// tells a denied file from a missing one the same way everywhere.
namespace orv::win {

inline int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    default:
        return EIO;
    }
}

// errno from the calling thread's last Windows error; returns it.
inline int setErrnoFromLastError()
{
    errno = errnoOf(GetLastError());
    return errno;
}

} // namespace orv::win

#endif
