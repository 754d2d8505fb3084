#include "TraceSystem.h"

#include "WideText.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <system_error>
#include <windows.h>

namespace {

std::wstring wide(const std::string& path) { return orv::win::widen(path.c_str()); }

std::string describe(const char* what, const std::string& path, DWORD error)
{
    return std::string(what) + " " + path + ": " + std::system_category().message(static_cast<int>(error));
}

HANDLE handleOf(int handle) { return reinterpret_cast<HANDLE>(_get_osfhandle(handle)); }

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Opens `path` itself, never what a link there points to, only to read its attributes.
HANDLE openForAttributes(const std::string& path)
{
    return CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool identityOf(HANDLE file, BY_HANDLE_FILE_INFORMATION& info)
{
    return GetFileInformationByHandle(file, &info) != 0;
}

std::int64_t combined(DWORD high, DWORD low)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

// Ticks of 100 ns between 1601-01-01, where the system's clock starts, and 1970-01-01.
constexpr std::int64_t UNIX_EPOCH_TICKS = 116444736000000000LL;

// The trace lock covers one byte far beyond any trace file's end: Windows locks are
// mandatory, and a lock over the data would make the other processes' appends fail.
constexpr DWORD LOCK_OFFSET_HIGH = 0x7fffffff;

} // namespace

bool TraceSystem::FileStamp::operator==(const FileStamp& other) const
{
    return exists == other.exists && modifiedNs == other.modifiedNs && device == other.device &&
           inode == other.inode && size == other.size;
}

std::int64_t TraceSystem::monotonicMillis() { return static_cast<std::int64_t>(GetTickCount64()); }

void TraceSystem::utcNow(std::int64_t& seconds, int& millis)
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::int64_t ticks = combined(now.dwHighDateTime, now.dwLowDateTime) - UNIX_EPOCH_TICKS;
    seconds = ticks / 10000000;
    millis = static_cast<int>((ticks % 10000000) / 10000);
}

long TraceSystem::processId() { return static_cast<long>(GetCurrentProcessId()); }

long TraceSystem::threadId() { return static_cast<long>(GetCurrentThreadId()); }

TraceSystem::FileStamp TraceSystem::stampOf(const std::string& path)
{
    FileStamp stamp;
    HANDLE file = openForAttributes(path);
    if (file == INVALID_HANDLE_VALUE)
        return stamp;
    BY_HANDLE_FILE_INFORMATION info{};
    if (identityOf(file, info)) {
        stamp.exists = true;
        stamp.modifiedNs =
            (combined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime) - UNIX_EPOCH_TICKS) *
            100;
        stamp.device = info.dwVolumeSerialNumber;
        stamp.inode = static_cast<std::uint64_t>(combined(info.nFileIndexHigh, info.nFileIndexLow));
        stamp.size = combined(info.nFileSizeHigh, info.nFileSizeLow);
    }
    CloseHandle(file);
    return stamp;
}

std::size_t TraceSystem::lastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

// A drive with its root ("C:\\", "C:/") or a share ("\\\\server\\share").
bool TraceSystem::isAbsolute(const std::string& path)
{
    return (path.size() >= 3 && path[1] == ':' && isSeparator(path[2])) ||
           (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]));
}

std::string TraceSystem::makeDirectories(const std::string& directory, unsigned mode)
{
    // A share name (\\server\share) is never created: the walk starts after it.
    std::size_t first = 1;
    if (directory.size() > 2 && isSeparator(directory[0]) && isSeparator(directory[1])) {
        std::size_t components = 0;
        for (first = 2; first < directory.size() && components < 2; ++first)
            if (isSeparator(directory[first]))
                ++components;
    }
    for (std::size_t end = first; end <= directory.size(); ++end) {
        if (end != directory.size() && !isSeparator(directory[end]))
            continue;
        const std::string prefix = directory.substr(0, end);
        // A drive ("C:") and the root of one need no creating.
        if (prefix.empty() || prefix.back() == ':' || isSeparator(prefix.back()))
            continue;
        const DWORD attributes = GetFileAttributesW(wide(prefix).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                return describe("cannot create directory", prefix, ERROR_DIRECTORY);
            continue;
        }
        if (!CreateDirectoryW(wide(prefix).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return describe("cannot create directory", prefix, GetLastError());
        if (_wchmod(wide(prefix).c_str(), static_cast<int>(mode & (_S_IREAD | _S_IWRITE))) != 0)
            return describe("cannot set the mode of directory", prefix, ERROR_ACCESS_DENIED);
    }
    return std::string();
}

int TraceSystem::openAppend(const std::string& path, unsigned mode, std::string& reason)
{
    // Appending access alone makes every write land at the end, whole, even while other
    // processes append too. Reading access is what the lock needs. Deleting is shared so that
    // whoever rotates may rename the file while others hold it open. A link planted under the
    // trace file's name is opened itself (and refused below), never followed.
    const DWORD access = FILE_APPEND_DATA | GENERIC_READ | SYNCHRONIZE;
    const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    const std::wstring name = wide(path);
    bool created = true;
    HANDLE file = CreateFileW(name.c_str(), access, sharing, nullptr, CREATE_NEW, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
        created = false;
        file = CreateFileW(name.c_str(), access, sharing, nullptr, OPEN_EXISTING, flags, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        reason = describe("cannot open trace file", path, GetLastError());
        return -1;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !identityOf(file, info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        CloseHandle(file);
        reason = "cannot open trace file " + path + ": not a regular file";
        return -1;
    }
    const int handle = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_APPEND | _O_BINARY);
    if (handle < 0) {
        CloseHandle(file);
        reason = "cannot open trace file " + path + ": no free descriptor";
        return -1;
    }
    if (created && _wchmod(name.c_str(), static_cast<int>(mode & (_S_IREAD | _S_IWRITE))) != 0) {
        _close(handle);
        reason = describe("cannot set the mode of trace file", path, ERROR_ACCESS_DENIED);
        return -1;
    }
    return handle;
}

// Appending access lands a write whole at the end on a local volume, but not where the
// system turns it into a look at the end and a write there (a network volume, wine): two
// processes then write at the same end and one line overwrites the other. Each append
// therefore holds a lock of its own, on the byte after the rotation's.
std::string TraceSystem::appendAll(int handle, const char* data, std::size_t size)
{
    OVERLAPPED appendByte{};
    appendByte.Offset = 1;
    appendByte.OffsetHigh = LOCK_OFFSET_HIGH;
    const bool locked = LockFileEx(handleOf(handle), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &appendByte) != 0;
    DWORD written = 0;
    const bool wrote = WriteFile(handleOf(handle), data, static_cast<DWORD>(size), &written, nullptr) != 0;
    const DWORD error = GetLastError();
    if (locked)
        UnlockFileEx(handleOf(handle), 0, 1, 0, &appendByte);
    if (!wrote)
        return std::system_category().message(static_cast<int>(error));
    if (written == size)
        return std::string();
    return "short write (" + std::to_string(written) + " of " + std::to_string(size) + " bytes)";
}

bool TraceSystem::sizeAndLinked(int handle, std::int64_t& size, bool& linked)
{
    FILE_STANDARD_INFO info{};
    if (!GetFileInformationByHandleEx(handleOf(handle), FileStandardInfo, &info, sizeof info))
        return false;
    size = static_cast<std::int64_t>(info.EndOfFile.QuadPart);
    linked = !info.DeletePending && info.NumberOfLinks > 0;
    return true;
}

bool TraceSystem::stillNamedBy(int handle, const std::string& path)
{
    BY_HANDLE_FILE_INFORMATION open{};
    BY_HANDLE_FILE_INFORMATION named{};
    if (!identityOf(handleOf(handle), open))
        return false;
    HANDLE file = openForAttributes(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool same = identityOf(file, named) && open.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
                      open.nFileIndexHigh == named.nFileIndexHigh && open.nFileIndexLow == named.nFileIndexLow;
    CloseHandle(file);
    return same;
}

void TraceSystem::lockExclusive(int handle)
{
    OVERLAPPED region{};
    region.OffsetHigh = LOCK_OFFSET_HIGH;
    LockFileEx(handleOf(handle), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &region);
}

void TraceSystem::unlock(int handle)
{
    OVERLAPPED region{};
    region.OffsetHigh = LOCK_OFFSET_HIGH;
    UnlockFileEx(handleOf(handle), 0, 1, 0, &region);
}

void TraceSystem::closeFile(int handle)
{
    if (handle >= 0)
        _close(handle);
}

bool TraceSystem::renameFile(const std::string& from, const std::string& to)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool TraceSystem::removeFile(const std::string& path) { return DeleteFileW(wide(path).c_str()) != 0; }

void TraceSystem::writeStandardError(const char* data, std::size_t size)
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(error, data, static_cast<DWORD>(size), &written, nullptr) || written == 0)
            return;
        data += written;
        size -= written;
    }
}
