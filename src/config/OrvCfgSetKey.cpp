#include "OrvCfg.h"

#include "ConfigAccess.h"
#include "ConfigLock.h"
#include "FaultHook.h"
#include "File.h"
#include "FileSystem.h"
#include "PathBuffers.h"
#include "Permissions.h"
#include "ShortPath.h"
#include "Spawn.h"

#include <cwctype>
#include <string>
#include <vector>

namespace {

// Mode of a property file after every rewrite: the scanners of other users must read it.
constexpr unsigned int PROPERTY_FILE_MODE = 0644;
// A rewrite runs with no creation mask, so the mode set afterwards is the one that counts.
constexpr unsigned int REWRITE_MASK = 0;

constexpr int MAX_TRACE_FILE_NAME_LENGTH = 255;

// How instSetKey treats a key it knows.
enum class KeyHandling {
    TraceFileName,   // trace file name rule; trace file, then main file
    TraceLevel,      // one of the levels; trace file, then main file
    TraceComponent,  // one of the components; trace file, then main file
    TraceDigits,     // digits; trace file, then main file
    Provider,        // one of the providers; shuts the file-system scanner down on a change
    NativePath,      // separators made native in the caller's string; main file
    Digits,          // digits; main file
    ReadOnly,        // refused
    CommonTracePath, // main file twice, then the trace file name; single-user handling
    CacheHome,       // existing, writable directory, short form; main file
    Other,           // anything; main file
};

struct KnownKey {
    const char* key;
    KeyHandling handling;
};

// Tested in this order; the first key equal to the given one applies.
constexpr KnownKey KEY_TABLE[] = {
    {"trace_file", KeyHandling::TraceFileName},
    {"trace_level", KeyHandling::TraceLevel},
    {"trace_comp", KeyHandling::TraceComponent},
    {"trace_file_num", KeyHandling::TraceDigits},
    {"trace_file_size", KeyHandling::TraceDigits},
    {"fscanner.provider", KeyHandling::Provider},
    {"swscanner.default_input_file", KeyHandling::NativePath},
    {"swscanner.default_config_file", KeyHandling::NativePath},
    {"hwscanner.timeout", KeyHandling::Digits},
    {"fscanner.home", KeyHandling::ReadOnly},
    {"version", KeyHandling::ReadOnly},
    {"config_dir", KeyHandling::ReadOnly},
    {"swscanner.xss_schema_location", KeyHandling::ReadOnly},
    {"trace_file_path", KeyHandling::ReadOnly},
    {"hwscanner.config_file", KeyHandling::NativePath},
    {"common_trace_path", KeyHandling::CommonTracePath},
    {"fscanner.provider_cache.home", KeyHandling::CacheHome},
    {"fscanner.provider_remote_cache.home", KeyHandling::CacheHome},
};

constexpr const char* TRACE_LEVELS[] = {"MAX", "MID", "MIN"};
constexpr const char* TRACE_COMPONENTS[] = {"All", "HW", "VPD", "SWS", "FSS", "COM", "PLG"};
constexpr const char* PROVIDER_CACHE = "provider_cache";
constexpr const char* PROVIDER_REMOTE_CACHE = "provider_remote_cache";
constexpr const char* PROVIDERS[] = {"provider_standard", PROVIDER_CACHE, PROVIDER_REMOTE_CACHE,
                                     "provider_cache2", "provider_remote_cache2"};

const char* const KEY_FSCANNER_HOME = "fscanner.home";
const char* const KEY_TRACE_FILE = "trace_file";
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

KeyHandling handlingOf(const String& key)
{
    for (const KnownKey& known : KEY_TABLE) {
        if (same(key, known.key))
            return known.handling;
    }
    return KeyHandling::Other;
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

} // namespace

int OrvCfg::instSetKey(const String& key, String& value)
{
    if (holdsForbiddenCharacter(value))
        return ORVCFG_VALUE_REJECTED;
    if (s_PropertiesPath[0] == '\0')
        return ORVCFG_NO_CONFIG_PATH;
    // From here on the configuration directory is touched, first by the access check's
    // probe file. Other scanner processes change the same files, so everything up to the
    // last write happens under the directory's lock. A directory that cannot even take the
    // lock file cannot take a rewrite either, and a lock that stays taken is reported like
    // a directory that refuses to be written.
    const ConfigLock directoryLock(s_PropertiesPath);
    if (!directoryLock.isHeld())
        return ORVCFG_ACCESS_DENIED;
    if (checkPropertiesFileAccess(String(s_PropertiesPath)) != ORVCFG_OK)
        return ORVCFG_ACCESS_DENIED;

    // The store changes before the files and keeps the new value when a write fails.
    auto store = [this, &key, &value]() {
        auto entry = m_Properties.find(key);
        if (entry == m_Properties.end()) {
            ++m_PropertyCount;
            m_Properties.emplace(key, value);
        } else {
            entry->second = value;
        }
    };
    auto writeMain = [this](const String& mainKey, const String& mainValue) {
        return writeToOrvFile(mainKey, mainValue, String(s_PropertiesPath), PROPERTY_FILE_MODE, REWRITE_MASK);
    };
    auto writeTrace = [this](const String& traceKey, const String& traceValue) {
        return writeToTraceFile(traceKey, traceValue, String(s_TracePropertiesPath), PROPERTY_FILE_MODE,
                                REWRITE_MASK);
    };
    auto storeAndWriteBoth = [&]() {
        store();
        const int traceResult = writeTrace(key, value);
        if (traceResult != ORVCFG_OK)
            return traceResult;
        orv::os::reachFaultPoint(orv::os::FaultPoint::BETWEEN_FILES);
        return writeMain(key, value);
    };
    auto storeAndWriteMain = [&]() {
        store();
        return writeMain(key, value);
    };

    switch (handlingOf(key)) {
    case KeyHandling::TraceFileName:
        if (!isValidTraceFileName(value))
            return ORVCFG_VALUE_REJECTED;
        return storeAndWriteBoth();
    case KeyHandling::TraceLevel:
        if (!isOneOf(value, TRACE_LEVELS))
            return ORVCFG_VALUE_REJECTED;
        return storeAndWriteBoth();
    case KeyHandling::TraceComponent:
        if (!isOneOf(value, TRACE_COMPONENTS))
            return ORVCFG_VALUE_REJECTED;
        return storeAndWriteBoth();
    case KeyHandling::TraceDigits:
        if (!isAllDigits(value))
            return ORVCFG_VALUE_REJECTED;
        return storeAndWriteBoth();
    case KeyHandling::Provider: {
        if (!isOneOf(value, PROVIDERS))
            return ORVCFG_VALUE_REJECTED;
        // An installation without a file-system scanner has no provider to change.
        const auto current = m_Properties.find(key);
        if (current == m_Properties.end() || current->second.compareTo(value, 0) == 0)
            return ORVCFG_OK;
        if (needsShutdown(current->second, value)) {
            String program = instGetKey(String(KEY_FSCANNER_HOME), nullptr);
            program.concat(File::pathSeparator);
            program.concat(FSPROBE_PROGRAM);
            // The scanner may be absent or already stopped: the change lands either way.
            orv::os::spawnAndWait(narrowOf(program), {FSPROBE_SHUTDOWN});
        }
        return storeAndWriteMain();
    }
    case KeyHandling::NativePath:
        makeSeparatorsNative(value);
        return storeAndWriteMain();
    case KeyHandling::Digits:
        if (!isAllDigits(value))
            return ORVCFG_VALUE_REJECTED;
        return storeAndWriteMain();
    case KeyHandling::ReadOnly:
        return ORVCFG_KEY_READ_ONLY;
    case KeyHandling::CommonTracePath: {
        makeSeparatorsNative(value);
        store();
        // The main file carries the directory under both names; the store keeps the old
        // trace_file_path until the next start.
        int result = writeMain(key, value);
        if (result == ORVCFG_OK)
            result = writeMain(String(KEY_TRACE_FILE_PATH), value);
        if (result == ORVCFG_OK)
            result = writeTrace(String(KEY_TRACE_FILE), instGetKey(String(KEY_TRACE_FILE), nullptr));

        String marker = m_OrvConfigDir;
        marker.concat(SINGLE_USER_MARKER);
        if (!fileOpensForReading(marker))
            return result;
        // In a single-user installation the trace directory is made here, open to every
        // reader, and the trace library is told to keep it that way.
        createDirectoryPath(narrowOf(value).c_str(), FILE_ALL_ACCESS, GENERIC_READ);
        writeTrace(String(KEY_DIR_PERMISSION), String(SINGLE_USER_PERMISSION));
        return writeTrace(String(KEY_FILE_PERMISSION), String(SINGLE_USER_PERMISSION));
    }
    case KeyHandling::CacheHome: {
        const std::string path = narrowOf(value);
        if (!orv::os::pathExists(path.c_str()))
            return ORVCFG_DIR_MISSING;
        const int writable = checkDirWritable(value);
        if (writable != ORVCFG_OK)
            return writable;
        // A path with blanks is kept in its short form, which holds none, where the file
        // system offers one.
        std::string shortForm;
        if (value.indexOf(static_cast<unsigned short>(u' '), 0) >= 0 &&
            orv::os::getShortPathForm(path.c_str(), ORV_PATH_BUFFER_SIZE, shortForm))
            value = String(shortForm.c_str(), shortForm.size());
        return storeAndWriteMain();
    }
    case KeyHandling::Other:
        break;
    }
    return storeAndWriteMain();
}
