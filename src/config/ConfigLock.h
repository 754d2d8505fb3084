#ifndef ORV_CONFIGLOCK_H
#define ORV_CONFIGLOCK_H

#include "FileLock.h"

#include <chrono>

// The lock file beside the property files. Its name matches no property file, so no
// rewrite reads or writes it, and it holds no data: only its lock counts.
constexpr const char* CONFIG_LOCK_FILE_NAME = "Orv.lock";

// How long a change of a key waits for another process's change of the same configuration
// directory before it gives up.
constexpr std::chrono::milliseconds CONFIG_LOCK_WAIT{10000};

// Scanners run as separate processes over one configuration directory. Every change of a
// key holds this lock from its first look at the disk to its last write, so that the
// rewrites of the property files (and the probe and temporary files they share, whose
// names are fixed per directory) follow one another, and each starts from the file as the
// previous one left it. Readers take no lock: a property file is only ever replaced whole.
class ConfigLock {
public:
    // Takes the lock of the configuration directory that holds `propertiesPath`, waiting
    // at most configLockWait(). The lock file is created with mode 0644 whatever the
    // caller's creation mask, so the scanners of every user can take it.
    explicit ConfigLock(const char* propertiesPath);
    ConfigLock(const ConfigLock&) = delete;
    ConfigLock& operator=(const ConfigLock&) = delete;

    // False when the lock file could not be opened (the directory refuses a new file, or
    // does not exist) or another process held the lock for the whole wait.
    bool isHeld() const { return m_Lock.isLocked(); }

private:
    orv::os::FileLock m_Lock;
};

// The wait of ConfigLock; CONFIG_LOCK_WAIT unless a test changed it.
std::chrono::milliseconds configLockWait();
// For tests: a shorter (or longer) wait.
void setConfigLockWait(std::chrono::milliseconds wait);

#endif
