// The runner: the one owner of the machine's schedule. It holds every piece
// of state that decides what happens and when: the tick's gate, the tasks
// as the tick last read them, the countdown (what, whose, how far), the
// pause, the quick timer, the postponed actions, the busy wait, the warnings
// given and the runs skipped, and which session runs the tasks.
//
// It knows no window and no timer. Plain events come in (a tick, the start
// of a minute, a second of the countdown, a user's choice, a power or
// session event, a settings change) and plain effects go out through
// RunnerView (show or hide the countdown, a balloon, a notice), RunnerMachine
// (carry out a power action, keep the machine awake, the facts decisions are
// made on) and TaskExecutors (the actions that run at once). Time comes from the clock it is given, so tests run whole
// scenarios on a recorded clock. The main window is one host; a service can
// be another.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "actions/busy_check.h"
#include "actions/countdown_model.h"
#include "actions/power_state.h"
#include "registry/registry.h"
#include "runner/postponed.h"
#include "runner/power_warning.h"
#include "runner/tray_status.h"
#include "scheduler/history_recorder.h"
#include "scheduler/session_role.h"
#include "scheduler/tick.h"
#include "scheduler/tick_gate.h"
#include "store/task_store.h"

namespace vantrel {

// How the machine is kept awake.
enum class AwakeNeed {
    None,       // as the system decides
    Countdown,  // a countdown runs: system and display, until it ends
    AfterWake,  // the program's own timer woke it: system and display, until
                // the next task is done or kAwakeAfterWakeMinutes passed
};
constexpr std::int64_t kAwakeAfterWakeMinutes = 10;

// What the runner asks of the machine it runs on: its facts, the power
// action a countdown ends in, keeping it awake, and the host's timers.
class RunnerMachine {
public:
    virtual ~RunnerMachine() = default;
    // Why this computer cannot do the power word's operation; empty when it can.
    virtual std::string PowerRefusal(const std::string& word) = 0;
    virtual BusySample BusyFacts() = 0;
    virtual OtherSessions OtherSessionsNow() = 0;
    virtual PowerOutcome CarryOut(const std::string& word, const std::string& wakeChoice) = 0;
    virtual void KeepAwake(AwakeNeed need) = 0;
    // The tick's gate changed: the tick's timers follow it.
    virtual void GateChanged() = 0;
};

// What shows the schedule to the user.
class RunnerView {
public:
    virtual ~RunnerView() = default;
    // The countdown window with the captions of `word`, showing `remaining`;
    // the looping sound; with `closeAll`, the other programs' windows asked
    // to close.
    virtual void ShowCountdown(const std::string& word, const std::string& remaining, bool closeAll) = 0;
    virtual void StepCountdown(std::int32_t length, std::int32_t position, const std::string& remaining) = 0;
    // The window hidden, its bar at 0 and the sound stopped.
    virtual void HideCountdown() = 0;
    virtual void SetCountdownBar(std::int32_t length, std::int32_t position) = 0;
    virtual void ShowBalloon(const std::string& text) = 0;
    // A window that tells something and holds nothing.
    virtual void ShowNotice(const std::string& text) = 0;
    // The monitoring switch, the pause, the quick timer, a postponed action
    // or the next task changed: the icon, the tip and the menu follow.
    virtual void StatusChanged() = 0;
};

class Runner {
public:
    using Clock = std::function<LocalTime()>;

    // `store` writes the pending values; `tickRegistry` (open on nothing,
    // an accessor of its own) is what the tick reads `programKey` through.
    Runner(TaskStore& store, Registry& tickRegistry, std::string programKey, RunnerMachine& machine,
           RunnerView& view, Clock clock);

    void UseExecutors(TaskExecutors* executors) { executors_ = executors; }
    void UseHistory(HistoryRecorder* history) { history_ = history; }
    // Where this copy's session stands, at start and after a registration
    // for the session messages.
    void SessionsRead(std::uint32_t own, std::uint32_t console, bool ownActive);

    // The program started: the pause, the quick timer and a postponed
    // action as stored. A value that cannot be read is returned, once.
    std::vector<std::string> Start();

    // Events.
    // One tick of the scheduler, when the gate lets it run. A tick that
    // arrives while one runs (an executor ran messages) does nothing.
    void Tick(const MatchEnv& env);
    void Rearm();          // the suspension after a task ran out
    void SuspendTick();    // no tick until Rearm
    void Second();         // a second of the countdown
    void Minute();         // the start of each minute
    void ActNow();
    void Cancel();
    void Postpone(int minutes);
    void SkipWarnedRun();
    void PostponeWarnedRun(int minutes);
    void SwitchMonitoring();
    void Pause(PauseChoice choice);
    void SetQuickTimer(int minutes);  // 0: cancel it
    // The computer goes to sleep, and wakes: `byProgramTimer`, the
    // program's own wake timer came due; `userPresent`, the system says a
    // user woke it (PBT_APMRESUMESUSPEND, or not IsSystemResumeAutomatic).
    void Suspending();
    void Resumed(bool byProgramTimer, bool userPresent);
    void SessionChanged(std::uint32_t change, std::uint32_t session);
    void HoldTick();
    void ReleaseTick();
    void SetCountdownLength(std::int32_t seconds);
    void CleaningUp(bool on);
    // A tick's task reached its countdown (also asked of tests directly).
    bool StartTaskCountdown(const std::string& word, bool closeAll);

    // State, for the host's windows and for tests.
    Settings& settings() { return settings_; }
    TickState& tickState() { return tickState_; }
    TickGate& gate() { return gate_; }
    const CountdownModel& countdown() const { return model_; }
    bool counting() const { return counting_; }
    // A countdown stopped by a sleep or a session switch away, waiting to
    // show again whole.
    bool interrupted() const { return interruptedAt_.has_value(); }
    // Whether this copy runs the machine's tasks now: the one answer that
    // lets a tick, the quick timer, a postponed action, a warning or a busy
    // wait fire anything.
    bool MayAct(const LocalTime& now);
    bool ticking() const { return ticking_; }
    const TickReport& lastReport() const { return lastReport_; }
    const std::optional<LocalTime>& pausedUntil() const { return pausedUntil_; }
    const std::optional<LocalTime>& quickTimer() const { return quickTimer_; }
    const std::optional<PostponedAction>& postponed() const { return postponed_; }
    const std::optional<PowerWarning>& lastWarning() const { return lastWarning_; }
    bool waitingWhileBusy() const { return busyWait_.has_value(); }
    const SessionRole* session() const { return session_.get(); }
    // A warning's menu is offered while its run has not passed.
    bool WarningOpen() const;
    // The tip's text, at most `maxChars` characters.
    std::string TipText(std::size_t maxChars);
    // The tick reads the tasks again at its next run (a window changed them).
    void WantTasksRead() {
        seenMinute_ = -1;
        actionNames_.clear();
    }

private:
    class TickAdapter;

    void StartCountdown(const std::string& word, bool closeAll);
    void EndCountdown(bool carryOut);
    void StopCountdown();
    void InterruptCountdown();
    void SetCounting(bool on);
    void SetMonitoring(bool on);
    void ApplyGate() { machine_.GateChanged(); }
    void TaskCountdown(const std::string& word, bool closeAll);
    bool RunsTasksAt(const LocalTime& now);
    bool SkipsRun(int number, const std::string& schedule, const LocalTime& now) const;
    void TasksRead(const std::vector<SeenTask>& tasks, const LocalTime& now, const MatchEnv& env);
    void CheckPauseAndTimer(bool atStart, std::vector<std::string>* problems, bool acts);
    void ReadChoices();
    void WriteSkips(std::vector<SkippedRun> runs);
    void ShowIfBack();
    void MissInterrupted();
    void ApplyAwake();
    void ReleaseAwake();
    std::optional<LocalTime> StoredMinute(const char* name, std::vector<std::string>* problems);
    // A pending value as stored, a stuck one read as none.
    std::string ReadPending(const char* name);
    // Deletes a pending value this copy is done with. On a timer nobody is
    // there to answer an error: a refused delete is told once in the
    // history and the value held as stuck.
    void ClearPending(const char* name);
    void HoldStuck(const char* name, const std::string& why);
    void EndPause(const char* source);
    void FireQuickTimer();
    void ShowQuickTimer() { view_.StatusChanged(); }
    void CheckPostponed(bool acts);
    void PostponedCountdownEnded();
    void CheckWarnings(bool acts);
    void CheckBusyWait(bool acts);
    BusyReason BusyReasonNow();
    std::string ActionNameOf(int number);

    TaskStore& store_;
    Registry& tickReg_;
    std::string programKey_;
    RunnerMachine& machine_;
    RunnerView& view_;
    Clock clock_;
    TaskExecutors* executors_ = nullptr;
    HistoryRecorder* history_ = nullptr;

    Settings settings_;
    TickState tickState_;
    TickGate gate_;
    CountdownModel model_;
    SleepWatch sleepWatch_;
    bool counting_ = false;  // the countdown counts (Timer2)
    bool ticking_ = false;
    TickReport lastReport_;
    std::int64_t seenMinute_ = -1;  // the minute whose tasks were last told
    std::unique_ptr<SessionRole> session_;
    // The tick: the last minute it went through (-1: none yet, or nothing
    // to catch up), the minute it goes through now, and the runs it fired
    // lately (task, schedule, minute), so that a clock set back fires none
    // of them twice.
    std::int64_t examinedUpTo_ = -1;
    std::int64_t tickMinute_ = 0;
    std::set<std::tuple<int, std::string, std::int64_t>> firedRuns_;
    // A countdown stopped by a sleep or a session switched away: its
    // minute; asleep until a user is there after the wake.
    std::optional<std::int64_t> interruptedAt_;
    bool asleep_ = false;
    std::optional<std::int64_t> awakeSince_;  // the program's timer woke the computer then
    AwakeNeed awakeShown_ = AwakeNeed::None;

    std::optional<LocalTime> pausedUntil_;
    std::optional<LocalTime> quickTimer_;
    // Pending values this copy is done with that the registry refused to
    // delete (name -> the text it holds): read as none, so that nothing
    // acts twice, until a writer stores another text there.
    std::map<std::string, std::string> stuck_;
    std::optional<PostponedAction> postponed_;
    bool postponedCounting_ = false;  // the countdown shown is the postponed action's
    std::set<std::pair<int, std::int64_t>> warned_;  // (task, minute of its run) warned of
    std::optional<PowerWarning> lastWarning_;        // the balloon's, for its menu
    std::vector<SkippedRun> skipped_;  // as the program key keeps them
    struct BusyWaitState {
        std::string word, wake;
        bool closeAll;
        std::int64_t since;  // its minute
    };
    std::optional<BusyWaitState> busyWait_;
    std::vector<BusySample> samples_;  // the last two minutes' samples, while 忙时推迟 is on
    std::vector<SeenTask> seen_;       // as the tick last told them
    bool tasksRead_ = false;
    MatchEnv seenEnv_;
    std::optional<NextTask> next_;
    std::map<int, std::string> actionNames_;  // read once per change of the tasks
};

}  // namespace vantrel
