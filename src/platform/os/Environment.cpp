#include "Environment.h"

#include <cstdlib>

namespace orv::os {

std::optional<std::string> getEnvironmentVariable(const char* name)
{
    if (name == nullptr)
        return std::nullopt;
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

} // namespace orv::os
