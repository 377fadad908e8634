#include "ForeignWindows.h"

#include <commctrl.h>

namespace e2e {

namespace {

constexpr UINT kAnswerTimeoutMs = 10000;

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

// Memory in another process, released with the object.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    char* address() const { return static_cast<char*>(address_); }

private:
    HANDLE process_;
    void* address_;
};

} // namespace

std::vector<HWND> VisibleTopWindows(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindVisibleWindow(DWORD processId, const std::wstring& caption) {
    for (HWND window : VisibleTopWindows(processId))
        if (WindowText(window) == caption)
            return window;
    return nullptr;
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    LRESULT length = Ask(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

bool Click(HWND parent, int id) {
    HWND control = GetDlgItem(parent, id);
    return control && PostMessageW(control, BM_CLICK, 0, 0);
}

bool WaitUntilIdle(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result) != 0;
}

int RowCount(HWND list) {
    return static_cast<int>(Ask(list, LVM_GETITEMCOUNT, 0, 0));
}

int SelectedRow(HWND list) {
    return static_cast<int>(
        Ask(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

std::vector<std::wstring> ColumnTexts(HANDLE process, HWND list, int column) {
    constexpr int kTextCapacity = 260;
    std::vector<std::wstring> texts;
    RemoteBuffer remote(process, sizeof(LVITEMW) + kTextCapacity * sizeof(wchar_t));
    if (!remote.address())
        return texts;
    auto* remoteText = reinterpret_cast<wchar_t*>(remote.address() + sizeof(LVITEMW));
    for (int row = 0, rows = RowCount(list); row < rows; ++row) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = remoteText;
        item.cchTextMax = kTextCapacity;
        wchar_t text[kTextCapacity] = {};
        if (!WriteProcessMemory(process, remote.address(), &item, sizeof item, nullptr))
            break;
        LRESULT length = Ask(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.address()));
        if (length < 0 || !ReadProcessMemory(process, remoteText, text, sizeof text, nullptr))
            break;
        texts.emplace_back(text, static_cast<size_t>(length));
    }
    return texts;
}

std::vector<std::wstring> ComboEntries(HWND combo) {
    std::vector<std::wstring> entries;
    for (int i = 0, count = static_cast<int>(Ask(combo, CB_GETCOUNT, 0, 0)); i < count; ++i) {
        wchar_t text[1024] = {};
        LRESULT length = Ask(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text, length > 0 ? static_cast<size_t>(length) : 0);
    }
    return entries;
}

} // namespace e2e
