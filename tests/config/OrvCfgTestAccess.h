#ifndef ORV_TESTS_ORVCFGTESTACCESS_H
#define ORV_TESTS_ORVCFGTESTACCESS_H

#include "OrvCfg.h"
#include "PathBuffers.h"

#include <cstring>
#include <utility>

// White-box access to the private state of the configuration service, for tests only.
// Keep it additive: several test programs include it.
class OrvCfgTestAccess {
public:
    static OrvCfg& live() { return *OrvCfg::m_Instance; }

    // The rewrites of the property files on the living instance, every overload.
    template <typename... Args>
    static int writeToOrvFile(Args&&... args)
    {
        return live().writeToOrvFile(std::forward<Args>(args)...);
    }
    template <typename... Args>
    static int writeToTraceFile(Args&&... args)
    {
        return live().writeToTraceFile(std::forward<Args>(args)...);
    }

    static String installDir() { return OrvCfg::m_OrvInstallDir; }
    static void setInstallDir(const String& dir) { OrvCfg::m_OrvInstallDir = dir; }

    // Back to the state of a freshly loaded library: no instance, empty directories, empty
    // path buffers.
    static void resetToUnloaded()
    {
        OrvCfg::cleanup();
        OrvCfg::m_OrvInstallDir = String();
        OrvCfg::m_OrvConfigDir = String();
        for (char* buffer : {s_PropertiesPath, s_TracePropertiesPath, s_PropertiesTmpPath, s_TraceTmpPath})
            std::memset(buffer, 0, ORV_PATH_BUFFER_SIZE);
    }
};

#endif
