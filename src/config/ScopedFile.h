#ifndef ORV_SCOPEDFILE_H
#define ORV_SCOPEDFILE_H

#include "FileSystem.h"

// A C runtime file that is closed on every path out of the scope that opened it. Opened
// through the platform, which reads narrow paths as UTF-8 on every system.
using ScopedFile = orv::os::FileHandle;

// When the open fails the holder is empty and errno tells why.
inline ScopedFile openScopedFile(const char* path, const char* mode)
{
    return orv::os::openFile(path, mode);
}

#endif
