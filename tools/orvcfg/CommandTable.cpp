#include "Command.h"

namespace {

const OptionSpec kJson = {"--json", nullptr, "print one JSON object instead of text"};

} // namespace

const std::vector<Command>& commandTable()
{
    static const std::vector<Command> table = {
        {"get", "get KEY [--default VALUE] [--json]", "print the value of a key",
         "Prints the value of KEY from Orv.properties and a line feed.\n"
         "When the key is absent, prints VALUE if --default is given, and nothing otherwise.\n"
         "\n"
         "Exit codes: 0 the key is present; 15 it is absent; 18, 21, 49 or 13 when\n"
         "Orv.properties cannot be read (the message names the file and the reason).\n",
         {{"--default", "VALUE", "print VALUE when the key is absent"}, kJson},
         1, 1, runGet},
        {"list", "list [--json]", "print every key with its value",
         "Prints every key of Orv.properties as KEY=VALUE, one per line, in the order in which\n"
         "the configuration service keeps them (sorted by key; a key given twice shows its\n"
         "last value).\n"
         "\n"
         "Exit codes: 0; 18, 21, 49 or 13 when Orv.properties cannot be read (nothing is\n"
         "listed, and the message names the file and the reason).\n",
         {kJson},
         0, 0, runList},
        {"set", "set KEY VALUE [--dry-run] [--json]", "change a key, as a scanner does",
         "Changes KEY to VALUE in Orv.properties; the trace keys (trace_level, trace_comp,\n"
         "trace_file, trace_file_num, trace_file_size) are also translated into\n"
         "OrvTrace.properties. The value must pass the key's rule. Path keys are rewritten\n"
         "(native separators, short form); the rewritten value is printed as KEY=VALUE.\n"
         "Use \"--\" before a value that begins with \"-\".\n"
         "\n"
         "Exit codes: the configuration service's result code: 0 written; 16 value rejected\n"
         "(it holds \"%\" or a line break, or fails the key's rule); 17 read-only key; 15 the\n"
         "key has no line in Orv.properties; 18, 21, 49 or 13 Orv.properties cannot be read\n"
         "(a missing file gives 18); 49 it cannot be written, or another process held the\n"
         "configuration lock too long; 51 or 11 a directory given as the value is missing or\n"
         "not writable; 18-25 a property file cannot be written or replaced, or is a link.\n"
         "2: a key that cannot be a line of a property file (empty, holding \"=\", beginning\n"
         "with \"#\", holding a control character, or beginning or ending with a blank).\n"
         "A refused change leaves both property files as they were.\n"
         "\n"
         "--dry-run applies every check of the change (the value's rule, the access check, the\n"
         "directories of the cache-home keys) and writes nothing: it prints KEY=VALUE as the\n"
         "value would be written and exits with the code the change would give before writing.\n"
         "No directory is created and fsprobe is not run.\n",
         {{"--dry-run", nullptr, "check the change and print it, without writing"}, kJson},
         2, 2, runSet},
        {"dirs", "dirs [--json]", "show the directories of the installation",
         "Prints the installation, configuration, bin, install, plug-ins and custom-scanner\n"
         "directories (without a trailing separator), the schema path, the installation type\n"
         "(local, global or undetermined, from install/orv_install.properties) and whether\n"
         "Orv.properties could be loaded.\n"
         "\n"
         "Exit code: 0; a configuration that cannot be loaded is reported in the output.\n",
         {kJson},
         0, 0, runDirs},
        {"parse", "parse [FILE] [--raw] [--json]", "check the configuration document and show its sections",
         "Parses FILE (default: orvcli.xml in the configuration directory; a zip archive whose\n"
         "first entry is the document also works) against the schema bin/orvcli.xsd, prints\n"
         "each configuration section found (Hardware, XSE, FSScan, Vpd, UseSignatures,\n"
         "NetSignatures, NetConfig) under its name, one element per line, then the sections\n"
         "missing and the error count. Warnings and errors go to standard error as\n"
         "\"orvcfg: FILE:LINE: error: message\".\n"
         "\n"
         "Exit codes: 0 no errors; 1 the document has errors; 4 the document or the schema\n"
         "cannot be opened (one line on standard error, nothing on standard output).\n",
         {{"--raw", nullptr, "print each section exactly as the library writes it"}, kJson},
         0, 1, runParse},
        {"trace", "trace [--json]", "show the trace settings in force and where they came from",
         "Prints what the trace library reads from OrvTrace.properties in the configuration\n"
         "directory: the trace file, the number of files kept, the size at which the file is\n"
         "rotated (KiB), the permissions of new trace files and directories, and the level of\n"
         "each component, each with the line it came from or \"default\", and every line that\n"
         "could not be used.\n"
         "\n"
         "Exit code: 0.\n",
         {kJson},
         0, 0, runTrace},
    };
    return table;
}
