// When a schedule text is next due, under the matching rules the tick uses,
// and a task's next run as the program and vantrelctl show it.
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
    // Idle and start-up schedules have no clock time: a phrase instead
    // ("空闲N分钟后" / "开机后H时M分"); empty for the others.
    std::string words;
    std::vector<LocalTime> times;  // ascending, at most the count asked for
};

// The first `count` minutes at or after the minute of `from` (its seconds
// ignored) at which `schedule` is due. `env` gives the short date format of
// the once rule.
NextDue NextDueTimes(const std::string& schedule, const LocalTime& from, int count,
                     const MatchEnv& env);

// A task's next run: the first minute at which the tick would fire it.
struct NextRun {
    enum class Kind { At, WhenIdle, AfterStart, Never };
    Kind kind = Kind::Never;
    LocalTime at;       // the minute, for At
    std::string words;  // NextDue's phrase, for WhenIdle and AfterStart
};

// The next run, from the minute of `from` on, of a task with this schedule
// text and enabled state. A disabled task, a text of no kind and one not due
// within the horizon never run; idle and start-up tasks have no clock time
// (Never too when their fields do not convert, as the tick never fires them).
NextRun NextRunOf(const std::string& schedule, const std::string& enabled, const LocalTime& from,
                  const MatchEnv& env);

// "12-07 23:00", or "2027-01-05 08:00" when `at` is not in the year of
// `now`; "23:00" alone for a minute of today when `timeAloneToday`.
std::string MinuteTextFrom(const LocalTime& at, const LocalTime& now, bool timeAloneToday);

// A task's next run as the settings list's 下次运行 column and vantrelctl
// list show it: the minute as above (never the time alone), the idle or
// start-up phrase ("空闲30分钟后", "开机后0时5分"), or "—" for a task that
// does not run again.
extern const char* const kNoNextRunText;  // "—"
std::string NextRunText(const NextRun& next, const LocalTime& now);

}  // namespace vantrel
