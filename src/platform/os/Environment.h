#ifndef ORV_OS_ENVIRONMENT_H
#define ORV_OS_ENVIRONMENT_H

#include <optional>
#include <string>

namespace orv::os {

// The value of an environment variable as narrow text. A variable that is set to empty
// text gives an empty string, one that is not set gives no value: the configuration
// service treats the two differently.
std::optional<std::string> getEnvironmentVariable(const char* name);

} // namespace orv::os

#endif
