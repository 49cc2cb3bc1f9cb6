// vantrelctl next TEXT [--from "YYYY-MM-DD HH:MM"] [--count K] [--date-format F]
#include "cli/command_line.h"
#include "cli/task_check.h"
#include "scheduler/next_due.h"
#include "scheduler/time_text.h"
#include "scheduler/conversions.h"

namespace vantrel {

namespace {

// Enough for any script; a bound keeps a typo from printing millions of lines.
constexpr int kMaxCount = 100000;

}  // namespace

int RunNext(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& /*err*/) {
    // Without --from: from this minute.
    LocalTime from = env.Now();
    if (const std::string* fromText = inv.Value("--from")) {
        const std::optional<LocalTime> given = ParseLocalTime(*fromText, false);
        if (!given)
            throw UsageError{"vantrelctl: --from 应是 \"YYYY-MM-DD HH:MM\"，不是“" + *fromText + "”"};
        from = *given;
    }
    int count = 1;
    if (const std::string* k = inv.Value("--count")) {
        const std::optional<std::int32_t> v = TryStrToInt(*k);
        if (!v || *v < 1 || *v > kMaxCount || std::to_string(*v) != *k)
            throw UsageError{"vantrelctl: --count 应是 1 到 " + std::to_string(kMaxCount) + " 的整数，不是“" + *k + "”"};
        count = *v;
    }
    MatchEnv match;
    const std::string* format = inv.Value("--date-format");
    match.shortDateFormat = format ? *format : env.ShortDateFormat();
    // A text no writer may store is refused with the same reason add gives,
    // rather than printing nothing as for a text that never comes due.
    const std::string& schedule = inv.operands[0];
    const std::string problem = ScheduleProblem(schedule, match.shortDateFormat, from.year);
    if (!problem.empty()) throw UsageError{"vantrelctl: " + problem};
    const NextDue next = NextDueTimes(schedule, from, count, match);
    if (!next.words.empty()) out << next.words << "\n";
    for (const LocalTime& t : next.times) out << FormatMinute(t) << "\n";
    return kExitDone;
}

}  // namespace vantrel
