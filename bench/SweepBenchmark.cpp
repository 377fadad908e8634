// The sweep: CollectStoppedServers over 10 live servers started through the launcher library. Floor:
// for each of the same servers, open the process, read its image name, close the handle.
#include "BenchSupport.h"
#include "Benchmarks.h"
#include "ServerCheck.h"

#include "server/TarnLauncherWrapper.h"

namespace fs = std::filesystem;

namespace {

constexpr int kServers = 10;
constexpr int kRounds = 101;

} // namespace

void RunSweepBenchmark() {
    TarnLauncherWrapper& wrapper = TarnLauncherWrapper::GetInstance();
    bench::Require(wrapper.Helper != nullptr, "tarn_launcher.dll beside the benchmark did not load");
    wrapper.RunningServers.clear();
    for (int i = 0; i < kServers; ++i) {
        std::wstring error;
        wrapper.StartServer(L"Bench_" + std::to_wstring(i), &error);
    }
    // Measured once every server has come up (the runner ends them should they not all come).
    const fs::path folder = bench::BenchFolder();
    const std::vector<DWORD> ids = bench::WaitForServers(kServers, folder);
    std::vector<HANDLE> servers;
    for (DWORD id : ids)
        servers.push_back(OpenProcess(SYNCHRONIZE, FALSE, id));

    size_t sweptByMistake = 0, missedByFloor = 0;
    bench::Medians seconds = bench::MedianSecondsInTurns(
        kRounds, [&] { sweptByMistake += wrapper.CollectStoppedServers().size(); },
        [&] {
            for (DWORD id : ids)
                missedByFloor += !bench::IsServerRunning(id);
        });

    wrapper.StopAllServers();
    for (HANDLE server : servers) {
        WaitForSingleObject(server, bench::kPatienceMs);
        CloseHandle(server);
    }
    wrapper.RunningServers.clear();
    bench::RemoveServerRecords(folder);

    bench::PrintMeasure("sweep", seconds.brenlow * 1e3, seconds.floor * 1e3, "ms", 3);
    if (sweptByMistake || missedByFloor)
        bench::PrintNote("sweep: %zu servers, %zu swept by mistake, %zu missed by the floor", ids.size(),
                         sweptByMistake, missedByFloor);
}
