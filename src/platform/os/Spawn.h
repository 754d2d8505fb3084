#ifndef ORV_OS_SPAWN_H
#define ORV_OS_SPAWN_H

#include <chrono>
#include <string>
#include <vector>

namespace orv::os {

// Runs `program` with `args` (without the program name) directly, without a command
// processor, so nothing in the program path or the arguments is interpreted, and waits for
// it to end, at most `bound`: a program still running then is killed and reaped. The wait
// works whatever the host does with the signal of ended children (ignores it, or reaps its
// children itself). Returns the program's exit status, or -1 when it could not be started,
// did not exit normally, was killed at the bound, or was reaped by someone else.
int spawnAndWait(const std::string& program, const std::vector<std::string>& args, std::chrono::milliseconds bound);

} // namespace orv::os

#endif
