#ifndef ORV_OS_SPAWN_H
#define ORV_OS_SPAWN_H

#include <string>
#include <vector>

namespace orv::os {

// Runs `program` with `args` (without the program name) directly, without a command
// processor, so nothing in the program path or the arguments is interpreted, and waits for
// it to end. Returns its exit status, or -1 when it could not be started or did not exit
// normally.
int spawnAndWait(const std::string& program, const std::vector<std::string>& args);

} // namespace orv::os

#endif
