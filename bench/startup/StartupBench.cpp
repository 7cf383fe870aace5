// Wall time from process start to a shown and painted main window, and the process's peak
// memory: the program's real start-up against a minimal Qt window program, each started as a
// fresh process (offscreen platform). Each benchmark repeats 41 times; compare.sh reads the medians.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

extern char** environ;

namespace {

struct Run {
    double shownSeconds = -1;  // from the spawn to the child's word that its window is painted
    long peakKiB = -1;         // -1 when it did not end well
};

// The child writes one byte to its standard output once its window is painted, then ends: the
// time is taken at that byte, so the tearing down of the process is not counted.
Run runOnce(const char* path) {
    Run run;
    int shown[2];
    if (pipe(shown) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, shown[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, shown[0]);
    char* argv[] = {const_cast<char*>(path), nullptr};
    pid_t pid;
    const auto start = std::chrono::steady_clock::now();
    const bool spawned = posix_spawn(&pid, path, &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(shown[1]);
    char byte;
    const bool said = spawned && read(shown[0], &byte, 1) == 1;
    run.shownSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(shown[0]);
    if (!spawned) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid && said && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        run.peakKiB = usage.ru_maxrss;
    return run;
}

void run(benchmark::State& state, const char* path) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    long peak = 0;
    for (auto _ : state) {
        const Run r = runOnce(path);
        if (r.peakKiB < 0) state.SkipWithError("the program failed");
        state.SetIterationTime(r.shownSeconds);
        peak = std::max(peak, r.peakKiB);
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
}

void BM_QuorvexStartUp(benchmark::State& state) { run(state, QX_STARTUP_PROBE); }
void BM_MinimalQtWindow(benchmark::State& state) { run(state, QX_MINIMAL_WINDOW); }
void BM_CaptionWindow(benchmark::State& state) { run(state, QX_CAPTION_WINDOW); }

}  // namespace

BENCHMARK(BM_MinimalQtWindow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(41)
    ->UseManualTime()
    ->ReportAggregatesOnly();
BENCHMARK(BM_CaptionWindow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(41)
    ->UseManualTime()
    ->ReportAggregatesOnly();
BENCHMARK(BM_QuorvexStartUp)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(41)
    ->UseManualTime()
    ->ReportAggregatesOnly();
BENCHMARK_MAIN();
