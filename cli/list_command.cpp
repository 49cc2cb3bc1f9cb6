// vantrelctl list [--json]: the task list as the settings window shows it,
// with each enabled task's next run from now.
#include "cli/command_line.h"
#include "cli/json_text.h"
#include "scheduler/next_due.h"
#include "cli/target.h"
#include "scheduler/time_text.h"
#include "text/gbk_text.h"

namespace vantrel {

namespace {

// The next run as one text: a minute, the idle or start-up words, or empty.
std::string NextText(const std::string& schedule, const LocalTime& now, const MatchEnv& env) {
    const NextDue next = NextDueTimes(schedule, now, 1, env);
    if (!next.words.empty()) return next.words;
    return next.times.empty() ? std::string() : FormatMinute(next.times[0]);
}

}  // namespace

int RunList(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    int status = kExitDone;
    std::unique_ptr<Target> target = Target::Open(inv, env, Target::Mode::Read, err, status);
    if (!target) return status;
    if (!target->HasProgramKey()) {
        err << "vantrelctl: " << target->NoProgramKey() << "\n";
        return kExitFailed;
    }
    const std::vector<ListedRecord> rows = target->Listed();
    const LocalTime now = env.Now();
    MatchEnv match;
    match.shortDateFormat = env.ShortDateFormat();
    const bool json = inv.Has("--json");
    if (json) out << "[";
    bool firstRow = true;
    for (const ListedRecord& row : rows) {
        const TaskRecord& r = row.record;
        // A disabled task does not run, so it has no next run.
        const std::string next =
            row.error.empty() && IsEnabledText(r.enabled) ? NextText(r.schedule, now, match) : std::string();
        if (json) {
            out << (firstRow ? "\n" : ",\n") << "  {\"n\": " << row.number
                << ", \"schedule\": " << JsonString(r.schedule) << ", \"action\": " << JsonString(r.action)
                << ", \"param\": " << JsonString(r.parameter) << ", \"enabled\": " << JsonString(r.enabled)
                << ", \"next\": " << JsonOrNull(next) << ", \"error\": " << JsonOrNull(row.error) << "}";
        } else {
            if (firstRow) out << "序号\t时间\t任务\t任务属性\t是否启用\t下次运行\n";
            out << row.number << "\t" << TableText(r.schedule) << "\t" << TableText(r.action) << "\t"
                << TableText(r.parameter) << "\t" << TableText(r.enabled) << "\t"
                << (row.error.empty() ? (next.empty() ? "-" : next) : "错误: " + row.error) << "\n";
        }
        firstRow = false;
    }
    if (json) out << (rows.empty() ? "]\n" : "\n]\n");
    return kExitDone;
}

}  // namespace vantrel
