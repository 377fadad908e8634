// The bare reference for start-up time and memory: the smallest ordinary Win32 dialog program, built
// with the same compiler and flags. A modal dialog with a text and a button, no timers, no manifest.
#include "DialogTemplate.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    bench::DialogTemplate dialog(L"Minimal", 200, 80, 2);
    dialog.Item(SS_LEFT, 10, 10, 180, 20, 0xFFFF, bench::kStaticClass, L"A minimal dialog program.");
    dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 75, 50, 50, 14, IDOK, bench::kButtonClass, L"OK");
    return static_cast<int>(DialogBoxIndirectParamW(instance, dialog.Get(), nullptr, DialogProc, 0));
}
