#include "TraceSystem.h"

#include <cerrno>
#include <ctime>
#include <system_error>

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::string describe(const char* what, const std::string& path, int error)
{
    return std::string(what) + " " + path + ": " + std::generic_category().message(error);
}

// Process and thread ids are asked for on every emitted line; both are kept, and a forked
// child learns its own through the fork handler.
long s_ProcessId = 0;
thread_local long t_ThreadId = 0;

void forgetIdsInChild()
{
    s_ProcessId = 0;
    t_ThreadId = 0;
}

} // namespace

bool TraceSystem::FileStamp::operator==(const FileStamp& other) const
{
    return exists == other.exists && modifiedNs == other.modifiedNs && device == other.device &&
           inode == other.inode && size == other.size;
}

std::int64_t TraceSystem::monotonicMillis()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void TraceSystem::utcNow(std::int64_t& seconds, int& millis)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    seconds = now.tv_sec;
    millis = static_cast<int>(now.tv_nsec / 1000000);
}

long TraceSystem::processId()
{
    static const int registered = pthread_atfork(nullptr, nullptr, forgetIdsInChild);
    (void)registered;
    if (s_ProcessId == 0)
        s_ProcessId = static_cast<long>(getpid());
    return s_ProcessId;
}

long TraceSystem::threadId()
{
    if (t_ThreadId == 0)
        t_ThreadId = static_cast<long>(syscall(SYS_gettid));
    return t_ThreadId;
}

TraceSystem::FileStamp TraceSystem::stampOf(const std::string& path)
{
    FileStamp stamp;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::int64_t>(info.st_size);
    return stamp;
}

std::size_t TraceSystem::lastSeparator(const std::string& path) { return path.rfind('/'); }

bool TraceSystem::isAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string TraceSystem::makeDirectories(const std::string& directory, unsigned mode)
{
    // Each prefix ending before a separator, then the whole path; the root needs no creating.
    for (std::size_t end = 1; end <= directory.size(); ++end) {
        if (end != directory.size() && directory[end] != '/')
            continue;
        const std::string prefix = directory.substr(0, end);
        struct stat info {};
        if (stat(prefix.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                return describe("cannot create directory", prefix, ENOTDIR);
            continue;
        }
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return describe("cannot create directory", prefix, errno);
        if (chmod(prefix.c_str(), mode) != 0)
            return describe("cannot set the mode of directory", prefix, errno);
    }
    return std::string();
}

int TraceSystem::openAppend(const std::string& path, unsigned mode, std::string& reason)
{
    // O_NOFOLLOW: a link planted under the trace file's name must not redirect a privileged
    // host's lines into another file. O_NONBLOCK: a planted FIFO must not stall the host.
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    bool created = true;
    int handle = open(path.c_str(), flags | O_CREAT | O_EXCL, 0600);
    if (handle < 0 && errno == EEXIST) {
        created = false;
        handle = open(path.c_str(), flags);
    }
    if (handle < 0) {
        reason = describe("cannot open trace file", path, errno);
        return -1;
    }
    struct stat info {};
    if (fstat(handle, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(handle);
        reason = "cannot open trace file " + path + ": not a regular file";
        return -1;
    }
    if (created && fchmod(handle, static_cast<mode_t>(mode)) != 0) {
        reason = describe("cannot set the mode of trace file", path, errno);
        close(handle);
        return -1;
    }
    return handle;
}

std::string TraceSystem::appendAll(int handle, const char* data, std::size_t size)
{
    for (;;) {
        const ssize_t written = write(handle, data, size);
        if (written == static_cast<ssize_t>(size))
            return std::string();
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return std::generic_category().message(errno);
        return "short write (" + std::to_string(written) + " of " + std::to_string(size) + " bytes)";
    }
}

bool TraceSystem::sizeAndLinked(int handle, std::int64_t& size, bool& linked)
{
    struct stat info {};
    if (fstat(handle, &info) != 0)
        return false;
    size = static_cast<std::int64_t>(info.st_size);
    linked = info.st_nlink > 0;
    return true;
}

bool TraceSystem::stillNamedBy(int handle, const std::string& path)
{
    struct stat open {};
    struct stat named {};
    if (fstat(handle, &open) != 0 || lstat(path.c_str(), &named) != 0)
        return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

void TraceSystem::lockExclusive(int handle)
{
    while (flock(handle, LOCK_EX) != 0 && errno == EINTR) {
    }
}

void TraceSystem::unlock(int handle) { flock(handle, LOCK_UN); }

void TraceSystem::closeFile(int handle)
{
    if (handle >= 0)
        close(handle);
}

bool TraceSystem::renameFile(const std::string& from, const std::string& to)
{
    return rename(from.c_str(), to.c_str()) == 0;
}

bool TraceSystem::removeFile(const std::string& path) { return unlink(path.c_str()) == 0; }

void TraceSystem::writeStandardError(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(STDERR_FILENO, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}
