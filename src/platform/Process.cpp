#include "Process.h"

#include "File.h"

#include <climits>
#include <unistd.h>
#include <vector>

String Process::getCurrentProcessFullPath(String* given)
{
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n > 0)
        return String(buffer.data(), static_cast<std::size_t>(n));
    if (given == nullptr)
        return String();
    return File(*given).getAbsolutePath();
}
