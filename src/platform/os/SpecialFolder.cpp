#include "SpecialFolder.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace orv::os {

#if defined(_WIN32)

namespace {

using FolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

// Asks one shell library for the folder. False when the library or its function is
// missing, so that the caller tries the next one.
bool askShellLibrary(const char* library, int folder, char* path, int& result)
{
    HMODULE module = LoadLibraryA(library);
    if (module == nullptr)
        return false;
    auto fn = reinterpret_cast<FolderPathFn>(reinterpret_cast<void*>(GetProcAddress(module, "SHGetFolderPathA")));
    if (fn != nullptr)
        result = static_cast<int>(fn(nullptr, folder, nullptr, 0, path));
    FreeLibrary(module);
    return fn != nullptr;
}

} // namespace

int getSpecialFolderPath(int folder, char* path)
{
    int result = SPECIAL_FOLDER_FAILED;
    if (askShellLibrary("shell32.dll", folder, path, result))
        return result;
    if (askShellLibrary("shfolder.dll", folder, path, result))
        return result;
    if (folder == SPECIAL_FOLDER_WINDOWS)
        return GetWindowsDirectoryA(path, SPECIAL_FOLDER_PATH_SIZE) != 0 ? SPECIAL_FOLDER_OK : SPECIAL_FOLDER_FAILED;
    if (folder == SPECIAL_FOLDER_SYSTEM)
        return GetSystemDirectoryA(path, SPECIAL_FOLDER_PATH_SIZE) != 0 ? SPECIAL_FOLDER_OK : SPECIAL_FOLDER_FAILED;
    return SPECIAL_FOLDER_NOT_IMPLEMENTED;
}

#else

// No shell folders exist here: every folder is unknown, and `path` is left untouched.
int getSpecialFolderPath(int, char*) { return SPECIAL_FOLDER_NOT_IMPLEMENTED; }

#endif

} // namespace orv::os
