#include "Process.h"

#include "File.h"
#include "WideText.h"

#include <vector>
#include <windows.h>

String Process::getCurrentProcessFullPath(String* given)
{
    // GetModuleFileNameW truncates silently when the buffer is short: grow it until the
    // path fits, so that paths past MAX_PATH come back whole.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            break;
        if (n < buffer.size())
            return String(reinterpret_cast<const char16_t*>(buffer.data()), n);
        if (buffer.size() >= 32768)
            break;
        buffer.resize(buffer.size() * 2);
    }
    if (given == nullptr)
        return String();
    return File(*given).getAbsolutePath();
}
