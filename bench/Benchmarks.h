#pragma once
// One function per benchmark; each prints its own figures.

void RunLogBenchmark();
void RunServerBenchmarks();
void RunProgramBenchmarks();
