// Carries Brenlow's resources for the resource tests, and reports on the debugger output which common
// controls library its manifest got it: "controls=<file>".
#include <windows.h>

#include <cstring>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    char line[MAX_PATH * 2] = "controls=";
    size_t used = std::strlen(line);
    GetModuleFileNameA(LoadLibraryW(L"comctl32.dll"), line + used, static_cast<DWORD>(sizeof line - used));
    OutputDebugStringA(line);
    return 0;
}
