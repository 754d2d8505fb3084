#include "OrvCfg.h"

// Placeholder until changing keys lands: every change is refused as not writable.
int OrvCfg::instSetKey(const String&, String&) { return ORVCFG_ACCESS_DENIED; }
int OrvCfg::writeToOrvFile(const String&, const String&, const String&) { return ORVCFG_OPEN_FAILED; }
int OrvCfg::writeToOrvFile(const String&, const String&, const String&, unsigned int) { return ORVCFG_OPEN_FAILED; }
int OrvCfg::writeToOrvFile(const String&, const String&, const String&, unsigned int, unsigned int) { return ORVCFG_OPEN_FAILED; }
int OrvCfg::writeToTraceFile(const String&, const String&, const String&) { return ORVCFG_OPEN_FAILED; }
int OrvCfg::writeToTraceFile(const String&, const String&, const String&, unsigned int) { return ORVCFG_OPEN_FAILED; }
int OrvCfg::writeToTraceFile(const String&, const String&, const String&, unsigned int, unsigned int) { return ORVCFG_OPEN_FAILED; }
