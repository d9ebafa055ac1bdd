#pragma once

#include <benchmark/benchmark.h>

// main() of a benchmark whose code needs a Qt application object (event loop,
// application paths) around Google Benchmark's runner.
#define QM_BENCHMARK_QT_MAIN(AppClass)                                                                       \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        AppClass app(argc, argv);                                                                            \
        benchmark::Initialize(&argc, argv);                                                                  \
        benchmark::RunSpecifiedBenchmarks();                                                                 \
        benchmark::Shutdown();                                                                               \
        return 0;                                                                                            \
    }
