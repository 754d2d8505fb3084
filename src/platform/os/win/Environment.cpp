#include "Environment.h"

#include "WideText.h"

#include <cstdlib>
#include <cwchar>

namespace orv::os {

// The wide environment: the narrow one is in the ANSI code page, not UTF-8.
std::optional<std::string> getEnvironmentVariable(const char* name)
{
    if (name == nullptr)
        return std::nullopt;
    const wchar_t* value = _wgetenv(orv::win::widen(name).c_str());
    if (value == nullptr)
        return std::nullopt;
    return orv::win::narrowed(value, std::wcslen(value));
}

} // namespace orv::os
