// Built as dbghelp.dll, to be planted beside Brenlow.exe: records that it was loaded, and offers a
// MiniDumpWriteDump that writes nothing, so that a program importing that function by name still starts.
#include "PlantedDll.h"

#include "base/ModulePath.h"

#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    std::wstring folder;
    GetModuleDirectory(folder, self);
    std::wstring marker = folder + L"\\" + kPlantedDllLoadedFile;
    HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI
    MiniDumpWriteDump(HANDLE, DWORD, HANDLE, int, void*, void*, void*) {
    return FALSE;
}
