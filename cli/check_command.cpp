// vantrelctl check TEXT --at "YYYY-MM-DD HH:MM[:SS]" [--uptime SECONDS]
//                  [--idle SECONDS] [--date-format FORMAT]
// Whether the schedule text is due at that moment, then the fields the rule
// read, one per line, in the rule's order.
#include <cstdint>
#include <optional>

#include "cli/command_line.h"
#include "scheduler/time_text.h"
#include "scheduler/matching.h"
#include "store/schedule_text.h"

namespace vantrel {

namespace {

std::uint64_t ParseSeconds(const std::string& option, const std::string& value) {
    UsageError bad{"vantrelctl: " + option + " 应是整数秒数，不是“" + value + "”"};
    if (value.empty() || value.size() > 15) throw bad;
    std::uint64_t v = 0;
    for (char c : value) {
        if (c < '0' || c > '9') throw bad;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return v;
}

}  // namespace

int RunCheck(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& /*err*/) {
    const std::string* at = inv.Value("--at");
    if (!at) throw UsageError{"vantrelctl: check 需要 --at \"YYYY-MM-DD HH:MM[:SS]\""};
    const std::optional<LocalTime> when = ParseLocalTime(*at, true);
    if (!when) throw UsageError{"vantrelctl: --at 应是 \"YYYY-MM-DD HH:MM[:SS]\"，不是“" + *at + "”"};
    std::uint64_t uptime = 0, idle = 0;
    if (const std::string* v = inv.Value("--uptime")) uptime = ParseSeconds("--uptime", *v);
    if (const std::string* v = inv.Value("--idle")) idle = ParseSeconds("--idle", *v);
    const std::string* format = inv.Value("--date-format");

    // The millisecond tick count the idle time is measured in is 32 bits
    // and wraps, as on Windows; the time since start-up does not.
    MatchEnv match;
    match.tickCount = static_cast<std::uint32_t>(uptime * 1000u);
    match.lastInputTick = static_cast<std::uint32_t>(match.tickCount - idle * 1000u);
    match.upMs = uptime * 1000u;
    match.shortDateFormat = format ? *format : env.ShortDateFormat();

    const std::string& schedule = inv.operands[0];
    const ScheduleKind kind = KindFromWord(ScheduleKindOf(schedule));
    const MatchResult result = MatchSchedule(kind, *when, schedule, match);
    out << (result.due ? "due" : "not due") << "\n";
    for (const FieldText& f : result.fields) out << f.name << "=" << f.text << "\n";
    return kExitDone;
}

}  // namespace vantrel
