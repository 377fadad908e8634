#pragma once
// Servers started through the launcher library beside the benchmark, under the names Bench_0 ...
// Bench_<count - 1> in the server manager's map, for the measures that run them in-process.
#include "server/TarnLauncherWrapper.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

class BenchServers {
public:
    // Starts them and waits until all run; fails the measure when they do not.
    explicit BenchServers(int count);
    // Stops them, waits until they have ended, empties the map and removes the records they wrote.
    ~BenchServers();
    BenchServers(const BenchServers&) = delete;
    BenchServers& operator=(const BenchServers&) = delete;

    // The map as it was once they had started.
    const std::map<std::wstring, ServerProcessInfo>& Servers() const { return servers_; }

private:
    TarnLauncherWrapper& wrapper_ = TarnLauncherWrapper::GetInstance();
    std::map<std::wstring, ServerProcessInfo> servers_;
};

} // namespace bench
