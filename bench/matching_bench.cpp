// Nanoseconds per call of each matching rule on a typical text.
#include <benchmark/benchmark.h>

#include "scheduler/matching.h"

namespace vantrel {
namespace {

struct RuleCase {
    const char* name;
    ScheduleKind kind;
    const char* text;
};

const RuleCase kCases[] = {
    {"MatchIdle", ScheduleKind::Idle, "空闲30分钟"},
    {"MatchOnce", ScheduleKind::Once, "一次2018/4/13日23时5分"},
    {"MatchDaily", ScheduleKind::Daily, "每天17时30分"},
    {"MatchWeekly", ScheduleKind::Weekly, "每周5日17时30分"},
    {"MatchMonthly", ScheduleKind::Monthly, "每月1日9时0分"},
    {"MatchYearly", ScheduleKind::Yearly, "每年12月25日8时0分"},
    {"MatchStartup", ScheduleKind::Startup, "开机0时10分"},
    {"MatchInterval", ScheduleKind::Interval, "每隔45分开始8时0分"},
};

void BM_Rule(benchmark::State& state, const RuleCase* c) {
    LocalTime now;
    now.year = 2018;
    now.month = 4;
    now.day = 13;
    now.dayOfWeek = 5;
    now.hour = 17;
    now.minute = 30;
    MatchEnv env;
    env.tickCount = 600000;
    env.lastInputTick = 0;
    std::string text = c->text;
    for (auto _ : state) benchmark::DoNotOptimize(MatchSchedule(c->kind, now, text, env));
}

struct Register {
    Register() {
        for (const RuleCase& c : kCases) benchmark::RegisterBenchmark(c.name, BM_Rule, &c);
    }
} registerAll;

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
