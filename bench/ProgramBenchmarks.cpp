// Brenlow as a user runs it (the release folder: stripped, beside the stripped launcher library and
// server) beside FloorDialog.exe, which loads the same pieces and runs the same timers doing nothing else,
// and beside MinimalDialog.exe, the bare reference: time from process start to a visible window (Brenlow
// with 10 running servers recorded, which it finds again on the way), memory with 10 servers running, and
// CPU time in one idle minute with those servers (each program measured in six five-second slices while
// the other is held suspended; the median slice).
// BRENLOW_BENCH_IDLE_SECONDS shortens the idle window for a quick look.
#include "BenchServers.h"
#include "BenchSupport.h"
#include "DocumentsFolder.h"
#include "Benchmarks.h"
#include "BrenlowWindow.h"
#include "ProcessFigures.h"

#include "server/ServerRecordFile.h"
#include "server/TarnLauncherWrapper.h"

#include <cstdlib>
#include <functional>
#include <memory>

namespace fs = std::filesystem;
using namespace bench;

namespace {

constexpr int kStartRounds = 15;
constexpr int kServers = 10;
constexpr DWORD kIdleSecondsDefault = 60;
constexpr int kIdleSlices = 6;
constexpr DWORD kSettleMs = 3000;

struct Contender {
    const wchar_t* exe;
    const wchar_t* caption;
};
const Contender kBrenlow{L"Brenlow.exe", kBrenlowCaption};
const Contender kFloor{L"FloorDialog.exe", L"Floor"};
const Contender kBare{L"MinimalDialog.exe", L"Minimal"};

void CloseByItsWindow(const Program&, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
}

// Seconds until the window shows, with `arguments`; then `end` ends the program, which is gone before the
// next one starts (a Brenlow still running would only be brought forward by the next).
double StartSeconds(const Contender& contender, const std::wstring& arguments = L"",
                    const std::function<void(const Program&, HWND)>& end = CloseByItsWindow) {
    Program program(contender.exe, arguments);
    HWND window = nullptr;
    const double seconds = program.SecondsUntilVisible(contender.caption, window);
    end(program, window);
    program.AwaitExit();
    return seconds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// 10 servers started through the launcher library and recorded beside Brenlow in the release folder, as a
// Brenlow ended unexpectedly leaves them; ended, and the record removed, when the object goes.
class RecordedServers {
public:
    RecordedServers() {
        std::vector<ServerRecord> records;
        for (const auto& [name, info] : servers_.Servers()) {
            records.push_back({name, info, TarnLauncherWrapper::GetProcessCreationTime(info.ProcessId)});
            arguments_ += std::to_wstring(info.ProcessId) + L" ";
        }
        WriteServerRecords(file_.wstring(), records);
    }
    ~RecordedServers() { WriteServerRecords(file_.wstring(), {}); }

    // Their identifiers, for the floor's command line.
    const std::wstring& Arguments() const { return arguments_; }

private:
    BenchServers servers_{kServers};
    const fs::path file_ = ReleaseFolder() / ServerRecordFileNameOfThisSession();
    std::wstring arguments_;
};

// A Documents folder with 10 configurations, pointed at while the object lives.
struct BenchDocuments {
    ScratchFolder folder{L"program-documents"};
    testsupport::ScopedDocumentsFolder redirect{folder.path()};
    BenchDocuments() { MakeClusters(folder.path(), kServers); }
};

// Brenlow with 10 servers started through its window, the floor dialog checking those same servers, and
// the bare dialog, running side by side. Fails the measure when one of them does not come.
class Session {
public:
    Session() {
        HWND window = nullptr;
        brenlow_.SecondsUntilVisible(kBrenlow.caption, window);
        brenlowWindow_ = std::make_unique<BrenlowWindow>(brenlow_, window);
        for (int i = 0; i < kServers; ++i)
            brenlowWindow_->StartServer(i);
        std::wstring arguments;
        for (DWORD server : WaitForServers(kServers, ReleaseFolder()))
            arguments += std::to_wstring(server) + L" ";
        floor_ = std::make_unique<Program>(kFloor.exe, arguments);
        bare_ = std::make_unique<Program>(kBare.exe);
        HWND ignored = nullptr;
        floor_->SecondsUntilVisible(kFloor.caption, ignored);
        bare_->SecondsUntilVisible(kBare.caption, ignored);
        Sleep(kSettleMs); // the starts are over: let the programs settle before measuring
    }
    ~Session() {
        if (!brenlowWindow_->CloseWithServers())
            PrintNote("Brenlow did not close cleanly with its servers");
    }

    const Program& Brenlow() const { return brenlow_; }
    const Program& Floor() const { return *floor_; }
    const Program& Bare() const { return *bare_; }

private:
    BenchDocuments documents_;
    Program brenlow_{kBrenlow.exe};
    std::unique_ptr<BrenlowWindow> brenlowWindow_;
    std::unique_ptr<Program> floor_, bare_;
};

// Stops every thread of a process, or lets them go again.
void SetSuspended(HANDLE process, bool suspended) {
    using ProcessCall = LONG(WINAPI*)(HANDLE);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto call = reinterpret_cast<ProcessCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, suspended ? "NtSuspendProcess" : "NtResumeProcess")));
    if (call)
        call(process);
}

DWORD IdleSeconds() {
    const char* text = std::getenv("BRENLOW_BENCH_IDLE_SECONDS");
    DWORD seconds = text ? static_cast<DWORD>(std::strtoul(text, nullptr, 10)) : 0;
    return seconds ? seconds : kIdleSecondsDefault;
}

} // namespace

void RunStartupBenchmark() {
    BenchDocuments documents;
    RecordedServers recorded;
    std::vector<double> brenlow, floor, bare;
    // Brenlow, with servers, would ask before closing and stop them: it is ended by force instead, which
    // leaves their record for the next round.
    auto endBrenlow = [](const Program& program, HWND window) {
        Require(BrenlowWindow(program, window).Rows() == kServers,
                "Brenlow did not show the servers recorded");
        TerminateProcess(program.Handle(), 0);
    };
    for (int i = 0; i < kStartRounds; ++i) {
        brenlow.push_back(StartSeconds(kBrenlow, L"", endBrenlow));
        floor.push_back(StartSeconds(kFloor, recorded.Arguments()));
        bare.push_back(StartSeconds(kBare));
    }
    PrintMeasure("start-up", Median(brenlow) * 1e3, Median(floor) * 1e3, "ms", 0);
    PrintMeasure("start-up (bare dialog)", Median(brenlow) * 1e3, Median(bare) * 1e3, "ms", 0);
}

void RunMemoryBenchmark() {
    Session session;
    LinuxProcess brenlow(session.Brenlow().Path()), floor(session.Floor().Path()),
        bare(session.Bare().Path());
    Require(brenlow.Found() && floor.Found() && bare.Found(), "the programs' Linux processes were not found");
    PrintMeasure("private memory", brenlow.PrivateResidentMebibytes(), floor.PrivateResidentMebibytes(),
                 "MiB", 2);
    PrintMeasure("private memory (bare dialog)", brenlow.PrivateResidentMebibytes(),
                 bare.PrivateResidentMebibytes(), "MiB", 2);
    PrintMeasure("committed memory", CommittedPrivateMebibytes(session.Brenlow().Handle()),
                 CommittedPrivateMebibytes(session.Floor().Handle()), "MiB", 2);
}

void RunIdleBenchmark() {
    Session session;
    LinuxProcess brenlow(session.Brenlow().Path()), floor(session.Floor().Path());
    Require(brenlow.Found() && floor.Found(), "the programs' Linux processes were not found");
    // The idle window in slices, taken in turns: each program runs alone while its slice is measured,
    // the other held suspended, so that neither's figure depends on how its timers happen to fall
    // against the other's; the median slice leaves out a burst of the machine's other work.
    const DWORD sliceMs = IdleSeconds() * 1000 / (2 * kIdleSlices);
    std::vector<double> brenlowSlices, floorSlices;
    auto measureAlone = [&](const LinuxProcess& measured, const Program& other, std::vector<double>& slices) {
        SetSuspended(other.Handle(), true);
        double before = measured.CpuSeconds();
        Sleep(sliceMs);
        slices.push_back(measured.CpuSeconds() - before);
        SetSuspended(other.Handle(), false);
    };
    for (int i = 0; i < kIdleSlices; ++i) {
        measureAlone(brenlow, session.Floor(), brenlowSlices);
        measureAlone(floor, session.Brenlow(), floorSlices);
    }
    const double msPerMinute = 60e3 * 1e3 / sliceMs;
    PrintMeasure("idle cpu", Median(brenlowSlices) * msPerMinute, Median(floorSlices) * msPerMinute, "ms/min",
                 0);
}
