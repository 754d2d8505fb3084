#ifndef ORV_TRACESETTINGS_H
#define ORV_TRACESETTINGS_H

#include "OrvExport.h"

#include <cstdint>
#include <string>
#include <vector>

// The settings of the trace library as read from OrvTrace.properties, each with where it came
// from. Anything missing or unusable keeps its default; the reason is kept in `problems`.
class ORVTRACE_API TraceSettings {
public:
    // The level words of the property file. DEBUG_MIN lets statements of levels 0 to 2
    // (critical, error, warning) through, DEBUG_MID also level 3 (information), DEBUG_MAX
    // every level.
    enum Level { LEVEL_MIN = 0, LEVEL_MID = 1, LEVEL_MAX = 2 };
    static constexpr int COMPONENT_COUNT = 6; // the values of Tracer::Component
    static constexpr unsigned DEFAULT_FILE_PERMISSION = 0644;
    static constexpr unsigned DEFAULT_DIR_PERMISSION = 0755;
    static constexpr long DEFAULT_MAX_FILES = 5;
    static constexpr std::int64_t DEFAULT_MAX_FILE_SIZE_KB = 10240;

    // One setting's origin: the line it came from (0: the default) and, for a default taken
    // because the line was unusable, why.
    struct Origin {
        int line = 0;
        std::string note;
    };

    // "hw.loggers.trcLogger.level" for component 0 ...; the short name "HW", "SWS", "COM",
    // "FSS", "VPD", "PLG" used in trace lines and by trace_comp.
    static const char* levelKey(int component);
    static const char* componentName(int component);
    static const char* levelWord(Level level);
    // The highest statement level that `level` lets through.
    static int highestStatementLevel(Level level);

    // Reads `path`. A missing, empty or headerless file gives the defaults and a problem.
    static TraceSettings read(const std::string& path);

    std::string propertiesPath; // empty: no file named, the defaults stand
    bool propertiesRead = false;
    Level levels[COMPONENT_COUNT] = {LEVEL_MIN, LEVEL_MIN, LEVEL_MIN, LEVEL_MIN, LEVEL_MIN, LEVEL_MIN};
    Origin levelOrigins[COMPONENT_COUNT];
    std::string fileName; // as resolved: relative names are taken from the properties file's directory
    Origin fileNameOrigin;
    long maxFiles = DEFAULT_MAX_FILES;
    Origin maxFilesOrigin;
    std::int64_t maxFileSizeKb = DEFAULT_MAX_FILE_SIZE_KB; // 0: never rotate
    Origin maxFileSizeOrigin;
    unsigned filePermission = DEFAULT_FILE_PERMISSION;
    Origin filePermissionOrigin;
    unsigned dirPermission = DEFAULT_DIR_PERMISSION;
    Origin dirPermissionOrigin;
    std::vector<std::string> problems; // one sentence each, naming the file and line

private:
    void apply(const std::string& key, const std::string& value, int line);
};

#endif
