#include "TraceSettings.h"

#include "TraceSystem.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char* const HEADER = "#ORV_TRACE_PROPERTIES_FILE";
const char* const KEY_FILE_NAME = "handlers.traceFile.fileName";
const char* const KEY_MAX_FILES = "handlers.traceFile.maxFiles";
const char* const KEY_MAX_FILE_SIZE = "handlers.traceFile.maxFileSize";
const char* const KEY_FILE_PERMISSION = "handlers.traceFile.filePermission";
const char* const KEY_DIR_PERMISSION = "handlers.traceFile.dirPermission";

// The same line buffer as every property file: a longer line arrives in pieces.
constexpr int LINE_BUFFER = 260;
constexpr long MAX_FILES_LIMIT = 999;
// 2 TiB in KiB: beyond any trace file, and far from overflowing a byte count.
constexpr std::int64_t MAX_FILE_SIZE_LIMIT_KB = std::int64_t(1) << 31;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string trimmed(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

// Decimal digits only, no sign; false for anything else, or a value above `limit`.
bool parseDecimal(const std::string& text, std::int64_t limit, std::int64_t& value)
{
    if (text.empty())
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > limit)
            return false;
    }
    return true;
}

// Octal mode bits, at most 0777: a trace file or directory never gets set-id or sticky bits.
bool parsePermission(const std::string& text, unsigned& mode)
{
    if (text.empty() || text.size() > 4)
        return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '7')
            return false;
        value = value * 8 + static_cast<unsigned>(c - '0');
    }
    if (value > 0777)
        return false;
    mode = value;
    return true;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = TraceSystem::lastSeparator(path);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

const char* TraceSettings::levelKey(int component)
{
    static const char* const keys[COMPONENT_COUNT] = {
        "hw.loggers.trcLogger.level",       "sigeval.loggers.trcLogger.level", "common.loggers.trcLogger.level",
        "fscanner.loggers.trcLogger.level", "vpd.loggers.trcLogger.level",     "plugin.loggers.trcLogger.level"};
    return component >= 0 && component < COMPONENT_COUNT ? keys[component] : "";
}

const char* TraceSettings::componentName(int component)
{
    static const char* const names[COMPONENT_COUNT] = {"HW", "SWS", "COM", "FSS", "VPD", "PLG"};
    return component >= 0 && component < COMPONENT_COUNT ? names[component] : "";
}

const char* TraceSettings::levelWord(Level level)
{
    switch (level) {
    case LEVEL_MAX:
        return "DEBUG_MAX";
    case LEVEL_MID:
        return "DEBUG_MID";
    default:
        return "DEBUG_MIN";
    }
}

int TraceSettings::highestStatementLevel(Level level)
{
    switch (level) {
    case LEVEL_MAX:
        return 0x7fffffff;
    case LEVEL_MID:
        return 3;
    default:
        return 2;
    }
}

TraceSettings TraceSettings::read(const std::string& path)
{
    TraceSettings settings;
    settings.propertiesPath = path;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r"));
    if (!file) {
        settings.problems.push_back(path + " cannot be read");
        return settings;
    }
    char buffer[LINE_BUFFER];
    if (std::fgets(buffer, sizeof buffer, file.get()) == nullptr) {
        settings.problems.push_back(path + " is empty");
        return settings;
    }
    if (std::strncmp(buffer, HEADER, std::strlen(HEADER)) != 0) {
        settings.problems.push_back(path + " does not begin with " + HEADER);
        return settings;
    }
    settings.propertiesRead = true;
    int line = 1;
    while (std::fgets(buffer, sizeof buffer, file.get()) != nullptr) {
        ++line;
        const std::string text(buffer);
        if (text.empty() || text[0] == '#')
            continue;
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos || equals == 0)
            continue;
        settings.apply(trimmed(text.substr(0, equals)), trimmed(text.substr(equals + 1)), line);
    }
    return settings;
}

void TraceSettings::apply(const std::string& key, const std::string& value, int line)
{
    const std::string where = propertiesPath + " line " + std::to_string(line) + ": ";
    auto reject = [&](Origin& origin, const std::string& why) {
        origin = Origin{0, "line " + std::to_string(line) + ": " + why};
        problems.push_back(where + why);
    };
    for (int component = 0; component < COMPONENT_COUNT; ++component) {
        if (key != levelKey(component))
            continue;
        for (Level level : {LEVEL_MIN, LEVEL_MID, LEVEL_MAX}) {
            if (value == levelWord(level)) {
                levels[component] = level;
                levelOrigins[component] = Origin{line, std::string()};
                return;
            }
        }
        levels[component] = LEVEL_MIN;
        reject(levelOrigins[component], "\"" + value + "\" is not DEBUG_MIN, DEBUG_MID or DEBUG_MAX");
        return;
    }
    if (key == KEY_FILE_NAME) {
        // A relative name would depend on each host's working directory.
        fileName = value.empty() || TraceSystem::isAbsolute(value) ? value : directoryOf(propertiesPath) + value;
        fileNameOrigin = Origin{line, std::string()};
        return;
    }
    std::int64_t number = 0;
    if (key == KEY_MAX_FILES) {
        if (!parseDecimal(value, MAX_FILES_LIMIT, number)) {
            maxFiles = DEFAULT_MAX_FILES;
            reject(maxFilesOrigin, "\"" + value + "\" is not a number of files from 0 to 999");
            return;
        }
        maxFiles = number < 1 ? 1 : static_cast<long>(number);
        maxFilesOrigin = Origin{line, std::string()};
        return;
    }
    if (key == KEY_MAX_FILE_SIZE) {
        if (!parseDecimal(value, MAX_FILE_SIZE_LIMIT_KB, number)) {
            maxFileSizeKb = DEFAULT_MAX_FILE_SIZE_KB;
            reject(maxFileSizeOrigin, "\"" + value + "\" is not a size in KiB from 0 to 2147483648");
            return;
        }
        maxFileSizeKb = number;
        maxFileSizeOrigin = Origin{line, std::string()};
        return;
    }
    const bool isFile = key == KEY_FILE_PERMISSION;
    if (isFile || key == KEY_DIR_PERMISSION) {
        unsigned& mode = isFile ? filePermission : dirPermission;
        Origin& origin = isFile ? filePermissionOrigin : dirPermissionOrigin;
        if (!parsePermission(value, mode)) {
            mode = isFile ? DEFAULT_FILE_PERMISSION : DEFAULT_DIR_PERMISSION;
            reject(origin, "\"" + value + "\" is not an octal mode from 0 to 0777");
            return;
        }
        origin = Origin{line, std::string()};
    }
}
