#include "Process.h"

#include "File.h"

#include <climits>
#include <unistd.h>
#include <vector>

namespace {

// Paths past this length are not followed further: no executable path is that long.
constexpr std::size_t kLongestLinkTarget = 1u << 20;

// The whole target of the link; empty when it cannot be read. readlink gives no sign of
// a target longer than the buffer except filling it, so a full buffer is read again,
// larger, until the target fits with room to spare.
String linkTarget(const char* link)
{
    for (std::size_t size = PATH_MAX; size <= kLongestLinkTarget; size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t n = readlink(link, buffer.data(), buffer.size());
        if (n <= 0)
            return String();
        if (static_cast<std::size_t>(n) < buffer.size())
            return String(buffer.data(), static_cast<std::size_t>(n));
    }
    return String();
}

} // namespace

String Process::getCurrentProcessFullPath(String* given)
{
    String target = linkTarget("/proc/self/exe");
    if (target.length() > 0)
        return target;
    if (given == nullptr)
        return String();
    return File(*given).getAbsolutePath();
}
