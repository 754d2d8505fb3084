#include "KeyChange.h"

#include "ConfigAccess.h"
#include "ConfigLock.h"
#include "FaultHook.h"
#include "File.h"
#include "FileSystem.h"
#include "OrvCfg.h"
#include "PathBuffers.h"
#include "Permissions.h"
#include "ShortPath.h"
#include "Spawn.h"

#include <chrono>
#include <cstring>
#include <cwctype>
#include <string>

namespace {

// Mode of a property file after every rewrite: the scanners of other users must read it.
constexpr unsigned int PROPERTY_FILE_MODE = 0644;
// The creation mask the rewrites are asked for; they reach their modes without one.
constexpr unsigned int REWRITE_MASK = 0;

// Lines are read in pieces of at most 259 bytes: a longer line would come apart, and its
// rest would be read as a line of its own, with a key of the value's choosing. A line
// written by setKey (key, "=", value and a line end of up to two bytes) must fit one piece.
constexpr std::size_t MAX_LINE_BYTES = 259;
constexpr std::size_t LONGEST_LINE_END = 2;

// How long the file-system scanner gets to shut down while the change waits, holding the
// configuration's lock; a scanner that hangs is killed, and the change goes on.
constexpr std::chrono::milliseconds FSPROBE_WAIT{30000};

constexpr int MAX_TRACE_FILE_NAME_LENGTH = 255;

constexpr const char* TRACE_LEVELS[] = {"MAX", "MID", "MIN"};
constexpr const char* TRACE_COMPONENTS[] = {"All", "HW", "VPD", "SWS", "FSS", "COM", "PLG"};
constexpr const char* PROVIDER_CACHE = "provider_cache";
constexpr const char* PROVIDER_REMOTE_CACHE = "provider_remote_cache";
constexpr const char* PROVIDERS[] = {"provider_standard", PROVIDER_CACHE, PROVIDER_REMOTE_CACHE,
                                     "provider_cache2", "provider_remote_cache2"};

const char* const KEY_FSCANNER_HOME = "fscanner.home";
const char* const KEY_TRACE_FILE = "trace_file";
const char* const KEY_COMMON_TRACE_PATH = "common_trace_path";
const char* const TRACE_FILE_NAME_LINE_KEY = "handlers.traceFile.fileName";
const char* const KEY_TRACE_FILE_PATH = "trace_file_path";
const char* const KEY_DIR_PERMISSION = "handlers.traceFile.dirPermission";
const char* const KEY_FILE_PERMISSION = "handlers.traceFile.filePermission";
// Trace directories and files of a single-user installation are open to every reader.
const char* const SINGLE_USER_PERMISSION = "0755";
const char* const SINGLE_USER_MARKER = "SingleUserMode";
const char* const FSPROBE_PROGRAM = "fsprobe";
const char* const FSPROBE_SHUTDOWN = "-shutdown";

bool same(const String& a, const char* b)
{
    return a.compareTo(String(b), 0) == 0;
}

template <std::size_t N>
bool isOneOf(const String& value, const char* const (&vocabulary)[N])
{
    for (const char* word : vocabulary) {
        if (same(value, word))
            return true;
    }
    return false;
}

bool isDigit(unsigned short unit)
{
    return std::iswdigit(static_cast<std::wint_t>(unit)) != 0;
}

bool isAllDigits(const String& value)
{
    for (int i = 0; i < value.length(); ++i) {
        if (!isDigit(value.charAt(i)))
            return false;
    }
    return true;
}

// A "%" would be taken for a substitution by readers of the property files; a line break
// would split the value into lines of its own (and could smuggle in a key such as
// "version" that cannot be set), and the value could not be read back.
bool holdsForbiddenCharacter(const String& value)
{
    for (const char16_t forbidden : {u'%', u'\n', u'\r'}) {
        if (value.indexOf(static_cast<unsigned short>(forbidden), 0) >= 0)
            return true;
    }
    return false;
}

// The trace library puts the file into the common trace path and numbers the files of a
// rotation itself, so the name must be a bare name without a number before ".log".
bool isValidTraceFileName(const String& value)
{
    if (value.length() > MAX_TRACE_FILE_NAME_LENGTH)
        return false;
    for (const char16_t forbidden : {u'\\', u'/', u':'}) {
        if (value.indexOf(static_cast<unsigned short>(forbidden), 0) >= 0)
            return false;
    }
    const String extension(".log");
    if (!value.startsWith(String("trace"), 0) || !value.endsWith(extension))
        return false;
    const int dot = value.indexOf(extension, 0);
    return dot > 0 && !isDigit(value.charAt(dot - 1));
}

// Paths arrive with either separator; the property file keeps the native one.
void makeSeparatorsNative(String& value)
{
    const unsigned short native = File::pathSeparator[0];
    const unsigned short foreign = native == u'/' ? u'\\' : u'/';
    value.replace(foreign, native);
}

std::string narrowOf(const String& text)
{
    return std::string(text.narrow(), text.narrowLength());
}

// Switching between the two cache providers keeps the scanner's cache; every other
// change of provider needs the file-system scanner to start afresh.
bool needsShutdown(const String& from, const String& to)
{
    return !((same(from, PROVIDER_REMOTE_CACHE) && same(to, PROVIDER_CACHE)) ||
             (same(from, PROVIDER_CACHE) && same(to, PROVIDER_REMOTE_CACHE)));
}

bool fileOpensForReading(const String& path)
{
    return static_cast<bool>(orv::os::openFile(path.narrow(), "r"));
}

bool lineFits(std::size_t keyBytes, std::size_t valueBytes)
{
    return keyBytes + 1 + valueBytes + LONGEST_LINE_END <= MAX_LINE_BYTES;
}

bool lineFits(const String& key, const String& value)
{
    return lineFits(key.narrowLength(), value.narrowLength());
}

// The trace file's line of the file name: the common trace path, "/" and the name.
bool traceFileNameLineFits(const String& commonTracePath, const String& fileName)
{
    return lineFits(std::strlen(TRACE_FILE_NAME_LINE_KEY), commonTracePath.narrowLength() + 1 + fileName.narrowLength());
}

} // namespace

KeyChange::KeyChange(OrvCfg& config, const String& key, String& value, Extent extent)
    : m_Config(config), m_Key(key), m_Value(value), m_Extent(extent)
{
}

int KeyChange::run()
{
    if (holdsForbiddenCharacter(m_Value) || !lineFits(m_Key, m_Value))
        return ORVCFG_VALUE_REJECTED;
    if (s_PropertiesPath[0] == '\0')
        return ORVCFG_NO_CONFIG_PATH;
    // From here on the configuration directory is touched, first by the access check's
    // probe file. Other scanner processes change the same files, so everything up to the
    // last write happens under the directory's lock. A lock that stays taken is reported
    // like a directory that refuses to be written.
    const ConfigLock directoryLock(s_PropertiesPath);
    if (!directoryLock.mayGoOn())
        return ORVCFG_ACCESS_DENIED;
    if (checkPropertiesFileAccess(String(s_PropertiesPath)) != ORVCFG_OK)
        return ORVCFG_ACCESS_DENIED;
    return (this->*handlingOf(m_Key))();
}

KeyChange::Handling KeyChange::handlingOf(const String& key)
{
    struct KnownKey {
        const char* key;
        Handling handling;
    };
    // Tested in this order; the first key equal to the given one applies.
    static const KnownKey KEY_TABLE[] = {
        {"trace_file", &KeyChange::traceFileName},
        {"trace_level", &KeyChange::traceLevel},
        {"trace_comp", &KeyChange::traceComponent},
        {"trace_file_num", &KeyChange::traceDigits},
        {"trace_file_size", &KeyChange::traceDigits},
        {"fscanner.provider", &KeyChange::provider},
        {"swscanner.default_input_file", &KeyChange::nativePath},
        {"swscanner.default_config_file", &KeyChange::nativePath},
        {"hwscanner.timeout", &KeyChange::digits},
        {"fscanner.home", &KeyChange::readOnly},
        {"version", &KeyChange::readOnly},
        {"config_dir", &KeyChange::readOnly},
        {"swscanner.xss_schema_location", &KeyChange::readOnly},
        {"trace_file_path", &KeyChange::readOnly},
        {"hwscanner.config_file", &KeyChange::nativePath},
        {"common_trace_path", &KeyChange::commonTracePath},
        {"fscanner.provider_cache.home", &KeyChange::cacheHome},
        {"fscanner.provider_remote_cache.home", &KeyChange::cacheHome},
    };
    for (const KnownKey& known : KEY_TABLE) {
        if (same(key, known.key))
            return known.handling;
    }
    return &KeyChange::other;
}

// The name of the trace file; the trace file's name line gets the common trace path with it.
int KeyChange::traceFileName()
{
    if (!isValidTraceFileName(m_Value) || !traceFileNameLineFits(storedValue(KEY_COMMON_TRACE_PATH), m_Value))
        return ORVCFG_VALUE_REJECTED;
    if (checking())
        return ORVCFG_OK;
    return storeAndWriteBoth();
}

// All six level lines of the trace file follow the level.
int KeyChange::traceLevel()
{
    if (!isOneOf(m_Value, TRACE_LEVELS))
        return ORVCFG_VALUE_REJECTED;
    if (checking())
        return ORVCFG_OK;
    return storeAndWriteBoth();
}

// The level lines of the named component go to the highest level.
int KeyChange::traceComponent()
{
    if (!isOneOf(m_Value, TRACE_COMPONENTS))
        return ORVCFG_VALUE_REJECTED;
    if (checking())
        return ORVCFG_OK;
    return storeAndWriteBoth();
}

// The number and the size of the trace files; the trace file's own keys are the longer
// ones, so their lines decide what fits.
int KeyChange::traceDigits()
{
    const std::size_t longestTraceKey = std::strlen("handlers.traceFile.maxFileSize");
    if (!isAllDigits(m_Value) || !lineFits(longestTraceKey, m_Value.narrowLength()))
        return ORVCFG_VALUE_REJECTED;
    if (checking())
        return ORVCFG_OK;
    return storeAndWriteBoth();
}

// The content provider of the file-system scanner, which must start afresh on most changes.
int KeyChange::provider()
{
    if (!isOneOf(m_Value, PROVIDERS))
        return ORVCFG_VALUE_REJECTED;
    // An installation without a file-system scanner has no provider to change.
    const auto current = m_Config.m_Properties.find(m_Key);
    if (current == m_Config.m_Properties.end() || current->second.compareTo(m_Value, 0) == 0)
        return ORVCFG_OK;
    if (checking())
        return ORVCFG_OK;
    if (needsShutdown(current->second, m_Value)) {
        String program = m_Config.instGetKey(String(KEY_FSCANNER_HOME), nullptr);
        program.concat(File::pathSeparator);
        program.concat(FSPROBE_PROGRAM);
        // The scanner may be absent, stopped or hung: the change lands in every case.
        orv::os::spawnAndWait(narrowOf(program), {FSPROBE_SHUTDOWN}, FSPROBE_WAIT);
    }
    return storeAndWriteMain();
}

// File paths of the scanners, kept with native separators.
int KeyChange::nativePath()
{
    makeSeparatorsNative(m_Value);
    if (checking())
        return ORVCFG_OK;
    return storeAndWriteMain();
}

int KeyChange::digits()
{
    if (!isAllDigits(m_Value))
        return ORVCFG_VALUE_REJECTED;
    if (checking())
        return ORVCFG_OK;
    return storeAndWriteMain();
}

// Keys that the installation fixes.
int KeyChange::readOnly()
{
    return ORVCFG_KEY_READ_ONLY;
}

// The directory of the trace files: the main file carries it under both of its names, the
// trace file's name line follows it, and a single-user installation gets the directory made.
int KeyChange::commonTracePath()
{
    // Measured in the form it is stored in; a refused value goes back to the caller as given,
    // as every other refused value does.
    String native(m_Value);
    makeSeparatorsNative(native);
    if (!traceFileNameLineFits(native, storedValue(KEY_TRACE_FILE)))
        return ORVCFG_VALUE_REJECTED;
    m_Value = native;
    if (checking())
        return ORVCFG_OK;
    store();
    // The store keeps the old trace_file_path until the next start.
    int result = writeMain(m_Key, m_Value);
    if (result == ORVCFG_OK)
        result = writeMain(String(KEY_TRACE_FILE_PATH), m_Value);
    if (result == ORVCFG_OK)
        result = writeTrace(String(KEY_TRACE_FILE), m_Config.instGetKey(String(KEY_TRACE_FILE), nullptr));

    String marker = OrvCfg::m_OrvConfigDir;
    marker.concat(SINGLE_USER_MARKER);
    if (!fileOpensForReading(marker))
        return result;
    // In a single-user installation the trace directory is made here, open to every
    // reader, and the trace library is told to keep it that way.
    createDirectoryPath(narrowOf(m_Value).c_str(), FILE_ALL_ACCESS, GENERIC_READ);
    writeTrace(String(KEY_DIR_PERMISSION), String(SINGLE_USER_PERMISSION));
    return writeTrace(String(KEY_FILE_PERMISSION), String(SINGLE_USER_PERMISSION));
}

// The cache directories of the file-system scanner's providers: existing and writable.
int KeyChange::cacheHome()
{
    const std::string path = narrowOf(m_Value);
    if (!orv::os::pathExists(path.c_str()))
        return ORVCFG_DIR_MISSING;
    const int writable = checkDirWritable(m_Value);
    if (writable != ORVCFG_OK)
        return writable;
    // A path with blanks is kept in its short form, which holds none, where the file
    // system offers one.
    std::string shortForm;
    if (m_Value.indexOf(static_cast<unsigned short>(u' '), 0) >= 0 &&
        orv::os::getShortPathForm(path.c_str(), ORV_PATH_BUFFER_SIZE, shortForm))
        m_Value = String(shortForm.c_str(), shortForm.size());
    if (checking())
        return ORVCFG_OK;
    return storeAndWriteMain();
}

int KeyChange::other()
{
    if (checking())
        return ORVCFG_OK;
    return storeAndWriteMain();
}

String KeyChange::storedValue(const char* key) const
{
    const auto found = m_Config.m_Properties.find(String(key));
    return found != m_Config.m_Properties.end() ? found->second : String();
}

// The store changes before the files and keeps the new value when a write fails.
void KeyChange::store()
{
    auto entry = m_Config.m_Properties.find(m_Key);
    if (entry == m_Config.m_Properties.end()) {
        ++m_Config.m_PropertyCount;
        m_Config.m_Properties.emplace(m_Key, m_Value);
    } else {
        entry->second = m_Value;
    }
}

int KeyChange::writeMain(const String& key, const String& value)
{
    return m_Config.writeToOrvFile(key, value, String(s_PropertiesPath), PROPERTY_FILE_MODE, REWRITE_MASK);
}

int KeyChange::writeTrace(const String& key, const String& value)
{
    return m_Config.writeToTraceFile(key, value, String(s_TracePropertiesPath), PROPERTY_FILE_MODE, REWRITE_MASK);
}

int KeyChange::storeAndWriteBoth()
{
    store();
    const int traceResult = writeTrace(m_Key, m_Value);
    if (traceResult != ORVCFG_OK)
        return traceResult;
    orv::os::reachFaultPoint(orv::os::FaultPoint::BETWEEN_FILES);
    return writeMain(m_Key, m_Value);
}

int KeyChange::storeAndWriteMain()
{
    store();
    return writeMain(m_Key, m_Value);
}
