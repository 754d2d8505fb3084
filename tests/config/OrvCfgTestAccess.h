#ifndef ORV_TESTS_ORVCFGTESTACCESS_H
#define ORV_TESTS_ORVCFGTESTACCESS_H

#include "OrvCfg.h"
#include "PathBuffers.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

// White-box access to the private state of the configuration service, for tests only.
// Keep it additive: several test programs include it.
class OrvCfgTestAccess {
public:
    static OrvCfg* instance() { return OrvCfg::m_Instance; }

    // The instance's fields (the instance must exist).
    static int propertyCount() { return OrvCfg::m_Instance->m_PropertyCount; }
    static std::size_t propertyMapSize() { return OrvCfg::m_Instance->m_Properties.size(); }
    static int error() { return OrvCfg::m_Instance->m_Error; }
    static void setError(int error) { OrvCfg::m_Instance->m_Error = error; }

    // The same fields of any object, e.g. a copy.
    static int propertyCount(const OrvCfg& cfg) { return cfg.m_PropertyCount; }
    static std::size_t propertyMapSize(const OrvCfg& cfg) { return cfg.m_Properties.size(); }
    static int error(const OrvCfg& cfg) { return cfg.m_Error; }
    static String instGetKey(OrvCfg& cfg, const String& key, const unsigned short* defaultValue)
    {
        return cfg.instGetKey(key, defaultValue);
    }
    static int instGetError(OrvCfg& cfg) { return cfg.instGetError(); }
    static bool getOrvConfigDirFromIni(OrvCfg& cfg, String& dir) { return cfg.getOrvConfigDirFromIni(dir); }

    // The store in key order, narrow (UTF-8 with escaped bytes kept as the bytes they were).
    static std::vector<std::pair<std::string, std::string>> properties()
    {
        return properties(*OrvCfg::m_Instance);
    }
    static std::vector<std::pair<std::string, std::string>> properties(const OrvCfg& cfg)
    {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& entry : cfg.m_Properties)
            out.emplace_back(std::string(entry.first.narrow(), entry.first.narrowLength()),
                             std::string(entry.second.narrow(), entry.second.narrowLength()));
        return out;
    }
    // Puts a key straight into the store, as if a property line had been read.
    static void putProperty(const String& key, const String& value)
    {
        OrvCfg::m_Instance->m_Properties[key] = value;
        ++OrvCfg::m_Instance->m_PropertyCount;
    }

    // The rewrites of the property files, on the living instance.
    static int writeToOrvFile(const String& key, const String& value, const String& path)
    {
        return OrvCfg::m_Instance->writeToOrvFile(key, value, path);
    }
    static int writeToOrvFile(const String& key, const String& value, const String& path, unsigned int mode)
    {
        return OrvCfg::m_Instance->writeToOrvFile(key, value, path, mode);
    }
    static int writeToOrvFile(const String& key, const String& value, const String& path, unsigned int mode,
                              unsigned int mask)
    {
        return OrvCfg::m_Instance->writeToOrvFile(key, value, path, mode, mask);
    }
    static int writeToTraceFile(const String& key, const String& value, const String& path)
    {
        return OrvCfg::m_Instance->writeToTraceFile(key, value, path);
    }
    static int writeToTraceFile(const String& key, const String& value, const String& path, unsigned int mode)
    {
        return OrvCfg::m_Instance->writeToTraceFile(key, value, path, mode);
    }
    static int writeToTraceFile(const String& key, const String& value, const String& path, unsigned int mode,
                                unsigned int mask)
    {
        return OrvCfg::m_Instance->writeToTraceFile(key, value, path, mode, mask);
    }

    static String installDir() { return OrvCfg::m_OrvInstallDir; }
    static String configDir() { return OrvCfg::m_OrvConfigDir; }
    static void setInstallDir(const String& dir) { OrvCfg::m_OrvInstallDir = dir; }
    static void setConfigDir(const String& dir) { OrvCfg::m_OrvConfigDir = dir; }

    // Back to the state of a freshly loaded library: no instance, empty directories, empty
    // path buffers.
    static void resetToUnloaded()
    {
        OrvCfg::cleanup();
        OrvCfg::m_OrvInstallDir = String();
        OrvCfg::m_OrvConfigDir = String();
        std::memset(s_PropertiesPath, 0, sizeof s_PropertiesPath);
        std::memset(s_TracePropertiesPath, 0, sizeof s_TracePropertiesPath);
        std::memset(s_PropertiesTmpPath, 0, sizeof s_PropertiesTmpPath);
        std::memset(s_TraceTmpPath, 0, sizeof s_TraceTmpPath);
    }
};

#endif
