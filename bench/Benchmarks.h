#pragma once
// One function per measure; each prints its lines beside its floor (bench/BenchSupport.h).

void RunLogBenchmark();
void RunDiscoveryBenchmark();
void RunSweepBenchmark();
void RunRecordsBenchmark();
void RunStartupBenchmark();
void RunMemoryBenchmark();
void RunIdleBenchmark();
void RunSoak(); // long: only when asked for by name
