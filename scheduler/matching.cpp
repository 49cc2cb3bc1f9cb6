#include "scheduler/matching.h"

#include <array>
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

// The fields of one text as views into it, in grammar order.
template <std::size_t N>
using Fields = std::array<std::string_view, N>;

// The first field follows the two-character kind word, bytes 1 to 4.
constexpr std::size_t kFirstFieldStart = 5;

// Cuts every field out of the text before any is converted, so that a caller
// that only wants the fields (the editor loading a task) gets all of them even
// when the schedule is not due or does not convert.
template <std::size_t N>
Fields<N> ScanFields(std::string_view text, const FieldLayout (&layout)[N]) {
    Fields<N> fields;
    std::size_t start = kFirstFieldStart;
    for (std::size_t i = 0; i < N; ++i) {
        const ScanView scan = ScanFieldView(text, start, layout[i].stopByte);
        fields[i] = scan.field;
        // The unit word is skipped by its length without looking at it: the
        // stored format is defined by byte positions.
        start = scan.stop + layout[i].unitLength;
    }
    return fields;
}

// A field that does not convert answers "not due" instead of escaping from
// the tick as an error: a single bad record must not stop every other task.
std::optional<std::int64_t> FieldNumber(std::string_view field) {
    const std::optional<std::int32_t> value = TryStrToInt(field);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*value);
}

// Compares the fields from `first` on with the given clock values, in order,
// stopping at the first that does not convert or does not match.
template <std::size_t N, std::size_t K>
bool FieldsEqual(const Fields<N>& fields, std::size_t first, const int (&expected)[K]) {
    for (std::size_t i = 0; i < K; ++i) {
        const std::optional<std::int64_t> value = FieldNumber(fields[first + i]);
        if (!value || *value != expected[i]) {
            return false;
        }
    }
    return true;
}

// Each rule: the layout of its fields, an optional fix-up of the fields as
// read, and its answer on them. The tick asks only for the answer; the
// editor also takes the fields, as texts.
struct IdleRule {
    static constexpr FieldLayout kLayout[] = {{"N", kStopMinute, 4}};
    static void FixUp(Fields<1>&) {}
    static bool Due(const Fields<1>& f, const LocalTime& /*now*/, const MatchEnv& env) {
        const std::optional<std::int64_t> n = FieldNumber(f[0]);
        // Compared in 64 bits so that a negative N never equals a large idle time.
        return n && *n == static_cast<std::int64_t>(IdleMinutes(env));
    }
};

struct OnceRule {
    static constexpr FieldLayout kLayout[] = {{"D", kStopDay, 2}, {"H", kStopHour, 2}, {"M", kStopMinute, 2}};
    static void FixUp(Fields<3>&) {}
    static bool Due(const Fields<3>& f, const LocalTime& now, const MatchEnv& env) {
        // A date that no longer reads under the current short date format (the
        // user changed the format after storing the task) is simply not today.
        const std::optional<Date> date = ReadShortDate(f[0], env.shortDateFormat, now.year);
        if (!date || date->year != now.year || date->month != now.month || date->day != now.day) {
            return false;
        }
        const int clock[] = {now.hour, now.minute};
        return FieldsEqual(f, 1, clock);
    }
};

struct DailyRule {
    static constexpr FieldLayout kLayout[] = {{"H", kStopHour, 2}, {"M", kStopMinute, 2}};
    static void FixUp(Fields<2>&) {}
    static bool Due(const Fields<2>& f, const LocalTime& now, const MatchEnv& /*env*/) {
        const int clock[] = {now.hour, now.minute};
        return FieldsEqual(f, 0, clock);
    }
};

struct WeeklyRule {
    static constexpr FieldLayout kLayout[] = {{"W", kStopDay, 2}, {"H", kStopHour, 2}, {"M", kStopMinute, 2}};
    // The editor's list says 7 for Sunday while the clock says 0. The field is
    // rewritten where it is handed back, so a Sunday task that is reloaded and
    // stored again carries "0", which reads the same way.
    static void FixUp(Fields<3>& f) {
        if (f[0] == "7") {
            f[0] = "0";
        }
    }
    static bool Due(const Fields<3>& f, const LocalTime& now, const MatchEnv& /*env*/) {
        const int clock[] = {now.dayOfWeek, now.hour, now.minute};
        return FieldsEqual(f, 0, clock);
    }
};

struct MonthlyRule {
    static constexpr FieldLayout kLayout[] = {{"D", kStopDay, 2}, {"H", kStopHour, 2}, {"M", kStopMinute, 2}};
    static void FixUp(Fields<3>&) {}
    static bool Due(const Fields<3>& f, const LocalTime& now, const MatchEnv& /*env*/) {
        const int clock[] = {now.day, now.hour, now.minute};
        return FieldsEqual(f, 0, clock);
    }
};

struct YearlyRule {
    static constexpr FieldLayout kLayout[] = {
        {"MO", kStopMonth, 2}, {"D", kStopDay, 2}, {"H", kStopHour, 2}, {"M", kStopMinute, 2}};
    static void FixUp(Fields<4>&) {}
    static bool Due(const Fields<4>& f, const LocalTime& now, const MatchEnv& /*env*/) {
        const int clock[] = {now.month, now.day, now.hour, now.minute};
        return FieldsEqual(f, 0, clock);
    }
};

struct StartupRule {
    static constexpr FieldLayout kLayout[] = {{"H", kStopHour, 2}, {"M", kStopMinute, 2}};
    static void FixUp(Fields<2>&) {}
    static bool Due(const Fields<2>& f, const LocalTime& /*now*/, const MatchEnv& env) {
        const std::optional<std::int64_t> h = FieldNumber(f[0]);
        const std::optional<std::int64_t> m = FieldNumber(f[1]);
        if (!h || !m) {
            return false;
        }
        // H * 60 + M is formed in 64 bits, where it cannot overflow. Within the
        // 32-bit range this is the same number as a 32-bit sum; beyond it a
        // wrapped sum would land on some small, unrelated minute and fire the
        // task at a time nobody asked for, while the true sum is simply never
        // reached by the uptime. A negative sum is likewise never reached.
        const std::int64_t target = *h * 60 + *m;
        return target == static_cast<std::int64_t>(UptimeMinutes(env));
    }
};

struct IntervalRule {
    // "分开始" is six bytes long, so the start hour begins six bytes after its stop.
    static constexpr FieldLayout kLayout[] = {{"N", kStopMinute, 6}, {"H", kStopHour, 2}, {"M", kStopMinute, 2}};
    static void FixUp(Fields<3>&) {}
    static bool Due(const Fields<3>& f, const LocalTime& now, const MatchEnv& /*env*/) {
        const std::optional<std::int64_t> h = FieldNumber(f[1]);
        const std::optional<std::int64_t> m = FieldNumber(f[2]);
        if (!h || !m) {
            return false;
        }
        // 64 bits again keep S and T - S free of overflow for any 32-bit H and M.
        const std::int64_t start = *h * 60 + *m;
        const std::int64_t current = static_cast<std::int64_t>(now.hour) * 60 + now.minute;
        const std::optional<std::int64_t> period = FieldNumber(f[0]);
        // A period of 0 describes no grid at all; it is never due rather than a
        // division by zero.
        if (!period || *period == 0) {
            return false;
        }
        // The remainder truncates towards zero, so the grid reaches back before
        // the start time as well as after it.
        return (current - start) % *period == 0;
    }
};

template <typename Rule>
bool RuleDue(const LocalTime& now, std::string_view text, const MatchEnv& env) {
    auto fields = ScanFields(text, Rule::kLayout);
    Rule::FixUp(fields);
    return Rule::Due(fields, now, env);
}

template <typename Rule>
MatchResult RuleMatch(const LocalTime& now, const std::string& text, const MatchEnv& env) {
    auto fields = ScanFields(text, Rule::kLayout);
    Rule::FixUp(fields);
    MatchResult result;
    result.due = Rule::Due(fields, now, env);
    result.fields.reserve(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        result.fields.push_back(FieldText{Rule::kLayout[i].name, std::string(fields[i])});
    }
    return result;
}

// Calls `use` with the rule of `kind`; for no kind, gives what `use` gives
// when value-initialised: not due, no fields.
template <typename Use>
auto WithRule(ScheduleKind kind, Use use) -> decltype(use(IdleRule{})) {
    switch (kind) {
        case ScheduleKind::Idle:
            return use(IdleRule{});
        case ScheduleKind::Once:
            return use(OnceRule{});
        case ScheduleKind::Daily:
            return use(DailyRule{});
        case ScheduleKind::Weekly:
            return use(WeeklyRule{});
        case ScheduleKind::Monthly:
            return use(MonthlyRule{});
        case ScheduleKind::Yearly:
            return use(YearlyRule{});
        case ScheduleKind::Startup:
            return use(StartupRule{});
        case ScheduleKind::Interval:
            return use(IntervalRule{});
        case ScheduleKind::None:
            break;
    }
    return {};
}

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

std::uint64_t UptimeMinutes(const MatchEnv& env) { return env.upMs / 60000u; }

MatchResult MatchIdle(const LocalTime& now, const std::string& text, const MatchEnv& env) {
    return RuleMatch<IdleRule>(now, text, env);
}
MatchResult MatchOnce(const LocalTime& now, const std::string& text, const MatchEnv& env) {
    return RuleMatch<OnceRule>(now, text, env);
}
MatchResult MatchDaily(const LocalTime& now, const std::string& text, const MatchEnv& env) {
    return RuleMatch<DailyRule>(now, text, env);
}
MatchResult MatchWeekly(const LocalTime& now, const std::string& text, const MatchEnv& env) {
    return RuleMatch<WeeklyRule>(now, text, env);
}
MatchResult MatchMonthly(const LocalTime& now, const std::string& text, const MatchEnv& env) {
    return RuleMatch<MonthlyRule>(now, text, env);
}
MatchResult MatchYearly(const LocalTime& now, const std::string& text, const MatchEnv& env) {
    return RuleMatch<YearlyRule>(now, text, env);
}
MatchResult MatchStartup(const LocalTime& now, const std::string& text, const MatchEnv& env) {
    return RuleMatch<StartupRule>(now, text, env);
}
MatchResult MatchInterval(const LocalTime& now, const std::string& text, const MatchEnv& env) {
    return RuleMatch<IntervalRule>(now, text, env);
}

MatchResult MatchSchedule(ScheduleKind kind, const LocalTime& now, const std::string& text,
                          const MatchEnv& env) {
    return WithRule(kind, [&](auto rule) { return RuleMatch<decltype(rule)>(now, text, env); });
}

bool IsScheduleDue(ScheduleKind kind, const LocalTime& now, std::string_view text,
                   const MatchEnv& env) {
    return WithRule(kind, [&](auto rule) { return RuleDue<decltype(rule)>(now, text, env); });
}

}  // namespace vantrel
