#include "SpecialFolder.h"

#include "WideText.h"

#include <cstring>
#include <windows.h>

namespace orv::os {

namespace {

using FolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

// Copies the folder as UTF-8 into the caller's 260 bytes; a folder whose UTF-8 form does
// not fit is a failure rather than a cut path.
int store(const wchar_t* folder, char* path)
{
    const std::string narrow = orv::win::narrowed(folder, std::wcslen(folder));
    if (narrow.size() >= static_cast<std::size_t>(SPECIAL_FOLDER_PATH_SIZE))
        return SPECIAL_FOLDER_FAILED;
    std::memcpy(path, narrow.c_str(), narrow.size() + 1);
    return SPECIAL_FOLDER_OK;
}

// Asks one shell library for the folder. False when the library or its function is
// missing, so that the caller tries the next one.
bool askShellLibrary(const wchar_t* library, int folder, char* path, int& result)
{
    HMODULE module = LoadLibraryW(library);
    if (module == nullptr)
        return false;
    auto fn = reinterpret_cast<FolderPathFn>(reinterpret_cast<void*>(GetProcAddress(module, "SHGetFolderPathW")));
    if (fn != nullptr) {
        wchar_t folderPath[MAX_PATH] = {};
        result = static_cast<int>(fn(nullptr, folder, nullptr, 0, folderPath));
        if (result >= 0)
            result = store(folderPath, path);
    }
    FreeLibrary(module);
    return fn != nullptr;
}

} // namespace

int getSpecialFolderPath(int folder, char* path)
{
    if (path == nullptr)
        return SPECIAL_FOLDER_FAILED;
    int result = SPECIAL_FOLDER_FAILED;
    if (askShellLibrary(L"shell32.dll", folder, path, result))
        return result;
    if (askShellLibrary(L"shfolder.dll", folder, path, result))
        return result;
    wchar_t folderPath[MAX_PATH] = {};
    if (folder == SPECIAL_FOLDER_WINDOWS)
        return GetWindowsDirectoryW(folderPath, MAX_PATH) != 0 ? store(folderPath, path) : SPECIAL_FOLDER_FAILED;
    if (folder == SPECIAL_FOLDER_SYSTEM)
        return GetSystemDirectoryW(folderPath, MAX_PATH) != 0 ? store(folderPath, path) : SPECIAL_FOLDER_FAILED;
    return SPECIAL_FOLDER_NOT_IMPLEMENTED;
}

} // namespace orv::os
