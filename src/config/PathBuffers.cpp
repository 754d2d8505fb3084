#include "PathBuffers.h"

// Module-level rather than members: they outlive the instance, so a host that has called
// cleanup() still sees the paths of the last discovery.
char s_PropertiesPath[ORV_PATH_BUFFER_SIZE];
char s_TracePropertiesPath[ORV_PATH_BUFFER_SIZE];
char s_PropertiesTmpPath[ORV_PATH_BUFFER_SIZE];
char s_TraceTmpPath[ORV_PATH_BUFFER_SIZE];
