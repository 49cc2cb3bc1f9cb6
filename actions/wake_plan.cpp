#include "actions/wake_plan.h"

#include "store/task_record.h"

namespace vantrel {

namespace {

long long DaysFromCivil(long long y, long long m, long long d) {
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Date CivilFromDays(long long z) {
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long d = doy - (153 * mp + 2) / 5 + 1;
    long long m = mp + (mp < 10 ? 3 : -9);
    Date out;
    out.year = static_cast<int>(y + (m <= 2));
    out.month = static_cast<int>(m);
    out.day = static_cast<int>(d);
    return out;
}

}  // namespace

Date AddDays(const Date& date, long long days) {
    return CivilFromDays(DaysFromCivil(date.year, date.month, date.day) + days);
}

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
    plan.armTimer = true;
    plan.date = AddDays(today, n - 1);
    plan.hour = hour;
    plan.minute = minute;
    return plan;
}

}  // namespace vantrel
