// The yardstick for Brenlow's start-up time, memory and idle CPU: the smallest ordinary Win32 dialog
// program, built with the same compiler and flags. A modal dialog with a text and a button, no timers.
#include <windows.h>

#include <vector>

namespace {

constexpr WORD kStaticClass = 0x0082;
constexpr WORD kButtonClass = 0x0080;

// Dialog templates are WORD streams; items start on DWORD boundaries.
class TemplateWriter {
public:
    void Word(WORD value) { words_.push_back(value); }
    void Text(const wchar_t* text) {
        do
            Word(static_cast<WORD>(*text));
        while (*text++);
    }
    void AlignToDword() {
        if (words_.size() % 2)
            Word(0);
    }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD control, const wchar_t* text) {
        AlignToDword();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        for (short value : {x, y, cx, cy})
            Word(static_cast<WORD>(value));
        Word(id);
        Word(0xFFFF);
        Word(control);
        Text(text);
        Word(0); // no creation data
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<WORD> words_;
};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    TemplateWriter dialog;
    dialog.Dword(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    dialog.Dword(0);
    dialog.Word(2); // items
    for (short value : {0, 0, 200, 80})
        dialog.Word(static_cast<WORD>(value));
    dialog.Word(0); // no menu
    dialog.Word(0); // the predefined dialog class
    dialog.Text(L"Minimal");
    dialog.Word(9);
    dialog.Text(L"MS Shell Dlg");
    dialog.Item(SS_LEFT, 10, 10, 180, 20, 0xFFFF, kStaticClass, L"A minimal dialog program.");
    dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 75, 50, 50, 14, IDOK, kButtonClass, L"OK");
    return static_cast<int>(DialogBoxIndirectParamW(instance, dialog.Get(), nullptr, DialogProc, 0));
}
