#include "FileSystem.h"

#include "SystemError.h"
#include "WideText.h"

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace orv::os {

namespace {

std::wstring wide(const char* path) { return orv::win::widen(path); }

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// How long a replacement waits for other processes to let go of the file it replaces.
constexpr std::chrono::milliseconds REPLACE_RETRY_TIME{2000};

// A stdio file in text mode on the handle; the handle is closed when that fails.
FileHandle adopt(HANDLE handle, int flags, const char* mode)
{
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_TEXT);
    if (descriptor < 0) {
        const int error = errno;
        CloseHandle(handle);
        errno = error;
        return FileHandle();
    }
    std::FILE* file = _fdopen(descriptor, mode);
    if (file == nullptr) {
        const int error = errno;
        _close(descriptor);
        errno = error;
    }
    return FileHandle(file);
}

// Whether the open handle is a plain file: on a disk, no directory, and (unless a link may
// be followed) not the reparse point itself.
bool isPlainFile(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
           (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
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

FileHandle openFile(const char* path, const char* mode)
{
    if (path == nullptr || mode == nullptr) {
        errno = EINVAL;
        return FileHandle();
    }
    // Spawned programs inherit no handle (see Spawn), so no flag is needed against that.
    return FileHandle(_wfopen(wide(path).c_str(), wide(mode).c_str()));
}

int openPlainFile(const char* path, FileHandle& file, bool followLink)
{
    file.reset();
    if (path == nullptr)
        return EINVAL;
    // Backup semantics open a directory too, so that it is refused for what it is rather
    // than reported as denied; with the reparse-point flag a link is opened itself and
    // refused, never followed.
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return orv::win::setErrnoFromLastError();
    if (!isPlainFile(handle)) {
        CloseHandle(handle);
        return OPEN_NOT_PLAIN_FILE;
    }
    file = adopt(handle, _O_RDONLY, "r");
    return file ? 0 : errno;
}

int tryOpen(const char* path, bool forAppend)
{
    if (path == nullptr)
        return EINVAL;
    const std::wstring widePath = wide(path);
    HANDLE handle = CreateFileW(widePath.c_str(), forAppend ? FILE_APPEND_DATA : GENERIC_READ, SHARE_ALL, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // Windows denies opening a directory as a file; it is no file to use, as on POSIX.
        const int error = orv::win::setErrnoFromLastError();
        const DWORD attributes = GetFileAttributesW(widePath.c_str());
        if (error == EACCES && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return errno = EISDIR;
        return error;
    }
    CloseHandle(handle);
    return 0;
}

// The new file takes the access entries that the directory passes on, as the file it
// replaces had them; other processes may not open it while it is being written.
int createPrivateFile(const char* path, FileHandle& file)
{
    file.reset();
    if (path == nullptr)
        return EINVAL;
    const std::wstring widePath = wide(path);
    // DeleteFileW removes a link itself, not its target.
    if (!DeleteFileW(widePath.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return orv::win::setErrnoFromLastError();
    HANDLE handle = CreateFileW(widePath.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return orv::win::setErrnoFromLastError();
    file = adopt(handle, _O_WRONLY, "w");
    return file ? 0 : errno;
}

// Of the mode bits a file keeps only the owner's write bit, as the read-only attribute.
bool setFileMode(FileHandle& file, unsigned int mode)
{
    if (!file)
        return false;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())));
    FILE_BASIC_INFO info = {};
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info))
        return false;
    const DWORD readOnly = (mode & _S_IWRITE) != 0 ? 0 : FILE_ATTRIBUTE_READONLY;
    if ((info.FileAttributes & FILE_ATTRIBUTE_READONLY) == readOnly)
        return true;
    info.FileAttributes = (info.FileAttributes & ~FILE_ATTRIBUTE_READONLY) | readOnly;
    if (info.FileAttributes == 0)
        info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info);
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
            orv::win::setErrnoFromLastError();
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
// brings the other's creation time and file index.
bool readFileStamp(const char* path, FileStamp& stamp)
{
    if (path == nullptr)
        return false;
    HANDLE file = CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool read = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!read)
        return false;
    stamp.size = (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.modifiedNanoseconds = nanoseconds(info.ftLastWriteTime);
    stamp.changedNanoseconds = nanoseconds(info.ftCreationTime);
    stamp.identity = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
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
    // A link is never followed: its target is not the directory that was made.
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
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
//
// A file that another process has open without sharing its deletion (a reader with the C
// runtime's fopen, a virus scanner) cannot be replaced until that process lets go, which
// readers of property files do within milliseconds: the move is tried again for a while.
bool replaceFile(const char* from, const char* to)
{
    if (from == nullptr || to == nullptr)
        return false;
    const std::wstring source = wide(from), target = wide(to);
    const auto deadline = std::chrono::steady_clock::now() + REPLACE_RETRY_TIME;
    for (;;) {
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) ||
            std::chrono::steady_clock::now() >= deadline) {
            errno = orv::win::errnoOf(error);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool removeFile(const char* path)
{
    return path != nullptr && _wremove(wide(path).c_str()) == 0;
}

} // namespace orv::os
