#include "File.h"

#include "InputStream.h"

#include "WideText.h"

#include <string>
#include <vector>
#include <windows.h>

const unsigned short File::pathSeparator[2] = {u'\\', 0};

namespace {

const char16_t kSeparator = u'\\';

String joined(const String& path, const String* child)
{
    if (child == nullptr)
        return path;
    String result(path);
    if (!result.isEmpty() && !result.endsWith(String(File::pathSeparator)))
        result.concat(File::pathSeparator);
    result.concat(*child);
    return result;
}

std::wstring wide(const String& path)
{
    return std::wstring(path.units().begin(), path.units().end());
}

// Length of the root of a path: "C:\" (3), "\\server\share\" and "\" ; 0 when relative.
std::size_t rootLength(const std::u16string& units)
{
    if (units.size() >= 2 && units[1] == u':')
        return units.size() >= 3 && units[2] == kSeparator ? 3 : 2;
    if (units.size() >= 2 && units[0] == kSeparator && units[1] == kSeparator) {
        std::size_t server = units.find(kSeparator, 2);
        if (server == std::u16string::npos)
            return units.size();
        std::size_t share = units.find(kSeparator, server + 1);
        return share == std::u16string::npos ? units.size() : share + 1;
    }
    return !units.empty() && units[0] == kSeparator ? 1 : 0;
}

// Reads through the system's handle: the check that it is a regular file and the reads
// concern the same open file.
class RegularFileStream : public InputStream {
public:
    explicit RegularFileStream(HANDLE file) : m_File(file) {}
    ~RegularFileStream() override { close(); }
    RegularFileStream(const RegularFileStream&) = delete;
    RegularFileStream& operator=(const RegularFileStream&) = delete;

    long long read(void* buffer, long long count) override
    {
        if (m_File == INVALID_HANDLE_VALUE || count <= 0)
            return 0;
        const DWORD chunk = count > 0x40000000LL ? 0x40000000u : static_cast<DWORD>(count);
        DWORD n = 0;
        if (!ReadFile(m_File, buffer, chunk, &n, nullptr))
            return -1;
        return static_cast<long long>(n);
    }

    void close() override
    {
        if (m_File != INVALID_HANDLE_VALUE) {
            CloseHandle(m_File);
            m_File = INVALID_HANDLE_VALUE;
        }
    }

private:
    HANDLE m_File;
};

} // namespace

File::File(const String& path, const String* child) : m_Path(joined(path, child)) {}

File::File(const char* path, const String* child) : m_Path(joined(String(path), child)) {}

File::~File() = default;

String File::getParent() const
{
    const std::u16string& units = m_Path.units();
    const std::size_t root = rootLength(units);
    std::size_t end = units.size();
    while (end > root && units[end - 1] == kSeparator)
        --end; // a trailing separator does not make a component
    if (end <= root)
        return String();
    std::size_t at = units.rfind(kSeparator, end - 1);
    if (at == std::u16string::npos || at < root)
        return root == 0 ? String() : String(units.data(), root); // the parent of "C:\x" is "C:\"
    return String(units.data(), at);
}

String File::getAbsolutePath() const
{
    // GetFullPathNameW resolves "." and ".." lexically and completes a relative path from
    // the current directory of its drive, as the file system would.
    const std::wstring path = wide(m_Path);
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return m_Path;
    std::vector<wchar_t> buffer(size + 1);
    DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0 || n >= buffer.size())
        return m_Path;
    return String(reinterpret_cast<const char16_t*>(buffer.data()), n);
}

int File::exists() const
{
    return GetFileAttributesW(wide(m_Path).c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

InputStream* File::openRegularFile() const
{
    // Not inherited by a spawned program; a pipe, a device or a directory is refused by its
    // type before a byte is read.
    HANDLE file = CreateFileW(wide(m_Path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(file);
        return nullptr;
    }
    return new RegularFileStream(file);
}

int File::del() const { return DeleteFileW(wide(m_Path).c_str()) ? 1 : 0; }
