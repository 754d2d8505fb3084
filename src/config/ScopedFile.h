#ifndef ORV_SCOPEDFILE_H
#define ORV_SCOPEDFILE_H

#include <cstdio>
#include <memory>

// A C runtime file that is closed on every path out of the scope that opened it.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using ScopedFile = std::unique_ptr<std::FILE, FileCloser>;

// fopen into a holder; when the open fails the holder is empty and errno tells why.
inline ScopedFile openScopedFile(const char* path, const char* mode)
{
    return ScopedFile(std::fopen(path, mode));
}

#endif
