// The chaos run's events, and the driving of Brenlow's window and processes that they need. Each event
// also tells the run what it must see afterwards: which servers run, which Brenlow asked to end, which
// ended otherwise.
#include "ChaosRun.h"

#include "BenchSupport.h"
#include "ForeignWindows.h"

#include "base/TextEncoding.h"
#include "devserver/DevServerProtocol.h"
#include "server/ServerNames.h"
#include "server/ServerRecordFile.h"
#include "ui/resource.h"

#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <utility>

namespace fs = std::filesystem;

namespace bench {

namespace {

constexpr wchar_t kMainCaption[] = L"Brenlow";
constexpr wchar_t kNoticeCaption[] = L"温馨提示";
constexpr wchar_t kAlreadyStarted[] = L"专用服务器已启动，请确认";
constexpr wchar_t kTooManyServers[] = L"最多可以同时运行10个专用服务器";
constexpr wchar_t kLaunchFailed[] = L"启动专有服务器失败,请重试";
constexpr wchar_t kNoConfiguration[] = L"请先配置Hollowmere服务器";
constexpr wchar_t kForceCloseWarning[] = L"强制关闭专用服务器可能会导致部分存档丢失，建议您手动关闭";
constexpr wchar_t kCloseConfirmation[] = L"启动器关闭后，专用服务器也会被关闭，确认关闭吗？";
constexpr DWORD kKilled = 1;

} // namespace

// ---------------------------------------------------------------------------------------------------
// Drawing: every event that can happen now, with its weight.

void ChaosRun::DrawAndRunEvent() {
    struct Candidate {
        int weight;
        void (ChaosRun::*run)();
    };
    const bool up = brenlow_.process != nullptr;
    const bool serversRun = !ExpectedRows().empty();
    const bool recordExists = GetFileAttributesW(record_.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::vector<Candidate> candidates = {
        {up ? 24 : 0, &ChaosRun::StartServerThroughWindow},
        {up && serversRun ? 12 : 0, &ChaosRun::ForceCloseRow},
        {serversRun ? 7 : 0, &ChaosRun::ServerEndsByItself},
        {serversRun ? 4 : 0, &ChaosRun::ServerCrashes},
        {up ? 7 : 0, &ChaosRun::KillBrenlow},
        {up ? 0 : 30, &ChaosRun::StartBrenlowAgain},
        {up ? 5 : 0, &ChaosRun::CloseBrenlow},
        {5, &ChaosRun::StartSecondBrenlow},
        {!up && recordExists && obstacle_ == Obstacle::None ? 10 : 0, &ChaosRun::DamageRecord},
        {recordExists || obstacle_ != Obstacle::None ? 4 : 0, &ChaosRun::ObstructOrFreeRecord},
        {3, &ChaosRun::ToggleRefusedLaunches},
        {removedConfigurations_.count(kEveryConfiguration) ? 0 : 3, &ChaosRun::RemoveConfiguration},
        {removedConfigurations_.empty() ? 0 : 4, &ChaosRun::RestoreConfiguration},
    };
    int total = 0;
    for (const Candidate& candidate : candidates)
        total += candidate.weight;
    int drawn = static_cast<int>(Pick(total));
    for (const Candidate& candidate : candidates) {
        if (drawn < candidate.weight) {
            (this->*candidate.run)();
            return;
        }
        drawn -= candidate.weight;
    }
}

// ---------------------------------------------------------------------------------------------------
// The events.

// A configuration chosen in the combo box (its list read from disk again, or as it was shown, perhaps of
// a folder removed since), then Start; Brenlow starts it, or refuses for the first reason that applies.
void ChaosRun::StartServerThroughWindow() {
    HWND combo = GetDlgItem(brenlow_.main, IDC_COMBO_CONFIG);
    const bool reread = Chance(0.7);
    if (reread) { // opening the list makes the program read the configurations again
        e2e::Ask(combo, CB_SHOWDROPDOWN, TRUE, 0);
        e2e::Ask(combo, CB_SHOWDROPDOWN, FALSE, 0);
    }
    const std::vector<std::wstring> offered = Offered();
    std::wstring name;
    if (!offered.empty()) {
        const size_t entry = Pick(offered.size());
        name = offered[entry];
        e2e::Ask(combo, CB_SETCURSEL, entry, 0);
    }
    Note("start a server", (name.empty() ? std::string("nothing offered") : Utf8(name)) +
                               (reread ? "" : " (the list as shown)"));

    const std::vector<std::wstring> running = ExpectedRows();
    const wchar_t* refusal = nullptr;
    if (name.empty())
        refusal = kNoConfiguration;
    else if (std::count(running.begin(), running.end(), name))
        refusal = kAlreadyStarted;
    else if (running.size() >= kMostRunningServers)
        refusal = kTooManyServers;
    else if (launchesRefused_)
        refusal = kLaunchFailed;
    e2e::Click(brenlow_.main, IDC_BUTTON_START);
    if (!refusal) {
        if (TakeNewServer(name))
            return;
        std::string seen = Notice() ? "the notice " + Utf8(NoticeText(Notice())) : "no notice";
        seen += "; rows " + std::to_string(Rows().size()) + "; server processes:";
        for (DWORD id : ServerProcessIds())
            seen += " " + std::to_string(id) + " (" + Utf8(ClusterOfServer(id)) + ")";
        Violation("no server started for " + Utf8(name), "a new server and its row", seen);
        return;
    }
    HWND notice = nullptr;
    Poll(kPatienceMs, [&] { return (notice = Notice()) != nullptr; });
    const std::wstring said = notice ? NoticeText(notice) : L"no notice";
    if (said != refusal)
        Violation("the start was not refused as it should be", Utf8(refusal), Utf8(said));
    if (notice)
        AnswerNotice(IDOK);
}

// A row's force-close button, or Delete on the selected row; the warning answered either way.
void ChaosRun::ForceCloseRow() {
    const std::vector<std::wstring> rows = Rows();
    if (rows.empty())
        return;
    const size_t row = Pick(rows.size());
    const bool byKey = Chance(0.3), confirm = Chance(0.7);
    Note("force-close",
         Utf8(rows[row]) + (byKey ? " by Delete" : " by its button") + (confirm ? ", 仍然关闭" : ", 取消"));
    HWND list = GetDlgItem(brenlow_.main, IDC_LIST_SERVER);
    if (byKey) { // to the row and selects it (Space: Home does not select a row that has the focus already)
        PostMessageW(list, WM_KEYDOWN, VK_HOME, 1);
        for (size_t i = 0; i < row; ++i)
            PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
        PostMessageW(list, WM_KEYDOWN, VK_SPACE, 1);
        if (!Poll(kPatienceMs, [&] { return e2e::SelectedRow(list) == static_cast<int>(row); }))
            return Violation("the keys did not select the row", std::to_string(row),
                             std::to_string(e2e::SelectedRow(list)));
        PostMessageW(list, WM_KEYDOWN, VK_DELETE, 1);
    } else {
        e2e::Click(list, IDC_ROW_BUTTON_FIRST + static_cast<int>(row));
    }
    HWND notice = nullptr;
    Poll(kPatienceMs, [&] { return (notice = Notice()) != nullptr; });
    if (!notice || NoticeText(notice) != kForceCloseWarning) {
        Violation("force-close did not warn", Utf8(kForceCloseWarning),
                  notice ? Utf8(NoticeText(notice)) : "no notice");
        return;
    }
    if (!AnswerNotice(confirm ? IDOK : IDCANCEL) || !confirm)
        return;
    for (Server& server : servers_)
        if (server.fate == Fate::Runs && server.name == rows[row])
            server.fate = Fate::AskedToEnd;
}

void ChaosRun::ServerEndsByItself() {
    Server& server = DrawRunningServer();
    Note("server ends by itself", Utf8(server.name));
    SignalServer(server, Fate::EndsByItself);
}

void ChaosRun::ServerCrashes() {
    Server& server = DrawRunningServer();
    Note("server crashes", Utf8(server.name));
    SignalServer(server, Fate::Crashes);
}

ChaosRun::Server& ChaosRun::DrawRunningServer() {
    std::vector<Server*> running;
    for (Server& server : servers_)
        if (server.fate == Fate::Runs)
            running.push_back(&server);
    return *running[Pick(running.size())];
}

// Ended from outside, as the task manager ends it; sometimes just as servers end, sometimes started
// again at once.
void ChaosRun::KillBrenlow() {
    const bool whileServersEnd = Chance(0.3), again = Chance(0.4);
    Note("kill Brenlow",
         std::string(whileServersEnd ? "while servers end" : "") + (again ? ", started again at once" : ""));
    if (whileServersEnd) {
        for (Server& server : servers_)
            if (server.fate == Fate::Runs && Chance(0.5))
                SignalServer(server, Fate::EndsByItself);
    }
    EndBrenlow(kKilled);
    if (again)
        StartBrenlowAgain();
}

// Sometimes while another program holds its record without sharing it, for a while.
void ChaosRun::StartBrenlowAgain() {
    const bool recordHeld = obstacle_ == Obstacle::None && Chance(0.15) &&
                            GetFileAttributesW(record_.c_str()) != INVALID_FILE_ATTRIBUTES;
    Note("start Brenlow", recordHeld ? "while its record is held" : "");
    std::vector<ServerRecord> records;
    if (ReadServerRecords(record_.wstring(), records) == ServerRecordReading::Damaged) {
        ++damageLinesAtMost_;
        startedOnDamagedRecord_ = true;
    }
    HANDLE holder = recordHeld
                        ? CreateFileW(record_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                        : INVALID_HANDLE_VALUE;
    brenlow_ = Launch();
    const bool shown = WaitForWindow(brenlow_);
    if (holder != INVALID_HANDLE_VALUE) {
        Sleep(Milliseconds(0, 3000));
        CloseHandle(holder);
    }
    if (!shown)
        Violation("Brenlow showed no window", "its main window", "none");
}

void ChaosRun::CloseBrenlow() {
    if (!AskBrenlowToClose(Chance(0.6)))
        return;
    if (WaitForSingleObject(brenlow_.process, kPatienceMs) != WAIT_OBJECT_0)
        Violation("Brenlow did not close", "it ends", "it runs");
    EndBrenlow(0);
}

// Closes with the close button; with servers running it asks, and `confirm` answers. True when Brenlow
// is to end (its servers with it).
bool ChaosRun::AskBrenlowToClose(bool confirm) {
    const bool serversRun = !ExpectedRows().empty();
    Note("close Brenlow", serversRun ? (confirm ? "仍然关闭" : "取消") : "no servers");
    PostMessageW(brenlow_.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!serversRun)
        return true;
    HWND notice = nullptr;
    Poll(kPatienceMs, [&] { return (notice = Notice()) != nullptr; });
    if (!notice || NoticeText(notice) != kCloseConfirmation) {
        Violation("closing did not ask", Utf8(kCloseConfirmation),
                  notice ? Utf8(NoticeText(notice)) : "no notice");
        return false;
    }
    if (!AnswerNotice(confirm ? IDOK : IDCANCEL) || !confirm)
        return false;
    for (Server& server : servers_)
        if (server.fate == Fate::Runs)
            server.fate = Fate::AskedToEnd;
    return true;
}

// A second Brenlow while the first runs, while it starts, or while it closes: one of them goes on.
void ChaosRun::StartSecondBrenlow() {
    enum { WhileRunning, WhileStarting, WhileClosing } when;
    if (!brenlow_.process)
        when = WhileStarting;
    else
        when = Chance(0.7) ? WhileRunning : WhileClosing;
    Note("second Brenlow", when == WhileRunning    ? "while one runs"
                           : when == WhileStarting ? "while one starts"
                                                   : "while one closes");
    if (when == WhileStarting) {
        Brenlow first = Launch();
        Sleep(Milliseconds(0, 300));
        Brenlow second = Launch();
        // The one that shows its window goes on; the other ends by itself.
        const bool shown = Poll(kPatienceMs, [&] {
            return e2e::FindVisibleWindow(first.id, kMainCaption) ||
                   e2e::FindVisibleWindow(second.id, kMainCaption);
        });
        Brenlow& kept = e2e::FindVisibleWindow(first.id, kMainCaption) ? first : second;
        Brenlow& other = &kept == &first ? second : first;
        if (!shown || WaitForSingleObject(other.process, kPatienceMs) != WAIT_OBJECT_0)
            Violation("two Brenlows started together", "one shows its window, the other ends",
                      shown ? "both run" : "no window");
        CloseHandle(other.process);
        brenlow_ = kept;
        WaitForWindow(brenlow_);
        return;
    }
    if (when == WhileClosing) {
        const bool ends = AskBrenlowToClose(Chance(0.8));
        Brenlow second = Launch();
        if (!ends) { // the first stays: the second one ends by itself
            if (WaitForSingleObject(second.process, kPatienceMs) != WAIT_OBJECT_0)
                Violation("a second Brenlow ran beside the first", "it ends by itself", "it runs");
            CloseHandle(second.process);
            return;
        }
        if (WaitForSingleObject(brenlow_.process, kPatienceMs) != WAIT_OBJECT_0)
            Violation("Brenlow did not close", "it ends", "it runs");
        EndBrenlow(0);
        // The second one found the first's marker and ends, or came after it and is Brenlow now.
        if (WaitForWindow(second)) {
            brenlow_ = second;
        } else {
            if (WaitForSingleObject(second.process, kPatienceMs) != WAIT_OBJECT_0)
                Violation("a second Brenlow neither ended nor showed its window", "one or the other",
                          "neither");
            CloseHandle(second.process);
        }
        return;
    }
    Brenlow second = Launch();
    if (WaitForSingleObject(second.process, kPatienceMs) != WAIT_OBJECT_0)
        Violation("a second Brenlow ran beside the first", "it ends by itself", "it runs");
    CloseHandle(second.process);
}

// While Brenlow is down: the record cut short, filled with garbage, or made read-only. The servers whose
// records no longer prove them cannot be found again: the run ends them itself.
void ChaosRun::DamageRecord() {
    const size_t how = Pick(3);
    std::string bytes = ReadShared(record_);
    if (how == 2) {
        Note("damage the record", "made read-only");
        SetFileAttributesW(record_.c_str(), FILE_ATTRIBUTE_READONLY);
        obstacle_ = Obstacle::ReadOnly;
        return;
    }
    if (how == 0 && !bytes.empty()) {
        bytes.resize(Pick(bytes.size()));
        Note("damage the record", "cut to " + std::to_string(bytes.size()) + " bytes");
    } else {
        bytes.resize(1 + Pick(400));
        for (char& byte : bytes)
            byte = static_cast<char>(Pick(256));
        Note("damage the record", std::to_string(bytes.size()) + " bytes of garbage");
    }
    std::ofstream(record_, std::ios::binary | std::ios::trunc) << bytes;
    std::vector<ServerRecord> proven;
    ReadServerRecords(record_.wstring(), proven);
    for (Server& server : servers_) {
        const bool provenStill = std::any_of(proven.begin(), proven.end(), [&](const ServerRecord& record) {
            return record.name == server.name && record.info.ProcessId == server.id;
        });
        if (server.fate == Fate::Runs && !provenStill) {
            TerminateProcess(server.process, kEndedByTheRun);
            server.fate = Fate::EndedByChaos;
        }
    }
}

// Another program (a backup or sync tool) holds the record open without leave to replace it, or the
// record is made read-only; or whatever held it lets go.
void ChaosRun::ObstructOrFreeRecord() {
    if (obstacle_ != Obstacle::None) {
        Note("hold or free the record", "freed");
        if (recordHolder_)
            CloseHandle(std::exchange(recordHolder_, nullptr));
        SetFileAttributesW(record_.c_str(), FILE_ATTRIBUTE_NORMAL);
        obstacle_ = Obstacle::None;
        return;
    }
    Note("hold or free the record", "held open by another program");
    recordHolder_ =
        CreateFileW(record_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (recordHolder_ == INVALID_HANDLE_VALUE)
        recordHolder_ = nullptr;
    else
        obstacle_ = Obstacle::Held;
}

void ChaosRun::ToggleRefusedLaunches() {
    launchesRefused_ = !launchesRefused_;
    Note("refuse launches", launchesRefused_ ? "refused" : "launched again");
    if (launchesRefused_)
        std::ofstream(refusal_) << "refuse";
    else
        DeleteFileW(refusal_.c_str());
}

// A configuration folder that the combo box may still offer goes away (its server, if one runs, runs on),
// or the folder of them all, and every reading of the configurations logs that it is missing.
void ChaosRun::RemoveConfiguration() {
    std::vector<std::wstring> present = {kEveryConfiguration};
    for (const std::wstring& name : configurationNames_)
        if (!removedConfigurations_.count(name))
            present.push_back(name);
    const std::wstring& name = present[Pick(present.size())];
    Note("remove a configuration", name.empty() ? "all of them" : Utf8(name));
    std::error_code error;
    fs::rename(ConfigurationFolder(name), removed_ / (name.empty() ? L"all" : name), error);
    if (!error)
        removedConfigurations_.insert(name);
}

void ChaosRun::RestoreConfiguration() {
    auto name =
        std::next(removedConfigurations_.begin(), static_cast<long>(Pick(removedConfigurations_.size())));
    Note("restore a configuration", name->empty() ? "all of them" : Utf8(*name));
    std::error_code error;
    fs::rename(removed_ / (name->empty() ? L"all" : *name), ConfigurationFolder(*name), error);
    if (!error)
        removedConfigurations_.erase(name);
}

fs::path ChaosRun::ConfigurationFolder(const std::wstring& name) const {
    return name.empty() ? configurations_ : configurations_ / name;
}

// ---------------------------------------------------------------------------------------------------
// Brenlow's processes and window, and the servers.

ChaosRun::Brenlow ChaosRun::Launch() const {
    Brenlow brenlow;
    brenlow.process = StartInJob(program_ / L"Brenlow.exe", L"");
    Require(brenlow.process != nullptr, "Brenlow.exe did not start");
    brenlow.id = GetProcessId(brenlow.process);
    brenlow.started = GetTickCount64();
    return brenlow;
}

bool ChaosRun::WaitForWindow(Brenlow& brenlow, DWORD timeoutMs) {
    Poll(timeoutMs, [&] {
        return (brenlow.main = e2e::FindVisibleWindow(brenlow.id, kMainCaption)) != nullptr ||
               WaitForSingleObject(brenlow.process, 0) == WAIT_OBJECT_0;
    });
    return brenlow.main != nullptr;
}

// Ends the running Brenlow: killed from outside with `exitCode`, or, with 0, waits for its own end.
void ChaosRun::EndBrenlow(DWORD exitCode) {
    if (exitCode != 0)
        TerminateProcess(brenlow_.process, exitCode);
    WaitForSingleObject(brenlow_.process, kPatienceMs);
    if (startedOnDamagedRecord_ && exitCode == 0)
        ++damageLinesExpected_; // a normal end writes the log's last lines
    startedOnDamagedRecord_ = false;
    CloseHandle(brenlow_.process);
    brenlow_ = {};
}

std::vector<DWORD> ChaosRun::BrenlowProcessIds() const {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (!lstrcmpiW(entry.szExeFile, L"Brenlow.exe"))
            ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

HWND ChaosRun::Notice() const {
    return brenlow_.process ? e2e::FindVisibleWindow(brenlow_.id, kNoticeCaption) : nullptr;
}

std::wstring ChaosRun::NoticeText(HWND notice) const {
    return e2e::WindowText(GetDlgItem(notice, IDC_EDIT_MSG));
}

bool ChaosRun::AnswerNotice(int button) {
    HWND notice = Notice();
    return notice && e2e::Click(notice, button) && Poll(kPatienceMs, [&] { return !IsWindow(notice); });
}

std::vector<std::wstring> ChaosRun::Rows() const {
    return e2e::ColumnTexts(brenlow_.process, GetDlgItem(brenlow_.main, IDC_LIST_SERVER), 0);
}

std::vector<std::wstring> ChaosRun::Offered() const {
    return e2e::ComboEntries(GetDlgItem(brenlow_.main, IDC_COMBO_CONFIG));
}

bool ChaosRun::TakeNewServer(const std::wstring& name) {
    DWORD found = 0;
    Poll(kPatienceMs, [&] {
        for (DWORD id : ServerProcessIds()) {
            const bool known = std::any_of(servers_.begin(), servers_.end(),
                                           [&](const Server& server) { return server.id == id; });
            if (!known && ClusterOfServer(id) == name) {
                found = id;
                return true;
            }
        }
        return false;
    });
    if (!found)
        return false;
    HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, found);
    if (!process)
        return false;
    servers_.push_back({name, found, process, Fate::Runs});
    return true;
}

// The cluster of a server that Brenlow started from its folder; empty for any other server process.
std::wstring ChaosRun::ClusterOfServer(DWORD id) const {
    return DevServerRecordLastArgument(ReadShared(program_ / DevServerRecordName(id)));
}

void ChaosRun::SignalServer(Server& server, Fate fate) {
    const std::wstring event =
        fate == Fate::Crashes ? DevServerCrashEventName(server.id) : DevServerExitEventName(server.id);
    HANDLE signal = OpenEventW(EVENT_MODIFY_STATE, FALSE, event.c_str());
    if (!signal) // not listening yet, or already gone
        return;
    SetEvent(signal);
    CloseHandle(signal);
    server.fate = fate;
}

} // namespace bench
