#include "Permissions.h"

#include "File.h"

#include <string>

namespace {

// A prefix that names no directory of its own: the root before a leading separator, or a
// drive such as "C:".
bool isRootOrDrive(const std::string& prefix)
{
    return prefix.empty() || (prefix.size() == 2 && prefix[1] == ':');
}

} // namespace

bool createDirectoryPath(const char* path, unsigned int adminRights, unsigned int everyoneRights)
{
    if (path == nullptr)
        return false;
    const char separator = static_cast<char>(File::pathSeparator[0]);

    std::string rest(path);
    std::string prefix;
    while (!rest.empty()) {
        const std::string::size_type cut = rest.find(separator);
        if (cut == std::string::npos) {
            prefix += rest;
            rest.clear();
        } else {
            prefix.append(rest, 0, cut);
            rest.erase(0, cut + 1);
        }
        if (!isRootOrDrive(prefix) && !orv::os::pathExists(prefix.c_str())) {
            if (!orv::os::makeDirectory(prefix.c_str()))
                return false;
            // A directory that exists without its entries is still usable: the result does
            // not decide the outcome.
            setDirectoryPermissions(prefix.c_str(), adminRights, everyoneRights);
        }
        prefix += separator;
    }
    return true;
}

bool setDirectoryPermissions(const char* path, unsigned int adminRights, unsigned int everyoneRights)
{
    if (path == nullptr || (adminRights == 0 && everyoneRights == 0))
        return false;
    return orv::os::setDirectoryAccess(path, adminRights, everyoneRights);
}
