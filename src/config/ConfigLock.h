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
//
// The lock file is readable and writable by its owner only (the first user to change the
// configuration, as a rule the administrator): someone who may merely read the
// configuration cannot open it, and so cannot hold the lock to stall the changes of others.
class ConfigLock {
public:
    // Takes the lock of the configuration directory that holds `propertiesPath`, waiting
    // at most configLockWait().
    explicit ConfigLock(const char* propertiesPath);
    ConfigLock(const ConfigLock&) = delete;
    ConfigLock& operator=(const ConfigLock&) = delete;

    // True when the change may go on: the lock is held, or the directory refuses the lock
    // file to this user (denied access, a read-only file system). Such a directory refuses
    // the rewrite's temporary file as well, so there is no rewrite to order, and the change
    // goes on to the results its checks and writes give. False when another process held
    // the lock for the whole wait, or the name of the lock file holds something other than a
    // plain file (a symbolic link is never followed).
    bool mayGoOn() const { return m_MayGoOn; }

private:
    orv::os::FileLock m_Lock;
    bool m_MayGoOn = false;
};

// The wait of ConfigLock; CONFIG_LOCK_WAIT unless a test changed it.
std::chrono::milliseconds configLockWait();
// For tests: a shorter (or longer) wait.
void setConfigLockWait(std::chrono::milliseconds wait);

#endif
