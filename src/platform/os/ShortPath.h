#ifndef ORV_OS_SHORTPATH_H
#define ORV_OS_SHORTPATH_H

#include <cstddef>
#include <string>

namespace orv::os {

// The short form of an existing path, at most `maxBytes` - 1 bytes, where the file system
// offers one. False when there is none; `shortForm` is then left alone.
bool getShortPathForm(const char* path, std::size_t maxBytes, std::string& shortForm);

} // namespace orv::os

#endif
