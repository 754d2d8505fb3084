#ifndef ORV_WIN_WIDETEXT_H
#define ORV_WIN_WIDETEXT_H

#include "String.h"

#include <string>

// Narrow text of the libraries is UTF-8 (with escaped bytes, see String); Windows names
// files in UTF-16. Every call into the wide API converts through String, so a path that
// came from a property file reaches the file system with the same characters.
namespace orv::win {

inline std::wstring widen(const char* narrow)
{
    const String text(narrow);
    return std::wstring(text.units().begin(), text.units().end());
}

inline std::string narrowed(const wchar_t* wide, std::size_t count)
{
    const String text(reinterpret_cast<const char16_t*>(wide), count);
    return std::string(text.narrow(), text.narrowLength());
}

} // namespace orv::win

#endif
