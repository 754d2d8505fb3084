#include "ConfigAccess.h"

#include "Environment.h"
#include "File.h"
#include "OrvCfg.h"
#include "PathBuffers.h"
#include "FileSystem.h"
#include "SpecialFolder.h"

#include <cerrno>
#include <optional>
#include <string>

namespace {

const char* const PROPERTIES_TMP_NAME = "Orv.tmp";
const char* const DIR_PROBE_NAME = "tempwriteorvfiletest999";
const char* const USER_PROFILE_VARIABLE = "USERPROFILE";

unsigned short separatorUnit() { return File::pathSeparator[0]; }

// The units first..end-1 of `text` as narrow text, one byte per unit (its low byte), at
// most 259 bytes: the shell's folder names and the configuration paths are narrow text
// that went through a String, and the virtual store is named in the same bytes.
std::string lowBytes(const String& text, int first, int end)
{
    std::string out;
    for (int i = first; i < end && out.size() < ORV_PATH_BUFFER_SIZE - 1; ++i)
        out.push_back(static_cast<char>(text.charAt(i) & 0xFF));
    return out;
}

// The path at which the virtual store would hold Orv.tmp of the configuration directory:
// the user's profile, the store, the program-files component, and the rest of the
// configuration directory below that component.
String virtualStorePath(const std::string& userProfile, const String& component, const String& tmpPath,
                        int componentIndex)
{
    String path(userProfile.c_str());
    for (const char* part : {"AppData", "Local", "VirtualStore"}) {
        path.concat(File::pathSeparator);
        path.concat(part);
    }
    path.concat(File::pathSeparator);
    path.concat(component);
    int restStart = componentIndex + component.length();
    int lastSeparator = tmpPath.lastIndexOf(separatorUnit(), -1);
    if (lastSeparator > restStart)
        path.concat(lowBytes(tmpPath, restStart, lastSeparator).c_str());
    path.concat(File::pathSeparator);
    path.concat(PROPERTIES_TMP_NAME);
    return path;
}

} // namespace

int getSpecialFolderPath(int folder, char* path) { return orv::os::getSpecialFolderPath(folder, path); }

int isConfigDirVirtualized() { return isConfigDirVirtualized(&getSpecialFolderPath); }

int isConfigDirVirtualized(SpecialFolderLookup lookup)
{
    {
        // The probe file is what a redirected write would land in the virtual store. It is
        // also the temporary file of the rewrites of Orv.properties, which is why setKey
        // runs this test under the configuration directory's lock, and why it is made as
        // that file is made: afresh, private, never through a link someone left there.
        orv::os::FileHandle probe;
        orv::os::createPrivateFile(s_PropertiesTmpPath, probe);
    }

    char folder[ORV_PATH_BUFFER_SIZE] = {};
    if (lookup(orv::os::SPECIAL_FOLDER_PROGRAM_FILES, folder) < 0)
        return 0;

    String folderPath(folder);
    int lastSeparator = folderPath.lastIndexOf(separatorUnit(), -1);
    String component(lowBytes(folderPath, lastSeparator + 1, folderPath.length()).c_str());

    String tmpPath(s_PropertiesTmpPath);
    int componentIndex = tmpPath.indexOf(component, 0);
    if (componentIndex < 0)
        return 0;

    std::optional<std::string> userProfile = orv::os::getEnvironmentVariable(USER_PROFILE_VARIABLE);
    if (!userProfile) {
        orv::os::removeFile(s_PropertiesTmpPath);
        return 0;
    }

    File redirected(virtualStorePath(*userProfile, component, tmpPath, componentIndex));
    if (!redirected.exists())
        return 0;
    redirected.del();
    File(s_PropertiesTmpPath).del();
    return 1;
}

int checkPropertiesFileAccess(const String& path)
{
    try {
        if (isConfigDirVirtualized() == 1)
            return ORVCFG_ACCESS_DENIED;
        // Reading first, so that a missing file is reported as missing. Neither open creates
        // or changes anything.
        const int readError = orv::os::tryOpen(path.narrow(), false);
        if (readError != 0 && readError != EACCES)
            return ORVCFG_OPEN_FAILED;
        const int appendError = orv::os::tryOpen(path.narrow(), true);
        if (appendError == 0)
            return ORVCFG_OK;
        return appendError == EACCES ? ORVCFG_ACCESS_DENIED : ORVCFG_OPEN_FAILED;
    } catch (...) {
        return ORVCFG_ACCESS_DENIED;
    }
}

int checkDirWritable(const String& dir)
{
    try {
        String probePath(dir);
        probePath.concat(File::pathSeparator);
        probePath.concat(DIR_PROBE_NAME);
        // The directory may be shared with other users: the probe never follows a link
        // planted under its name, and removes such a link rather than its target.
        {
            orv::os::FileHandle probe;
            if (orv::os::createPrivateFile(probePath.narrow(), probe) != 0)
                return ORVCFG_DIR_NOT_WRITABLE;
        }
        orv::os::removeFile(probePath.narrow());
        return ORVCFG_OK;
    } catch (...) {
        return ORVCFG_DIR_NOT_WRITABLE;
    }
}
