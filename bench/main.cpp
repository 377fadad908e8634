// Brenlow's benchmark program: measures each figure beside its floor, prints, asserts nothing.
// Without an argument it runs every measure but the soak and the chaos; with one, only the measure of that
// name.
// Each measure has a time limit and stops at the first thing that does not happen; the run then goes on
// with the next one and ends with exit code 1.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Measure {
    const char* name;
    void (*run)();
    bool byDefault;
    int limitSeconds; // room for a busy machine and a 20 s wait that runs out; 410 s for the default ones
};

// The chaos runs as long as it is told to, and may take two minutes more to come to an end.
int ChaosLimitSeconds() {
    return static_cast<int>(ChaosMinutes() * 60) + 120;
}

// Records first: its figure is mostly the disk's flush, which for a while pays for the files that the
// log and discovery measures write and remove (1.2 ms against 0.9 ms right after discovery's tree).
constexpr Measure kMeasures[] = {
    {"records", RunRecordsBenchmark, true, 20},
    {"log", RunLogBenchmark, true, 150},
    {"discovery", RunDiscoveryBenchmark, true, 30},
    {"sweep", RunSweepBenchmark, true, 30},
    {"start-up", RunStartupBenchmark, true, 45},
    {"memory", RunMemoryBenchmark, true, 30},
    {"idle", RunIdleBenchmark, true, 105},
    {"soak", RunSoak, false, 600},
    {"chaos", RunChaos, false, 0},
};

int LimitSeconds(const Measure& measure) {
    return measure.run == RunChaos ? ChaosLimitSeconds() : measure.limitSeconds;
}

constexpr auto kProgressEvery = std::chrono::seconds(15);
// A measure this far past its limit is stuck where no wait of ours can stop it, and the run ends.
constexpr int kStuckSeconds = 15;

// The machine's load average (Linux's, read through drive Z:): the figures are only as quiet as it.
std::string LoadAverage() {
    std::ifstream file("Z:\\proc\\loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Which build measures, on which Windows: the programs it measures are of its own build.
const char* BuildAndWindows() {
#if defined(_WIN64)
    return "the 64-bit build on 64-bit Windows";
#else
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 ? "the 32-bit build on 64-bit Windows (WoW64)" : "the 32-bit build on 32-bit Windows";
#endif
}

void PrintFailure(const Measure& measure, const char* what, double seconds) {
    std::printf("%s: failed (%s, after %.0f s)\n", measure.name, what, seconds);
    std::fflush(stdout);
}

// While a measure runs: a line on the terminal (stderr, apart from the measure lines) every 15 s, and
// the end of the run should the measure be stuck.
class Watch {
public:
    explicit Watch(const Measure& measure) : measure_(measure), thread_([this] { Run(); }) {}
    ~Watch() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    double Seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

private:
    using Clock = std::chrono::steady_clock;

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!wake_.wait_for(lock, kProgressEvery, [this] { return done_; })) {
            if (Seconds() > LimitSeconds(measure_) + kStuckSeconds) {
                PrintFailure(measure_, "stuck past its time, which ends the run", Seconds());
                // The programs' jobs end them with this process; the session's end takes the rest.
                TerminateProcess(GetCurrentProcess(), 1);
            }
            std::fprintf(stderr, "# %s: running for %.0f s, stops within %d s\n", measure_.name, Seconds(),
                         LimitSeconds(measure_));
        }
    }

    const Measure& measure_;
    const Clock::time_point start_ = Clock::now();
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

// Servers that a failed measure left (its programs' jobs end those of the programs) and the records that
// servers write beside themselves go before the next measure.
void EndLeftovers() {
    std::vector<HANDLE> servers;
    for (DWORD id : bench::ServerProcessIds()) {
        if (HANDLE server = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
            TerminateProcess(server, 1);
            servers.push_back(server);
        }
    }
    if (!servers.empty())
        WaitForMultipleObjects(static_cast<DWORD>(servers.size()), servers.data(), TRUE, bench::kPatienceMs);
    for (HANDLE server : servers)
        CloseHandle(server);
    bench::RemoveServerRecords(bench::ReleaseFolder());
    bench::RemoveServerRecords(bench::BenchFolder());
}

bool Run(const Measure& measure) {
    bench::PrintNote("%s, load average %s", measure.name, LoadAverage().c_str());
    bool done = true;
    {
        Watch watch(measure);
        bench::StartMeasureClock(LimitSeconds(measure) * 1000);
        try {
            measure.run();
        } catch (const std::exception& error) {
            PrintFailure(measure, error.what(), watch.Seconds());
            done = false;
        }
        bench::StopMeasureClock();
    }
    EndLeftovers();
    return done;
}

} // namespace

int main(int argc, char** argv) {
    const char* only = argc > 1 ? argv[1] : nullptr;
    bench::PrintNote("brenlow_bench: %s", BuildAndWindows());
    bool ran = false, failed = false;
    for (const Measure& measure : kMeasures) {
        if (only ? std::strcmp(only, measure.name) != 0 : !measure.byDefault)
            continue;
        failed |= !Run(measure);
        ran = true;
    }
    if (!ran) {
        std::fprintf(stderr, "unknown measure %s; measures:", only);
        for (const Measure& measure : kMeasures)
            std::fprintf(stderr, " %s", measure.name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    return failed || bench::RunFailed() ? 1 : 0;
}
