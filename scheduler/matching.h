// The eight schedule matching rules. Each is a pure function of the local
// time snapshot of one tick, the schedule text and the environment (tick
// count, last-input tick, the time since the computer came on and short date
// format), so that every rule can be exercised without a clock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/schedule_text.h"

namespace vantrel {

// The fields of a Win32 SYSTEMTIME that the rules look at, with the same
// meaning: wDayOfWeek 0 = Sunday ... 6 = Saturday.
struct LocalTime {
    int year = 0;
    int month = 0;
    int dayOfWeek = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct MatchEnv {
    std::uint32_t tickCount = 0;      // milliseconds since start-up, wraps at 2^32
    std::uint32_t lastInputTick = 0;  // tick count of the last user input
    // Milliseconds since the computer was switched on or last woke up
    // (scheduler/uptime.h): what 开机 counts.
    std::uint64_t upMs = 0;
    std::string shortDateFormat = "yyyy/M/d";
};

// One field text handed back by a rule, with its name: N, D, W, MO, H or M.
struct FieldText {
    std::string name;
    std::string text;
};

struct MatchResult {
    bool due = false;
    std::vector<FieldText> fields;  // every field the rule read, in grammar order

    // The text of the named field, or an empty text when the rule has none.
    std::string Field(const std::string& name) const;
};

// Whole minutes since the last input; the subtraction wraps modulo 2^32, so it
// stays right across a wrap of the tick count.
std::uint32_t IdleMinutes(const MatchEnv& env);
// Whole minutes since the computer was switched on or last woke up.
std::uint64_t UptimeMinutes(const MatchEnv& env);

// A field that does not convert (empty, not a number, beyond 32 bits, a date
// that does not read under the format) makes the rule answer "not due"; no
// rule throws.
MatchResult MatchIdle(const LocalTime& now, const std::string& text, const MatchEnv& env);
MatchResult MatchOnce(const LocalTime& now, const std::string& text, const MatchEnv& env);
MatchResult MatchDaily(const LocalTime& now, const std::string& text, const MatchEnv& env);
MatchResult MatchWeekly(const LocalTime& now, const std::string& text, const MatchEnv& env);
MatchResult MatchMonthly(const LocalTime& now, const std::string& text, const MatchEnv& env);
MatchResult MatchYearly(const LocalTime& now, const std::string& text, const MatchEnv& env);
MatchResult MatchStartup(const LocalTime& now, const std::string& text, const MatchEnv& env);
MatchResult MatchInterval(const LocalTime& now, const std::string& text, const MatchEnv& env);

// The rule of `kind` (None: not due, no fields).
MatchResult MatchSchedule(ScheduleKind kind, const LocalTime& now, const std::string& text,
                          const MatchEnv& env);

// The same rule's answer alone, for the tick, which asks every enabled task
// every six seconds and never looks at the fields: it reads them as views
// into the text and allocates nothing.
bool IsScheduleDue(ScheduleKind kind, const LocalTime& now, std::string_view text,
                   const MatchEnv& env);

}  // namespace vantrel
