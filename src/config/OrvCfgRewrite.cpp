#include "OrvCfg.h"

#include "FileSystem.h"
#include "PathBuffers.h"
#include "PropertyFileRewriter.h"
#include "PropertyLineReader.h"

#include <cerrno>
#include <cstddef>
#include <string_view>

namespace {

// The trace library refuses a trace property file that does not start with this line.
const String TRACE_FILE_MARKER("#ORV_TRACE_PROPERTIES_FILE");

const String KEY_TRACE_FILE("trace_file");
const String KEY_TRACE_LEVEL("trace_level");
const String KEY_TRACE_COMP("trace_comp");
const String KEY_TRACE_FILE_NUM("trace_file_num");
const String KEY_TRACE_FILE_SIZE("trace_file_size");
const String KEY_COMMON_TRACE_PATH("common_trace_path");

const String TRACE_FILE_NAME("handlers.traceFile.fileName");
const String TRACE_MAX_FILES("handlers.traceFile.maxFiles");
const String TRACE_MAX_FILE_SIZE("handlers.traceFile.maxFileSize");
const String TRACE_FILE_PERMISSION("handlers.traceFile.filePermission");
const String TRACE_DIR_PERMISSION("handlers.traceFile.dirPermission");

// The level line of each component of the trace library, with the component's name in
// the vocabulary of trace_comp.
struct LevelKey {
    const char* lineKey;
    const char* component;
};
constexpr LevelKey LEVEL_KEYS[] = {
    {"hw.loggers.trcLogger.level", "HW"},
    {"vpd.loggers.trcLogger.level", "VPD"},
    {"fscanner.loggers.trcLogger.level", "FSS"},
    {"sigeval.loggers.trcLogger.level", "SWS"},
    {"plugin.loggers.trcLogger.level", "PLG"},
    {"common.loggers.trcLogger.level", "COM"},
};
constexpr const char* ALL_COMPONENTS = "All";

// trace_level values and the trace library's level for each.
struct LevelName {
    const char* userValue;
    const char* traceValue;
};
constexpr LevelName LEVEL_NAMES[] = {
    {"MAX", "DEBUG_MAX"},
    {"MID", "DEBUG_MID"},
    {"MIN", "DEBUG_MIN"},
};
constexpr const char* COMPONENT_LEVEL = "DEBUG_MAX";

bool same(const String& a, const String& b)
{
    return a.compareTo(b, 0) == 0;
}

bool same(const String& a, const char* b)
{
    return a.compareTo(String(b), 0) == 0;
}

// The key of a property line: the text before its first "=", trimmed, as a view into the
// line. False for a line without "=" or one that starts with it. Unlike the loader, a
// comment line has a key here: the permission keys of the trace file are matched also when
// commented out.
bool lineKeyOf(const String& line, std::u16string_view& lineKey)
{
    const std::u16string_view units(line.units());
    const std::size_t equals = units.find(u'=');
    if (equals == std::u16string_view::npos || equals == 0)
        return false;
    std::size_t begin = 0;
    std::size_t end = equals;
    while (begin < end && isPropertyBlank(units[begin]))
        ++begin;
    while (end > begin && isPropertyBlank(units[end - 1]))
        --end;
    lineKey = units.substr(begin, end - begin);
    return true;
}

// The same for the bytes of a line: "=" and the blanks are ASCII and never part of a
// multi-byte sequence, so the key's bytes are the bytes of the key cut from the text.
bool lineKeyBytes(std::string_view line, std::string_view& lineKey)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0)
        return false;
    lineKey = trimPropertyBytes(line.substr(0, equals));
    return true;
}

bool lineKeyOf(const String& line, String& lineKey)
{
    std::u16string_view view;
    if (!lineKeyOf(line, view))
        return false;
    lineKey = String(view.data(), view.size());
    return true;
}

const LevelKey* findLevelKey(const String& lineKey)
{
    for (const LevelKey& level : LEVEL_KEYS) {
        if (same(lineKey, level.lineKey))
            return &level;
    }
    return nullptr;
}

// A permission key of the trace file matches its own line, and its line commented out by
// exactly one leading character, which the rewrite then makes active again.
bool matchesPermissionLine(const String& key, const String& lineKey)
{
    if (same(lineKey, key))
        return true;
    return lineKey.length() == key.length() + 1 && same(lineKey.substring(1), key);
}

// For the rules of the trace file other than the file name: the line to write in place of
// a line with `lineKey`, when `key` translates to it. False when the line is copied.
bool translateTraceLine(const String& key, const String& value, const String& lineKey, String& outKey,
                        String& outValue)
{
    if (same(key, KEY_TRACE_LEVEL)) {
        if (findLevelKey(lineKey) == nullptr)
            return false;
        for (const LevelName& level : LEVEL_NAMES) {
            if (same(value, level.userValue)) {
                outKey = lineKey;
                outValue = String(level.traceValue);
                return true;
            }
        }
        return false;
    }
    if (same(key, KEY_TRACE_COMP)) {
        const LevelKey* level = findLevelKey(lineKey);
        if (level == nullptr || !(same(value, ALL_COMPONENTS) || same(value, level->component)))
            return false;
        outKey = lineKey;
        outValue = String(COMPONENT_LEVEL);
        return true;
    }
    if ((same(key, KEY_TRACE_FILE_NUM) && same(lineKey, TRACE_MAX_FILES)) ||
        (same(key, KEY_TRACE_FILE_SIZE) && same(lineKey, TRACE_MAX_FILE_SIZE))) {
        outKey = lineKey;
        outValue = value;
        return true;
    }
    if ((same(key, TRACE_FILE_PERMISSION) || same(key, TRACE_DIR_PERMISSION)) &&
        matchesPermissionLine(key, lineKey)) {
        outKey = key;
        outValue = value;
        return true;
    }
    return false;
}

// The mode of a property file after a rewrite that names none: the scanners of other users
// must read it.
constexpr unsigned int PROPERTY_FILE_MODE = 0644;

// In each failure the temporary file did not take the property file's place, and the old
// content stands.
int commitResultCode(PropertyFileRewriter::CommitResult result)
{
    switch (result) {
    case PropertyFileRewriter::COMMITTED:
        return ORVCFG_OK;
    case PropertyFileRewriter::READ_FAILED:
        return ORVCFG_OPEN_FAILED;
    case PropertyFileRewriter::WRITE_FAILED:
        return ORVCFG_WRITE_FAILED;
    case PropertyFileRewriter::MOVE_FAILED:
        break;
    }
    return ORVCFG_RENAME_FAILED;
}

// The code of a failed PropertyFileRewriter::open(); `deniedCode` for denied access.
int openResultCode(int openError, int deniedCode)
{
    if (openError == orv::os::OPEN_NOT_PLAIN_FILE)
        return ORVCFG_NOT_PLAIN_FILE;
    return openError == EACCES ? deniedCode : ORVCFG_OPEN_FAILED;
}

int rewriteOrvFile(const String& key, const String& value, const String& path, unsigned int mode)
{
    PropertyFileRewriter rewriter(path.narrow(), s_PropertiesTmpPath, mode);
    if (const int openError = rewriter.open(); openError != 0)
        return openResultCode(openError, ORVCFG_ACCESS_DENIED);

    int result = ORVCFG_KEY_NOT_FOUND;
    // Most lines are copied, so keys are compared as bytes and no line is decoded. A line's
    // key decodes to `key` exactly when its bytes are the narrow form of `key` and that form
    // decodes back to `key` (decoding is one-to-one, and every byte string survives the
    // round trip); a key without such a form, a lone surrogate say, matches no line.
    const std::string_view wanted(key.narrow(), key.narrowLength());
    const bool keyHasLines = propertyText(wanted) == key;
    std::string_view lineKey;
    while (rewriter.nextLine()) {
        if (keyHasLines && lineKeyBytes(rewriter.lineBytes(), lineKey) && lineKey == wanted) {
            rewriter.writeProperty(key, value);
            result = ORVCFG_OK;
        } else {
            rewriter.copyLine();
        }
    }
    // A key without a line still goes through the whole rewrite: the content stays as it
    // was and the caller learns from the result that nothing carries the key.
    const int committed = commitResultCode(rewriter.commit());
    return committed != ORVCFG_OK ? committed : result;
}

// The value of the trace file name line: the common trace path, "/" and the file name.
String traceFilePath(const String& commonTracePath, const String& fileName)
{
    String path(commonTracePath);
    // The trace library reads forward slashes on every platform.
    path.replace(static_cast<unsigned short>(u'\\'), static_cast<unsigned short>(u'/'));
    path.concat("/");
    path.concat(fileName);
    return path;
}

// `commonTracePath` looks the key up in the store; it is asked only when the name line is met.
template <typename Lookup>
int rewriteTraceFile(const String& key, const String& value, const String& path, unsigned int mode,
                     Lookup commonTracePath)
{
    PropertyFileRewriter rewriter(path.narrow(), s_TraceTmpPath, mode);
    if (const int openError = rewriter.open(); openError != 0)
        return openResultCode(openError, ORVCFG_OPEN_FAILED);
    if (!rewriter.nextLine() || !rewriter.lineText().startsWith(TRACE_FILE_MARKER, 0))
        return ORVCFG_BAD_TRACE_FILE;
    rewriter.copyLine();

    String lineKey;
    String outKey;
    String outValue;
    while (rewriter.nextLine()) {
        if (!lineKeyOf(rewriter.lineText(), lineKey)) {
            rewriter.copyLine();
            continue;
        }
        if (same(key, KEY_TRACE_FILE) && same(lineKey, TRACE_FILE_NAME)) {
            // The common trace path is looked up only when the line is met.
            const String directory = commonTracePath();
            // Without a directory there is no full path to give the trace library; the code
            // is the one shared with an unusable Orv.properties.
            if (directory.isEmpty())
                return ORVCFG_BAD_PROPERTIES_FILE;
            rewriter.writeProperty(lineKey, traceFilePath(directory, value));
            continue;
        }
        if (translateTraceLine(key, value, lineKey, outKey, outValue))
            rewriter.writeProperty(outKey, outValue);
        else
            rewriter.copyLine();
    }
    return commitResultCode(rewriter.commit());
}

} // namespace

int OrvCfg::writeToOrvFile(const String& key, const String& value, const String& path)
{
    return rewriteOrvFile(key, value, path, PROPERTY_FILE_MODE);
}

int OrvCfg::writeToTraceFile(const String& key, const String& value, const String& path)
{
    return rewriteTraceFile(key, value, path, PROPERTY_FILE_MODE,
                            [this] { return instGetKey(KEY_COMMON_TRACE_PATH, nullptr); });
}

// The new file has `mode` before it takes the old one's place; the old file gets it too when
// the rewrite failed, so a read-only property file becomes writable again either way.
int OrvCfg::writeToOrvFile(const String& key, const String& value, const String& path, unsigned int mode)
{
    const int result = rewriteOrvFile(key, value, path, mode);
    orv::os::setFileMode(path.narrow(), mode);
    return result;
}

int OrvCfg::writeToTraceFile(const String& key, const String& value, const String& path, unsigned int mode)
{
    const int result =
        rewriteTraceFile(key, value, path, mode, [this] { return instGetKey(KEY_COMMON_TRACE_PATH, nullptr); });
    orv::os::setFileMode(path.narrow(), mode);
    return result;
}

// The temporary file is created readable by its owner only and given `mode` on its
// descriptor, so no creation mask takes part in a rewrite: the process-wide mask is never
// changed, and `mask` changes nothing in the outcome.
int OrvCfg::writeToOrvFile(const String& key, const String& value, const String& path, unsigned int mode,
                           unsigned int)
{
    return writeToOrvFile(key, value, path, mode);
}

int OrvCfg::writeToTraceFile(const String& key, const String& value, const String& path, unsigned int mode,
                             unsigned int)
{
    return writeToTraceFile(key, value, path, mode);
}
