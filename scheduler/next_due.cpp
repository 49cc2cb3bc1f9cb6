#include "scheduler/next_due.h"

#include <cstdint>
#include <optional>

#include "scheduler/conversions.h"
#include "store/schedule_text.h"
#include "store/task_record.h"
#include "text/number_text.h"

namespace vantrel {

namespace {

constexpr int kMinutesPerDay = 24 * 60;

std::optional<std::int64_t> Num(const MatchResult& r, const char* name) {
    const std::optional<std::int32_t> v = TryStrToInt(r.Field(name));
    if (!v) return std::nullopt;
    return static_cast<std::int64_t>(*v);
}

bool Before(const Date& a, const Date& b) {
    if (a.year != b.year) return a.year < b.year;
    if (a.month != b.month) return a.month < b.month;
    return a.day < b.day;
}

bool SameDate(const Date& a, const Date& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

// The minutes of a matching day at which the rule can be due, ascending.
std::vector<int> MinutesOfDay(ScheduleKind kind, const MatchResult& f) {
    std::vector<int> minutes;
    const std::optional<std::int64_t> h = Num(f, "H"), m = Num(f, "M");
    if (!h || !m) return minutes;
    if (kind == ScheduleKind::Interval) {
        const std::optional<std::int64_t> n = Num(f, "N");
        if (!n || *n == 0) return minutes;
        // Due where the period divides the distance from the start minute, in
        // either direction: the minutes of the day congruent to it.
        const std::int64_t step = *n < 0 ? -*n : *n;
        const std::int64_t start = *h * 60 + *m;
        for (std::int64_t t = ((start % step) + step) % step; t < kMinutesPerDay; t += step)
            minutes.push_back(static_cast<int>(t));
        return minutes;
    }
    if (*h >= 0 && *h <= 23 && *m >= 0 && *m <= 59) minutes.push_back(static_cast<int>(*h * 60 + *m));
    return minutes;
}

// Calls `day` for each date from `first` up to `last` (inclusive) on which
// the kind's date fields can match, in order, until it returns false.
template <typename Day>
void CandidateDays(ScheduleKind kind, const MatchResult& f, const MatchEnv& env, const Date& first,
                   const Date& last, Day day) {
    auto inRange = [&](const Date& d) { return !Before(d, first) && !Before(last, d); };
    switch (kind) {
        case ScheduleKind::Daily:
        case ScheduleKind::Interval:
            for (Date d = first; !Before(last, d); d = AddDays(d, 1))
                if (!day(d)) return;
            return;
        case ScheduleKind::Weekly: {
            const std::optional<std::int64_t> w = Num(f, "W");
            if (!w || *w < 0 || *w > 6) return;
            const int ahead = static_cast<int>((*w - DayOfWeek(first) + 7) % 7);
            for (Date d = AddDays(first, ahead); !Before(last, d); d = AddDays(d, 7))
                if (!day(d)) return;
            return;
        }
        case ScheduleKind::Monthly: {
            const std::optional<std::int64_t> dd = Num(f, "D");
            if (!dd || *dd < 1 || *dd > 31) return;
            for (int y = first.year, mo = first.month; y <= last.year;) {
                const Date d{y, mo, static_cast<int>(*dd)};
                if (IsValidDate(d) && inRange(d) && !day(d)) return;
                if (++mo > 12) {
                    mo = 1;
                    ++y;
                }
            }
            return;
        }
        case ScheduleKind::Yearly: {
            const std::optional<std::int64_t> mo = Num(f, "MO"), dd = Num(f, "D");
            if (!mo || !dd || *mo < 1 || *mo > 12 || *dd < 1 || *dd > 31) return;
            for (int y = first.year; y <= last.year; ++y) {
                const Date d{y, static_cast<int>(*mo), static_cast<int>(*dd)};
                if (IsValidDate(d) && inRange(d) && !day(d)) return;
            }
            return;
        }
        case ScheduleKind::Once:
            // The rule reads the date in the year it is asked in (a format
            // without a year, or with two digits, depends on it), so read it
            // for each year; only a date of that very year can match.
            for (int y = first.year; y <= last.year; ++y) {
                const std::optional<Date> d = ReadShortDate(f.Field("D"), env.shortDateFormat, y);
                if (d && d->year == y && inRange(*d) && !day(*d)) return;
            }
            return;
        default:
            return;
    }
}

std::string Words(ScheduleKind kind, const MatchResult& f) {
    if (kind == ScheduleKind::Idle) {
        const std::optional<std::int64_t> n = Num(f, "N");
        // The idle time in whole minutes fits 32 bits of milliseconds.
        if (!n || *n < 0 || *n > 0xFFFFFFFFLL / 60000) return std::string();
        return "空闲" + std::to_string(*n) + "分钟后";
    }
    const std::optional<std::int64_t> h = Num(f, "H"), m = Num(f, "M");
    if (!h || !m) return std::string();
    const std::int64_t target = *h * 60 + *m;
    if (target < 0 || target > 0xFFFFFFFFLL / 60000) return std::string();
    return "开机后" + std::to_string(*h) + "时" + std::to_string(*m) + "分";
}

}  // namespace

NextDue NextDueTimes(const std::string& schedule, const LocalTime& from, int count,
                     const MatchEnv& env) {
    NextDue next;
    const ScheduleKind kind = KindFromWord(ScheduleKindOf(schedule));
    if (kind == ScheduleKind::None || count < 1) return next;
    const MatchResult fields = MatchSchedule(kind, from, schedule, env);
    if (kind == ScheduleKind::Idle || kind == ScheduleKind::Startup) {
        next.words = Words(kind, fields);
        return next;
    }
    const std::vector<int> minutes = MinutesOfDay(kind, fields);
    if (minutes.empty()) return next;
    const Date first{from.year, from.month, from.day};
    const Date last{from.year + kNextDueYears, from.month, from.day};
    const int fromMinute = from.hour * 60 + from.minute;
    CandidateDays(kind, fields, env, first, last, [&](const Date& d) {
        LocalTime t;
        t.year = d.year;
        t.month = d.month;
        t.day = d.day;
        t.dayOfWeek = DayOfWeek(d);
        for (int minute : minutes) {
            if (SameDate(d, first) && minute < fromMinute) continue;
            if (SameDate(d, last) && minute >= fromMinute) break;
            t.hour = minute / 60;
            t.minute = minute % 60;
            if (!IsScheduleDue(kind, t, schedule, env)) continue;
            next.times.push_back(t);
            if (static_cast<int>(next.times.size()) >= count) return false;
        }
        return true;
    });
    return next;
}

NextRun NextRunOf(const std::string& schedule, const std::string& enabled, const LocalTime& from,
                  const MatchEnv& env) {
    NextRun run;
    if (!IsEnabledText(enabled)) return run;
    const ScheduleKind kind = KindFromWord(ScheduleKindOf(schedule));
    const NextDue next = NextDueTimes(schedule, from, 1, env);
    if (!next.words.empty()) {
        run.kind = kind == ScheduleKind::Idle ? NextRun::Kind::WhenIdle : NextRun::Kind::AfterStart;
        run.words = next.words;
    } else if (!next.times.empty()) {
        run.kind = NextRun::Kind::At;
        run.at = next.times[0];
    }
    return run;
}

std::string MinuteTextFrom(const LocalTime& at, const LocalTime& now, bool timeAloneToday) {
    const std::string time = PaddedDecimal(at.hour, 2) + ":" + PaddedDecimal(at.minute, 2);
    const bool today = at.year == now.year && at.month == now.month && at.day == now.day;
    if (today && timeAloneToday) return time;
    const std::string date = PaddedDecimal(at.month, 2) + "-" + PaddedDecimal(at.day, 2);
    if (at.year == now.year) return date + " " + time;
    return PaddedDecimal(at.year, 4) + "-" + date + " " + time;
}

const char* const kNoNextRunText = "—";

std::string NextRunText(const NextRun& next, const LocalTime& now) {
    switch (next.kind) {
        case NextRun::Kind::At: return MinuteTextFrom(next.at, now, false);
        case NextRun::Kind::WhenIdle:
        case NextRun::Kind::AfterStart: return next.words;
        case NextRun::Kind::Never: break;
    }
    return kNoNextRunText;
}

}  // namespace vantrel
