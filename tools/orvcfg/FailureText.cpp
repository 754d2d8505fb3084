#include "FailureText.h"

#include "ConfigSession.h"
#include "OrvCfg.h"
#include "TextOutput.h"

#include <cstring>

namespace {

struct ValueRule {
    const char* key;
    const char* rule; // completes "<key> ..."
};

// What each checked key accepts, in the words a user needs to fix the value.
const ValueRule kValueRules[] = {
    {"trace_file", "accepts a file name that begins with \"trace\" and ends with \".log\", without "
                   "a digit just before \".log\" and without \"/\", \"\\\" or \":\" (at most 255 "
                   "characters), e.g. trace.log"},
    {"trace_level", "accepts MAX, MID or MIN"},
    {"trace_comp", "accepts All, HW, VPD, SWS, FSS, COM or PLG"},
    {"trace_file_num", "accepts digits only"},
    {"trace_file_size", "accepts digits only"},
    {"hwscanner.timeout", "accepts digits only"},
    {"fscanner.provider", "accepts provider_standard, provider_cache, provider_remote_cache, "
                          "provider_cache2 or provider_remote_cache2"},
};

std::string text(const String& s) { return std::string(s.narrow(), s.narrowLength()); }

std::string quoted(const String& s) { return "\"" + text(s) + "\""; }

std::string prefix(int code) { return std::to_string(code) + ": " + OrvCfg::resultText(code) + ": "; }

bool isTraceFileKey(const String& key)
{
    return key.compareTo(String("trace_file"), 0) == 0 || key.compareTo(String("common_trace_path"), 0) == 0;
}

std::string rejectedValueDetail(const String& key, const String& value)
{
    if (value.indexOf(static_cast<unsigned short>('%'), 0) >= 0)
        return "values may not contain \"%\"";
    if (value.indexOf(static_cast<unsigned short>('\n'), 0) >= 0
        || value.indexOf(static_cast<unsigned short>('\r'), 0) >= 0)
        return "values may not contain a line break";
    for (const ValueRule& rule : kValueRules) {
        if (key.compareTo(String(rule.key), 0) == 0)
            return std::string(rule.key) + " " + rule.rule;
    }
    return text(key) + " does not accept " + quoted(value);
}

} // namespace

std::string describeLoadFailure(int code, const ConfigSession& session)
{
    const std::string path = text(session.propertiesPath());
    switch (code) {
    case ORVCFG_NO_CONFIG_PATH:
        if (session.configDir().isEmpty())
            return prefix(code) + "no configuration directory was found (set ORV_LOCALDIR or run "
                                  "orvcfg from the bin directory of an installation)";
        return prefix(code) + path + " disappeared while it was being read";
    case ORVCFG_OPEN_FAILED:
        return prefix(code) + path + " does not exist or cannot be read";
    case ORVCFG_ACCESS_DENIED:
        return prefix(code) + path + " may not be read";
    case ORVCFG_BAD_PROPERTIES_FILE:
        return prefix(code) + path + " is empty or does not begin with the line \"ORV_PROPERTIES_FILE\"";
    default:
        return prefix(code) + path;
    }
}

std::string describeSetFailure(int code, const String& key, const String& value,
                               const ConfigSession& session)
{
    const std::string properties = text(session.propertiesPath());
    const std::string trace = text(session.tracePropertiesPath());
    switch (code) {
    case ORVCFG_VALUE_REJECTED:
        return prefix(code) + rejectedValueDetail(key, value);
    case ORVCFG_KEY_READ_ONLY:
        return prefix(code) + text(key) + " is set at installation and is read-only";
    case ORVCFG_KEY_NOT_FOUND:
        return prefix(code) + text(key) + " has no line in " + properties + "; nothing was written";
    case ORVCFG_NO_CONFIG_PATH:
        return prefix(code) + "no configuration directory was found";
    case ORVCFG_ACCESS_DENIED:
        return prefix(code) + properties + " is missing or may not be written, or another process "
                                           "held the configuration lock too long";
    case ORVCFG_OPEN_FAILED:
        return prefix(code) + properties + ", " + trace + " or their temporary files cannot be opened";
    case ORVCFG_RENAME_FAILED:
        return prefix(code) + "the rewritten file could not take the place of the old one in "
               + text(directoryText(session.configDir()));
    case ORVCFG_REMOVE_FAILED:
        return prefix(code) + "the old property file could not be removed from " + text(directoryText(session.configDir()));
    case ORVCFG_BAD_PROPERTIES_FILE:
        if (isTraceFileKey(key))
            return prefix(code) + "common_trace_path is empty, so the trace file name cannot be written to "
                   + trace;
        return prefix(code) + properties + " is empty or lacks its header line";
    case ORVCFG_BAD_TRACE_FILE:
        return prefix(code) + trace + " is empty or does not begin with the line \"#ORV_TRACE_PROPERTIES_FILE\"";
    case ORVCFG_DIR_NOT_WRITABLE:
        return prefix(code) + "the directory " + quoted(value) + " given for " + text(key) + " cannot be written";
    case ORVCFG_DIR_MISSING:
        return prefix(code) + "the directory " + quoted(value) + " given for " + text(key) + " does not exist";
    case ORVCFG_NO_INSTANCE:
        return prefix(code) + "the configuration could not be loaded";
    default:
        return prefix(code) + "setting " + text(key);
    }
}

const char* installationTypeName(int type)
{
    switch (type) {
    case ORV_INSTALL_LOCAL: return "local";
    case ORV_INSTALL_GLOBAL: return "global";
    default: return "undetermined";
    }
}
