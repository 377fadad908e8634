// The demo tour's eyes inside Wine: finds Brenlow's windows, reports where to click and what they show, and
// waits for changes. The tour script clicks with xdotool, as a user would; this program never clicks.
//
//   TourControl wait-main MS          the main window is visible
//   TourControl wait-gone MS          the main window is gone
//   TourControl wait-notice MS        a notice is open; prints its text
//   TourControl wait-rows N MS        the server list has N rows; prints them
//   TourControl combo-items           the configurations the combo box offers, in its order
//   TourControl wait-dropdown MS      the combo box's drop-down list is open
//   TourControl wait-selection NAME MS  the combo box shows NAME as its choice
//   TourControl point WHAT [INDEX]    screen point of: start, combo-arrow, combo-item I, row-button K,
//                                     notice-ok, notice-cancel, close-button (waits up to 5 s for it)
//   TourControl servers               how many dedicated server processes run
//   TourControl end-by-force MS       ends Brenlow's process, as the task manager does, and waits until
//                                     it is gone
//
// Exit code 0 on success, 1 when a wait timed out or a window is missing, 2 on bad arguments.
#include "ForeignWindows.h"
#include "base/TextEncoding.h"
#include "ui/resource.h"
#include "server/ServerNames.h"

#include <windows.h>

#include <tlhelp32.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMainCaption[] = L"Brenlow";
constexpr wchar_t kNoticeCaption[] = L"温馨提示";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr DWORD kPollMs = 50;

void Print(const std::wstring& text) {
    std::string utf8 = Utf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Polls until `ready` holds or `timeoutMs` has passed.
bool WaitFor(DWORD timeoutMs, const std::function<bool()>& ready) {
    DWORD start = GetTickCount();
    for (;;) {
        if (ready())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

HWND VisibleDialog(const wchar_t* caption) {
    HWND window = FindWindowW(kDialogClass, caption);
    return window && IsWindowVisible(window) ? window : nullptr;
}

HWND MainWindow() {
    return VisibleDialog(kMainCaption);
}
HWND NoticeWindow() {
    return VisibleDialog(kNoticeCaption);
}

HWND ServerList() {
    HWND main = MainWindow();
    return main ? GetDlgItem(main, IDC_LIST_SERVER) : nullptr;
}

int ServerRows() {
    HWND list = ServerList();
    return list ? e2e::RowCount(list) : -1;
}

// Each row's configuration and state, read from Brenlow's memory.
void PrintRows() {
    HWND list = ServerList();
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process)
        return;
    std::vector<std::wstring> names = e2e::ColumnTexts(process, list, 0);
    std::vector<std::wstring> states = e2e::ColumnTexts(process, list, 1);
    CloseHandle(process);
    for (size_t row = 0; row < names.size() && row < states.size(); ++row)
        Print(names[row] + L" | " + states[row]);
}

// Prints the screen point that `at` picks in the window's rectangle; false when there is no window.
bool PrintScreenPoint(HWND window, POINT (*at)(const RECT&)) {
    RECT rect;
    if (!window || !GetWindowRect(window, &rect))
        return false;
    POINT point = at(rect);
    std::printf("%ld %ld\n", point.x, point.y);
    return true;
}

POINT Center(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// The caption's close button: the rightmost button of the caption bar, inside the frame.
POINT CloseButton(const RECT& window) {
    return {window.right - GetSystemMetrics(SM_CXFIXEDFRAME) - GetSystemMetrics(SM_CXSIZE) / 2,
            window.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
}

// The arrow sits at the right end of the combo box's edit part.
POINT ComboArrow(const RECT& combo) {
    return {combo.right - GetSystemMetrics(SM_CXVSCROLL) / 2 - 1, (combo.top + combo.bottom) / 2};
}

// The combo box's drop-down list is a top-level window of its own while it is open.
HWND OpenDropDown() {
    HWND list = FindWindowW(L"ComboLBox", nullptr);
    return list && IsWindowVisible(list) ? list : nullptr;
}

// Item `index` of the open drop-down list.
bool PrintComboItem(int index) {
    HWND list = OpenDropDown();
    if (!list)
        return false;
    int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    POINT point{8, (index - top) * height + height / 2};
    ClientToScreen(list, &point);
    std::printf("%ld %ld\n", point.x, point.y);
    return true;
}

bool PrintPoint(const std::wstring& what, int index) {
    HWND main = MainWindow();
    HWND notice = NoticeWindow();
    if (what == L"start")
        return PrintScreenPoint(main ? GetDlgItem(main, IDC_BUTTON_START) : nullptr, Center);
    if (what == L"combo-arrow")
        return PrintScreenPoint(main ? GetDlgItem(main, IDC_COMBO_CONFIG) : nullptr, ComboArrow);
    if (what == L"combo-item")
        return PrintComboItem(index);
    if (what == L"row-button") {
        HWND list = ServerList();
        return PrintScreenPoint(list ? GetDlgItem(list, IDC_ROW_BUTTON_FIRST + index) : nullptr, Center);
    }
    if (what == L"notice-ok")
        return PrintScreenPoint(notice ? GetDlgItem(notice, IDOK) : nullptr, Center);
    if (what == L"notice-cancel")
        return PrintScreenPoint(notice ? GetDlgItem(notice, IDCANCEL) : nullptr, Center);
    if (what == L"close-button")
        return PrintScreenPoint(main, CloseButton);
    return false;
}

HWND ConfigCombo() {
    HWND main = MainWindow();
    return main ? GetDlgItem(main, IDC_COMBO_CONFIG) : nullptr;
}

bool PrintComboItems() {
    HWND combo = ConfigCombo();
    if (!combo)
        return false;
    for (const std::wstring& entry : e2e::ComboEntries(combo))
        Print(entry);
    return true;
}

bool IsSelected(const std::wstring& name) {
    HWND combo = ConfigCombo();
    if (!combo)
        return false;
    std::vector<std::wstring> entries = e2e::ComboEntries(combo);
    auto selected = static_cast<size_t>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); // CB_ERR: none
    return selected < entries.size() && entries[selected] == name;
}

int CountServerProcesses() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (!lstrcmpiW(entry.szExeFile, kServerExecutableName))
            ++count;
    }
    CloseHandle(snapshot);
    return count;
}

bool EndByForce(DWORD timeoutMs) {
    DWORD processId = 0;
    if (HWND main = MainWindow())
        GetWindowThreadProcessId(main, &processId);
    HANDLE process = processId ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId) : nullptr;
    if (!process)
        return false;
    bool ended = TerminateProcess(process, 1) && WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

DWORD Milliseconds(const wchar_t* text) {
    return static_cast<DWORD>(std::wcstoul(text, nullptr, 10));
}

int Run(const std::vector<std::wstring>& args) {
    const std::wstring command = args.empty() ? L"" : args[0];
    auto arg = [&](size_t i) { return i < args.size() ? args[i].c_str() : L"0"; };
    if (command == L"wait-main")
        return WaitFor(Milliseconds(arg(1)), [] { return MainWindow() != nullptr; }) ? 0 : 1;
    if (command == L"wait-gone")
        return WaitFor(Milliseconds(arg(1)), [] { return !FindWindowW(kDialogClass, kMainCaption); }) ? 0 : 1;
    if (command == L"wait-notice") {
        if (!WaitFor(Milliseconds(arg(1)), [] { return NoticeWindow() != nullptr; }))
            return 1;
        Print(e2e::WindowText(GetDlgItem(NoticeWindow(), IDC_EDIT_MSG)));
        return 0;
    }
    if (command == L"wait-rows") {
        int rows = _wtoi(arg(1));
        bool reached = WaitFor(Milliseconds(arg(2)), [&] { return ServerRows() == rows; });
        PrintRows();
        return reached ? 0 : 1;
    }
    if (command == L"combo-items")
        return PrintComboItems() ? 0 : 1;
    if (command == L"wait-dropdown")
        return WaitFor(Milliseconds(arg(1)), [] { return OpenDropDown() != nullptr; }) ? 0 : 1;
    if (command == L"wait-selection")
        return WaitFor(Milliseconds(arg(2)), [&] { return IsSelected(arg(1)); }) ? 0 : 1;
    if (command == L"point" && args.size() >= 2)
        return WaitFor(5000, [&] { return PrintPoint(args[1], _wtoi(arg(2))); }) ? 0 : 1;
    if (command == L"end-by-force")
        return EndByForce(Milliseconds(arg(1))) ? 0 : 1;
    if (command == L"servers") {
        std::printf("%d\n", CountServerProcesses());
        return 0;
    }
    std::fprintf(stderr, "TourControl: unknown command\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY); // plain \n line ends for the shell that reads us
    // Brenlow runs on a named Wine desktop; window searches only see the desktop of the calling thread.
    // Right after the start that desktop may not exist yet.
    if (const wchar_t* desktop = _wgetenv(L"BRENLOW_TOUR_DESKTOP")) {
        HDESK handle = nullptr;
        if (!WaitFor(30000,
                     [&] { return (handle = OpenDesktopW(desktop, 0, FALSE, GENERIC_ALL)) != nullptr; })) {
            std::fprintf(stderr, "TourControl: no desktop %ls\n", desktop);
            return 1;
        }
        SetThreadDesktop(handle);
    }
    return Run(std::vector<std::wstring>(argv + 1, argv + argc));
}
