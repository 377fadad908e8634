#include "BenchSupport.h"

#include "base/ModulePath.h"
#include "devserver/DevServerProtocol.h"
#include "server/ServerNames.h"

#include <tlhelp32.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace bench {

void PrintMeasure(const char* measure, double brenlow, double floor, const char* unit, int decimals) {
    if (brenlow < 0 || floor < 0) {
        std::printf("%s: not measured\n", measure);
    } else {
        std::printf("%s: brenlow %.*f %s, floor %.*f %s, ratio %.2f\n", measure, decimals, brenlow, unit,
                    decimals, floor, unit, floor > 0 ? brenlow / floor : 0.0);
    }
    std::fflush(stdout);
}

void PrintNote(const char* format, ...) {
    std::printf("# ");
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}

fs::path BenchFolder() {
    std::wstring folder;
    GetModuleDirectory(folder, nullptr, kLongestPath);
    return folder;
}

fs::path ReleaseFolder() {
    return BenchFolder() / L"release";
}

namespace {

constexpr ULONGLONG kNever = ~0ull;
ULONGLONG measureDeadline = kNever; // GetTickCount64 by which the running measure must have ended
constexpr char kOutOfTime[] = "did not finish in time";

bool MeasureTimeIsUp() {
    return GetTickCount64() >= measureDeadline;
}

} // namespace

namespace {
bool runFailed = false;
}

void MarkRunFailed() {
    runFailed = true;
}

bool RunFailed() {
    return runFailed;
}

void Fail(const std::string& whatDidNotHappen) {
    throw std::runtime_error(MeasureTimeIsUp() ? kOutOfTime : whatDidNotHappen);
}

void StartMeasureClock(DWORD limitMs) {
    measureDeadline = GetTickCount64() + limitMs;
}

void StopMeasureClock() {
    measureDeadline = kNever;
}

void CheckMeasureTime() {
    Require(!MeasureTimeIsUp(), kOutOfTime);
}

bool WaitFor(DWORD timeoutMs, const std::function<bool()>& ready) {
    const ULONGLONG end = std::min(GetTickCount64() + timeoutMs, measureDeadline);
    while (!ready()) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(1);
    }
    return true;
}

void Await(const std::string& whatDidNotHappen, const std::function<bool()>& ready, DWORD timeoutMs) {
    Require(WaitFor(timeoutMs, ready), whatDidNotHappen);
}

ScratchFolder::ScratchFolder(const std::wstring& name)
    : path_(fs::temp_directory_path() /
            (L"brenlow-" + name + L"-" + std::to_wstring(GetCurrentProcessId()))) {
    fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

fs::path ClusterRoot(const fs::path& documents) {
    return documents.wstring() + kServerConfigRootSuffix;
}

void MakeClusters(const fs::path& documents, int count) {
    for (int i = 0; i < count; ++i) {
        fs::path folder = ClusterRoot(documents) / (L"Bench_" + std::to_wstring(i));
        fs::create_directories(folder);
        std::ofstream(folder / kClusterMarkerName) << "token";
    }
}

std::vector<DWORD> ServerProcessIds() {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (!lstrcmpiW(entry.szExeFile, kServerExecutableName))
            ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

void RemoveServerRecords(const fs::path& folder) {
    const std::wstring prefix = L"devserver-"; // how every DevServerRecordName begins
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        if (entry.path().filename().wstring().starts_with(prefix))
            fs::remove(entry.path(), ignored);
    }
}

std::vector<DWORD> WaitForServers(size_t count, const fs::path& folder) {
    std::vector<DWORD> ids;
    Await("the " + std::to_string(count) + " servers did not all run", [&] {
        ids = ServerProcessIds();
        return ids.size() == count && std::all_of(ids.begin(), ids.end(), [&](DWORD id) {
                   return fs::exists(folder / DevServerRecordName(id));
               });
    });
    return ids;
}

Program::Program(const std::wstring& exe, const std::wstring& arguments) : path_(ReleaseFolder() / exe) {
    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);

    std::wstring line = L"\"" + path_.wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = std::chrono::steady_clock::now();
    if (!CreateProcessW(path_.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        ReleaseFolder().c_str(), &startup, &process_)) {
        process_ = {};
        return;
    }
    AssignProcessToJobObject(job_, process_.hProcess);
    ResumeThread(process_.hThread);
    CloseHandle(process_.hThread);
}

Program::~Program() {
    if (process_.hProcess)
        CloseHandle(process_.hProcess);
    CloseHandle(job_); // ends the program and its servers, if they still run
}

namespace {

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

} // namespace

HWND Program::TopWindow(const wchar_t* caption) const {
    WindowSearch search{process_.dwProcessId, caption, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

double Program::SecondsUntilVisible(const wchar_t* caption, HWND& window) const {
    const std::string name = path_.filename().string();
    Require(Started(), name + " did not start");
    Await(name + " showed no window", [&] { return (window = TopWindow(caption)) != nullptr; });
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

bool Program::WaitForExit(DWORD timeoutMs) const {
    return WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void Program::AwaitExit() const {
    Await(path_.filename().string() + " did not end", [&] { return WaitForExit(0); });
}

} // namespace bench
