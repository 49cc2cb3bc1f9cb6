// When a suspend with a wake choice should wake the computer again.
#pragma once

#include <string>

#include "scheduler/conversions.h"
#include "scheduler/matching.h"

namespace vantrel {

struct WakePlan {
    bool armTimer = false;  // false: suspend without a wake timer
    Date date;
    int hour = 0;
    int minute = 0;
};

// "不唤醒" or empty: no timer. Otherwise day N of "第N天H时M分唤醒" counted
// from `today` (day 1), at H:M. N, H or M that is not a decimal integer
// raises ConversionError ("'x' is not a valid integer value"), and the
// suspend does not happen. An hour above 23, a minute above 59 or a day
// below 1, or a day so far ahead that no calendar date reaches it, arms no
// timer, and the suspend still happens.
WakePlan PlanWake(const std::string& wakeChoice, const Date& today);

// The same, counted from `now`'s date, and a wake not later than `now`'s
// minute (第1天 with a time already past) moves on a day: a timer armed in
// the past comes due at once, and the next wake by hand would pass for it.
WakePlan PlanWake(const std::string& wakeChoice, const LocalTime& now);

}  // namespace vantrel
