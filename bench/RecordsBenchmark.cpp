// What keeping the record of running servers adds to a start and to a sweep that changes the map, with
// ten servers recorded. Brenlow: the operation with records kept. Floor: the same operation without
// records, then the calls that replace a file of the record's size safely (write a new file, flush it,
// rename it over the old one through its handle). Starts go through a helper that starts no process but hands
// out servers that run, so that process creation does not hide the figure; each start gets a server whose
// creation time was not read yet, as a real start does.
#include "BenchServers.h"
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "server/ServerRecordFile.h"
#include "server/TarnLauncherWrapper.h"

#include <functional>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr int kServers = 10;
constexpr int kRounds = 101;
const std::wstring kStarted = L"Bench_" + std::to_wstring(kServers - 1); // the one each start adds

// Hands out the servers it was given, in turn, as the launcher would hand out new ones.
class HandingOutHelper final : public TarnLauncherHelper {
public:
    explicit HandingOutHelper(std::vector<ServerProcessInfo> servers) : servers_(std::move(servers)) {}
    void __thiscall Unused0() override {}
    void __thiscall Unused1() override {}
    void __thiscall Unused2() override {}
    bool __thiscall LaunchProcess(const wchar_t*, ServerProcessInfo* info) override {
        *info = servers_[next_++ % servers_.size()];
        return true;
    }
    void __thiscall Shutdown() override {}
    void __thiscall RunCallbacks() override {}

private:
    std::vector<ServerProcessInfo> servers_;
    size_t next_ = 0;
};

// Puts `helper` in place of the launcher's for as long as it lives, even when the measure stops halfway.
class LauncherStandIn {
public:
    LauncherStandIn(TarnLauncherWrapper& wrapper, TarnLauncherHelper& helper)
        : wrapper_(wrapper), launcher_(std::exchange(wrapper.Helper, &helper)) {}
    ~LauncherStandIn() { wrapper_.Helper = launcher_; }
    LauncherStandIn(const LauncherStandIn&) = delete;
    LauncherStandIn& operator=(const LauncherStandIn&) = delete;

private:
    TarnLauncherWrapper& wrapper_;
    TarnLauncherHelper* launcher_;
};

double Seconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double MedianMs(std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2] * 1e3;
}

// A file of `bytes` replaced as the record is: a new file written and flushed, renamed over the old one
// through its own handle.
void ReplaceFile(const fs::path& path, const std::string& bytes, bool flush) {
    const fs::path temporary = path.wstring() + L".new";
    HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (flush)
        FlushFileBuffers(file);
    const std::wstring target = path.wstring();
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), rename->FileName);
    SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
    CloseHandle(file);
}

struct Figures {
    std::vector<double> kept, notKept, floor, floorUnflushed;
};

// The ten servers of the map, and a record file for them.
class RecordsBench {
public:
    RecordsBench(TarnLauncherWrapper& wrapper, std::map<std::wstring, ServerProcessInfo> servers,
                 const fs::path& folder)
        : wrapper_(wrapper), servers_(std::move(servers)), file_(folder / L"records") {}

    // One round of each, in turns: `operation` with records kept, without, and without plus the floor's
    // flushed file replacement. `prepare` (not timed) changes the map of the ten servers as the operation
    // expects it.
    void Round(Figures& figures, const std::function<void()>& prepare,
               const std::function<void()>& operation) {
        KeepRecords();
        prepare();
        figures.kept.push_back(Seconds(operation));
        bytes_ = ReadRecordBytes();
        wrapper_.ForgetRecordedServers();
        figures.notKept.push_back(TimeWithoutRecords(prepare, operation, [] {}));
        figures.floor.push_back(
            TimeWithoutRecords(prepare, operation, [&] { ReplaceFile(floorFile_, bytes_, true); }));
    }

    // The floor's replacement without its flush, in rounds of its own after all the others: a write left
    // unflushed would be flushed, and paid for, by the next round's flush.
    void UnflushedRound(Figures& figures, const std::function<void()>& prepare,
                        const std::function<void()>& operation) {
        figures.floorUnflushed.push_back(
            TimeWithoutRecords(prepare, operation, [&] { ReplaceFile(floorFile_, bytes_, false); }));
    }

private:
    double TimeWithoutRecords(const std::function<void()>& prepare, const std::function<void()>& operation,
                              const std::function<void()>& after) {
        wrapper_.RunningServers = servers_;
        prepare();
        return Seconds([&] {
            operation();
            after();
        });
    }

    // Records kept for the ten servers, as the program keeps them once it has started.
    void KeepRecords() {
        std::vector<ServerRecord> records;
        for (const auto& [name, info] : servers_)
            records.push_back({name, info, TarnLauncherWrapper::GetProcessCreationTime(info.ProcessId)});
        WriteServerRecords(file_.wstring(), records);
        wrapper_.RunningServers.clear();
        wrapper_.AdoptRecordedServers(file_.wstring());
    }
    std::string ReadRecordBytes() const {
        std::string bytes(static_cast<size_t>(fs::file_size(file_)), '\0');
        HANDLE file =
            CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD read = 0;
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        return bytes;
    }

    TarnLauncherWrapper& wrapper_;
    const std::map<std::wstring, ServerProcessInfo> servers_;
    const fs::path file_;
    const fs::path floorFile_ = file_.wstring() + L"-floor";
    std::string bytes_; // the record file as the last round with records kept wrote it
};

void PrintFigures(const char* operation, const Figures& figures) {
    const double kept = MedianMs(figures.kept), notKept = MedianMs(figures.notKept);
    bench::PrintMeasure((std::string("records (") + operation + ")").c_str(), kept, MedianMs(figures.floor),
                        "ms", 3);
    bench::PrintNote(
        "records (%s): adds %.3f ms (%.3f ms without records); the floor's file replacement without "
        "its flush: %.3f ms less",
        operation, kept - notKept, notKept, MedianMs(figures.floor) - MedianMs(figures.floorUnflushed));
}

} // namespace

void RunRecordsBenchmark() {
    // Twelve servers: ten for the map, the last two handed out in turn to the start measured.
    bench::BenchServers started(kServers + 2);
    TarnLauncherWrapper& wrapper = TarnLauncherWrapper::GetInstance();
    std::map<std::wstring, ServerProcessInfo> servers = started.Servers();
    const std::vector<ServerProcessInfo> handedOut = {servers.at(L"Bench_10"), servers.at(L"Bench_11")};
    servers.erase(L"Bench_10");
    servers.erase(L"Bench_11");

    HandingOutHelper helper(handedOut);
    LauncherStandIn standIn(wrapper, helper);
    bench::ScratchFolder folder(L"records");
    RecordsBench records(wrapper, servers, folder.path());
    Figures start, sweep;
    size_t failures = 0;
    auto prepareStart = [&] { wrapper.RunningServers.erase(kStarted); };
    auto startOne = [&] {
        std::wstring error;
        failures += !wrapper.StartServer(kStarted, &error);
    };
    // A record of process 0 is swept at once.
    auto prepareSweep = [&] { wrapper.RunningServers[L"Ended"] = ServerProcessInfo{0, 0}; };
    auto sweepOne = [&] { failures += wrapper.CollectStoppedServers().size() != 1; };
    for (int i = 0; i < kRounds; ++i) {
        bench::CheckMeasureTime();
        records.Round(start, prepareStart, startOne);
        records.Round(sweep, prepareSweep, sweepOne);
    }
    for (int i = 0; i < kRounds; ++i) {
        bench::CheckMeasureTime();
        records.UnflushedRound(start, prepareStart, startOne);
        records.UnflushedRound(sweep, prepareSweep, sweepOne);
    }
    bench::Require(failures == 0, "a start or a sweep did not change the map");
    PrintFigures("start", start);
    PrintFigures("sweep", sweep);
}
