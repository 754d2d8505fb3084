#ifndef ORVCFG_TOOL_EXITCODE_H
#define ORVCFG_TOOL_EXITCODE_H

// Exit statuses of orvcfg that are its own. Every other status is a result code of the
// configuration service (OrvCfgResult), passed through unchanged; the two sets do not
// overlap, so a script can tell them apart.
enum ToolExit : int {
    TOOL_EXIT_OK = 0,
    TOOL_EXIT_DOCUMENT_ERRORS = 1, // parse: the document had errors, or could not be read
    TOOL_EXIT_USAGE = 2,           // unknown command or option, missing or extra argument
    TOOL_EXIT_INTERNAL = 3,        // out of memory, or standard output could not be written
};

#endif
