// Runs the runner's tick from its host's timers: Timer1 (6 s) runs the
// tick, Timer3 (60 s) ends the suspension after a task that ran at once.
// It carries out the tasks' actions with the real executors and keeps the
// two timers in step with the runner's gate. The timers are the main
// window's WM_TIMER, or the service's waitable timers (it has no window).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "actions/handle_win.h"
#include "actions/utility_actions_win.h"
#include "scheduler/history_recorder.h"
#include "runner/runner.h"

namespace vantrel {

// The history's outcome of a junk cleanup: done (with its list file), or
// why it did not finish.
ActionOutcome CleanupOutcomeOf(const CleanupRun& run);

// Where the tick's timers run. Each id names one periodic timer; starting a
// running one starts its interval afresh.
class TickTimers {
public:
    virtual ~TickTimers() = default;
    virtual void StartTimer(UINT_PTR id, UINT ms) = 0;
    virtual void StopTimer(UINT_PTR id) = 0;
};

// WM_TIMER messages of a window.
class WindowTimers : public TickTimers {
public:
    explicit WindowTimers(HWND window) : window_(window) {}
    void StartTimer(UINT_PTR id, UINT ms) override { SetTimer(window_, id, ms, nullptr); }
    void StopTimer(UINT_PTR id) override { KillTimer(window_, id); }

private:
    HWND window_;
};

struct TickIntervals {
    UINT tick = 6000;    // Timer1
    UINT rearm = 60000;  // Timer3
};

class TickDriver : public TaskExecutors {
public:
    static constexpr UINT_PTR kTimer1 = 1;  // the tick
    static constexpr UINT_PTR kTimer3 = 3;  // the re-arm after a task
    // Looks once a second, while a netsh a task started still runs, whether
    // it has ended, for the history's line with its exit code.
    static constexpr UINT_PTR kTimerNetsh = 4;

    using Intervals = TickIntervals;

    // Carries out `runner`'s tick and its tasks' actions; the runner's
    // gate says when the tick runs.
    TickDriver(HWND window, Runner& runner, Intervals intervals = Intervals());
    // Timers of the host's choosing; `owner` (nullptr: none) owns what the
    // executors open.
    TickDriver(TickTimers& timers, HWND owner, Runner& runner, Intervals intervals = Intervals());
    ~TickDriver() override;

    // WM_TIMER of kTimer1 and kTimer3. A Timer1 message that arrives while a
    // tick runs (an executor ran messages) is ignored.
    void Timer1Timer();
    void Timer3Timer();
    void NetshTimer();

    // Where the tick's last input comes from when not from this session
    // (the service has no input of its own): given the tick count now, the
    // tick count of the last input. Empty (the default): GetLastInputInfo.
    void UseLastInput(std::function<std::uint32_t(std::uint32_t)> lastInput) { lastInput_ = std::move(lastInput); }

    // The run history the executors report to; nullptr (the default): none.
    void SetHistory(HistoryRecorder* history) { history_ = history; }

    // Starts Timer1 (its interval afresh) when the gate says the tick should
    // run and it does not, and stops it in the opposite case; arms the
    // re-arm timer while the tick is suspended.
    void ApplyGate();
    // Stops the tick until the re-arm timer fires.
    void Suspend() { runner_.SuspendTick(); }
    // A task reached its countdown, as the tick would start it.
    bool StartCountdown(const std::string& word, bool closeAll) { return runner_.StartTaskCountdown(word, closeAll); }

    // A tick is running (an executor inside it may be running messages).
    bool ticking() const { return runner_.ticking(); }
    // A tick or a junk cleanup is running messages further down the stack:
    // the driver must outlive them.
    bool busy() const { return runner_.ticking() || runner_.gate().cleaningUp; }

    // The junk cleanup, for a task and for the tray menu. The tick stays
    // held while the batch runs and the windows answer their messages, and
    // a cleanup asked for while one runs is refused.
    CleanupRun RunJunkCleanup(bool showList);
    // Stops both timers for good: the program is closing.
    void StopTimers();

    bool timer1Running() const { return timer1_; }
    bool timer3Running() const { return timer3_; }
    const TickReport& lastReport() const { return runner_.lastReport(); }
    void RefreshDateFormat();

    // TaskExecutors
    void ShowReminder(const std::string& text) override;
    void OpenTaskFile(const std::string& parameter) override;
    void CloseProgramByName(const std::string& fileName) override;
    void DialDefaultConnection() override;
    void SetNetworkAdapter(const std::string& adapter, bool enable) override;
    void CleanSystemJunk(bool showList) override;
    void TaskFired(const FiredTask& task) override;

private:
    std::unique_ptr<TickTimers> ownTimers_;  // the window's, when given a window
    TickTimers& timers_;
    HWND window_;
    Runner& runner_;
    Intervals intervals_;
    std::string dateFormat_;
    bool timer1_ = false;
    bool timer3_ = false;
    bool stopped_ = false;  // the program is closing: no timer starts again
    HistoryRecorder* history_ = nullptr;
    std::function<std::uint32_t(std::uint32_t)> lastInput_;
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
