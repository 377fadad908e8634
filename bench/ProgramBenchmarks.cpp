// Brenlow as a user runs it (the stripped copy, as the release archive ships it), next to MinimalDialog.exe
// measured the same way in the same run: time from process start to a visible main window, memory with 10
// servers running, and the CPU time used in one idle minute (Brenlow's 50 ms pump and 2000 ms sweep) with
// those servers running. BRENLOW_BENCH_IDLE_SECONDS shortens the idle window for a quick look, and
// BRENLOW_BENCH_PROGRAM picks another program of the bench's folder in place of the stripped copy.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "ui/resource.h"
#include "server/ServerNames.h"

#include <windows.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kStartRounds = 5;
constexpr int kServers = 10;
constexpr DWORD kIdleSecondsDefault = 60;
constexpr DWORD kWaitMs = 20000;
constexpr wchar_t kNoticeCaption[] = L"温馨提示";

fs::path BenchFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

bool WaitFor(DWORD timeoutMs, const std::function<bool()>& ready) {
    DWORD start = GetTickCount();
    while (!ready()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(1);
    }
    return true;
}

// Points the Documents folder (the Personal shell folder) at `folder` while the object lives.
class DocumentsRedirect {
public:
    explicit DocumentsRedirect(const fs::path& folder) {
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        DWORD size = sizeof old_;
        had_ = RegQueryValueExW(key_, L"Personal", nullptr, &type_, reinterpret_cast<BYTE*>(old_), &size) ==
               ERROR_SUCCESS;
        size_ = size;
        std::wstring value = folder.wstring();
        RegSetValueExW(key_, L"Personal", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    ~DocumentsRedirect() {
        if (had_)
            RegSetValueExW(key_, L"Personal", 0, type_, reinterpret_cast<const BYTE*>(old_), size_);
        else
            RegDeleteValueW(key_, L"Personal");
        RegCloseKey(key_);
    }
    DocumentsRedirect(const DocumentsRedirect&) = delete;
    DocumentsRedirect& operator=(const DocumentsRedirect&) = delete;

private:
    static constexpr wchar_t kKey[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY key_ = nullptr;
    bool had_ = false;
    DWORD type_ = 0, size_ = 0;
    wchar_t old_[2048] = {};
};

struct WindowSearch {
    DWORD processId;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t text[64] = {};
    GetWindowTextW(window, text, 64);
    if (owner != search->processId || !IsWindowVisible(window) || wcscmp(text, search->caption))
        return TRUE;
    search->found = window;
    return FALSE;
}

// A program of the bench folder, started on construction and ended on destruction at the latest.
class Program {
public:
    explicit Program(const std::wstring& name) {
        fs::path exe = BenchFolder() / name;
        std::wstring line = L"\"" + exe.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = std::chrono::steady_clock::now();
        if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           BenchFolder().c_str(), &startup, &process_))
            CloseHandle(process_.hThread);
        else
            process_ = {};
    }
    ~Program() {
        if (!process_.hProcess)
            return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return process_.hProcess != nullptr; }
    HANDLE Handle() const { return process_.hProcess; }

    // The process's visible top-level window with this caption, or null.
    HWND TopWindow(const wchar_t* caption) const {
        WindowSearch search{process_.dwProcessId, caption, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // Seconds from just before CreateProcess until the window shows; negative when it never did.
    double SecondsUntilVisible(const wchar_t* caption, HWND& window) {
        if (!Started() || !WaitFor(kWaitMs, [&] { return (window = TopWindow(caption)) != nullptr; }))
            return -1;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    }

    bool WaitForExit(DWORD timeoutMs) const {
        return WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
    }

private:
    PROCESS_INFORMATION process_{};
    std::chrono::steady_clock::time_point started_;
};

struct Contender {
    std::wstring exe;
    const wchar_t* caption;
};

// The stripped copy that the build puts beside the bench, unless BRENLOW_BENCH_PROGRAM names another.
Contender BrenlowContender() {
    const wchar_t* chosen = _wgetenv(L"BRENLOW_BENCH_PROGRAM");
    return {chosen && *chosen ? chosen : L"BrenlowRelease.exe", L"Brenlow"};
}

const Contender kMinimal{L"MinimalDialog.exe", L"Minimal"};

// Brenlow closes at once while no server is recorded; the minimal dialog always does.
double MedianStartSeconds(const Contender& contender) {
    bool failed = false;
    double median = MedianSeconds(kStartRounds, [&] {
        Program program(contender.exe);
        HWND window = nullptr;
        if (program.SecondsUntilVisible(contender.caption, window) < 0) {
            failed = true;
            return;
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
        program.WaitForExit(kWaitMs);
    });
    return failed ? -1 : median;
}

int ServerProcessCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    int count = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        count += !lstrcmpiW(entry.szExeFile, kServerExecutableName);
    CloseHandle(snapshot);
    return count;
}

// Picks configuration i in the combo box and presses Start, as often as there are servers to run.
// Posted, not sent: a refusal would open a modal notice inside the call.
bool StartServers(Program& brenlow, HWND main) {
    HWND combo = GetDlgItem(main, IDC_COMBO_CONFIG);
    HWND start = GetDlgItem(main, IDC_BUTTON_START);
    HWND list = GetDlgItem(main, IDC_LIST_SERVER);
    for (int i = 0; i < kServers; ++i) {
        SendMessageW(combo, CB_SETCURSEL, i, 0);
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_BUTTON_START, BN_CLICKED),
                     reinterpret_cast<LPARAM>(start));
        bool added = WaitFor(kWaitMs, [&] {
            return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == i + 1 || brenlow.TopWindow(kNoticeCaption);
        });
        if (!added || brenlow.TopWindow(kNoticeCaption))
            return false;
    }
    return WaitFor(kWaitMs, [] { return ServerProcessCount() == kServers; });
}

// Closing with servers recorded asks first; the answer is "close anyway".
bool CloseWithServers(Program& brenlow, HWND main) {
    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND notice = nullptr;
    if (!WaitFor(kWaitMs, [&] { return (notice = brenlow.TopWindow(kNoticeCaption)) != nullptr; }))
        return false;
    PostMessageW(notice, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return brenlow.WaitForExit(kWaitMs) && WaitFor(kWaitMs, [] { return ServerProcessCount() == 0; });
}

// Committed private memory as Windows counts it ("private bytes"): the process's committed, private
// regions. Read region by region because Wine leaves PrivateUsage of another process at zero.
double CommittedPrivateMebibytes(HANDLE process) {
    SIZE_T bytes = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (auto* address = static_cast<BYTE*>(nullptr);
         VirtualQueryEx(process, address, &region, sizeof region) == sizeof region;
         address = static_cast<BYTE*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            bytes += region.RegionSize;
        if (static_cast<BYTE*>(region.BaseAddress) + region.RegionSize < address)
            break; // wrapped around the top of the address space
    }
    return bytes / (1024.0 * 1024.0);
}

// Under Wine each Windows process is a Linux process too. Its /proc entry, seen through drive Z:, holds
// the CPU times that Wine's GetProcessTimes leaves at zero for another process, and the memory that only
// this process holds. Found by its command line, which Wine sets to the program's Windows path.
class LinuxProcess {
public:
    explicit LinuxProcess(const fs::path& exe) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(L"Z:\\proc", error)) {
            const std::wstring name = entry.path().filename().wstring();
            if (name.find_first_not_of(L"0123456789") != std::wstring::npos)
                continue;
            std::string commandLine = ReadAll(entry.path() / L"cmdline");
            std::string program = commandLine.substr(0, commandLine.find('\0'));
            if (!lstrcmpiW(Wide(program).c_str(), exe.c_str())) {
                matches_++;
                folder_ = entry.path();
            }
        }
    }

    // Exactly one Linux process runs that program.
    bool Found() const { return matches_ == 1; }

    // User plus system time, in seconds (Linux counts it in ticks of 1/100 s).
    double CpuSeconds() const {
        std::string stat = ReadAll(folder_ / L"stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        unsigned long long user = 0, system = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14)
                user = std::stoull(field);
            if (i == 15)
                system = std::stoull(field);
        }
        return (user + system) / 100.0;
    }

    // Resident pages that no other process shares (clean and dirty), in MiB.
    double PrivateResidentMebibytes() const {
        std::istringstream lines(ReadAll(folder_ / L"smaps_rollup"));
        std::string line;
        unsigned long long total = 0;
        while (std::getline(lines, line)) { // "Private_Dirty:     1234 kB"
            std::istringstream words(line);
            std::string key;
            unsigned long long kilobytes = 0;
            if (words >> key >> kilobytes && (key == "Private_Clean:" || key == "Private_Dirty:"))
                total += kilobytes;
        }
        return total / 1024.0;
    }

private:
    static std::string ReadAll(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static std::wstring Wide(const std::string& utf8) {
        std::wstring wide(utf8.size(), L'\0');
        wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                        static_cast<int>(wide.size())));
        return wide;
    }

    fs::path folder_;
    int matches_ = 0;
};

DWORD IdleSeconds() {
    const char* text = std::getenv("BRENLOW_BENCH_IDLE_SECONDS");
    DWORD seconds = text ? static_cast<DWORD>(std::strtoul(text, nullptr, 10)) : 0;
    return seconds ? seconds : kIdleSecondsDefault;
}

fs::path MakeDocuments() {
    fs::path documents =
        fs::temp_directory_path() / (L"brenlow-program-bench-" + std::to_wstring(GetCurrentProcessId()));
    for (int i = 0; i < kServers; ++i) {
        fs::path folder = documents / L"Vornak" / L"MoorwakeTarn" / (L"Bench_" + std::to_wstring(i));
        fs::create_directories(folder);
        std::ofstream(folder / kClusterMarkerName) << "token";
    }
    return documents;
}

void RemoveServerRecords() {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(BenchFolder(), ignored)) {
        if (entry.path().filename().wstring().rfind(L"devserver-", 0) == 0)
            fs::remove(entry.path(), ignored);
    }
}

void PrintPair(const char* what, double brenlow, double minimal, const char* unit, const char* format) {
    std::printf("program:   %-38s Brenlow ", what);
    std::printf(format, brenlow);
    std::printf(" %s   minimal ", unit);
    std::printf(format, minimal);
    std::printf(" %s\n", unit);
}

struct RunningFigures {
    double committedPrivate = -1, privateResident = -1, cpuPerMinute = -1;
};

// Memory now, then CPU time over the idle window, for both programs side by side.
void MeasureIdle(Program& brenlow, Program& minimal, RunningFigures& brenlowFigures,
                 RunningFigures& minimalFigures) {
    LinuxProcess brenlowLinux(BenchFolder() / BrenlowContender().exe);
    LinuxProcess minimalLinux(BenchFolder() / kMinimal.exe);
    if (!brenlowLinux.Found() || !minimalLinux.Found())
        std::printf("program: the Linux processes were not found one each; no resident memory or CPU time\n");

    brenlowFigures.committedPrivate = CommittedPrivateMebibytes(brenlow.Handle());
    minimalFigures.committedPrivate = CommittedPrivateMebibytes(minimal.Handle());
    if (!brenlowLinux.Found() || !minimalLinux.Found())
        return;
    brenlowFigures.privateResident = brenlowLinux.PrivateResidentMebibytes();
    minimalFigures.privateResident = minimalLinux.PrivateResidentMebibytes();

    const DWORD idle = IdleSeconds();
    double brenlowBefore = brenlowLinux.CpuSeconds();
    double minimalBefore = minimalLinux.CpuSeconds();
    Sleep(idle * 1000);
    const double perMinute = 60.0 / idle;
    brenlowFigures.cpuPerMinute = (brenlowLinux.CpuSeconds() - brenlowBefore) * perMinute;
    minimalFigures.cpuPerMinute = (minimalLinux.CpuSeconds() - minimalBefore) * perMinute;
    std::printf("program: idle window of %lu s, both programs side by side, Brenlow with %d servers\n", idle,
                kServers);
}

void MeasureRunning(RunningFigures& brenlowFigures, RunningFigures& minimalFigures) {
    const Contender contender = BrenlowContender();
    Program brenlow(contender.exe);
    Program minimal(kMinimal.exe);
    HWND brenlowWindow = nullptr, minimalWindow = nullptr;
    if (brenlow.SecondsUntilVisible(contender.caption, brenlowWindow) < 0 ||
        minimal.SecondsUntilVisible(kMinimal.caption, minimalWindow) < 0) {
        std::printf("program: a program did not show its window; nothing measured\n");
        return;
    }
    if (!StartServers(brenlow, brenlowWindow)) {
        std::printf("program: Brenlow did not start %d servers; nothing measured\n", kServers);
        return;
    }
    // The starts are over and the servers run: settle before measuring.
    Sleep(3000);
    MeasureIdle(brenlow, minimal, brenlowFigures, minimalFigures);

    if (!CloseWithServers(brenlow, brenlowWindow))
        std::printf("program: Brenlow did not close cleanly with its servers\n");
    PostMessageW(minimalWindow, WM_CLOSE, 0, 0);
    minimal.WaitForExit(kWaitMs);
}

} // namespace

void RunProgramBenchmarks() {
    fs::path documents = MakeDocuments();
    {
        DocumentsRedirect redirect(documents);
        double brenlowStart = MedianStartSeconds(BrenlowContender());
        double minimalStart = MedianStartSeconds(kMinimal);
        std::printf("program: %ls next to MinimalDialog.exe, the same measures in the same run\n",
                    BrenlowContender().exe.c_str());
        PrintPair("start to visible window (median of 5)", brenlowStart * 1e3, minimalStart * 1e3, "ms",
                  "%6.0f");

        RunningFigures brenlow, minimal;
        MeasureRunning(brenlow, minimal);
        PrintPair("committed private memory (10 servers)", brenlow.committedPrivate, minimal.committedPrivate,
                  "MiB", "%6.2f");
        PrintPair("private resident memory (10 servers)", brenlow.privateResident, minimal.privateResident,
                  "MiB", "%6.2f");
        PrintPair("CPU time per idle minute (10 servers)", brenlow.cpuPerMinute * 1e3,
                  minimal.cpuPerMinute * 1e3, "ms", "%6.0f");
    }
    std::error_code ignored;
    fs::remove_all(documents, ignored);
    RemoveServerRecords();
}
