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

// Whether the action uses its parameter (the record's C).
bool TakesParameter(const std::string& action) {
    static const int kWithParameter[] = {kActRemind, kActOpenFile, kActCloseProgram, kActDisableAdapter,
                                         kActEnableAdapter, kActHibernate};
    for (int a : kWithParameter)
        if (action == kActionNames[a]) return true;
    return false;
}

// Reads the action (B) of due task n and, where the action uses it, its
// parameter (C) into `fired`; then reads A, D, B and C again. True when
// every value read the same both times: the texts are then one version of
// the task as some writer stored it, never an old schedule with a new action.
// All four are read again, not A and D alone: a rewrite that keeps the
// schedule sets D to "禁用" and back, which a second look at D would miss.
bool ReadOneVersion(Registry& reg, int n, const std::string& schedule, const std::string& enabled,
                    FiredTask& fired) {
    fired.action = reg.ReadString(RecordValueName('B', n));
    const bool withParameter = TakesParameter(fired.action);
    if (withParameter) fired.parameter = reg.ReadString(RecordValueName('C', n));
    return reg.ReadString(RecordValueName('A', n)) == schedule &&
           reg.ReadString(RecordValueName('D', n)) == enabled &&
           reg.ReadString(RecordValueName('B', n)) == fired.action &&
           (!withParameter || reg.ReadString(RecordValueName('C', n)) == fired.parameter);
}

// Runs the steps of one due task, in their fixed order, with the action name
// and parameter as ReadOneVersion read them. Each step tests the action name
// by exact equality.
void FireTask(const Settings& settings, TickState& state, TickHost& host, bool& countdownStarted,
              const FiredTask& fired) {
    const std::string& action = fired.action;
    const std::string& parameter = fired.parameter;

    bool suspending = true;
    if (action == kActionNames[kActRemind])
        host.ShowReminder(parameter);
    else if (action == kActionNames[kActOpenFile])
        host.OpenTaskFile(parameter);
    else if (action == kActionNames[kActCloseProgram])
        host.CloseProgramByName(FileNamePart(parameter));
    else if (action == kActionNames[kActDial])
        host.DialDefaultConnection();
    else if (action == kActionNames[kActDisableAdapter])
        host.SetNetworkAdapter(parameter, false);
    else if (action == kActionNames[kActEnableAdapter])
        host.SetNetworkAdapter(parameter, true);
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
    const TickState before = state;
    if (action == kActionNames[kActHibernate]) state.wakeChoice = parameter;
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

// How often a due task that another writer keeps changing under the tick's
// reads is read again before this tick leaves it to the next.
constexpr int kRereads = 3;

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
    int rereads = 0;
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
            if (host.SkipsRun(n, schedule, now)) continue;
            FiredTask fired;
            fired.number = n;
            fired.schedule = schedule;
            bool oneVersion = false;
            try {
                oneVersion = ReadOneVersion(reg, n, schedule, enabled, fired);
            } catch (const RegistryError& e) {
                report.fired.push_back(n);
                fired.error = e.what();
                host.TaskFired(fired);
                throw;
            }
            if (!oneVersion) {
                // Another writer changed the task while it was read: the
                // record is read again from its A, as it now stands.
                if (++rereads <= kRereads) {
                    if (seen) seen->pop_back();
                    --report.tasksExamined;
                    --n;
                }
                continue;
            }
            report.fired.push_back(n);
            FireTask(settings, state, host, countdownStarted, fired);
            host.TaskFired(fired);
        } catch (const RegistryError& e) {
            report.skipped.push_back("#" + std::to_string(n) + ": " + e.what());
        }
    }
    return report;
}

}  // namespace vantrel
