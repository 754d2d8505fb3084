#ifndef ORVCFG_TOOL_RESULTTEXT_H
#define ORVCFG_TOOL_RESULTTEXT_H

#include "String.h"

#include <string>

class ConfigSession;

// Plain words for the configuration service's result codes, for the one-line messages of
// orvcfg. The service answers with codes only; orvcfg adds the file or key concerned.

// A few words for a code: "value rejected", "access denied", ...
const char* resultMeaning(int code);

// Why Orv.properties could not be loaded: "<code>: <meaning>: <path> <reason>".
std::string describeLoadFailure(int code, const ConfigSession& session);

// Why setKey refused or failed: "<code>: <meaning>: <detail naming the key or file>".
std::string describeSetFailure(int code, const String& key, const String& value,
                               const ConfigSession& session);

// "local", "global" or "undetermined" for a result of OrvCfg::installationType().
const char* installationTypeName(int type);

#endif
