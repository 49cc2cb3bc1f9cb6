#include "scheduler/time_text.h"

#include "scheduler/conversions.h"
#include "text/number_text.h"

namespace vantrel {

namespace {

std::optional<int> Digits(const std::string& s, std::size_t pos, std::size_t count) {
    if (pos + count > s.size()) return std::nullopt;
    int v = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

}  // namespace

std::optional<LocalTime> ParseLocalTime(const std::string& at, bool seconds) {
    if (at.size() != 16 && !(seconds && at.size() == 19)) return std::nullopt;
    if (at[4] != '-' || at[7] != '-' || at[10] != ' ' || at[13] != ':') return std::nullopt;
    auto y = Digits(at, 0, 4), mo = Digits(at, 5, 2), d = Digits(at, 8, 2);
    auto h = Digits(at, 11, 2), mi = Digits(at, 14, 2);
    std::optional<int> s = 0;
    if (at.size() == 19) {
        if (at[16] != ':') return std::nullopt;
        s = Digits(at, 17, 2);
    }
    if (!y || !mo || !d || !h || !mi || !s) return std::nullopt;
    if (!IsValidDate(Date{*y, *mo, *d}) || *h > 23 || *mi > 59 || *s > 59) return std::nullopt;
    LocalTime t;
    t.year = *y;
    t.month = *mo;
    t.day = *d;
    t.dayOfWeek = DayOfWeek(Date{*y, *mo, *d});
    t.hour = *h;
    t.minute = *mi;
    t.second = *s;
    return t;
}

std::string FormatMinute(const LocalTime& t) {
    return PaddedDecimal(t.year, 4) + "-" + PaddedDecimal(t.month, 2) + "-" + PaddedDecimal(t.day, 2) + " " +
           PaddedDecimal(t.hour, 2) + ":" + PaddedDecimal(t.minute, 2);
}

std::int64_t MinuteNumber(const LocalTime& t) {
    return DaysSinceEpoch(Date{t.year, t.month, t.day}) * 1440 + t.hour * 60 + t.minute;
}

LocalTime AddMinutes(const LocalTime& t, std::int64_t minutes) {
    const std::int64_t total = MinuteNumber(t) + minutes;
    // Floor division, so that a time before 1970 keeps its minute of the day.
    std::int64_t days = total / 1440, minute = total % 1440;
    if (minute < 0) {
        minute += 1440;
        --days;
    }
    const Date d = AddDays(Date{1970, 1, 1}, days);
    LocalTime out;
    out.year = d.year;
    out.month = d.month;
    out.day = d.day;
    out.dayOfWeek = DayOfWeek(d);
    out.hour = static_cast<int>(minute / 60);
    out.minute = static_cast<int>(minute % 60);
    return out;
}

LocalTime MinutesLater(const LocalTime& now, std::int64_t minutes) {
    return AddMinutes(now, minutes + (now.second > 0 ? 1 : 0));
}

std::uint32_t MillisecondsToNextMinute(const LocalTime& now) {
    // A fifth of a second late rather than early: a timer that fires a
    // little before the minute would find the old one still there.
    const int second = now.second < 0 || now.second > 59 ? 0 : now.second;
    return static_cast<std::uint32_t>((60 - second) * 1000 + 200);
}

}  // namespace vantrel
