// Wall time from process start to a shown main window, and the process's peak memory: the
// program's real start-up against a minimal Qt window program, each started as a fresh process
// (offscreen platform). Each benchmark repeats 15 times; compare.sh reads the medians.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

extern char** environ;

namespace {

// The child's peak resident memory in KiB, or -1 when it did not end well.
long runOnce(const char* path) {
    char* argv[] = {const_cast<char*>(path), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, path, nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
}

void run(benchmark::State& state, const char* path) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    long peak = 0;
    for (auto _ : state) {
        const long kib = runOnce(path);
        if (kib < 0) state.SkipWithError("the program failed");
        peak = std::max(peak, kib);
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
}

void BM_QuorvexStartUp(benchmark::State& state) { run(state, QX_STARTUP_PROBE); }
void BM_MinimalQtWindow(benchmark::State& state) { run(state, QX_MINIMAL_WINDOW); }

}  // namespace

BENCHMARK(BM_MinimalQtWindow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(15)
    ->ReportAggregatesOnly();
BENCHMARK(BM_QuorvexStartUp)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(15)
    ->ReportAggregatesOnly();
BENCHMARK_MAIN();
