#include "scheduler/tick.h"

#include "store/gbk_text.h"
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
void FireTask(Registry& reg, int n, const Settings& settings, TickState& state, TickHost& host,
              bool& countdownStarted) {
    std::string action = reg.ReadString(RecordValueName('B', n));
    const std::string paramName = RecordValueName('C', n);

    bool suspending = true;
    if (action == kActionNames[kActRemind])
        host.ShowReminder(reg.ReadString(paramName));
    else if (action == kActionNames[kActOpenFile])
        host.OpenTaskFile(reg.ReadString(paramName));
    else if (action == kActionNames[kActCloseProgram])
        host.CloseProgramByName(FileNamePart(reg.ReadString(paramName)));
    else if (action == kActionNames[kActDial])
        host.DialDefaultConnection();
    else if (action == kActionNames[kActDisableAdapter])
        host.SetNetworkAdapter(reg.ReadString(paramName), false);
    else if (action == kActionNames[kActEnableAdapter])
        host.SetNetworkAdapter(reg.ReadString(paramName), true);
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
    if (action == kActionNames[kActHibernate]) {
        std::string wakeChoice = reg.ReadString(paramName);
        state.wakeChoice = wakeChoice;
    }
    state.pendingAction = word;
    bool closeAll = settings.closeAll == 1 &&
                    (state.pendingAction == kStandbyWord || state.pendingAction == kHibernateWord);
    host.StartCountdown(state.pendingAction, closeAll);
    countdownStarted = true;
}

}  // namespace

const char* PendingWordFor(const std::string& actionName) {
    for (const CountdownWord& c : kCountdownWords)
        if (actionName == c.action) return c.word;
    return nullptr;
}

TickReport RunTick(Registry& reg, const std::string& programKey, const LocalTime& now,
                   const MatchEnv& env, const Settings& settings, TickState& state,
                   TickHost& host) {
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
            if (!IsEnabledText(enabled)) continue;
            ScheduleKind kind = KindFromWord(ScheduleKindOf(schedule));
            if (kind == ScheduleKind::None) continue;
            if (!IsScheduleDue(kind, now, schedule, env)) continue;
            report.fired.push_back(n);
            FireTask(reg, n, settings, state, host, countdownStarted);
        } catch (const RegistryError& e) {
            report.skipped.push_back("#" + std::to_string(n) + ": " + e.what());
        }
    }
    return report;
}

}  // namespace vantrel
