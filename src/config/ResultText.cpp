#include "OrvCfg.h"

// The one place where the result codes get words: hosts, orvcfg and the README's table of
// result codes all show these, so a message reads the same wherever it surfaces.
const char* OrvCfg::resultText(int code)
{
    switch (code) {
    case ORVCFG_OK: return "success";
    case ORVCFG_NO_INSTANCE: return "configuration service not initialized";
    case ORVCFG_DIR_NOT_WRITABLE: return "directory not writable";
    case ORVCFG_NO_CONFIG_PATH: return "no configuration file";
    case ORVCFG_KEY_NOT_FOUND: return "key not found";
    case ORVCFG_VALUE_REJECTED: return "value rejected";
    case ORVCFG_KEY_READ_ONLY: return "key cannot be changed";
    case ORVCFG_OPEN_FAILED: return "file cannot be opened";
    case ORVCFG_RENAME_FAILED: return "file not replaced";
    case ORVCFG_REMOVE_FAILED: return "old file not removed";
    case ORVCFG_BAD_PROPERTIES_FILE: return "bad property file";
    case ORVCFG_BAD_TRACE_FILE: return "bad trace property file";
    case ORVCFG_WRITE_FAILED: return "file not written";
    case ORVCFG_OUT_OF_MEMORY: return "out of memory";
    case ORVCFG_NOT_PLAIN_FILE: return "not a plain file";
    case ORVCFG_ACCESS_DENIED: return "access denied";
    case ORVCFG_DIR_MISSING: return "directory missing";
    }
    return "unknown result code";
}
