// The typical schedule texts the matching-rule benchmarks call, and the
// local time they are matched against.
#pragma once

#include "scheduler/matching.h"

namespace vantrel {

struct RuleCase {
    const char* name;
    ScheduleKind kind;
    const char* text;
};

inline const RuleCase kRuleCases[] = {
    {"MatchIdle", ScheduleKind::Idle, "空闲30分钟"},
    {"MatchOnce", ScheduleKind::Once, "一次2018/4/13日23时5分"},
    {"MatchDaily", ScheduleKind::Daily, "每天17时30分"},
    {"MatchWeekly", ScheduleKind::Weekly, "每周5日17时30分"},
    {"MatchMonthly", ScheduleKind::Monthly, "每月1日9时0分"},
    {"MatchYearly", ScheduleKind::Yearly, "每年12月25日8时0分"},
    {"MatchStartup", ScheduleKind::Startup, "开机0时10分"},
    {"MatchInterval", ScheduleKind::Interval, "每隔45分开始8时0分"},
};

inline LocalTime BenchTime() {
    LocalTime now;
    now.year = 2018;
    now.month = 4;
    now.day = 13;
    now.dayOfWeek = 5;
    now.hour = 17;
    now.minute = 30;
    return now;
}

inline MatchEnv BenchEnv() {
    MatchEnv env;
    env.tickCount = 600000;
    env.lastInputTick = 0;
    return env;
}

}  // namespace vantrel
