#ifndef ORVCFG_TOOL_COMMAND_H
#define ORVCFG_TOOL_COMMAND_H

#include <map>
#include <ostream>
#include <string>
#include <vector>

// What every command gets: the program path (handed to OrvCfg::initialize, as any host
// does), and the two output streams.
struct ToolContext {
    const char* programPath;
    std::ostream& out;
    std::ostream& err;
};

struct OptionSpec {
    const char* name;      // "--default"
    const char* valueName; // "VALUE", or null for a flag
    const char* help;
};

// The arguments of one command after option parsing.
struct Invocation {
    std::vector<std::string> arguments;
    std::map<std::string, std::string> options; // a flag maps to the empty string

    bool has(const char* option) const { return options.count(option) != 0; }
    const std::string* valueOf(const char* option) const
    {
        auto found = options.find(option);
        return found == options.end() ? nullptr : &found->second;
    }
};

struct Command {
    const char* name;
    const char* synopsis;    // the command line without "orvcfg "
    const char* summary;     // one line for the tool's help
    const char* description; // the body of the command's --help
    std::vector<OptionSpec> options;
    int minArguments;
    int maxArguments;
    int (*run)(const ToolContext& context, const Invocation& invocation);
};

// Every command of the tool, in the order of the help text.
const std::vector<Command>& commandTable();

int runGet(const ToolContext& context, const Invocation& invocation);
int runSet(const ToolContext& context, const Invocation& invocation);
int runList(const ToolContext& context, const Invocation& invocation);
int runDirs(const ToolContext& context, const Invocation& invocation);
int runParse(const ToolContext& context, const Invocation& invocation);
int runTrace(const ToolContext& context, const Invocation& invocation);

#endif
