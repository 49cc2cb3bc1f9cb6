#include "scheduler/tick.h"

#include "text/gbk_text.h"
#include "store/schedule_text.h"

namespace vantrel {

namespace {

struct CountdownWord {
    const char* action;
    const char* word;
};

const CountdownWord kCountdownWords[] = {
    {"断开拨号", "断开拨号"},   {"注销计算机", "注销"}, {"待机计算机", "待机"},
    {"休眠计算机", "休眠"},     {"重启计算机", "重启"}, {"关闭计算机", "关机"},
    {"快速重启", "快速重启"},   {"快速关机", "快速关机"},
};

const char kStandbyWord[] = "待机";
const char kHibernateWord[] = "休眠";

// Runs the steps of one due task, in their fixed order. Each step tests the
// action name by exact equality; the parameter is read anew where it is used.
// `fired` gets the action name and the parameter as they are read.
void FireTask(Registry& reg, int n, const Settings& settings, TickState& state, TickHost& host,
              bool& countdownStarted, FiredTask& fired) {
    fired.action = reg.ReadString(RecordValueName('B', n));
    const std::string& action = fired.action;
    const std::string paramName = RecordValueName('C', n);
    auto parameter = [&]() -> const std::string& {
        fired.parameter = reg.ReadString(paramName);
        return fired.parameter;
    };

    bool suspending = true;
    if (action == kActionNames[kActRemind])
        host.ShowReminder(parameter());
    else if (action == kActionNames[kActOpenFile])
        host.OpenTaskFile(parameter());
    else if (action == kActionNames[kActCloseProgram])
        host.CloseProgramByName(FileNamePart(parameter()));
    else if (action == kActionNames[kActDial])
        host.DialDefaultConnection();
    else if (action == kActionNames[kActDisableAdapter])
        host.SetNetworkAdapter(parameter(), false);
    else if (action == kActionNames[kActEnableAdapter])
        host.SetNetworkAdapter(parameter(), true);
    else
        suspending = false;

    if (suspending) {
        // A countdown started earlier in this tick keeps its action: clearing
        // it would leave the window counting down to nothing.
        if (!countdownStarted) state.pendingAction.clear();
        host.SuspendTick();
        return;
    }

    if (action == kActionNames[kActCleanJunk]) {
        host.CleanSystemJunk(false);
        // Like the other actions that run at once, the cleanup suspends the
        // tick, so one task cleans once in its minute rather than ten times.
        host.SuspendTick();
        return;
    }

    const char* word = PendingWordFor(action);
    if (!word) return;  // none of the fifteen: nothing fires
    // The wake choice is read before anything changes: a value that cannot
    // be read ends this task with the pending action as it was, so it can
    // neither leave a stale "休眠" behind nor turn a countdown started earlier
    // in this tick into a hibernation.
    const TickState before = state;
    if (action == kActionNames[kActHibernate]) {
        state.wakeChoice = parameter();
    }
    state.pendingAction = word;
    bool closeAll = settings.closeAll == 1 &&
                    (state.pendingAction == kStandbyWord || state.pendingAction == kHibernateWord);
    if (host.StartCountdown(state.pendingAction, closeAll)) {
        countdownStarted = true;
    } else {
        // Nothing counts down to this action: a countdown started earlier
        // in this tick keeps its own.
        state = before;
    }
}

}  // namespace

const char* PendingWordFor(const std::string& actionName) {
    for (const CountdownWord& c : kCountdownWords)
        if (actionName == c.action) return c.word;
    return nullptr;
}

TickReport RunTick(Registry& reg, const std::string& programKey, const LocalTime& now,
                   const MatchEnv& env, const Settings& settings, TickState& state,
                   TickHost& host, std::vector<SeenTask>* seen) {
    TickReport report;
    // Every read of a key that could not be opened yields the empty text, so
    // no task fires then.
    OpenedKey key(reg, programKey);
    int last = LastRecordToScan(reg, settings.taskCount);
    bool countdownStarted = false;
    for (int n = 1; n <= last; ++n) {
        ++report.tasksExamined;
        try {
            std::string schedule = reg.ReadString(RecordValueName('A', n));
            std::string enabled = reg.ReadString(RecordValueName('D', n));
            if (schedule.empty()) continue;
            if (seen) seen->push_back(SeenTask{n, schedule, enabled});
            if (!IsEnabledText(enabled)) continue;
            ScheduleKind kind = KindFromWord(ScheduleKindOf(schedule));
            if (kind == ScheduleKind::None) continue;
            if (!IsScheduleDue(kind, now, schedule, env)) continue;
            report.fired.push_back(n);
            FiredTask fired;
            fired.number = n;
            fired.schedule = schedule;
            try {
                FireTask(reg, n, settings, state, host, countdownStarted, fired);
            } catch (const RegistryError& e) {
                fired.error = e.what();
                host.TaskFired(fired);
                throw;
            }
            host.TaskFired(fired);
        } catch (const RegistryError& e) {
            report.skipped.push_back("#" + std::to_string(n) + ": " + e.what());
        }
    }
    return report;
}

}  // namespace vantrel
