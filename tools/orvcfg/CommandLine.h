#ifndef ORVCFG_TOOL_COMMANDLINE_H
#define ORVCFG_TOOL_COMMANDLINE_H

#include "Command.h"

#include <ostream>
#include <string>
#include <vector>

// Splits a command's arguments into options and positional arguments. Options may come
// anywhere; "--name=value" and "--name value" are both accepted; "--" ends the options,
// so that a value that begins with "-" can still be passed. Returns false with a one-line
// reason in `error` for an unknown option, a missing option value, or a wrong number of
// arguments.
bool parseInvocation(const Command& command, const std::vector<std::string>& args,
                     Invocation& invocation, std::string& error);

void printToolHelp(std::ostream& out);
void printCommandHelp(const Command& command, std::ostream& out);

// Runs the whole tool on argv; the process's exit status.
int runTool(int argc, char** argv, std::ostream& out, std::ostream& err);

#endif
