#include "scheduler/matching.h"

#include <cstddef>
#include <optional>

#include "scheduler/conversions.h"

namespace vantrel {

namespace {

// How one field is found: the name it is handed back under, the byte that
// ends it and the length of the unit word that starts with that byte.
struct FieldLayout {
    const char* name;
    unsigned char stopByte;
    std::size_t unitLength;
};

// The first field follows the two-character kind word, bytes 1 to 4.
constexpr std::size_t kFirstFieldStart = 5;

// Cuts every field out of the text before any is converted, so that a caller
// that only wants the fields (the editor loading a task) gets all of them even
// when the schedule is not due or does not convert.
template <std::size_t N>
MatchResult ReadFields(const std::string& text, const FieldLayout (&layout)[N]) {
    MatchResult result;
    // One allocation for the list: the tick runs every rule every six seconds.
    result.fields.reserve(N);
    std::size_t start = kFirstFieldStart;
    for (const FieldLayout& field : layout) {
        ScanResult scan = ScanField(text, start, field.stopByte);
        result.fields.push_back(FieldText{field.name, std::move(scan.field)});
        // The unit word is skipped by its length without looking at it: the
        // stored format is defined by byte positions.
        start = scan.stop + field.unitLength;
    }
    return result;
}

// A field that does not convert answers "not due" instead of escaping from
// the tick as an error: a single bad record must not stop every other task.
std::optional<std::int64_t> FieldNumber(const MatchResult& result, std::size_t index) {
    const std::optional<std::int32_t> value = TryStrToInt(result.fields[index].text);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*value);
}

// Compares the fields from `first` on with the given clock values, in order,
// stopping at the first that does not convert or does not match.
template <std::size_t N>
bool FieldsEqual(const MatchResult& result, std::size_t first, const int (&expected)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        const std::optional<std::int64_t> value = FieldNumber(result, first + i);
        if (!value || *value != expected[i]) {
            return false;
        }
    }
    return true;
}

const FieldLayout kIdleLayout[] = {{"N", kStopMinute, 4}};
const FieldLayout kOnceLayout[] = {{"D", kStopDay, 2}, {"H", kStopHour, 2}, {"M", kStopMinute, 2}};
const FieldLayout kDailyLayout[] = {{"H", kStopHour, 2}, {"M", kStopMinute, 2}};
const FieldLayout kWeeklyLayout[] = {{"W", kStopDay, 2}, {"H", kStopHour, 2}, {"M", kStopMinute, 2}};
const FieldLayout kMonthlyLayout[] = {{"D", kStopDay, 2}, {"H", kStopHour, 2}, {"M", kStopMinute, 2}};
const FieldLayout kYearlyLayout[] = {
    {"MO", kStopMonth, 2}, {"D", kStopDay, 2}, {"H", kStopHour, 2}, {"M", kStopMinute, 2}};
const FieldLayout kStartupLayout[] = {{"H", kStopHour, 2}, {"M", kStopMinute, 2}};
// "分开始" is six bytes long, so the start hour begins six bytes after its stop.
const FieldLayout kIntervalLayout[] = {{"N", kStopMinute, 6}, {"H", kStopHour, 2}, {"M", kStopMinute, 2}};

}  // namespace

std::string MatchResult::Field(const std::string& name) const {
    for (const FieldText& field : fields) {
        if (field.name == name) {
            return field.text;
        }
    }
    return std::string();
}

std::uint32_t IdleMinutes(const MatchEnv& env) {
    // Unsigned subtraction is modulo 2^32, which is what keeps the idle time
    // right when the tick count has wrapped since the last input.
    const std::uint32_t idleMs = env.tickCount - env.lastInputTick;
    return idleMs / 1000u / 60u;
}

std::uint32_t UptimeMinutes(const MatchEnv& env) {
    return env.tickCount / 1000u / 60u;
}

MatchResult MatchIdle(const LocalTime& /*now*/, const std::string& text, const MatchEnv& env) {
    MatchResult result = ReadFields(text, kIdleLayout);
    const std::optional<std::int64_t> n = FieldNumber(result, 0);
    // Compared in 64 bits so that a negative N never equals a large idle time.
    result.due = n && *n == static_cast<std::int64_t>(IdleMinutes(env));
    return result;
}

MatchResult MatchOnce(const LocalTime& now, const std::string& text, const MatchEnv& env) {
    MatchResult result = ReadFields(text, kOnceLayout);
    // A date that no longer reads under the current short date format (the
    // user changed the format after storing the task) is simply not today.
    const std::optional<Date> date = ReadShortDate(result.fields[0].text, env.shortDateFormat, now.year);
    if (!date || date->year != now.year || date->month != now.month || date->day != now.day) {
        return result;
    }
    const int clock[] = {now.hour, now.minute};
    result.due = FieldsEqual(result, 1, clock);
    return result;
}

MatchResult MatchDaily(const LocalTime& now, const std::string& text, const MatchEnv& /*env*/) {
    MatchResult result = ReadFields(text, kDailyLayout);
    const int clock[] = {now.hour, now.minute};
    result.due = FieldsEqual(result, 0, clock);
    return result;
}

MatchResult MatchWeekly(const LocalTime& now, const std::string& text, const MatchEnv& /*env*/) {
    MatchResult result = ReadFields(text, kWeeklyLayout);
    // The editor's list says 7 for Sunday while the clock says 0. The field is
    // rewritten where it is handed back, so a Sunday task that is reloaded and
    // stored again carries "0", which reads the same way.
    if (result.fields[0].text == "7") {
        result.fields[0].text = "0";
    }
    const int clock[] = {now.dayOfWeek, now.hour, now.minute};
    result.due = FieldsEqual(result, 0, clock);
    return result;
}

MatchResult MatchMonthly(const LocalTime& now, const std::string& text, const MatchEnv& /*env*/) {
    MatchResult result = ReadFields(text, kMonthlyLayout);
    const int clock[] = {now.day, now.hour, now.minute};
    result.due = FieldsEqual(result, 0, clock);
    return result;
}

MatchResult MatchYearly(const LocalTime& now, const std::string& text, const MatchEnv& /*env*/) {
    MatchResult result = ReadFields(text, kYearlyLayout);
    const int clock[] = {now.month, now.day, now.hour, now.minute};
    result.due = FieldsEqual(result, 0, clock);
    return result;
}

MatchResult MatchStartup(const LocalTime& /*now*/, const std::string& text, const MatchEnv& env) {
    MatchResult result = ReadFields(text, kStartupLayout);
    const std::optional<std::int64_t> h = FieldNumber(result, 0);
    const std::optional<std::int64_t> m = FieldNumber(result, 1);
    if (!h || !m) {
        return result;
    }
    // H * 60 + M is formed in 64 bits, where it cannot overflow. Within the
    // 32-bit range this is the same number as a 32-bit sum; beyond it a
    // wrapped sum would land on some small, unrelated minute and fire the
    // task at a time nobody asked for, while the true sum is simply never
    // reached by the uptime. A negative sum is likewise never reached.
    const std::int64_t target = *h * 60 + *m;
    result.due = target == static_cast<std::int64_t>(UptimeMinutes(env));
    return result;
}

MatchResult MatchInterval(const LocalTime& now, const std::string& text, const MatchEnv& /*env*/) {
    MatchResult result = ReadFields(text, kIntervalLayout);
    const std::optional<std::int64_t> h = FieldNumber(result, 1);
    const std::optional<std::int64_t> m = FieldNumber(result, 2);
    if (!h || !m) {
        return result;
    }
    // 64 bits again keep S and T - S free of overflow for any 32-bit H and M.
    const std::int64_t start = *h * 60 + *m;
    const std::int64_t current = static_cast<std::int64_t>(now.hour) * 60 + now.minute;
    const std::optional<std::int64_t> period = FieldNumber(result, 0);
    // A period of 0 describes no grid at all; it is never due rather than a
    // division by zero.
    if (!period || *period == 0) {
        return result;
    }
    // The remainder truncates towards zero, so the grid reaches back before
    // the start time as well as after it.
    result.due = (current - start) % *period == 0;
    return result;
}

MatchResult MatchSchedule(ScheduleKind kind, const LocalTime& now, const std::string& text,
                          const MatchEnv& env) {
    switch (kind) {
        case ScheduleKind::Idle:
            return MatchIdle(now, text, env);
        case ScheduleKind::Once:
            return MatchOnce(now, text, env);
        case ScheduleKind::Daily:
            return MatchDaily(now, text, env);
        case ScheduleKind::Weekly:
            return MatchWeekly(now, text, env);
        case ScheduleKind::Monthly:
            return MatchMonthly(now, text, env);
        case ScheduleKind::Yearly:
            return MatchYearly(now, text, env);
        case ScheduleKind::Startup:
            return MatchStartup(now, text, env);
        case ScheduleKind::Interval:
            return MatchInterval(now, text, env);
        case ScheduleKind::None:
            break;
    }
    return MatchResult();
}

}  // namespace vantrel
