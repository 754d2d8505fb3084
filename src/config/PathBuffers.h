#ifndef ORV_PATHBUFFERS_H
#define ORV_PATHBUFFERS_H

// The four file paths of the configuration directory, filled by each construction of the
// OrvCfg instance: NUL-terminated narrow text of at most 259 bytes; an empty buffer means
// that no path was located.
constexpr int ORV_PATH_BUFFER_SIZE = 260;
// The longest configuration directory whose file names still fit every buffer.
constexpr int ORV_MAX_CONFIG_DIR_LENGTH = 240;

extern char s_PropertiesPath[ORV_PATH_BUFFER_SIZE];
extern char s_TracePropertiesPath[ORV_PATH_BUFFER_SIZE];
extern char s_PropertiesTmpPath[ORV_PATH_BUFFER_SIZE];
extern char s_TraceTmpPath[ORV_PATH_BUFFER_SIZE];

#endif
