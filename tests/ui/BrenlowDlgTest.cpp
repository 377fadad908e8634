// The main dialog, in-process and modal as in the program, with the stand-in launcher library and real
// stand-in servers beside the test executable. Each test runs a script from inside the dialog's own
// modal loop and drives it with the messages a user's actions send; notices are answered by the
// NoticeAnswerer.
#include "ui/BrenlowDlg.h"

#include "ui/resource.h"
#include "devserver/DevServerProtocol.h"
#include "server/ServerNames.h"
#include "server/TarnLauncherWrapper.h"

#include "DocumentsFolder.h"
#include "NoticeAnswerer.h"
#include "RegistryValue.h"
#include "TestSupport.h"
#include "server/ServerTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <sstream>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

const std::wstring kNoConfiguration = L"请先配置Hollowmere服务器";
const std::wstring kNoSelection = L"请先选择服务器配置";
const std::wstring kAlreadyStarted = L"专用服务器已启动，请确认";
const std::wstring kTooManyServers = L"最多可以同时运行10个专用服务器";
const std::wstring kForceCloseWarning = L"强制关闭专用服务器可能会导致部分存档丢失，建议您手动关闭";
const std::wstring kCloseConfirmation = L"启动器关闭后，专用服务器也会被关闭，确认关闭吗？";
const std::wstring kLaunchFailed = L"启动专有服务器失败,请重试";

// Dispatches the thread's messages until `condition` holds or `timeout` passes (a bounded modal wait).
bool PumpUntil(const std::function<bool()>& condition, DWORD timeout = 20000) {
    ULONGLONG deadline = GetTickCount64() + timeout;
    while (!condition()) {
        if (GetTickCount64() > deadline)
            return condition();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            HWND active = GetActiveWindow(); // keys go through the dialog manager, as in a modal loop
            if (active && IsDialogMessageW(active, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
    return true;
}

// Runs `script` once the dialog is up, from a thread timer inside its modal loop, then ends the dialog
// if the script left it open. Returns DoModal's result.
struct DialogScript {
    CBrenlowDlg* dialog = nullptr;
    std::function<void(HWND)> script;
    bool realSweep = false;
};
DialogScript currentScript;

void CALLBACK RunScriptOnce(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND window = currentScript.dialog ? currentScript.dialog->GetSafeHwnd() : nullptr;
    if (!window || !IsWindowVisible(window) || !currentScript.script)
        return;
    KillTimer(nullptr, timer);
    // Tests sweep by sending WM_TIMER themselves, so that the 2000 ms timer cannot race them.
    if (!currentScript.realSweep)
        KillTimer(window, CBrenlowDlg::TIMER_SWEEP);
    auto script = std::move(currentScript.script);
    currentScript.script = nullptr;
    script(window);
    if (IsWindow(window) && IsWindowVisible(window)) // not ended by the script
        currentScript.dialog->EndDialog(IDABORT);
}

INT_PTR RunDialog(CBrenlowDlg& dialog, std::function<void(HWND)> script, bool realSweep = false) {
    currentScript = {&dialog, std::move(script), realSweep};
    UINT_PTR timer = SetTimer(nullptr, 0, 10, &RunScriptOnce);
    INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, timer);
    currentScript = {};
    return result;
}

// Reads the dialog's controls as a user sees them.
struct View {
    HWND dialog;
    HWND combo() const { return GetDlgItem(dialog, IDC_COMBO_CONFIG); }
    HWND list() const { return GetDlgItem(dialog, IDC_LIST_SERVER); }

    std::vector<std::wstring> ComboEntries() const {
        std::vector<std::wstring> entries;
        int count = static_cast<int>(SendMessageW(combo(), CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[512] = {};
            SendMessageW(combo(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            entries.push_back(text);
        }
        return entries;
    }
    int ComboSelection() const { return static_cast<int>(SendMessageW(combo(), CB_GETCURSEL, 0, 0)); }
    int RowCount() const { return ListView_GetItemCount(list()); }
    std::wstring Cell(int row, int column) const {
        wchar_t text[512] = {};
        ListView_GetItemText(list(), row, column, text, 512);
        return text;
    }
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (int row = 0; row < RowCount(); ++row)
            names.push_back(Cell(row, 0));
        return names;
    }
    HWND RowButton(int row) const { return GetDlgItem(list(), IDC_ROW_BUTTON_FIRST + row); }

    // The user's actions.
    void OpenCombo() const {
        SendMessageW(combo(), CB_SHOWDROPDOWN, TRUE, 0); // the combo box tells its parent CBN_DROPDOWN
        SendMessageW(combo(), CB_SHOWDROPDOWN, FALSE, 0);
    }
    void Choose(int entry) const { SendMessageW(combo(), CB_SETCURSEL, entry, 0); }
    void ClickStart() const { SendMessageW(GetDlgItem(dialog, IDC_BUTTON_START), BM_CLICK, 0, 0); }
    void ClickRowButton(int row) const { SendMessageW(RowButton(row), BM_CLICK, 0, 0); }
    void Sweep() const { SendMessageW(dialog, WM_TIMER, CBrenlowDlg::TIMER_SWEEP, 0); }
};

class MainDialogTest : public ::testing::Test {
protected:
    TempFolder documents;
    ScopedDocumentsFolder documentsFolder{documents.path()};
    fs::path root = documents / L"Vornak" / L"MoorwakeTarn";
    TarnLauncherWrapper& servers = TarnLauncherWrapper::GetInstance();
    servertest::WatchedProcesses processes;
    NoticeAnswerer notices;

    void SetUp() override {
        servertest::EndChildProcessesWithThisProcess(); // no server outlives a crashed test
        ASSERT_TRUE(servers.RunningServers.empty()) << "a test left servers behind";
    }
    void TearDown() override {
        servers.StopAllServers();
        servers.RunningServers.clear();
    }

    void AddCluster(const std::wstring& name) {
        fs::create_directories(root / name);
        WriteFileBytes(root / name / L"cluster_token.txt", "token");
    }
    uint32_t ProcessOf(const std::wstring& name) {
        auto found = servers.RunningServers.find(name);
        return found == servers.RunningServers.end() ? 0 : found->second.ProcessId;
    }
    // Starts combo entry `entry` and watches the new server's process; returns its name.
    std::wstring StartEntry(const View& view, int entry) {
        std::wstring name = view.ComboEntries().at(entry);
        bool wasStarted = servers.IsServerStarted(name);
        view.Choose(entry);
        view.ClickStart();
        if (uint32_t processId = ProcessOf(name); processId && !wasStarted)
            processes.Watch(processId);
        return name;
    }
    // Tells a server to exit by itself (once it is ready to listen) and waits until it has.
    void EndByItself(uint32_t processId) {
        ASSERT_TRUE(WaitFor([&] { return servertest::SignalDevServerExit(processId); }));
        ASSERT_TRUE(processes.WaitForExit(processId).has_value());
    }
    std::vector<std::wstring> NoticeTexts() const {
        std::vector<std::wstring> texts;
        for (const NoticeSeen& seen : notices.Seen())
            texts.push_back(seen.text);
        return texts;
    }
};

TEST_F(MainDialogTest, SetsUpTheListTimersTopmostWindowAndIcons) {
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        EXPECT_EQ(ListView_GetExtendedListViewStyle(view.list()),
                  DWORD(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
        HWND header = ListView_GetHeader(view.list());
        ASSERT_EQ(Header_GetItemCount(header), 3);
        const wchar_t* headings[] = {L"名称", L"状态", L"操作"};
        const int widths[] = {375, 225, 85};
        for (int i = 0; i < 3; ++i) {
            wchar_t text[64] = {};
            HDITEMW item{};
            item.mask = HDI_TEXT | HDI_WIDTH;
            item.pszText = text;
            item.cchTextMax = 64;
            Header_GetItem(header, i, &item);
            EXPECT_STREQ(text, headings[i]);
            EXPECT_EQ(item.cxy, widths[i]);
        }
        EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_BUTTON_START);
        EXPECT_NE(SendMessageW(window, WM_QUERYDRAGICON, 0, 0), 0);

        // The 50 ms pump reaches the launcher's RunCallbacks by itself.
        using Count = unsigned(__cdecl*)();
        auto count = reinterpret_cast<Count>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"tarn_launcher.dll"), "TarnLauncherRunCallbacksCount")));
        ASSERT_NE(count, nullptr);
        unsigned before = count();
        EXPECT_TRUE(PumpUntil([&] { return count() >= before + 3; }));
    });
}

TEST_F(MainDialogTest, WithoutConfigurationsStartAsksForOneAndTheDropDownFindsANewOne) {
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        EXPECT_TRUE(view.ComboEntries().empty());
        EXPECT_EQ(view.ComboSelection(), CB_ERR);
        notices.Answer(NoticeAction::PressFirst);
        view.ClickStart();
        EXPECT_EQ(NoticeTexts(), std::vector<std::wstring>{kNoConfiguration});

        AddCluster(L"North");
        view.OpenCombo();
        EXPECT_EQ(view.ComboEntries(), std::vector<std::wstring>{L"North"});
        EXPECT_EQ(view.ComboSelection(), 0);
        EXPECT_EQ(view.RowCount(), 0);
    });
}

TEST_F(MainDialogTest, ComboFollowsTheDiscoveredOrderAndStartsTheChosenEntry) {
    for (const wchar_t* name : {L"Zulu", L"alpha", L"Mike", L"Bravo", L"Echo", L"Yankee", L"charlie"})
        AddCluster(name);
    std::vector<std::wstring> discovered = TarnLauncherWrapper::GetServerConfigList();
    ASSERT_EQ(discovered.size(), 7u);

    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        EXPECT_TRUE(GetWindowLongW(view.combo(), GWL_STYLE) & CBS_SORT);
        EXPECT_EQ(view.ComboEntries(), discovered) << "entries are inserted by position, never sorted";
        EXPECT_EQ(view.ComboSelection(), 0);

        view.Choose(3);
        view.OpenCombo(); // refilled from disk, entry 0 chosen again
        EXPECT_EQ(view.ComboSelection(), 0);

        std::wstring started = StartEntry(view, 4);
        EXPECT_EQ(started, discovered[4]);
        EXPECT_TRUE(servers.IsServerStarted(discovered[4]));
        EXPECT_EQ(view.Names(), std::vector<std::wstring>{discovered[4]});
    });
}

// Row `row` shows the server `name` as started, with its force-close button, in black on white.
void ExpectServerRow(const View& view, int row, const std::wstring& name) {
    EXPECT_EQ(view.Cell(row, 0), name);
    EXPECT_EQ(view.Cell(row, 1), L"已启动");
    EXPECT_EQ(view.Cell(row, 2), L"");
    HWND button = view.RowButton(row);
    ASSERT_NE(button, nullptr);
    wchar_t caption[32] = {};
    GetWindowTextW(button, caption, 32);
    EXPECT_STREQ(caption, L"强制关闭");

    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    ListView_GetItem(view.list(), &item);
    auto* data = reinterpret_cast<ItemData*>(item.lParam);
    ASSERT_NE(data, nullptr);
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(data->aTextColor[column], RGB(0, 0, 0));
        EXPECT_EQ(data->aBkColor[column], RGB(255, 255, 255));
    }
    HDITEMW format{};
    format.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(view.list()), 2, &format);
    EXPECT_TRUE(format.fmt & HDF_OWNERDRAW) << "headings are owner-drawn once the colours are reset";
}

TEST_F(MainDialogTest, AStartedServerGetsARowWithItsButtonInBlackOnWhite) {
    AddCluster(L"A&B");
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        StartEntry(view, 0);
        ASSERT_EQ(view.RowCount(), 1);
        ExpectServerRow(view, 0, L"A&B");

        uint32_t processId = ProcessOf(L"A&B");
        ASSERT_NE(processId, 0u);
        servertest::DevServerRecord record;
        ASSERT_TRUE(servertest::TakeDevServerRecord(ExecutableFolder(), processId, record));
        EXPECT_EQ(record.arguments.back(), L"A&B");
    });
}

// Servers found again at start-up are in the map before the dialog opens.
TEST_F(MainDialogTest, ServersInTheMapWhenTheDialogOpensGetTheirRowsInTheMapsOrder) {
    servers.RunningServers = {{L"Beta", {0, 0}}, {L"Alpha", {0, 0}}};
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        ASSERT_EQ(view.RowCount(), 2);
        ExpectServerRow(view, 0, L"Alpha");
        ExpectServerRow(view, 1, L"Beta");
    });
}

// A record file that could not be opened at start-up is read by a later sweep: its servers get their rows
// then, after those already shown.
TEST_F(MainDialogTest, AServerThatEntersTheMapAtASweepGetsItsRow) {
    AddCluster(L"Started");
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        StartEntry(view, 0);
        uint32_t found = processes.Start(ExecutableFolder() / kServerExecutableName);
        ASSERT_NE(found, 0u);
        servers.RunningServers[L"Found later"] = {found, 0};
        view.Sweep();
        ASSERT_EQ(view.RowCount(), 2);
        ExpectServerRow(view, 0, L"Started");
        ExpectServerRow(view, 1, L"Found later");
    });
}

TEST_F(MainDialogTest, TheSameConfigurationTwiceIsRefused) {
    AddCluster(L"North");
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        StartEntry(view, 0);
        notices.Answer(NoticeAction::PressFirst);
        StartEntry(view, 0);
        EXPECT_EQ(NoticeTexts(), std::vector<std::wstring>{kAlreadyStarted});
        EXPECT_EQ(view.RowCount(), 1);
    });
}

TEST_F(MainDialogTest, TheEleventhStartIsRefusedUntilTheSweepHasRemovedAnEndedServer) {
    for (int i = 0; i < 11; ++i)
        AddCluster(L"Cluster_" + std::to_wstring(i));
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        std::vector<std::wstring> started;
        for (int i = 0; i < 10; ++i)
            started.push_back(StartEntry(view, i));
        ASSERT_EQ(view.RowCount(), 10);

        notices.Answer(NoticeAction::PressFirst);
        StartEntry(view, 10);
        // One server ends by itself; until the sweep it still counts.
        EndByItself(ProcessOf(started[3]));
        notices.Answer(NoticeAction::PressFirst);
        StartEntry(view, 10);
        EXPECT_EQ(NoticeTexts(), (std::vector<std::wstring>{kTooManyServers, kTooManyServers}));
        EXPECT_EQ(view.RowCount(), 10);

        view.Sweep();
        EXPECT_EQ(view.RowCount(), 9);
        std::wstring eleventh = StartEntry(view, 10);
        EXPECT_EQ(view.RowCount(), 10);
        EXPECT_EQ(view.Names().back(), eleventh);
        EXPECT_EQ(notices.Seen().size(), 2u);
    });
}

TEST_F(MainDialogTest, TypedTextWithoutASelectionStartsNothing) {
    AddCluster(L"North");
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        SendMessageW(view.combo(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetWindowTextW(view.combo(), L"Typed");
        notices.Answer(NoticeAction::PressFirst);
        view.ClickStart();
        EXPECT_EQ(NoticeTexts(), std::vector<std::wstring>{kNoSelection});
        EXPECT_TRUE(servers.RunningServers.empty());
        EXPECT_EQ(view.RowCount(), 0);
    });
}

TEST_F(MainDialogTest, ServersThatEndAreSweptAndTheButtonsBelowActOnTheirNewRows) {
    for (const wchar_t* name : {L"A", L"B", L"C", L"D"})
        AddCluster(name);
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        std::vector<std::wstring> names;
        for (int i = 0; i < 4; ++i)
            names.push_back(StartEntry(view, i));
        // Two servers end between two sweeps: both rows go in one sweep.
        for (int i : {0, 2})
            EndByItself(ProcessOf(names[i]));
        view.Sweep();
        EXPECT_EQ(view.Names(), (std::vector<std::wstring>{names[1], names[3]}));
        EXPECT_NE(view.RowButton(1), nullptr);
        EXPECT_EQ(view.RowButton(2), nullptr) << "one button per remaining row";

        // The button now beside names[3] force-closes names[3].
        uint32_t target = ProcessOf(names[3]);
        uint32_t other = ProcessOf(names[1]);
        notices.Answer(NoticeAction::PressFirst);
        view.ClickRowButton(1);
        EXPECT_EQ(processes.WaitForExit(target), std::optional<DWORD>(0));
        EXPECT_TRUE(processes.IsRunning(other));
        EXPECT_EQ(NoticeTexts(), std::vector<std::wstring>{kForceCloseWarning});
    });
}

TEST_F(MainDialogTest, ForceCloseAsksFirstAndTheRowGoesAtTheNextSweep) {
    AddCluster(L"North");
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        StartEntry(view, 0);
        uint32_t processId = ProcessOf(L"North");

        notices.Answer(NoticeAction::PressSecond);
        view.ClickRowButton(0);
        EXPECT_TRUE(processes.IsRunning(processId)) << "a cancelled force-close changes nothing";

        notices.Answer(NoticeAction::PressFirst);
        view.ClickRowButton(0);
        EXPECT_EQ(processes.WaitForExit(processId), std::optional<DWORD>(0));
        EXPECT_EQ(view.RowCount(), 1) << "the row stays until the sweep";
        EXPECT_TRUE(servers.IsServerStarted(L"North"));
        view.Sweep();
        EXPECT_EQ(view.RowCount(), 0);
        EXPECT_FALSE(servers.IsServerStarted(L"North"));
    });
}

TEST_F(MainDialogTest, ForceCloseStopsTheClickedServerEvenWhenItsRowMovedMeanwhile) {
    for (const wchar_t* name : {L"A", L"B"})
        AddCluster(name);
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        std::wstring first = StartEntry(view, 0);
        std::wstring second = StartEntry(view, 1);
        uint32_t firstProcess = ProcessOf(first);
        uint32_t secondProcess = ProcessOf(second);

        // While the warning for row 1 is open, the server of row 0 ends and the sweep moves row 1 up.
        notices.Answer(NoticeAction::PressFirst, [&](HWND) {
            EndByItself(firstProcess);
            view.Sweep();
            EXPECT_EQ(view.Names(), std::vector<std::wstring>{second});
        });
        view.ClickRowButton(1);
        EXPECT_EQ(processes.WaitForExit(secondProcess), std::optional<DWORD>(0));
    });
}

TEST_F(MainDialogTest, TimersKeepFiringWhileANoticeIsOpen) {
    AddCluster(L"North");
    CBrenlowDlg dialog;
    RunDialog(
        dialog,
        [&](HWND window) {
            View view{window};
            StartEntry(view, 0);
            uint32_t processId = ProcessOf(L"North");
            // The real 2000 ms timer removes the row of a server that ends while the warning is open.
            notices.Answer(NoticeAction::PressSecond, [&](HWND) {
                EXPECT_TRUE(WaitFor([&] { return servertest::SignalDevServerExit(processId); }));
                EXPECT_TRUE(PumpUntil([&] { return view.RowCount() == 0; }, 10000));
            });
            view.ClickRowButton(0);
            EXPECT_FALSE(servers.IsServerStarted(L"North"));
        },
        true);
}

TEST_F(MainDialogTest, ClosingWithoutServersClosesAtOnce) {
    CBrenlowDlg dialog;
    INT_PTR result = RunDialog(dialog, [&](HWND window) {
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); }));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(notices.Seen().empty());
}

TEST_F(MainDialogTest, ClosingWithServersAsksAndEveryWayOfClosingTakesThatPath) {
    for (const wchar_t* name : {L"A", L"B"})
        AddCluster(name);
    CBrenlowDlg dialog;
    std::vector<uint32_t> started;
    INT_PTR result = RunDialog(dialog, [&](HWND window) {
        View view{window};
        for (int i = 0; i < 2; ++i)
            started.push_back(ProcessOf(StartEntry(view, i)));

        // The caption's close (also Alt+F4 and the system menu), Esc and WM_CLOSE, each answered with
        // "取消": nothing changes.
        for (int i = 0; i < 3; ++i)
            notices.Answer(NoticeAction::PressSecond);
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(PumpUntil([&] { return notices.Seen().size() == 1; }));
        PostMessageW(GetDlgItem(window, IDC_BUTTON_START), WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(PumpUntil([&] { return notices.Seen().size() == 2; }));
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return notices.Seen().size() == 3; }));
        EXPECT_TRUE(IsWindowVisible(window));
        for (uint32_t processId : started)
            EXPECT_TRUE(processes.IsRunning(processId));

        notices.Answer(NoticeAction::PressFirst);
        SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
        EXPECT_FALSE(IsWindowVisible(window));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(NoticeTexts(), std::vector<std::wstring>(4, kCloseConfirmation));
    for (uint32_t processId : started)
        EXPECT_EQ(processes.WaitForExit(processId), std::optional<DWORD>(0));
}

// Child runs of this executable under another display scaling, which a process takes as it starts.
const wchar_t kScaledChildResult[] = L"BRENLOW_SCALED_CHILD_RESULT";

TEST_F(MainDialogTest, ScaledChildReportsItsListWithARow) {
    wchar_t resultFile[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(kScaledChildResult, resultFile, MAX_PATH))
        GTEST_SKIP() << "runs only as a child of DisplayScaling tests";
    AddCluster(L"North");
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        View view{window};
        StartEntry(view, 0);
        RECT client, cell, button;
        GetClientRect(view.list(), &client);
        ListView_GetSubItemRect(view.list(), 0, 2, LVIR_BOUNDS, &cell);
        GetWindowRect(view.RowButton(0), &button);
        MapWindowPoints(nullptr, view.list(), reinterpret_cast<POINT*>(&button), 2);
        HDC screen = GetDC(nullptr);
        std::ostringstream report;
        report << GetDeviceCaps(screen, LOGPIXELSX) << ' ' << client.right;
        ReleaseDC(nullptr, screen);
        for (int column = 0; column < 3; ++column)
            report << ' ' << ListView_GetColumnWidth(view.list(), column);
        report << ' ' << EqualRect(&cell, &button);
        WriteFileBytes(resultFile, report.str());
    });
}

struct ScaledList {
    int dpi = 0;
    int clientWidth = 0;
    std::array<int, 3> widths{};
    bool buttonCoversCell = false;
};

ScaledList RunScaled(int dpi) {
    TempFolder folder;
    ScopedUserRegistryValue logPixels(L"Control Panel\\Desktop", L"LogPixels", static_cast<DWORD>(dpi));
    fs::path result = folder / L"list.txt";
    SetEnvironmentVariableW(kScaledChildResult, result.c_str());
    DWORD exitCode = RunProcess(ExecutableFolder() / L"main_dialog_tests.exe",
                                L"--gtest_filter=MainDialogTest.ScaledChild*");
    SetEnvironmentVariableW(kScaledChildResult, nullptr);
    EXPECT_EQ(exitCode, 0u);
    ScaledList list;
    std::istringstream(ReadFileBytes(result)) >> list.dpi >> list.clientWidth >> list.widths[0] >>
        list.widths[1] >> list.widths[2] >> list.buttonCoversCell;
    return list;
}

// At other scalings than 96 DPI the columns fill the list as they do at 96 DPI, in the same proportions,
// and the row buttons stay over the third cells.
TEST(DisplayScaling, ColumnsFillTheListAsAt96DpiAndTheButtonsStayOnTheirCells) {
    const std::array<int, 3> headings = {375, 225, 85};
    const ScaledList at96 = RunScaled(96);
    ASSERT_EQ(at96.dpi, 96);
    EXPECT_EQ(at96.widths, headings);
    EXPECT_TRUE(at96.buttonCoversCell);
    for (int dpi : {144, 192}) {
        SCOPED_TRACE(dpi);
        const ScaledList scaled = RunScaled(dpi);
        ASSERT_EQ(scaled.dpi, dpi) << "the child did not run at that scaling";
        const double growth = double(scaled.clientWidth) / at96.clientWidth;
        int sum = 0;
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(scaled.widths[i], headings[i] * growth, 2.0) << "column " << i;
            sum += scaled.widths[i];
        }
        EXPECT_LE(sum, scaled.clientWidth) << "the columns fit without scrolling";
        EXPECT_TRUE(scaled.buttonCoversCell);
    }
}

// Child runs of this executable copied to a folder without the stand-in server, or without the launcher
// library too: a start then fails, and the notice shows StartServer's text exactly.
const wchar_t kChildResultVariable[] = L"BRENLOW_MAIN_DIALOG_CHILD_RESULT";

TEST(MainDialogChild, ReportsTheNoticeOfAFailedStart) {
    wchar_t resultFile[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(kChildResultVariable, resultFile, MAX_PATH))
        GTEST_SKIP() << "runs only as a child of StartFailures tests";
    TempFolder documents;
    ScopedDocumentsFolder documentsFolder{documents.path()};
    fs::create_directories(documents / L"Vornak" / L"MoorwakeTarn" / L"North");
    WriteFileBytes(documents / L"Vornak" / L"MoorwakeTarn" / L"North" / L"cluster_token.txt", "token");

    NoticeAnswerer notices;
    CBrenlowDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        notices.Answer(NoticeAction::PressFirst);
        View{window}.ClickStart();
        ASSERT_EQ(notices.Seen().size(), 1u);
        EXPECT_EQ(View{window}.RowCount(), 0);
        EXPECT_TRUE(TarnLauncherWrapper::GetInstance().RunningServers.empty());
        WriteFileBytes(resultFile, "notice:" + Utf8(notices.Seen()[0].text));
    });
}

class StartFailures : public ::testing::Test {
protected:
    TempFolder folder;
    fs::path child = CopyProgram(L"main_dialog_tests.exe", folder.path());

    std::string RunChild() {
        servertest::EndChildProcessesWithThisProcess();
        fs::path result = folder / L"result.txt";
        SetEnvironmentVariableW(kChildResultVariable, result.c_str());
        DWORD exitCode = RunProcess(child, L"--gtest_filter=MainDialogChild.*");
        SetEnvironmentVariableW(kChildResultVariable, nullptr);
        EXPECT_EQ(exitCode, 0u);
        return ReadFileBytes(result);
    }
};

TEST_F(StartFailures, AFailedLaunchShowsItsMessageAndAddsNoRow) {
    CopyProgram(L"tarn_launcher.dll", folder.path()); // but no server executable beside it
    EXPECT_EQ(RunChild(), "notice:" + Utf8(kLaunchFailed));
}

TEST_F(StartFailures, WithoutTheLauncherLibraryTheNoticeIsEmpty) {
    EXPECT_EQ(RunChild(), "notice:");
}

} // namespace
