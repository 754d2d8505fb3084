#include "FileLock.h"

#include "FileSystem.h"

#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv::os {

namespace {

// Short enough that a waiter often finds the gap between two holders, long enough that a
// waiting process costs next to nothing.
constexpr std::chrono::microseconds RETRY_INTERVAL{1000};

} // namespace

FileLock::~FileLock()
{
    release();
}

int FileLock::open(const char* path, unsigned int mode)
{
    release();
    if (path == nullptr)
        return EINVAL;
    // Close-on-exec: a program spawned while the lock is held (fsprobe) must not keep it.
    do {
        m_Descriptor = ::open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                              static_cast<mode_t>(mode));
    } while (m_Descriptor < 0 && errno == EINTR);
    if (m_Descriptor < 0)
        return errno == ELOOP ? OPEN_NOT_PLAIN_FILE : errno;
    struct stat status {};
    if (::fstat(m_Descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        release();
        return OPEN_NOT_PLAIN_FILE;
    }
    // Also an older lock file, or one of another user: where the caller may not change the
    // mode, the call fails and nothing changes.
    if ((status.st_mode & 07777) != mode)
        ::fchmod(m_Descriptor, static_cast<mode_t>(mode));
    return 0;
}

bool FileLock::lock(std::chrono::milliseconds wait)
{
    if (m_Descriptor < 0)
        return false;
    if (m_Locked)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(m_Descriptor, LOCK_EX | LOCK_NB) == 0) {
            m_Locked = true;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(RETRY_INTERVAL);
    }
}

void FileLock::release()
{
    if (m_Descriptor < 0)
        return;
    // Unlocked before the close: a child forked meanwhile would otherwise keep the lock
    // through its copy of the descriptor.
    if (m_Locked)
        ::flock(m_Descriptor, LOCK_UN);
    ::close(m_Descriptor);
    m_Descriptor = -1;
    m_Locked = false;
}

} // namespace orv::os
