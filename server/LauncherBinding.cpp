#include "server/LauncherBinding.h"

#include "base/ModulePath.h"

#include <string>

HMODULE g_tarndll_inst = nullptr;

bool LoadLauncherLibrary() {
    if (g_tarndll_inst)
        return true;
    std::wstring folder;
    if (!GetModuleDirectory(folder))
        return false;
    // By full path only: a library of the same name elsewhere on the search path must never be used.
    std::wstring path = folder + L"\\" + kLauncherLibraryName;
    g_tarndll_inst = LoadLibraryW(path.c_str());
    return g_tarndll_inst != nullptr;
}
