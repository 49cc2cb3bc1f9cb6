#include <ctime>

#include "scheduler/clock.h"

namespace vantrel {

LocalTime LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm = {};
    localtime_r(&now, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.dayOfWeek = tm.tm_wday;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    return t;
}

MatchEnv CurrentMatchEnv(const std::string& shortDateFormat, std::uint64_t upMs) {
    timespec ts = {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    MatchEnv env;
    env.tickCount = static_cast<std::uint32_t>(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
    env.lastInputTick = env.tickCount;  // no user input to ask about here
    env.upMs = upMs;
    env.shortDateFormat = shortDateFormat;
    return env;
}

// The format of the Simplified Chinese locale the program is made for.
std::string SystemShortDateFormat() { return "yyyy/M/d"; }

}  // namespace vantrel
