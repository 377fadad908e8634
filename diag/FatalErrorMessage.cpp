#include "diag/FatalErrorMessage.h"

#include <windows.h>

namespace {

constexpr wchar_t kFatalErrorText[] = L"Fatal Error";
// How often the box is put back in front: any window that came over it meanwhile goes behind it again.
constexpr UINT kKeepInFrontMs = 250;

BOOL CALLBACK PutInFrontIfFatalError(HWND window, LPARAM) {
    if (FindWindowExW(window, nullptr, L"Static", kFatalErrorText))
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return TRUE;
}

// A timer of the thread that shows the box: the box's own loop calls it.
void CALLBACK KeepInFront(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), PutInFrontIfFatalError, 0);
}

} // namespace

void ShowFatalError() {
    UINT_PTR timer = SetTimer(nullptr, 0, kKeepInFrontMs, KeepInFront);
    MessageBoxW(nullptr, kFatalErrorText, nullptr, MB_OK | MB_SYSTEMMODAL | MB_SETFOREGROUND);
    KillTimer(nullptr, timer);
}
