#pragma once
// What the benchmarks share: timing Brenlow and its floor in turns, the line that prints a measure beside
// its floor, bounded waits that stop a measure when something does not happen, a Documents folder of the
// bench's own, and programs started and watched from outside.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// A measure stops at the first thing that does not happen: Fail throws, and the runner prints
// "<measure>: failed (<what did not happen>, after <n> s)" in place of the measure's lines and goes on
// with the next measure. A measure whose time is up fails as "did not finish in time".
[[noreturn]] void Fail(const std::string& whatDidNotHappen);
inline void Require(bool done, const std::string& whatDidNotHappen) {
    if (!done)
        Fail(whatDidNotHappen);
}
// A measure that printed its lines but found what it looked for wrong: the run ends with exit code 1.
void MarkRunFailed();
bool RunFailed();
// The time the running measure is given, set by the runner: every wait ends by then.
void StartMeasureClock(DWORD limitMs);
void StopMeasureClock();
void CheckMeasureTime();

// Medians, in seconds, of Brenlow's rounds and of its floor's.
struct Medians {
    double brenlow = 0;
    double floor = 0;
};

// Times `rounds` rounds of each, in turns, so that both meet the same load on a shared machine.
template <typename BrenlowRound, typename FloorRound>
Medians MedianSecondsInTurns(int rounds, BrenlowRound brenlowRound, FloorRound floorRound) {
    auto seconds = [](auto& round) {
        auto start = std::chrono::steady_clock::now();
        round();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> brenlow, floor;
    for (int i = 0; i < rounds; ++i) {
        CheckMeasureTime();
        brenlow.push_back(seconds(brenlowRound));
        floor.push_back(seconds(floorRound));
    }
    auto median = [](std::vector<double>& values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {median(brenlow), median(floor)};
}

// "<measure>: brenlow <value> <unit>, floor <value> <unit>, ratio <brenlow / floor>"
void PrintMeasure(const char* measure, double brenlow, double floor, const char* unit, int decimals);
// A line about the run rather than a measure.
void PrintNote(const char* format, ...);

// The folder of brenlow_bench.exe; the programs measured from outside lie in its "release" folder.
std::filesystem::path BenchFolder();
std::filesystem::path ReleaseFolder();

// Polls `ready` every millisecond until it holds, `timeoutMs` passes or the measure's time is up;
// returns its last answer. Await fails the measure instead of answering false.
bool WaitFor(DWORD timeoutMs, const std::function<bool()>& ready);
inline constexpr DWORD kPatienceMs = 20000;
void Await(const std::string& whatDidNotHappen, const std::function<bool()>& ready,
           DWORD timeoutMs = kPatienceMs);

// A fresh folder under %TEMP%, removed with everything in it when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The folder of the cluster configurations under `documents`.
std::filesystem::path ClusterRoot(const std::filesystem::path& documents);
// Cluster folders Bench_0 ... Bench_<count - 1> with their marker files, under `documents`.
void MakeClusters(const std::filesystem::path& documents, int count);

// Identifiers of the running dedicated servers, and the record files they leave beside themselves.
std::vector<DWORD> ServerProcessIds();
void RemoveServerRecords(const std::filesystem::path& folder);
// Waits until `count` servers run and each has written its record in `folder` (by then it has made its
// exit event too); returns their identifiers, and fails the measure when they do not all come.
std::vector<DWORD> WaitForServers(size_t count, const std::filesystem::path& folder);

// A program of the release folder with `arguments`, started on construction inside a job that ends it,
// and every server it started, when the object goes.
class Program {
public:
    explicit Program(const std::wstring& exe, const std::wstring& arguments = L"");
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return process_.hProcess != nullptr; }
    HANDLE Handle() const { return process_.hProcess; }
    DWORD Id() const { return process_.dwProcessId; }
    const std::filesystem::path& Path() const { return path_; }

    // The process's visible top-level window with this caption, or null.
    HWND TopWindow(const wchar_t* caption) const;
    // Waits for that window; returns the seconds since just before CreateProcess. Fails the measure when
    // the program did not start or its window does not show.
    double SecondsUntilVisible(const wchar_t* caption, HWND& window) const;
    bool WaitForExit(DWORD timeoutMs) const;
    // Waits for the program's end; fails the measure when it does not end.
    void AwaitExit() const;

private:
    std::filesystem::path path_;
    HANDLE job_ = nullptr;
    PROCESS_INFORMATION process_{};
    std::chrono::steady_clock::time_point started_;
};

} // namespace bench
