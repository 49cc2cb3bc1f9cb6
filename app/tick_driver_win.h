// Runs the scheduler tick from the main window's timers: Timer1 (6 s) runs
// the tick, Timer3 (60 s) ends the suspension after a task that ran at once.
// It carries out the tick's decisions with the real executors and keeps
// Timer1 in step with the one gate that says whether the tick runs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "actions/handle_win.h"
#include "actions/utility_actions_win.h"
#include "scheduler/history_recorder.h"
#include "scheduler/tick.h"
#include "scheduler/tick_gate.h"

namespace vantrel {

// The history's outcome of a junk cleanup: done (with its list file), or
// why it did not finish.
ActionOutcome CleanupOutcomeOf(const CleanupRun& run);

struct TickIntervals {
    UINT tick = 6000;    // Timer1
    UINT rearm = 60000;  // Timer3
};

class TickDriver : public TickHost {
public:
    static constexpr UINT_PTR kTimer1 = 1;  // the tick
    static constexpr UINT_PTR kTimer3 = 3;  // the re-arm after a task
    // Looks once a second, while a netsh a task started still runs, whether
    // it has ended, for the history's line with its exit code.
    static constexpr UINT_PTR kTimerNetsh = 4;

    using Intervals = TickIntervals;
    using CountdownStart = std::function<void(const std::string& word, bool closeAllWindows)>;

    TickDriver(HWND window, Registry& reg, std::string programKey, Settings& settings,
               TickState& state, TickGate& gate, CountdownStart startCountdown,
               Intervals intervals = Intervals());
    ~TickDriver() override;

    // WM_TIMER of kTimer1 and kTimer3. A Timer1 message that arrives while a
    // tick runs (an executor ran messages) is ignored.
    void Timer1Timer();
    void Timer3Timer();
    void NetshTimer();

    // The run history the tasks' lines go to; nullptr (the default): none.
    void SetHistory(HistoryRecorder* history) { history_ = history; }
    // Asked at every tick whether this copy runs the machine's tasks at that
    // moment (scheduler/session_role.h); none given: it always does.
    using SessionCheck = std::function<bool(const LocalTime& now)>;
    void SetSessionCheck(SessionCheck check) { runsTasks_ = std::move(check); }

    // Told, after the first tick of each minute (and the first after
    // WantTasksRead), the tasks that tick read, its time and its match
    // environment: the tray tip's next task comes from these, so it reads
    // nothing more.
    using TasksRead = std::function<void(const std::vector<SeenTask>& tasks, const LocalTime& now,
                                         const MatchEnv& env)>;
    void SetTasksRead(TasksRead tasksRead) { tasksRead_ = std::move(tasksRead); }
    void WantTasksRead() { seenMinute_ = -1; }

    // Starts Timer1 (its interval afresh) when the gate says the tick should
    // run and it does not, and stops it in the opposite case.
    void ApplyGate();
    // Stops the tick until the re-arm timer fires.
    void Suspend();

    // A tick is running (an executor inside it may be running messages).
    bool ticking() const { return ticking_; }
    // A tick or a junk cleanup is running messages further down the stack:
    // the driver must outlive them.
    bool busy() const { return ticking_ || gate_.cleaningUp; }

    // The junk cleanup, for a task and for the tray menu. The tick stays
    // held while the batch runs and the windows answer their messages, and
    // a cleanup asked for while one runs is refused.
    CleanupRun RunJunkCleanup(bool showList);
    // Stops both timers for good: the program is closing.
    void StopTimers();

    bool timer1Running() const { return timer1_; }
    bool timer3Running() const { return timer3_; }
    const TickReport& lastReport() const { return lastReport_; }
    void RefreshDateFormat();

    // TickHost
    void ShowReminder(const std::string& text) override;
    void OpenTaskFile(const std::string& parameter) override;
    void CloseProgramByName(const std::string& fileName) override;
    void DialDefaultConnection() override;
    void SetNetworkAdapter(const std::string& adapter, bool enable) override;
    void CleanSystemJunk(bool showList) override;
    bool StartCountdown(const std::string& pendingAction, bool closeAllWindows) override;
    void SuspendTick() override { Suspend(); }
    void TaskFired(const FiredTask& task) override;

private:
    HWND window_;
    Registry& reg_;
    std::string programKey_;
    Settings& settings_;
    TickState& state_;
    TickGate& gate_;
    CountdownStart startCountdown_;
    Intervals intervals_;
    std::string dateFormat_;
    bool timer1_ = false;
    bool timer3_ = false;
    bool ticking_ = false;  // a tick is running; a nested Timer1 message is ignored
    TickReport lastReport_;
    HistoryRecorder* history_ = nullptr;
    SessionCheck runsTasks_;
    TasksRead tasksRead_;
    std::int64_t seenMinute_ = -1;  // the minute whose tasks were last told
    Handle netshStarted_;  // by the task now firing
    struct RunningNetsh {
        FiredTask task;
        Handle process;
    };
    std::vector<RunningNetsh> netsh_;
    bool netshTimer_ = false;

    void Report(const ActionOutcome& outcome) {
        if (history_) history_->Executed(outcome);
    }
};

}  // namespace vantrel
