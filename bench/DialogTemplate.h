#pragma once
// An in-memory dialog template for the floor programs, which have no resource script of their own.
#include <windows.h>

#include <vector>

namespace bench {

inline constexpr WORD kButtonClass = 0x0080;
inline constexpr WORD kStaticClass = 0x0082;

// Dialog templates are WORD streams; items start on DWORD boundaries.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* caption, short cx, short cy, WORD items) {
        Dword(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
        Dword(0);
        Word(items);
        for (short value : {short(0), short(0), cx, cy})
            Word(static_cast<WORD>(value));
        Word(0); // no menu
        Word(0); // the predefined dialog class
        Text(caption);
        Word(9);
        Text(L"MS Shell Dlg");
    }
    // A control of a predefined class, given by its ordinal.
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD control, const wchar_t* text) {
        ItemHead(style, x, y, cx, cy, id);
        Word(0xFFFF);
        Word(control);
        ItemTail(text);
    }
    // A control of a registered class, given by its name.
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, const wchar_t* control,
              const wchar_t* text) {
        ItemHead(style, x, y, cx, cy, id);
        Text(control);
        ItemTail(text);
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Word(WORD value) { words_.push_back(value); }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Text(const wchar_t* text) {
        do
            Word(static_cast<WORD>(*text));
        while (*text++);
    }
    void ItemHead(DWORD style, short x, short y, short cx, short cy, WORD id) {
        if (words_.size() % 2)
            Word(0);
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        for (short value : {x, y, cx, cy})
            Word(static_cast<WORD>(value));
        Word(id);
    }
    void ItemTail(const wchar_t* text) {
        Text(text);
        Word(0); // no creation data
    }

    std::vector<WORD> words_;
};

} // namespace bench
