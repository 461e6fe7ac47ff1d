#ifndef BENCHMAIN_H
#define BENCHMAIN_H

#include <benchmark/benchmark.h>

namespace wallmatch::bench {

// Reads the benchmark flags, creates an offscreen QApplication, lets `registerBenchmarks` add
// the program's benchmarks (their sizes may depend on smokeRun()) and runs them.
int runBenchmarks(int argc, char **argv, void (*registerBenchmarks)());

// Timed by the wall clock: what a subject waits for is elapsed time, not CPU time.
benchmark::internal::Benchmark *wallClock(benchmark::internal::Benchmark *benchmark,
                                          benchmark::TimeUnit unit);

} // namespace wallmatch::bench

#endif // BENCHMAIN_H
