#include "BenchServers.h"

#include "BenchSupport.h"

namespace bench {

BenchServers::BenchServers(int count) {
    wrapper_.RunningServers.clear();
    if (!wrapper_.Helper)
        return;
    for (int i = 0; i < count; ++i) {
        std::wstring error;
        wrapper_.StartServer(L"Bench_" + std::to_wstring(i), &error);
    }
    servers_ = wrapper_.RunningServers;
    started_ = WaitForServers(count, BenchFolder()).size() == static_cast<size_t>(count);
}

BenchServers::~BenchServers() {
    wrapper_.RunningServers = servers_;
    wrapper_.StopAllServers();
    wrapper_.RunningServers.clear();
    WaitFor(kPatienceMs, [] { return ServerProcessIds().empty(); });
    RemoveServerRecords(BenchFolder());
}

} // namespace bench
