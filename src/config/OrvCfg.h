#ifndef ORV_ORVCFG_H
#define ORV_ORVCFG_H

#include "OrvExport.h"
#include "String.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Result codes of the configuration service: getError() returns them, setKey() returns them.
enum OrvCfgResult : int {
    ORVCFG_OK = 0,
    ORVCFG_NO_INSTANCE = 8,          // initialize was not called, or cleanup was
    ORVCFG_DIR_NOT_WRITABLE = 11,    // a directory named by a value cannot be written
    ORVCFG_NO_CONFIG_PATH = 13,      // no configuration directory, or Orv.properties vanished
    ORVCFG_KEY_NOT_FOUND = 15,       // the key is not in the store (or has no line to rewrite)
    ORVCFG_VALUE_REJECTED = 16,      // "%", a line break, or the key's value rule
    ORVCFG_KEY_READ_ONLY = 17,       // the key may not be changed
    ORVCFG_OPEN_FAILED = 18,         // a property file or its temporary file cannot be opened
    ORVCFG_RENAME_FAILED = 19,       // moving the temporary file onto the property file failed
    ORVCFG_REMOVE_FAILED = 20,       // removing the old property file failed
    ORVCFG_BAD_PROPERTIES_FILE = 21, // Orv.properties empty or without its header line
    ORVCFG_BAD_TRACE_FILE = 22,      // OrvTrace.properties empty or without its marker line
    ORVCFG_WRITE_FAILED = 23,        // the new content could not be written out (no space, file
                                     // size limit, device error); the property file is unchanged
    ORVCFG_OUT_OF_MEMORY = 24,       // memory ran out; the store may hold the new value
    ORVCFG_NOT_PLAIN_FILE = 25,      // a property file is a symbolic link (or a directory, a pipe,
                                     // a device): it is never rewritten
    ORVCFG_ACCESS_DENIED = 49,       // access denied, writes redirected to a virtual store, or
                                     // the configuration lock not taken within its wait
    ORVCFG_DIR_MISSING = 51,         // the directory named by a value does not exist
};

// Results of OrvCfg::installationType().
enum OrvInstallType : int {
    ORV_INSTALL_UNDETERMINED = 1,
    ORV_INSTALL_LOCAL = 2,
    ORV_INSTALL_GLOBAL = 3,
};

// The configuration service: a process-wide instance behind a static interface. A host
// calls initialize() once, reads and changes keys, and calls cleanup() after the last call.
// Without an instance the static calls answer with fixed results.
class ORVCFG_API OrvCfg {
public:
    static void initialize(const char* programPath);
    static void cleanup();

    static String getKey(const String& key);
    static String getKey(const String& key, const unsigned short* defaultValue);
    // Validates and stores the value, then writes it to the property files. For path keys
    // the caller's string is rewritten in place (native separators, short form).
    static int setKey(const String& key, String& value);
    // Applies every check that setKey applies before it writes, and returns the code setKey
    // would return at that point (0 when it would go on to write). `value` is rewritten in
    // place as setKey rewrites it. Neither the store nor the property files change, and no
    // side effect of the key runs.
    static int checkKey(const String& key, String& value);
    static int getError();
    // Every key of the store with its value, in the store's order (the order of compareTo);
    // empty without an instance. Reads no file and leaves getError() alone.
    static std::vector<std::pair<String, String>> getProperties();
    // A few words for a result code ("value rejected", "access denied"), for a host's
    // messages; "unknown result code" for a number that is none of the service's codes.
    static const char* resultText(int code);

    static String getInstallationDir();
    static String getConfigDir();
    static String getBinDir();
    static String getInstallDir();
    static String getPluginsDir();
    static String getCustomScannerDir();
    static String getConfigurationSchemaPath();
    static int installationType();

    OrvCfg(const OrvCfg& other);
    OrvCfg& operator=(const OrvCfg& other);
    virtual ~OrvCfg();

private:
    // The ordinal order of the 16-bit units, the order of compareTo. Compared inline, four
    // units at a time while they are equal: keys share long prefixes ("plugin.scanner...").
    struct KeyOrder {
        bool operator()(const String& a, const String& b) const
        {
            const std::u16string& x = a.units();
            const std::u16string& y = b.units();
            const std::size_t common = x.size() < y.size() ? x.size() : y.size();
            const char16_t* p = x.data();
            const char16_t* q = y.data();
            std::size_t i = 0;
            for (; i + 4 <= common; i += 4) {
                std::uint64_t left;
                std::uint64_t right;
                std::memcpy(&left, p + i, sizeof left);
                std::memcpy(&right, q + i, sizeof right);
                if (left != right)
                    break;
            }
            for (; i < common; ++i) {
                if (p[i] != q[i])
                    return p[i] < q[i];
            }
            return x.size() < y.size();
        }
    };
    using PropertyMap = std::map<String, String, KeyOrder>;

    explicit OrvCfg(const char* programPath);

    virtual String instGetKey(const String& key, const unsigned short* defaultValue);
    virtual int instSetKey(const String& key, String& value);
    int instGetError();

    bool getOrvConfigDirFromIni(String& dir);
    void loadProperties();

    int writeToOrvFile(const String& key, const String& value, const String& path);
    int writeToOrvFile(const String& key, const String& value, const String& path, unsigned int mode);
    int writeToOrvFile(const String& key, const String& value, const String& path, unsigned int mode,
                       unsigned int mask);
    int writeToTraceFile(const String& key, const String& value, const String& path);
    int writeToTraceFile(const String& key, const String& value, const String& path, unsigned int mode);
    int writeToTraceFile(const String& key, const String& value, const String& path, unsigned int mode,
                         unsigned int mask);

    PropertyMap m_Properties;
    int m_PropertyCount = 0;
    int m_Error = 0;

    static OrvCfg* m_Instance;
    static String m_OrvInstallDir;
    static String m_OrvConfigDir;

    friend class KeyChange;        // the rules and writes of each key, for instSetKey
    friend class OrvCfgTestAccess; // white-box tests of the private operations
};

#endif
