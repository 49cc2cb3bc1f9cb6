// vantrelctl next TEXT --from "YYYY-MM-DD HH:MM" [--count K] [--date-format F]
#include "cli/command_line.h"
#include "scheduler/next_due.h"
#include "scheduler/time_text.h"
#include "scheduler/conversions.h"

namespace vantrel {

namespace {

// Enough for any script; a bound keeps a typo from printing millions of lines.
constexpr int kMaxCount = 100000;

}  // namespace

int RunNext(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& /*err*/) {
    const std::string* fromText = inv.Value("--from");
    if (!fromText) throw UsageError{"vantrelctl: next 需要 --from \"YYYY-MM-DD HH:MM\""};
    const std::optional<LocalTime> from = ParseLocalTime(*fromText, false);
    if (!from) throw UsageError{"vantrelctl: --from 应是 \"YYYY-MM-DD HH:MM\"，不是“" + *fromText + "”"};
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
    const NextDue next = NextDueTimes(inv.operands[0], *from, count, match);
    if (!next.words.empty()) out << next.words << "\n";
    for (const LocalTime& t : next.times) out << FormatMinute(t) << "\n";
    return kExitDone;
}

}  // namespace vantrel
