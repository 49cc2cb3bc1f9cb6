// Nanoseconds per call of each matching rule on a typical text: the answer
// alone, as the tick asks for it ("RULE/due"), and with the field texts
// handed back, as the editor asks for it ("RULE/fields").
#include <benchmark/benchmark.h>

#include <string>

#include "bench/rule_cases.h"

namespace vantrel {
namespace {

void BM_Due(benchmark::State& state, const RuleCase* c) {
    const LocalTime now = BenchTime();
    const MatchEnv env = BenchEnv();
    const std::string text = c->text;
    for (auto _ : state) benchmark::DoNotOptimize(IsScheduleDue(c->kind, now, text, env));
}

void BM_Fields(benchmark::State& state, const RuleCase* c) {
    const LocalTime now = BenchTime();
    const MatchEnv env = BenchEnv();
    const std::string text = c->text;
    for (auto _ : state) benchmark::DoNotOptimize(MatchSchedule(c->kind, now, text, env));
}

struct Register {
    Register() {
        for (const RuleCase& c : kRuleCases) {
            benchmark::RegisterBenchmark((std::string(c.name) + "/due").c_str(), BM_Due, &c);
            benchmark::RegisterBenchmark((std::string(c.name) + "/fields").c_str(), BM_Fields, &c);
        }
    }
} registerAll;

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
