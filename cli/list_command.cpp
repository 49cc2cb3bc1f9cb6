// vantrelctl list [--json]: the task list as the settings window shows it,
// with each enabled task's next run from now in the words of its 下次运行
// column (the whole minute in --json).
#include "cli/command_line.h"
#include "cli/json_text.h"
#include "scheduler/next_due.h"
#include "cli/target.h"
#include "scheduler/time_text.h"
#include "text/gbk_text.h"

namespace vantrel {

namespace {

// The next run for a script: the whole minute, the idle or start-up phrase,
// or empty for none.
std::string JsonNext(const NextRun& next) {
    if (next.kind == NextRun::Kind::At) return FormatMinute(next.at);
    return next.words;
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
        const NextRun next = row.error.empty() ? NextRunOf(r.schedule, r.enabled, now, match) : NextRun();
        if (json) {
            out << (firstRow ? "\n" : ",\n") << "  {\"n\": " << row.number
                << ", \"schedule\": " << JsonString(r.schedule) << ", \"action\": " << JsonString(r.action)
                << ", \"param\": " << JsonString(r.parameter) << ", \"enabled\": " << JsonString(r.enabled)
                << ", \"next\": " << JsonOrNull(JsonNext(next)) << ", \"error\": " << JsonOrNull(row.error) << "}";
        } else {
            if (firstRow) out << "序号\t时间\t任务\t任务属性\t是否启用\t下次运行\n";
            out << row.number << "\t" << TableText(r.schedule) << "\t" << TableText(r.action) << "\t"
                << TableText(r.parameter) << "\t" << TableText(r.enabled) << "\t"
                << (row.error.empty() ? NextRunText(next, now) : "错误: " + row.error) << "\n";
        }
        firstRow = false;
    }
    if (json) out << (rows.empty() ? "]\n" : "\n]\n");
    return kExitDone;
}

}  // namespace vantrel
