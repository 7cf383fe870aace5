// listMatches on the inputs that cost the most: its time is how long the window stays busy.
#include <benchmark/benchmark.h>

#include "utilities/regextester/RegexTest.h"

using qx::Text;

namespace {

void run(benchmark::State& state, const Text& pattern, const Text& subject) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        Text out = qx::regextester::listMatches(pattern, subject);
        bytes = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["output_bytes"] = static_cast<double>(bytes);
}

void MillionMatches(benchmark::State& s) { run(s, "a", Text(1 << 20, 'a')); }
void MillionChineseMatches(benchmark::State& s) {
    Text subject;
    for (int i = 0; i < (1 << 19); ++i) subject += "\xD6\xD0";  // 中, half a million times
    run(s, ".", subject);
}
void Catastrophic(benchmark::State& s) { run(s, "(a+)+$", Text(30, 'a') + "b"); }
void CatastrophicLong(benchmark::State& s) { run(s, "(a+)+$", Text(1 << 20, 'a') + "b"); }
void SlowAtEveryPosition(benchmark::State& s) { run(s, "\\w*x|a", Text(1 << 20, 'a')); }
void DoesNotCompile(benchmark::State& s) { run(s, "(a", Text(1 << 20, 'a')); }
void InvalidGbk(benchmark::State& s) {
    Text subject;
    for (int i = 0; i < (1 << 19); ++i) subject += "\x81\x20";
    run(s, ".", subject);
}

}  // namespace

BENCHMARK(MillionMatches)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(MillionChineseMatches)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Catastrophic)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(CatastrophicLong)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SlowAtEveryPosition)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(DoesNotCompile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(InvalidGbk)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
