// Calls one matching rule N times, for callgrind to count instructions:
//   matching_count RULE N
// The instructions of one call are (I(N) - I(1)) / (N - 1).
#include <cstdlib>
#include <cstring>
#include <string>

#include "scheduler/matching.h"

using namespace vantrel;

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    struct {
        const char* name;
        ScheduleKind kind;
        const char* text;
    } const cases[] = {
        {"MatchIdle", ScheduleKind::Idle, "空闲30分钟"},
        {"MatchOnce", ScheduleKind::Once, "一次2018/4/13日23时5分"},
        {"MatchDaily", ScheduleKind::Daily, "每天17时30分"},
        {"MatchWeekly", ScheduleKind::Weekly, "每周5日17时30分"},
        {"MatchMonthly", ScheduleKind::Monthly, "每月1日9时0分"},
        {"MatchYearly", ScheduleKind::Yearly, "每年12月25日8时0分"},
        {"MatchStartup", ScheduleKind::Startup, "开机0时10分"},
        {"MatchInterval", ScheduleKind::Interval, "每隔45分开始8时0分"},
    };
    long n = std::atol(argv[2]);
    LocalTime now;
    now.year = 2018;
    now.month = 4;
    now.day = 13;
    now.dayOfWeek = 5;
    now.hour = 17;
    now.minute = 30;
    MatchEnv env;
    env.tickCount = 600000;
    volatile bool sink = false;
    for (const auto& c : cases) {
        if (std::strcmp(c.name, argv[1]) != 0) continue;
        std::string text = c.text;
        for (long i = 0; i < n; ++i) sink = MatchSchedule(c.kind, now, text, env).due;
        return sink ? 0 : 0;
    }
    return 2;
}
