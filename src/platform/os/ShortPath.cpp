#include "ShortPath.h"

namespace orv::os {

// POSIX file systems keep one name per file: there is no short form.
bool getShortPathForm(const char*, std::size_t, std::string&)
{
    return false;
}

} // namespace orv::os
