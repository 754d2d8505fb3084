#include "ShortPath.h"

#include "WideText.h"

#include <vector>
#include <windows.h>

namespace orv::os {

bool getShortPathForm(const char* path, std::size_t maxBytes, std::string& shortForm)
{
    if (path == nullptr)
        return false;
    const std::wstring wide = orv::win::widen(path);
    const DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (size == 0)
        return false;
    std::vector<wchar_t> buffer(size);
    const DWORD n = GetShortPathNameW(wide.c_str(), buffer.data(), size);
    if (n == 0 || n >= size)
        return false;
    std::string narrow = orv::win::narrowed(buffer.data(), n);
    if (narrow.size() + 1 > maxBytes)
        return false;
    shortForm = std::move(narrow);
    return true;
}

} // namespace orv::os
