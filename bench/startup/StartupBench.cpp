// Wall time from process start to a shown main window: the program's real start-up against a
// minimal Qt window program, each started as a fresh process (offscreen platform).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

extern char** environ;

namespace {

bool runOnce(const char* path) {
    char* argv[] = {const_cast<char*>(path), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, path, nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void run(benchmark::State& state, const char* path) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    for (auto _ : state)
        if (!runOnce(path)) state.SkipWithError("the program failed");
}

void BM_QuorvexStartUp(benchmark::State& state) { run(state, QX_STARTUP_PROBE); }
void BM_MinimalQtWindow(benchmark::State& state) { run(state, QX_MINIMAL_WINDOW); }

}  // namespace

BENCHMARK(BM_MinimalQtWindow)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_QuorvexStartUp)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK_MAIN();
