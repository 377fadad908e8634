// Brenlow's benchmark program: measures, prints figures, asserts nothing.
#include "Benchmarks.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const char* only = argc > 1 ? argv[1] : "";
    auto wanted = [&](const char* name) { return !*only || std::strcmp(only, name) == 0; };
    if (wanted("log"))
        RunLogBenchmark();
    if (wanted("server"))
        RunServerBenchmarks();
    if (wanted("program"))
        RunProgramBenchmarks();
    return 0;
}
