#include "tools/vantrelctl/check_command.h"

#include <cstdint>
#include <optional>

#include "scheduler/conversions.h"
#include "scheduler/matching.h"
#include "store/codepage.h"
#include "store/schedule_text.h"

namespace vantrel {

namespace {

const char kUsage[] =
    "usage: vantrelctl check TEXT --at \"YYYY-MM-DD HH:MM[:SS]\" [--uptime SECONDS] "
    "[--idle SECONDS] [--date-format FORMAT]";

struct UsageError {
    std::string message;
};

std::optional<int> Digits(const std::string& s, size_t pos, size_t count) {
    if (pos + count > s.size()) return std::nullopt;
    int v = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// "YYYY-MM-DD HH:MM[:SS]"
LocalTime ParseAt(const std::string& at) {
    UsageError bad{"vantrelctl: --at wants \"YYYY-MM-DD HH:MM[:SS]\", not \"" + at + "\""};
    if (at.size() != 16 && at.size() != 19) throw bad;
    if (at[4] != '-' || at[7] != '-' || at[10] != ' ' || at[13] != ':') throw bad;
    auto y = Digits(at, 0, 4), mo = Digits(at, 5, 2), d = Digits(at, 8, 2);
    auto h = Digits(at, 11, 2), mi = Digits(at, 14, 2);
    std::optional<int> s = 0;
    if (at.size() == 19) {
        if (at[16] != ':') throw bad;
        s = Digits(at, 17, 2);
    }
    if (!y || !mo || !d || !h || !mi || !s) throw bad;
    if (!IsValidDate(Date{*y, *mo, *d}) || *h > 23 || *mi > 59 || *s > 59) throw bad;
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

std::uint64_t ParseSeconds(const std::string& option, const std::string& value) {
    UsageError bad{"vantrelctl: " + option + " wants a whole number of seconds, not \"" + value + "\""};
    if (value.empty() || value.size() > 15) throw bad;
    std::uint64_t v = 0;
    for (char c : value) {
        if (c < '0' || c > '9') throw bad;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return v;
}

}  // namespace

int RunVantrelctl(const std::vector<std::string>& args, const std::string& systemDateFormat,
                  std::ostream& out, std::ostream& err) {
    try {
        if (args.empty() || args[0] != "check") throw UsageError{kUsage};
        std::optional<std::string> text;
        std::optional<LocalTime> at;
        std::uint64_t uptime = 0, idle = 0;
        std::string format = systemDateFormat;
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string& a = args[i];
            bool isOption = a.size() > 2 && a.compare(0, 2, "--") == 0;
            if (!isOption) {
                if (text) throw UsageError{"vantrelctl: more than one schedule text given"};
                text = a;
                continue;
            }
            if (i + 1 >= args.size()) throw UsageError{"vantrelctl: " + a + " wants a value"};
            const std::string& value = args[++i];
            if (a == "--at")
                at = ParseAt(value);
            else if (a == "--uptime")
                uptime = ParseSeconds(a, value);
            else if (a == "--idle")
                idle = ParseSeconds(a, value);
            else if (a == "--date-format")
                format = ConsoleToGbk(value);
            else
                throw UsageError{"vantrelctl: unknown option " + a};
        }
        if (!text) throw UsageError{kUsage};
        if (!at) throw UsageError{"vantrelctl: --at is missing"};

        // The millisecond tick count is 32 bits and wraps, as on Windows.
        MatchEnv env;
        env.tickCount = static_cast<std::uint32_t>(uptime * 1000u);
        env.lastInputTick = static_cast<std::uint32_t>(env.tickCount - idle * 1000u);
        env.shortDateFormat = format;

        std::string schedule = ConsoleToGbk(*text);
        ScheduleKind kind = KindFromWord(ScheduleKindOf(schedule));
        MatchResult result = MatchSchedule(kind, *at, schedule, env);
        out << (result.due ? "due" : "not due") << "\n";
        for (const FieldText& f : result.fields) out << f.name << "=" << GbkToConsole(f.text) << "\n";
        return 0;
    } catch (const UsageError& e) {
        err << e.message << "\n";
        return 2;
    }
}

}  // namespace vantrel
