#pragma once
// One function per measure; each prints its lines beside its floor (bench/BenchSupport.h).

void RunLogBenchmark();
void RunDiscoveryBenchmark();
void RunSweepBenchmark();
void RunRecordsBenchmark();
void RunStartupBenchmark();
void RunMemoryBenchmark();
void RunIdleBenchmark();
void RunSoak();  // long: only when asked for by name
void RunChaos(); // long: only when asked for by name (bench/ChaosRun.h)
// How long the chaos runs: BRENLOW_CHAOS_MINUTES, 30 by default.
double ChaosMinutes();
