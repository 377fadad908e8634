// Brenlow's benchmark program: measures each figure beside its floor, prints, asserts nothing.
// Without an argument it runs every measure but the soak; with one, only the measure of that name.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

namespace {

struct Measure {
    const char* name;
    void (*run)();
    bool byDefault;
};

constexpr Measure kMeasures[] = {
    {"log", RunLogBenchmark, true},
    {"discovery", RunDiscoveryBenchmark, true},
    {"sweep", RunSweepBenchmark, true},
    {"records", RunRecordsBenchmark, true},
    {"start-up", RunStartupBenchmark, true},
    {"memory", RunMemoryBenchmark, true},
    {"idle", RunIdleBenchmark, true},
    {"soak", RunSoak, false},
};

// The machine's load average (Linux's, read through drive Z:): the figures are only as quiet as it.
std::string LoadAverage() {
    std::ifstream file("Z:\\proc\\loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

const char* WindowsKind() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 ? "64-bit Windows (WoW64)" : "32-bit Windows";
}

} // namespace

int main(int argc, char** argv) {
    const char* only = argc > 1 ? argv[1] : nullptr;
    bench::PrintNote("brenlow_bench on %s", WindowsKind());
    bool ran = false;
    for (const Measure& measure : kMeasures) {
        if (only ? std::strcmp(only, measure.name) != 0 : !measure.byDefault)
            continue;
        bench::PrintNote("%s, load average %s", measure.name, LoadAverage().c_str());
        try {
            measure.run();
        } catch (const std::exception& error) {
            bench::PrintNote("%s: stopped by an exception: %s", measure.name, error.what());
        }
        ran = true;
    }
    if (!ran) {
        std::fprintf(stderr, "unknown measure %s; measures:", only);
        for (const Measure& measure : kMeasures)
            std::fprintf(stderr, " %s", measure.name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    return 0;
}
