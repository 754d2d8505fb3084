#include "CommandLine.h"

#include "ExitCode.h"

#include <cstring>
#include <iomanip>

namespace {

const char* const kToolName = "orvcfg";

const OptionSpec* findOption(const Command& command, const std::string& name)
{
    for (const OptionSpec& option : command.options) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

const Command* findCommand(const std::string& name)
{
    for (const Command& command : commandTable()) {
        if (name == command.name)
            return &command;
    }
    return nullptr;
}

int usageError(std::ostream& err, const std::string& message, const char* commandName)
{
    err << kToolName << ": " << message << " (see \"" << kToolName;
    if (commandName != nullptr)
        err << ' ' << commandName;
    err << " --help\")\n";
    return TOOL_EXIT_USAGE;
}

} // namespace

bool parseInvocation(const Command& command, const std::vector<std::string>& args,
                     Invocation& invocation, std::string& error)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            invocation.arguments.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::string inlineValue;
        bool hasInlineValue = false;
        std::size_t equals = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            inlineValue = arg.substr(equals + 1);
            hasInlineValue = true;
        }
        const OptionSpec* option = findOption(command, name);
        if (option == nullptr) {
            error = "unknown option \"" + name + "\" for " + command.name;
            return false;
        }
        if (option->valueName == nullptr) {
            if (hasInlineValue) {
                error = "option " + name + " takes no value";
                return false;
            }
            invocation.options[name] = std::string();
            continue;
        }
        if (hasInlineValue) {
            invocation.options[name] = inlineValue;
        } else if (i + 1 < args.size()) {
            invocation.options[name] = args[++i];
        } else {
            error = "option " + name + " needs a value (" + option->valueName + ")";
            return false;
        }
    }
    int count = static_cast<int>(invocation.arguments.size());
    if (count < command.minArguments) {
        error = std::string("missing argument for ") + command.name + ": usage: " + kToolName + " "
                + command.synopsis;
        return false;
    }
    if (count > command.maxArguments) {
        error = std::string("too many arguments for ") + command.name + ": \""
                + invocation.arguments[static_cast<std::size_t>(command.maxArguments)] + "\"";
        return false;
    }
    return true;
}

void printToolHelp(std::ostream& out)
{
    out << "usage: " << kToolName << " COMMAND [ARGUMENTS] [OPTIONS]\n"
        << "       " << kToolName << " --help | --version\n\n"
        << "Reads and changes the configuration of the inventory scanners, as every scanner\n"
        << "does: the installation is the parent of the directory that holds this program,\n"
        << "and the configuration directory is $ORV_LOCALDIR/config/ when ORV_LOCALDIR is\n"
        << "set, else <installation>/config/.\n\n"
        << "Commands:\n";
    for (const Command& command : commandTable())
        out << "  " << std::left << std::setw(8) << command.name << command.summary << '\n';
    out << "\nRun \"" << kToolName << " COMMAND --help\" or \"" << kToolName
        << " help COMMAND\" for a command's arguments\nand exit codes.\n"
        << "Exit codes: 0 success; 1 the document has errors; 2 wrong usage; 3 internal failure;\n"
        << "4 the document or schema cannot be opened; any other code is the configuration\n"
        << "service's result code (8, 11, 13, 15-22, 49, 51).\n";
}

void printCommandHelp(const Command& command, std::ostream& out)
{
    out << "usage: " << kToolName << ' ' << command.synopsis << "\n\n" << command.description;
    if (!command.options.empty()) {
        out << "\nOptions:\n";
        for (const OptionSpec& option : command.options) {
            std::string left = option.name;
            if (option.valueName != nullptr)
                left += std::string(" ") + option.valueName;
            out << "  " << std::left << std::setw(18) << left << option.help << '\n';
        }
    }
}

int runTool(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    const char* programPath = (argc > 0 && argv[0] != nullptr) ? argv[0] : kToolName;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);

    if (args.empty()) {
        printToolHelp(err);
        return TOOL_EXIT_USAGE;
    }
    const std::string& first = args.front();
    if (first == "--help" || first == "-h" || first == "help") {
        if (first == "help" && args.size() > 1) {
            const Command* command = findCommand(args[1]);
            if (command == nullptr)
                return usageError(err, "unknown command \"" + args[1] + "\"", nullptr);
            printCommandHelp(*command, out);
            return TOOL_EXIT_OK;
        }
        printToolHelp(out);
        return TOOL_EXIT_OK;
    }
    if (first == "--version") {
        out << kToolName << ' ' << ORVCFG_TOOL_VERSION << '\n';
        return TOOL_EXIT_OK;
    }
    const Command* command = findCommand(first);
    if (command == nullptr) {
        if (first.size() > 1 && first[0] == '-')
            return usageError(err, "unknown option \"" + first + "\"", nullptr);
        return usageError(err, "unknown command \"" + first + "\"", nullptr);
    }

    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            printCommandHelp(*command, out);
            return TOOL_EXIT_OK;
        }
    }
    Invocation invocation;
    std::string error;
    if (!parseInvocation(*command, rest, invocation, error))
        return usageError(err, error, command->name);

    ToolContext context{programPath, out, err};
    return command->run(context, invocation);
}
