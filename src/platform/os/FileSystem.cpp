#include "FileSystem.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv::os {

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

namespace {

int openNoInterrupt(const char* path, int flags, mode_t mode = 0)
{
    int descriptor;
    do {
        descriptor = ::open(path, flags | O_CLOEXEC, mode);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

// A stdio file on the descriptor; the descriptor is closed when that fails.
FileHandle adopt(int descriptor, const char* mode)
{
    std::FILE* file = ::fdopen(descriptor, mode);
    if (file == nullptr) {
        const int error = errno;
        ::close(descriptor);
        errno = error;
    }
    return FileHandle(file);
}

} // namespace

int openPlainFile(const char* path, FileHandle& file, bool followLink)
{
    file.reset();
    if (path == nullptr)
        return EINVAL;
    // Non-blocking only for the open itself: a pipe would otherwise wait here for a writer.
    const int descriptor = openNoInterrupt(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | (followLink ? 0 : O_NOFOLLOW));
    if (descriptor < 0)
        return errno == ELOOP && !followLink ? OPEN_NOT_PLAIN_FILE : errno;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return OPEN_NOT_PLAIN_FILE;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    file = adopt(descriptor, "r");
    return file ? 0 : errno;
}

int tryOpen(const char* path, bool forAppend)
{
    if (path == nullptr)
        return EINVAL;
    const int descriptor = openNoInterrupt(path, (forAppend ? O_WRONLY | O_APPEND : O_RDONLY) | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0)
        return errno;
    ::close(descriptor);
    return 0;
}

int createPrivateFile(const char* path, FileHandle& file)
{
    file.reset();
    if (path == nullptr)
        return EINVAL;
    if (::unlink(path) != 0 && errno != ENOENT)
        return errno;
    const int descriptor = openNoInterrupt(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY, 0600);
    if (descriptor < 0)
        return errno;
    file = adopt(descriptor, "w");
    return file ? 0 : errno;
}

bool setFileMode(FileHandle& file, unsigned int mode)
{
    return file && ::fchmod(::fileno(file.get()), static_cast<mode_t>(mode)) == 0;
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

bool readFileStamp(const char* path, FileStamp& stamp)
{
    struct stat status {};
    if (path == nullptr || ::stat(path, &status) != 0)
        return false;
    stamp.size = static_cast<long long>(status.st_size);
    stamp.modifiedNanoseconds = nanoseconds(status.st_mtim);
    stamp.changedNanoseconds = nanoseconds(status.st_ctim);
    stamp.identity = static_cast<unsigned long long>(status.st_ino);
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
    return path != nullptr && ::fchmodat(AT_FDCWD, path, static_cast<mode_t>(mode), AT_SYMLINK_NOFOLLOW) == 0;
}

bool replaceFile(const char* from, const char* to)
{
    if (from == nullptr || to == nullptr || std::rename(from, to) != 0)
        return false;
    const std::string name(to);
    const std::string::size_type slash = name.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    // The move is done and every reader sees the new file; a directory that cannot be synced
    // only leaves the move to the system's own write-back, so its outcome is not reported.
    const int descriptor = openNoInterrupt(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
    return true;
}

bool removeFile(const char* path)
{
    return path != nullptr && std::remove(path) == 0;
}

} // namespace orv::os
