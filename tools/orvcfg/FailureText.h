#ifndef ORVCFG_TOOL_FAILURETEXT_H
#define ORVCFG_TOOL_FAILURETEXT_H

#include "String.h"

#include <string>

class ConfigSession;

// The one-line messages of orvcfg for a result code: the library's words for the code
// (OrvCfg::resultText), followed by the file or key concerned, which only orvcfg knows.

// Why Orv.properties could not be loaded: "<code>: <meaning>: <path> <reason>".
std::string describeLoadFailure(int code, const ConfigSession& session);

// Why setKey refused or failed: "<code>: <meaning>: <detail naming the key or file>".
std::string describeSetFailure(int code, const String& key, const String& value,
                               const ConfigSession& session);

// "local", "global" or "undetermined" for a result of OrvCfg::installationType().
const char* installationTypeName(int type);

#endif
