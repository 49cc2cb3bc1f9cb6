// Nanoseconds per call of each matching rule on a typical text.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/rule_cases.h"

namespace vantrel {
namespace {

void BM_Rule(benchmark::State& state, const RuleCase* c) {
    const LocalTime now = BenchTime();
    const MatchEnv env = BenchEnv();
    const std::string text = c->text;
    for (auto _ : state) benchmark::DoNotOptimize(MatchSchedule(c->kind, now, text, env));
}

struct Register {
    Register() {
        for (const RuleCase& c : kRuleCases) benchmark::RegisterBenchmark(c.name, BM_Rule, &c);
    }
} registerAll;

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
