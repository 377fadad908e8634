#pragma once
// Where the running executable lies: its folder holds the log, the launcher library and the server.
#include <windows.h>

#include <string>

// The folder of the running executable, without a trailing backslash. On false, `folder` is untouched
// (no usable path) or holds the whole executable path (no backslash in it).
inline bool GetModuleDirectory(std::wstring& folder) {
    constexpr DWORD kPathCapacity = 520;
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
