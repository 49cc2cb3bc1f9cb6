#include "actions/wake_plan.h"

#include <tuple>

#include "store/task_record.h"

namespace vantrel {

WakePlan PlanWake(const std::string& wakeChoice, const Date& today) {
    WakePlan plan;
    if (IsNoWake(wakeChoice)) return plan;
    WakeParts parts = ParseWakeChoice(wakeChoice);
    int n = StrToInt(parts.n);
    int hour = StrToInt(parts.hour);
    int minute = StrToInt(parts.minute);
    // A time the clock cannot show would make the timer conversion fail; a
    // day before today would wake the computer at once. Neither arms a timer.
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || n < 1) return plan;
    plan.date = AddDays(today, n - 1);
    // A hand-edited day count can reach past any date the clock can show.
    plan.armTimer = IsValidDate(plan.date);
    plan.hour = hour;
    plan.minute = minute;
    return plan;
}

WakePlan PlanWake(const std::string& wakeChoice, const LocalTime& now) {
    WakePlan plan = PlanWake(wakeChoice, Date{now.year, now.month, now.day});
    if (!plan.armTimer) return plan;
    if (std::make_tuple(plan.date.year, plan.date.month, plan.date.day, plan.hour, plan.minute) <=
        std::make_tuple(now.year, now.month, now.day, now.hour, now.minute)) {
        plan.date = AddDays(plan.date, 1);
        plan.armTimer = IsValidDate(plan.date);
    }
    return plan;
}

}  // namespace vantrel
