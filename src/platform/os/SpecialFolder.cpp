#include "SpecialFolder.h"

namespace orv::os {

// No shell folders exist here: every folder is unknown, and `path` is left untouched.
int getSpecialFolderPath(int, char*) { return SPECIAL_FOLDER_NOT_IMPLEMENTED; }

} // namespace orv::os
