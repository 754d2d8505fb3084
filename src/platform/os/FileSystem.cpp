#include "FileSystem.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv::os {

void FileCloser::operator()(std::FILE* file) const
{
    if (file != nullptr)
        std::fclose(file);
}

FileHandle openFile(const char* path, const char* mode)
{
    if (path == nullptr || mode == nullptr) {
        errno = EINVAL;
        return FileHandle();
    }
    // "e": the descriptor must not survive into a spawned program such as fsprobe.
    std::string withCloseOnExec(mode);
    withCloseOnExec += 'e';
    return FileHandle(std::fopen(path, withCloseOnExec.c_str()));
}

bool closeFile(FileHandle& file, bool syncToDisk)
{
    std::FILE* raw = file.release();
    if (raw == nullptr)
        return false;
    bool ok = std::fflush(raw) == 0;
    if (ok && syncToDisk)
        ok = ::fsync(::fileno(raw)) == 0;
    const int savedErrno = errno;
    const bool closed = std::fclose(raw) == 0;
    if (!ok)
        errno = savedErrno;
    return ok && closed;
}

bool pathExists(const char* path)
{
    return path != nullptr && ::access(path, F_OK) == 0;
}

namespace {

long long nanoseconds(const struct timespec& time)
{
    return static_cast<long long>(time.tv_sec) * 1000000000LL + static_cast<long long>(time.tv_nsec);
}

} // namespace

bool operator==(const FileStamp& a, const FileStamp& b)
{
    return a.size == b.size && a.modifiedNanoseconds == b.modifiedNanoseconds &&
           a.changedNanoseconds == b.changedNanoseconds;
}

bool readFileStamp(const char* path, FileStamp& stamp)
{
    struct stat status {};
    if (path == nullptr || ::stat(path, &status) != 0)
        return false;
    stamp.size = static_cast<long long>(status.st_size);
    stamp.modifiedNanoseconds = nanoseconds(status.st_mtim);
    stamp.changedNanoseconds = nanoseconds(status.st_ctim);
    return true;
}

bool makeDirectory(const char* path)
{
    return path != nullptr && ::mkdir(path, 0777) == 0;
}

namespace {

constexpr unsigned int READ_RIGHTS = RIGHTS_GENERIC_ALL | RIGHTS_GENERIC_READ | RIGHTS_FILE_READ_DATA;
constexpr unsigned int WRITE_RIGHTS =
    RIGHTS_GENERIC_ALL | RIGHTS_GENERIC_WRITE | RIGHTS_FILE_WRITE_DATA | RIGHTS_FILE_APPEND_DATA;
constexpr unsigned int TRAVERSE_RIGHTS = RIGHTS_GENERIC_ALL | RIGHTS_GENERIC_EXECUTE | RIGHTS_FILE_EXECUTE;

// rwx bits of one class of users (owner, group or others) for a set of rights. Reading a
// directory is of little use without passing through it, so read rights include the x bit.
unsigned int classBits(unsigned int rights)
{
    unsigned int bits = 0;
    if ((rights & READ_RIGHTS) != 0)
        bits |= 05;
    if ((rights & WRITE_RIGHTS) != 0)
        bits |= 02;
    if ((rights & TRAVERSE_RIGHTS) != 0)
        bits |= 01;
    return bits;
}

} // namespace

unsigned int modeForRights(unsigned int adminRights, unsigned int everyoneRights)
{
    const unsigned int everyone = classBits(everyoneRights);
    return (classBits(adminRights) << 6) | (everyone << 3) | everyone;
}

bool setDirectoryAccess(const char* path, unsigned int adminRights, unsigned int everyoneRights)
{
    // chmod, not the mode of mkdir: the process's file-creation mask must not narrow it.
    return setFileMode(path, modeForRights(adminRights, everyoneRights));
}

bool setFileMode(const char* path, unsigned int mode)
{
    return path != nullptr && ::chmod(path, static_cast<mode_t>(mode)) == 0;
}

bool renameFile(const char* from, const char* to)
{
    return from != nullptr && to != nullptr && std::rename(from, to) == 0;
}

bool removeFile(const char* path)
{
    return path != nullptr && std::remove(path) == 0;
}

ScopedUmask::ScopedUmask(unsigned int mask)
    : m_OldMask(static_cast<unsigned int>(::umask(static_cast<mode_t>(mask))))
{
}

ScopedUmask::~ScopedUmask()
{
    ::umask(static_cast<mode_t>(m_OldMask));
}

} // namespace orv::os
