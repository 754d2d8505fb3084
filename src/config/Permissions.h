#ifndef ORV_PERMISSIONS_H
#define ORV_PERMISSIONS_H

#include "FileSystem.h"

// Rights of the two access entries that a directory created for the trace files gets: all
// file rights for the administrators, read rights for everyone.
constexpr unsigned int FILE_ALL_ACCESS = orv::os::RIGHTS_FILE_ALL_ACCESS;
constexpr unsigned int GENERIC_READ = orv::os::RIGHTS_GENERIC_READ;

// Creates every missing directory of `path` (components joined by the native separator)
// and gives each directory it creates the two access entries. Existing directories keep
// theirs. False when a directory cannot be created; nothing deeper is then attempted.
bool createDirectoryPath(const char* path, unsigned int adminRights, unsigned int everyoneRights);

// Replaces the access entries of the directory at `path`: the administrators' entry, then
// everyone's; an entry with rights 0 is left out. False when `path` is null, both rights are
// 0, or the entries could not be applied.
bool setDirectoryPermissions(const char* path, unsigned int adminRights, unsigned int everyoneRights);

#endif
