// The floor for Brenlow's start-up time, memory and idle CPU: an ordinary Win32 dialog program doing only
// the work Brenlow cannot avoid. It carries Brenlow's manifest (common controls 6), shows a list view,
// loads the same system libraries and, from its own folder, the launcher library, and runs the same two
// timers: every 50 ms the launcher's RunCallbacks, every 2000 ms a look at each server named on its
// command line (by process identifier) with the calls that tell a live server: open, image name, close.
// Each of those servers that runs when it starts gets a row with a button, as Brenlow shows its servers.
#include "DialogTemplate.h"
#include "ServerCheck.h"

#include "base/ModulePath.h"

#include "server/ServerNames.h"
#include "server/TarnLauncherHelper.h"

#include <commctrl.h>
#include <dbghelp.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr UINT_PTR kSweepTimer = 1;
constexpr UINT_PTR kCallbacksTimer = 2;
constexpr UINT kSweepMs = 2000;
constexpr UINT kCallbacksMs = 50;
constexpr WORD kListId = 100;

TarnLauncherHelper* helper = nullptr;
std::vector<DWORD> servers;
std::vector<ULONGLONG> serversCreatedAt; // beside each server, taken at its first check
int liveServersSeen = 0;

TarnLauncherHelper* BindLauncher() {
    std::wstring folder;
    GetModuleDirectory(folder);
    HMODULE library = LoadLibraryW((folder + L"\\" + kLauncherLibraryName).c_str());
    auto factory = library ? reinterpret_cast<GetTarnLauncherHelperFunction>(
                                 reinterpret_cast<void*>(GetProcAddress(library, kLauncherFactoryName)))
                           : nullptr;
    return factory ? factory() : nullptr;
}

// A row for a running server: its identifier and a state, and a button over the third cell.
void AddServerRow(HWND list, DWORD server, int row) {
    std::wstring name = std::to_wstring(server);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = name.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(L"\u5DF2\u542F\u52A8"); // 已启动
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    RECT cell{LVIR_BOUNDS, 2, 0, 0};
    SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    CreateWindowExW(0, L"Button", L"\u5F3A\u5236\u5173\u95ED", WS_CHILD | WS_VISIBLE, cell.left,
                    cell.top, // 强制关闭
                    cell.right - cell.left, cell.bottom - cell.top, list, nullptr, nullptr, nullptr);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        for (const wchar_t* title : {L"Cluster", L"State", L""}) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.cx = 150;
            column.pszText = const_cast<wchar_t*>(title);
            SendDlgItemMessageW(dialog, kListId, LVM_INSERTCOLUMNW, 3, reinterpret_cast<LPARAM>(&column));
        }
        int rows = 0;
        serversCreatedAt.assign(servers.size(), 0);
        for (size_t i = 0; i < servers.size(); ++i) {
            if (bench::IsServerRunning(servers[i], serversCreatedAt[i]))
                AddServerRow(GetDlgItem(dialog, kListId), servers[i], rows++);
        }
        SetTimer(dialog, kSweepTimer, kSweepMs, nullptr);
        SetTimer(dialog, kCallbacksTimer, kCallbacksMs, nullptr);
        return TRUE;
    }
    case WM_TIMER:
        if (wParam == kCallbacksTimer && helper)
            helper->RunCallbacks();
        if (wParam == kSweepTimer) {
            for (size_t i = 0; i < servers.size(); ++i)
                liveServersSeen += bench::IsServerRunning(servers[i], serversCreatedAt[i]);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, liveServersSeen > 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Brenlow loads these for its crash dumps and its log folder; loading them is part of its cost.
    [[maybe_unused]] static const void* volatile alsoImported[] = {
        reinterpret_cast<void*>(&MiniDumpWriteDump), reinterpret_cast<void*>(&PathFileExistsW)};
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i)
        servers.push_back(wcstoul(arguments[i], nullptr, 10));
    LocalFree(arguments);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    helper = BindLauncher();
    wchar_t documents[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents);

    bench::DialogTemplate dialog(L"Floor", 320, 250, 2);
    dialog.Item(LVS_REPORT | WS_BORDER, 5, 120, 307, 124, kListId, WC_LISTVIEWW, L"");
    dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 130, 90, 50, 14, IDOK, bench::kButtonClass, L"OK");
    INT_PTR result = DialogBoxIndirectParamW(instance, dialog.Get(), nullptr, DialogProc, 0);
    if (helper)
        helper->Shutdown();
    return static_cast<int>(result);
}
