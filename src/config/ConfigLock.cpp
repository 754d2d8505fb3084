#include "ConfigLock.h"

#include "File.h"
#include "FileSystem.h"

#include <cerrno>
#include <string>

namespace {

// Nobody but the owner may open the lock file: whoever opens it can hold the lock.
constexpr unsigned int LOCK_FILE_MODE = 0600;

std::chrono::milliseconds s_LockWait = CONFIG_LOCK_WAIT;

// The directory part of a property file's path, its final separator included.
std::string lockPathBeside(const char* propertiesPath)
{
    const std::string path(propertiesPath != nullptr ? propertiesPath : "");
    const char separator = static_cast<char>(File::pathSeparator[0]);
    const std::string::size_type end = path.rfind(separator);
    std::string lockPath = end == std::string::npos ? std::string() : path.substr(0, end + 1);
    lockPath += CONFIG_LOCK_FILE_NAME;
    return lockPath;
}

} // namespace

ConfigLock::ConfigLock(const char* propertiesPath)
{
    const std::string lockPath = lockPathBeside(propertiesPath);
    const int openError = m_Lock.open(lockPath.c_str(), LOCK_FILE_MODE);
    if (openError == 0)
        m_MayGoOn = m_Lock.lock(s_LockWait);
    else
        m_MayGoOn = openError == EACCES || openError == EPERM || openError == EROFS;
}

std::chrono::milliseconds configLockWait()
{
    return s_LockWait;
}

void setConfigLockWait(std::chrono::milliseconds wait)
{
    s_LockWait = wait;
}
