// The sweep: CollectStoppedServers over 10 live servers started through the launcher library. Floor:
// for each of the same servers, open the process, read its image name and creation time, close the
// handle.
#include "BenchServers.h"
#include "BenchSupport.h"
#include "Benchmarks.h"
#include "ServerCheck.h"

#include "server/TarnLauncherWrapper.h"

#include <map>

namespace {

constexpr int kServers = 10;
constexpr int kRounds = 101;

} // namespace

void RunSweepBenchmark() {
    // Measured once every server has come up (the runner ends them should they not all come).
    bench::BenchServers servers(kServers);
    TarnLauncherWrapper& wrapper = TarnLauncherWrapper::GetInstance();
    size_t sweptByMistake = 0, missedByFloor = 0;
    std::map<DWORD, ULONGLONG> createdAt;
    bench::Medians seconds = bench::MedianSecondsInTurns(
        kRounds, [&] { sweptByMistake += wrapper.CollectStoppedServers().size(); },
        [&] {
            for (const auto& [name, info] : servers.Servers())
                missedByFloor += !bench::IsServerRunning(info.ProcessId, createdAt[info.ProcessId]);
        });

    bench::PrintMeasure("sweep", seconds.brenlow * 1e3, seconds.floor * 1e3, "ms", 3);
    if (sweptByMistake || missedByFloor)
        bench::PrintNote("sweep: %zu swept by mistake, %zu missed by the floor", sweptByMistake,
                         missedByFloor);
}
