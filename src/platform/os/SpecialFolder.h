#ifndef ORV_OS_SPECIALFOLDER_H
#define ORV_OS_SPECIALFOLDER_H

namespace orv::os {

// Folder numbers of the shell's special folders that the configuration service asks for.
enum SpecialFolder : int {
    SPECIAL_FOLDER_WINDOWS = 36,
    SPECIAL_FOLDER_SYSTEM = 37,
    SPECIAL_FOLDER_PROGRAM_FILES = 38,
};

// Outcomes of a special-folder lookup, as the shell reports them (32-bit, negative on
// failure).
enum SpecialFolderResult : int {
    SPECIAL_FOLDER_OK = 0,
    SPECIAL_FOLDER_NOT_IMPLEMENTED = static_cast<int>(0x80004001u),
    SPECIAL_FOLDER_FAILED = static_cast<int>(0x80004005u),
};

// Room that `path` must offer.
constexpr int SPECIAL_FOLDER_PATH_SIZE = 260;

// Writes the special folder `folder` into `path` (room for SPECIAL_FOLDER_PATH_SIZE bytes)
// and returns SPECIAL_FOLDER_OK, or a negative result when the folder is unknown here.
// Platforms without the shell's folders know none and answer SPECIAL_FOLDER_NOT_IMPLEMENTED.
int getSpecialFolderPath(int folder, char* path);

} // namespace orv::os

#endif
