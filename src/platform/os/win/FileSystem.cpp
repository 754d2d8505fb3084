#include "FileSystem.h"

#include "WideText.h"

#include <cerrno>
#include <string>

#include <aclapi.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace orv::os {

namespace {

std::wstring wide(const char* path) { return orv::win::widen(path); }

void setErrnoFrom(DWORD error)
{
    errno = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES
          : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
                                                                           : EIO;
}

// A security identifier made by AllocateAndInitializeSid, freed with the holder.
class ScopedSid {
public:
    ScopedSid(SID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD first, DWORD second)
    {
        if (!AllocateAndInitializeSid(&authority, count, first, second, 0, 0, 0, 0, 0, 0, &m_Sid))
            m_Sid = nullptr;
    }
    ~ScopedSid()
    {
        if (m_Sid != nullptr)
            FreeSid(m_Sid);
    }
    ScopedSid(const ScopedSid&) = delete;
    ScopedSid& operator=(const ScopedSid&) = delete;
    PSID get() const { return m_Sid; }

private:
    PSID m_Sid = nullptr;
};

EXPLICIT_ACCESS_W entryFor(PSID sid, TRUSTEE_TYPE type, unsigned int rights)
{
    EXPLICIT_ACCESS_W entry = {};
    entry.grfAccessPermissions = rights;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_ONLY_INHERIT;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = type;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    return entry;
}

} // namespace

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
    // Spawned programs inherit no handle (see Spawn), so no flag is needed against that.
    return FileHandle(_wfopen(wide(path).c_str(), wide(mode).c_str()));
}

bool closeFile(FileHandle& file, bool syncToDisk)
{
    std::FILE* raw = file.release();
    if (raw == nullptr)
        return false;
    bool ok = std::fflush(raw) == 0;
    if (ok && syncToDisk) {
        HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(raw)));
        ok = handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
        if (!ok)
            setErrnoFrom(GetLastError());
    }
    const int savedErrno = errno;
    const bool closed = std::fclose(raw) == 0;
    if (!ok)
        errno = savedErrno;
    return ok && closed;
}

bool pathExists(const char* path)
{
    return path != nullptr && _waccess(wide(path).c_str(), 0) == 0;
}

namespace {

// File times count 100-nanosecond intervals.
long long nanoseconds(const FILETIME& time)
{
    return ((static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 100;
}

} // namespace

// A file has no separate time for a change of its entry here; a file replaced by another
// brings the other's creation time.
bool readFileStamp(const char* path, FileStamp& stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (path == nullptr || !GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    stamp.size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.modifiedNanoseconds = nanoseconds(data.ftLastWriteTime);
    stamp.changedNanoseconds = nanoseconds(data.ftCreationTime);
    return true;
}

bool makeDirectory(const char* path)
{
    return path != nullptr && _wmkdir(wide(path).c_str()) == 0;
}

// The directory gets exactly two entries, Everyone first, both inherited by
// sub-directories only; the list replaces the old one and inherits nothing from the parent.
bool setDirectoryAccess(const char* path, unsigned int adminRights, unsigned int everyoneRights)
{
    if (path == nullptr || (adminRights == 0 && everyoneRights == 0))
        return false;
    ScopedSid everyone(SECURITY_WORLD_SID_AUTHORITY, 1, SECURITY_WORLD_RID, 0);
    ScopedSid administrators(SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    if (everyone.get() == nullptr || administrators.get() == nullptr)
        return false;

    EXPLICIT_ACCESS_W entries[2];
    ULONG count = 0;
    if (everyoneRights != 0)
        entries[count++] = entryFor(everyone.get(), TRUSTEE_IS_WELL_KNOWN_GROUP, everyoneRights);
    if (adminRights != 0)
        entries[count++] = entryFor(administrators.get(), TRUSTEE_IS_GROUP, adminRights);

    PACL list = nullptr;
    if (SetEntriesInAclW(count, entries, nullptr, &list) != ERROR_SUCCESS)
        return false;
    std::wstring widePath = wide(path);
    const DWORD applied = SetNamedSecurityInfoW(widePath.data(), SE_FILE_OBJECT,
                                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                                nullptr, nullptr, list, nullptr);
    LocalFree(list);
    return applied == ERROR_SUCCESS;
}

// Windows keeps one mode bit, the owner's write bit, as the read-only attribute.
bool setFileMode(const char* path, unsigned int mode)
{
    return path != nullptr && _wchmod(wide(path).c_str(), static_cast<int>(mode & (_S_IREAD | _S_IWRITE))) == 0;
}

// Write-through: the move is on the device when the call returns, as the flushed
// temporary file already is.
bool renameFile(const char* from, const char* to)
{
    if (from == nullptr || to == nullptr)
        return false;
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    setErrnoFrom(GetLastError());
    return false;
}

bool removeFile(const char* path)
{
    return path != nullptr && _wremove(wide(path).c_str()) == 0;
}

} // namespace orv::os
