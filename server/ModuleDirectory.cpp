#include "server/ModuleDirectory.h"

#include <windows.h>

namespace {
constexpr DWORD kPathCapacity = 520;
}

bool GetModuleDirectory(std::wstring& folder) {
    wchar_t path[kPathCapacity] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) // 520 means the path was cut
        return false;
    folder = path;
    size_t separator = folder.rfind(L'\\');
    if (separator == std::wstring::npos)
        return false;
    folder.erase(separator);
    return true;
}
