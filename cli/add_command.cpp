// vantrelctl add --schedule TEXT --action NAME [--param TEXT] [--disabled]:
// appends a record as the task editor's OK does for a new task.
#include "cli/command_line.h"
#include "cli/target.h"
#include "cli/task_check.h"

namespace vantrel {

int RunAdd(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    const std::string* schedule = inv.Value("--schedule");
    const std::string* action = inv.Value("--action");
    if (!schedule || !action)
        throw UsageError{"vantrelctl: add 需要 --schedule 时间 和 --action 任务"};
    std::string parameter;
    if (const std::string* p = inv.Value("--param"))
        parameter = *p;
    else if (*action == kActionNames[kActHibernate])
        parameter = kNoWakeText;  // what the editor proposes

    // Everything is checked before the registry or the file is touched.
    const LocalTime now = env.Now();
    std::string problem = ScheduleProblem(*schedule, env.ShortDateFormat(), now.year);
    if (problem.empty()) problem = ActionProblem(*action, parameter);
    if (!problem.empty()) {
        err << "vantrelctl: " << problem << "，没有写入任何内容\n";
        return kExitUsage;
    }

    int status = kExitDone;
    std::unique_ptr<Target> target = Target::Open(inv, env, Target::Mode::Create, err, status);
    if (!target) return status;
    int n = 0;
    try {
        // Written disabled from the start: the tick never sees it enabled.
        const char* enabled = inv.Has("--disabled") ? kDisabledText : kEnabledText;
        n = target->store().AppendRecord(target->settings(),
                                         TaskRecord{*schedule, *action, parameter, enabled});
    } catch (const RegistryError& e) {
        err << "vantrelctl: " << target->ChangeFailure(e) << "\n";
        return kExitFailed;
    }
    if (!target->Commit(err)) return kExitFailed;
    out << "已添加第 " << n << " 条任务\n";
    return kExitDone;
}

}  // namespace vantrel
