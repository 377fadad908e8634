#pragma once
// Where a module's file lies: the executable's folder holds the log, the launcher library and the server,
// and a library's own folder whatever is put beside it.
#include <windows.h>

#include <string>

// The longest path the system accepts, terminator included.
inline constexpr DWORD kLongestPath = 32768;
// Brenlow's bound for its executable's path, terminator included: a longer path counts as none.
inline constexpr DWORD kProgramPathCapacity = 520;

// Writes the path of `module` (null: the executable) to `path` and returns its length; 0 when there is
// none or it did not fit whole in `capacity` characters, since a cut path would name the wrong file.
// Takes nothing from the heap, so that the crash handler may call it.
inline DWORD GetModulePath(HMODULE module, wchar_t* path, DWORD capacity) {
    DWORD length = GetModuleFileNameW(module, path, capacity);
    return length < capacity ? length : 0;
}

// The folder of `module` (null: the executable), without a trailing backslash, from a path shorter than
// `capacity` characters. On false, `folder` is untouched (no such path) or holds the whole path (no
// backslash in it).
inline bool GetModuleDirectory(std::wstring& folder, HMODULE module = nullptr,
                               DWORD capacity = kProgramPathCapacity) {
    std::wstring path(capacity, L'\0');
    path.resize(GetModulePath(module, path.data(), capacity));
    if (path.empty())
        return false;
    size_t separator = path.rfind(L'\\');
    folder = path.substr(0, separator); // the whole path when there is no backslash
    return separator != std::wstring::npos;
}
