#ifndef ORVCFG_TOOL_EXITCODE_H
#define ORVCFG_TOOL_EXITCODE_H

// Exit statuses of orvcfg that are its own, all below 8. Every other status is a result
// code of the configuration service (OrvCfgResult, 8 and above), passed through unchanged;
// the two sets do not overlap, so a script can tell them apart.
enum ToolExit : int {
    TOOL_EXIT_OK = 0,
    TOOL_EXIT_DOCUMENT_ERRORS = 1, // parse: the document was read and has errors
    TOOL_EXIT_USAGE = 2,           // unknown command or option, missing or extra argument
    TOOL_EXIT_INTERNAL = 3,        // out of memory, or standard output could not be written
    TOOL_EXIT_CANNOT_OPEN = 4,     // parse: the document or the schema cannot be opened
};

#endif
