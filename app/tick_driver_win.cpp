#include "app/tick_driver_win.h"

#include <utility>

#include "actions/power_actions_win.h"
#include "actions/system_ops.h"
#include "actions/utility_actions_win.h"
#include "scheduler/clock.h"
#include "store/task_store.h"
#include "scheduler/time_text.h"

namespace vantrel {

TickDriver::TickDriver(HWND window, Runner& runner, Intervals intervals)
    : ownTimers_(new WindowTimers(window)),
      timers_(*ownTimers_),
      window_(window),
      runner_(runner),
      intervals_(intervals),
      dateFormat_(SystemShortDateFormat()) {
    runner_.UseExecutors(this);
}

TickDriver::TickDriver(TickTimers& timers, HWND owner, Runner& runner, Intervals intervals)
    : timers_(timers), window_(owner), runner_(runner), intervals_(intervals), dateFormat_(SystemShortDateFormat()) {
    runner_.UseExecutors(this);
}

TickDriver::~TickDriver() {
    runner_.UseExecutors(nullptr);
    if (timer1_) timers_.StopTimer(kTimer1);
    if (timer3_) timers_.StopTimer(kTimer3);
    if (netshTimer_) timers_.StopTimer(kTimerNetsh);
}

void TickDriver::StopTimers() {
    if (timer1_) timers_.StopTimer(kTimer1);
    if (timer3_) timers_.StopTimer(kTimer3);
    timer1_ = timer3_ = false;
    stopped_ = true;
    runner_.gate().monitoring = false;  // nothing after this starts them again
}

void TickDriver::RefreshDateFormat() { dateFormat_ = SystemShortDateFormat(); }

void TickDriver::ApplyGate() {
    if (stopped_) return;
    const TickGate& gate = runner_.gate();
    bool run = gate.TickShouldRun();
    if (run && !timer1_) {
        timers_.StartTimer(kTimer1, intervals_.tick);
        timer1_ = true;
    } else if (!run && timer1_) {
        timers_.StopTimer(kTimer1);
        timer1_ = false;
    }
    if (gate.suspended && !timer3_) {
        timers_.StartTimer(kTimer3, intervals_.rearm);
        timer3_ = true;
    }
}

void TickDriver::Timer1Timer() {
    // A WM_TIMER already queued when the gate closed must not run a tick.
    if (!timer1_) return;
    MatchEnv env = CurrentMatchEnv(dateFormat_, MsSinceSwitchedOnNow());
    if (lastInput_) env.lastInputTick = lastInput_(env.tickCount);
    runner_.Tick(env);
}

void TickDriver::Timer3Timer() {
    if (timer3_) timers_.StopTimer(kTimer3);
    timer3_ = false;
    runner_.Rearm();
}

namespace {

ActionOutcome DoneOr(const std::string& error) {
    return error.empty() ? ActionOutcome::Done() : ActionOutcome::Error(error);
}

}  // namespace

void TickDriver::ShowReminder(const std::string& text) {
    vantrel::ShowReminder(text);
    Report(ActionOutcome::Done());
}

void TickDriver::OpenTaskFile(const std::string& parameter) {
    Report(DoneOr(vantrel::OpenTaskFile(parameter)));
}

void TickDriver::CloseProgramByName(const std::string& fileName) {
    Report(vantrel::CloseProgramByName(fileName)
               ? ActionOutcome::Done()
               : ActionOutcome::Error("没有结束任何进程（" + fileName + " 未运行或无法结束）"));
}

void TickDriver::DialDefaultConnection() {
    Report(DoneOr(vantrel::DialDefaultConnection(window_)));
}

void TickDriver::SetNetworkAdapter(const std::string& adapter, bool enable) {
    AdapterRun run = vantrel::SetNetworkAdapter(window_, adapter, enable);
    if (!run.process) {
        Report(ActionOutcome::Error(run.error));
        return;
    }
    Report(ActionOutcome{kOutcomeStarted, std::string()});
    // Without a history nothing waits for netsh: the handle closes here.
    if (history_) netshStarted_ = std::move(run.process);
}

ActionOutcome CleanupOutcomeOf(const CleanupRun& run) {
    switch (run.outcome) {
        case CleanupOutcome::Finished: return ActionOutcome{kOutcomeDone, run.listPath};
        case CleanupOutcome::TimedOut: return ActionOutcome::Error("十分钟后仍未结束，清理在后台继续");
        case CleanupOutcome::Abandoned: return ActionOutcome::Error("程序退出时清理仍未结束，清理在后台继续");
        case CleanupOutcome::NotStarted: break;
    }
    return ActionOutcome::Error(run.error);
}

CleanupRun TickDriver::RunJunkCleanup(bool showList) {
    if (runner_.gate().cleaningUp) {
        CleanupRun refused;
        refused.error = "上一次清理还没有结束";
        return refused;
    }
    runner_.CleaningUp(true);
    struct Release {
        Runner& runner;
        ~Release() { runner.CleaningUp(false); }
    } release{runner_};
    return RunCleanup(window_, ProgramFolder(), showList, kCleanupWaitMs);
}

void TickDriver::CleanSystemJunk(bool showList) {
    Report(CleanupOutcomeOf(RunJunkCleanup(showList)));
}

void TickDriver::TaskFired(const FiredTask& task) {
    if (!history_ || !netshStarted_) return;
    netsh_.push_back(RunningNetsh{task, std::move(netshStarted_)});
    if (!netshTimer_) {
        timers_.StartTimer(kTimerNetsh, 1000);
        netshTimer_ = true;
    }
}

void TickDriver::NetshTimer() {
    for (auto it = netsh_.begin(); it != netsh_.end();) {
        if (WaitForSingleObject(it->process.get(), 0) != WAIT_OBJECT_0) {
            ++it;
            continue;
        }
        DWORD code = 0;
        GetExitCodeProcess(it->process.get(), &code);
        if (history_)
            history_->TaskLine(it->task, code == 0 ? ActionOutcome::Done()
                                                   : ActionOutcome::Error("netsh 退出代码 " +
                                                                          std::to_string(code)));
        it = netsh_.erase(it);
    }
    if (netsh_.empty() && netshTimer_) {
        timers_.StopTimer(kTimerNetsh);
        netshTimer_ = false;
    }
}

}  // namespace vantrel
