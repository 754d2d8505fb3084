#include "File.h"

#include "InputStream.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

const unsigned short File::pathSeparator[2] = {u'/', 0};

namespace {

#if defined(_WIN32)
constexpr int kReadOnlyFlags = O_RDONLY | O_BINARY | O_NOINHERIT;
#else
// Non-blocking so that opening a FIFO without a writer returns at once; no controlling
// terminal from a device; not inherited by a spawned program.
constexpr int kReadOnlyFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
#endif

class RegularFileStream : public InputStream {
public:
    explicit RegularFileStream(int descriptor) : m_Descriptor(descriptor) {}
    ~RegularFileStream() override { close(); }
    RegularFileStream(const RegularFileStream&) = delete;
    RegularFileStream& operator=(const RegularFileStream&) = delete;

    long long read(void* buffer, long long count) override
    {
        if (m_Descriptor < 0 || count <= 0)
            return 0;
        // One call never asks for more than a read can report in its result.
        const unsigned int chunk = count > 0x40000000LL ? 0x40000000u : static_cast<unsigned int>(count);
        for (;;) {
            const auto n = ::read(m_Descriptor, buffer, chunk);
            if (n >= 0)
                return static_cast<long long>(n);
            if (errno != EINTR)
                return -1;
        }
    }

    void close() override
    {
        if (m_Descriptor >= 0) {
            ::close(m_Descriptor);
            m_Descriptor = -1;
        }
    }

private:
    int m_Descriptor;
};

const char16_t kSeparator = static_cast<char16_t>(File::pathSeparator[0]);

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

// Lexically normalises an absolute path: collapses repeated separators, drops "." and
// resolves ".." without touching the file system (symbolic links stay as written).
std::u16string normalised(const std::u16string& absolute)
{
    std::vector<std::u16string> parts;
    std::size_t i = 0;
    while (i < absolute.size()) {
        std::size_t next = absolute.find(kSeparator, i);
        if (next == std::u16string::npos)
            next = absolute.size();
        std::u16string part = absolute.substr(i, next - i);
        if (part == u"..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != u".") {
            parts.push_back(part);
        }
        i = next + 1;
    }
    std::u16string out;
    for (const auto& part : parts) {
        out.push_back(kSeparator);
        out += part;
    }
    if (out.empty())
        out.push_back(kSeparator);
    return out;
}

} // namespace

File::File(const String& path, const String* child) : m_Path(joined(path, child)) {}

File::File(const char* path, const String* child) : m_Path(joined(String(path), child)) {}

File::~File() = default;

String File::getParent() const
{
    const std::u16string& units = m_Path.units();
    std::size_t end = units.size();
    while (end > 1 && units[end - 1] == kSeparator)
        --end; // a trailing separator does not make a component
    std::size_t at = units.rfind(kSeparator, end == 0 ? 0 : end - 1);
    if (at == std::u16string::npos)
        return String();
    if (at == 0)
        return String(File::pathSeparator); // the parent of "/x" is the root
    return String(units.data(), at);
}

String File::getAbsolutePath() const
{
    std::u16string units = m_Path.units();
    if (units.empty() || units[0] != kSeparator) {
        std::vector<char> cwd(4096);
        if (getcwd(cwd.data(), cwd.size()) == nullptr)
            return m_Path;
        String base(cwd.data());
        units = base.units() + std::u16string(1, kSeparator) + units;
    }
    std::u16string norm = normalised(units);
    return String(norm.data(), norm.size());
}

int File::exists() const
{
    struct stat st;
    return ::stat(m_Path, &st) == 0 ? 1 : 0;
}

InputStream* File::openRegularFile() const
{
    const int descriptor = ::open(m_Path, kReadOnlyFlags);
    if (descriptor < 0)
        return nullptr;
    struct stat st;
    if (::fstat(descriptor, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
#if !defined(_WIN32)
    // Reads of a regular file never wait; clearing the flag keeps them plain all the same.
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0)
        ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
#endif
    return new RegularFileStream(descriptor);
}

int File::del() const { return std::remove(m_Path) == 0 ? 1 : 0; }
