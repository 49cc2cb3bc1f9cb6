// When a schedule text is next due, under the matching rules the tick uses.
// Computed directly, not by walking minutes: for each kind, the days that can
// match follow from the fields (every day, a weekday, a day of each month,
// a date of each year, the once date read for each year), and the minutes of
// such a day from the time fields (one, or the interval's grid). Every
// candidate is then put to the tick's own answer-only rule, so a minute is
// reported only when the rule itself says it is due.
#pragma once

#include <string>
#include <vector>

#include "scheduler/matching.h"

namespace vantrel {

// How far ahead a schedule is looked at: a text not due within these years
// of the start counts as never due.
constexpr int kNextDueYears = 8;

struct NextDue {
    // Idle and start-up schedules have no clock time: a sentence instead
    // ("空闲 N 分钟后" / "开机后 H 时 M 分"); empty for the others.
    std::string words;
    std::vector<LocalTime> times;  // ascending, at most the count asked for
};

// The first `count` minutes at or after the minute of `from` (its seconds
// ignored) at which `schedule` is due. `env` gives the short date format of
// the once rule.
NextDue NextDueTimes(const std::string& schedule, const LocalTime& from, int count,
                     const MatchEnv& env);

}  // namespace vantrel
