#include "OrvCfg.h"

#include "Environment.h"
#include "File.h"
#include "FileSystem.h"
#include "PathBuffers.h"
#include "Process.h"
#include "PropertyLineReader.h"
#include "Tracer.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

const char* const LOCALDIR_VARIABLE = "ORV_LOCALDIR";
const char* const CONFIG_DIR_NAME = "config";
const char* const PROPERTIES_NAME = "Orv.properties";
const char* const TRACE_PROPERTIES_NAME = "OrvTrace.properties";
const char* const PROPERTIES_TMP_NAME = "Orv.tmp";
const char* const TRACE_TMP_NAME = "Trace.tmp";
const char* const PROPERTIES_HEADER = "ORV_PROPERTIES_FILE";

const char* const BIN_DIR_NAME = "bin";
const char* const INSTALL_DIR_NAME = "install";
const char* const PLUGINS_DIR_NAME = "plugins";
const char* const CUSTOM_SCANNERS_DIR_NAME = "customscanners";
const char* const SCHEMA_NAME = "orvcli.xsd";
const char* const INSTALL_TYPE_FILE_NAME = "orv_install.properties";
const char* const INSTALL_TYPE_KEY = "ORV_InstallType";
const char* const INSTALL_TYPE_LOCAL = "local";
const char* const INSTALL_TYPE_GLOBAL = "global";

void clearPathBuffers()
{
    std::memset(s_PropertiesPath, 0, sizeof s_PropertiesPath);
    std::memset(s_TracePropertiesPath, 0, sizeof s_TracePropertiesPath);
    std::memset(s_PropertiesTmpPath, 0, sizeof s_PropertiesTmpPath);
    std::memset(s_TraceTmpPath, 0, sizeof s_TraceTmpPath);
}

// directory + name into a path buffer; the caller has made sure that it fits.
void fillPathBuffer(char (&buffer)[ORV_PATH_BUFFER_SIZE], const std::string& dir, const char* name)
{
    std::string path = dir + name;
    std::memcpy(buffer, path.data(), path.size());
    buffer[path.size()] = '\0';
}

// `base` + separator + `name`: how every directory of the installation is named.
String child(const String& base, const char* name)
{
    String path(base);
    path.concat(File::pathSeparator);
    path.concat(name);
    return path;
}

// `base` + separator + "config" + separator; the value is taken as it stands, so a base
// that already ends in a separator gives a doubled one.
String configDirBelow(const String& base)
{
    String dir(base);
    dir.concat(File::pathSeparator);
    dir.concat(CONFIG_DIR_NAME);
    dir.concat(File::pathSeparator);
    return dir;
}

// A query's answer; without memory, the empty answer of an installation not yet found.
template <typename Query>
String withoutThrowing(Query query)
{
    try {
        return query();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return String();
}

int readInstallationType(const String& installDir)
{
    orv::os::FileHandle file = orv::os::openFile(child(installDir, INSTALL_TYPE_FILE_NAME).narrow(), "r");
    if (!file)
        return ORV_INSTALL_UNDETERMINED;

    int result = ORV_INSTALL_UNDETERMINED;
    PropertyLineReader reader(file.get());
    std::string_view key;
    std::string_view value;
    // Every line is read: the last one that names a known type decides. Key and values are
    // ASCII, so their bytes compare as their text does.
    while (reader.next()) {
        if (!splitPropertyLine(reader.bytes(), key, value) || key != INSTALL_TYPE_KEY)
            continue;
        if (value == INSTALL_TYPE_LOCAL)
            result = ORV_INSTALL_LOCAL;
        else if (value == INSTALL_TYPE_GLOBAL)
            result = ORV_INSTALL_GLOBAL;
    }
    return result;
}

// A directory or file below the installation's bin directory.
String binChild(const String& installDir, const char* name)
{
    return child(child(installDir, BIN_DIR_NAME), name);
}

// The header is ASCII: a line starts with its text exactly when it starts with its bytes.
bool startsWithBytes(std::string_view line, std::string_view prefix)
{
    return line.substr(0, prefix.size()) == prefix;
}

} // namespace

OrvCfg* OrvCfg::m_Instance = nullptr;
String OrvCfg::m_OrvInstallDir;
String OrvCfg::m_OrvConfigDir;

// ---- lifecycle and the static interface ----

void OrvCfg::initialize(const char* programPath)
{
    if (m_Instance != nullptr)
        return;
    try {
        m_Instance = new OrvCfg(programPath);
    } catch (const std::bad_alloc&) {
        // Without memory there is no instance, and the static calls answer as without one.
        m_Instance = nullptr;
    } catch (const std::length_error&) {
        m_Instance = nullptr;
    }
}

void OrvCfg::cleanup()
{
    OrvCfg* instance = m_Instance;
    m_Instance = nullptr;
    delete instance;
}

// No call of the interface lets an exception out. Without memory a lookup answers with an
// empty string and leaves ORVCFG_OUT_OF_MEMORY for getError; a query answers as without an
// installation.
String OrvCfg::getKey(const String& key)
{
    return getKey(key, nullptr);
}

String OrvCfg::getKey(const String& key, const unsigned short* defaultValue)
{
    try {
        if (m_Instance == nullptr)
            return String(defaultValue);
        return m_Instance->instGetKey(key, defaultValue);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    if (m_Instance != nullptr)
        m_Instance->m_Error = ORVCFG_OUT_OF_MEMORY;
    return String();
}

int OrvCfg::getError()
{
    if (m_Instance == nullptr)
        return ORVCFG_NO_INSTANCE;
    return m_Instance->instGetError();
}

int OrvCfg::instGetError() { return m_Error; }

std::vector<std::pair<String, String>> OrvCfg::getProperties()
{
    if (m_Instance == nullptr)
        return {};
    return {m_Instance->m_Properties.begin(), m_Instance->m_Properties.end()};
}

OrvCfg::OrvCfg(const OrvCfg& other)
    : m_Properties(other.m_Properties), m_PropertyCount(other.m_PropertyCount), m_Error(other.m_Error)
{
}

OrvCfg& OrvCfg::operator=(const OrvCfg& other)
{
    if (this != &other)
        m_Properties = other.m_Properties;
    m_PropertyCount = other.m_PropertyCount;
    m_Error = other.m_Error;
    return *this;
}

// The static directories and the path buffers outlive the instance on purpose: the
// directory queries keep answering after cleanup().
OrvCfg::~OrvCfg() = default;

// ---- discovery ----

OrvCfg::OrvCfg(const char* programPath)
{
    clearPathBuffers();

    String given(programPath);
    File executable(Process::getCurrentProcessFullPath(&given));
    File executableDir(executable.getParent());
    m_OrvInstallDir = File(executableDir.getParent()).getAbsolutePath();

    String configDir;
    std::optional<std::string> localDir = orv::os::getEnvironmentVariable(LOCALDIR_VARIABLE);
    if (localDir) {
        // Set, even to empty text, wins over the installation.
        configDir = configDirBelow(String(localDir->c_str()));
    } else if (!getOrvConfigDirFromIni(configDir)) {
        if (!m_OrvInstallDir.isEmpty())
            configDir = configDirBelow(m_OrvInstallDir);
    }
    m_OrvConfigDir = configDir;

    // An empty directory means nothing was located; one too long for the 260-byte path
    // buffers is refused before any path is built from it, so no buffer is ever truncated.
    std::string configDirBytes(configDir.narrow(), configDir.narrowLength());
    if (configDirBytes.empty() || configDirBytes.size() > static_cast<std::size_t>(ORV_MAX_CONFIG_DIR_LENGTH)) {
        m_Error = ORVCFG_NO_CONFIG_PATH;
        return;
    }

    fillPathBuffer(s_PropertiesPath, configDirBytes, PROPERTIES_NAME);
    fillPathBuffer(s_TracePropertiesPath, configDirBytes, TRACE_PROPERTIES_NAME);
    fillPathBuffer(s_PropertiesTmpPath, configDirBytes, PROPERTIES_TMP_NAME);
    fillPathBuffer(s_TraceTmpPath, configDirBytes, TRACE_TMP_NAME);
    // The trace library follows OrvTrace.properties of the same directory from now on.
    Tracer::setConfigurationDirectory(configDirBytes.c_str());

    loadProperties();
}

// There is no initialisation file to consult; the hook stays so that the order of the
// discovery reads as it always has.
bool OrvCfg::getOrvConfigDirFromIni(String&) { return false; }

// ---- the property store ----

void OrvCfg::loadProperties()
{
    {
        // The probe tells a denied file from a missing one before anything is read.
        // Readers follow a link; a pipe or a device planted in a shared configuration
        // directory must not stall the host, and is no property file.
        orv::os::FileHandle probe;
        if (const int error = orv::os::openPlainFile(s_PropertiesPath, probe, true); error != 0) {
            m_Error = error == EACCES ? ORVCFG_ACCESS_DENIED : ORVCFG_OPEN_FAILED;
            return;
        }
    }

    orv::os::FileHandle file;
    if (orv::os::openPlainFile(s_PropertiesPath, file, true) != 0) {
        // The file went away after the probe: later changes must not write to it.
        std::memset(s_PropertiesPath, 0, sizeof s_PropertiesPath);
        m_Error = ORVCFG_NO_CONFIG_PATH;
        return;
    }

    PropertyLineReader reader(file.get());
    if (!reader.next() || !startsWithBytes(reader.bytes(), PROPERTIES_HEADER)) {
        m_Error = ORVCFG_BAD_PROPERTIES_FILE;
        return;
    }

    // Lines are split and trimmed on their bytes; only the key and the value are decoded.
    std::string_view key;
    std::string_view value;
    while (reader.next()) {
        if (!splitPropertyLine(reader.bytes(), key, value))
            continue;
        // A repeated key keeps its first entry and takes the later value.
        m_Properties.insert_or_assign(propertyText(key), propertyText(value));
        // Every assignment counts, a repeated key too.
        ++m_PropertyCount;
    }
}

String OrvCfg::instGetKey(const String& key, const unsigned short* defaultValue)
{
    if (m_PropertyCount != 0) {
        auto found = m_Properties.find(key);
        if (found != m_Properties.end()) {
            m_Error = ORVCFG_OK;
            return found->second;
        }
    }
    m_Error = ORVCFG_KEY_NOT_FOUND;
    return String(defaultValue);
}

// ---- directory queries ----

String OrvCfg::getInstallationDir() { return withoutThrowing([] { return m_OrvInstallDir; }); }
String OrvCfg::getConfigDir() { return withoutThrowing([] { return m_OrvConfigDir; }); }
String OrvCfg::getBinDir() { return withoutThrowing([] { return child(m_OrvInstallDir, BIN_DIR_NAME); }); }
String OrvCfg::getInstallDir() { return withoutThrowing([] { return child(m_OrvInstallDir, INSTALL_DIR_NAME); }); }
String OrvCfg::getPluginsDir() { return withoutThrowing([] { return binChild(m_OrvInstallDir, PLUGINS_DIR_NAME); }); }
String OrvCfg::getCustomScannerDir() { return withoutThrowing([] { return binChild(m_OrvInstallDir, CUSTOM_SCANNERS_DIR_NAME); }); }
String OrvCfg::getConfigurationSchemaPath() { return withoutThrowing([] { return binChild(m_OrvInstallDir, SCHEMA_NAME); }); }

int OrvCfg::installationType()
{
    try {
        return readInstallationType(child(m_OrvInstallDir, INSTALL_DIR_NAME));
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return ORV_INSTALL_UNDETERMINED;
}
