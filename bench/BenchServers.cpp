#include "BenchServers.h"

#include "BenchSupport.h"

namespace bench {

BenchServers::BenchServers(int count) {
    wrapper_.RunningServers.clear();
    Require(wrapper_.Helper != nullptr, "tarn_launcher.dll beside the benchmark did not load");
    for (int i = 0; i < count; ++i) {
        std::wstring error;
        wrapper_.StartServer(L"Bench_" + std::to_wstring(i), &error);
    }
    WaitForServers(count, BenchFolder());
    servers_ = wrapper_.RunningServers;
}

BenchServers::~BenchServers() {
    wrapper_.RunningServers = servers_;
    wrapper_.StopAllServers();
    wrapper_.RunningServers.clear();
    WaitFor(kPatienceMs, [] { return ServerProcessIds().empty(); });
    RemoveServerRecords(BenchFolder());
}

} // namespace bench
