// The main window's part in the pause, the quick timer and the tray tip:
// it stores and follows the two values, carries out what app/tray_status.h
// decides at the start of each minute, and keeps the tip current from the
// tasks the tick read.
#include "app/main_window_win.h"

#include "scheduler/clock.h"
#include "scheduler/time_text.h"

namespace vantrel {

namespace {

// The first layout of the tray icon record holds 63 characters of tip.
const std::size_t kTipChars = 63;

bool SameMinute(const std::optional<LocalTime>& a, const std::optional<LocalTime>& b) {
    if (!a || !b) return !a && !b;
    return MinuteNumber(*a) == MinuteNumber(*b);
}

}  // namespace

void MainWindow::Pause(PauseChoice choice) {
    const LocalTime until = PauseEnd(choice, LocalTimeNow());
    // Stored first: a write the registry refuses changes nothing.
    store_->WriteMinuteValue(kValPauseUntil, FormatMinute(until));
    pausedUntil_ = until;
    gate_.monitoring = false;
    driver_->ApplyGate();
    ShowMonitoring(false);
    if (history_) history_->PauseStarted(FormatMinute(until));
}

void MainWindow::EndPause(const char* source) {
    store_->WriteMinuteValue(kValPauseUntil, "");
    pausedUntil_.reset();
    gate_.monitoring = true;
    driver_->ApplyGate();
    ShowMonitoring(true);
    if (history_) history_->PauseEnded(source);
}

void MainWindow::SetQuickTimer(int minutes) {
    if (minutes <= 0) {
        if (!quickTimer_) return;
        store_->WriteMinuteValue(kValQuickTimer, "");
        quickTimer_.reset();
        if (history_) history_->QuickTimerSet(kSourceMenu, "");
    } else {
        // One quick timer at a time: a new one replaces it.
        const LocalTime at = MinutesLater(LocalTimeNow(), minutes);
        store_->WriteMinuteValue(kValQuickTimer, FormatMinute(at));
        quickTimer_ = at;
        if (history_) history_->QuickTimerSet(kSourceMenu, FormatMinute(at));
    }
    ShowQuickTimer();
}

void MainWindow::ShowQuickTimer() {
    menu_.SetCancelTimer(CancelTimerCaption(quickTimer_, LocalTimeNow()), quickTimer_.has_value());
    tray_.Set(tray_.icon(), TipText());
    tray_.Modify();
}

void MainWindow::FireQuickTimer() {
    const std::string at = FormatMinute(*quickTimer_);
    store_->WriteMinuteValue(kValQuickTimer, "");
    quickTimer_.reset();
    ShowQuickTimer();
    tickState_.pendingAction = kQuickTimerWord;
    if (history_) history_->QuickTimerFired();
    StartCountdown(kQuickTimerWord, false);
}

std::optional<LocalTime> MainWindow::StoredMinute(const char* name, bool atStart) {
    try {
        // A text that is no minute counts as none, as a missing value does.
        return ParseLocalTime(store_->ReadMinuteValue(name), false);
    } catch (const RegistryError& e) {
        // Said once, at start-up; each minute after, it is simply none.
        if (atStart) {
            startupErrors_.push_back(e.what());
            if (options_.showStartupMessages) ReportError(e.what());
        }
        return std::nullopt;
    }
}

void MainWindow::CheckPauseAndTimer(bool atStart) {
    // What is stored is what holds: vantrelctl arms and cancels the quick
    // timer, and a copy of the program in another session pauses the same
    // tasks. Such a change was recorded by whoever made it.
    const std::optional<LocalTime> pause = StoredMinute(kValPauseUntil, atStart);
    if (!SameMinute(pause, pausedUntil_)) {
        pausedUntil_ = pause;
        gate_.monitoring = !pause;
        driver_->ApplyGate();
        ShowMonitoring(gate_.monitoring);
    }
    const std::optional<LocalTime> timer = StoredMinute(kValQuickTimer, atStart);
    if (!SameMinute(timer, quickTimer_)) {
        quickTimer_ = timer;
        ShowQuickTimer();
    }
    const LocalTime now = LocalTimeNow();
    if (pausedUntil_ && PauseIsOver(*pausedUntil_, now)) EndPause(kSourceTimer);
    if (!quickTimer_) return;
    switch (CheckQuickTimer(*quickTimer_, now)) {
        case TimerCheck::Waiting: break;
        case TimerCheck::Due:
            // A countdown already running keeps the window; the timer's
            // minute then passes, as a task's would.
            if (!gate_.countingDown) FireQuickTimer();
            break;
        case TimerCheck::Missed: {
            const std::string at = FormatMinute(*quickTimer_);
            store_->WriteMinuteValue(kValQuickTimer, "");
            quickTimer_.reset();
            ShowQuickTimer();
            if (history_) history_->QuickTimerMissed(at);
            break;
        }
    }
}

void MainWindow::StatusTimer() {
    SetTimer(hwnd(), kTimerStatus, MillisecondsToNextMinute(LocalTimeNow()), nullptr);
    CheckPauseAndTimer(false);
    tray_.Set(tray_.icon(), TipText());
    tray_.Modify();
}

void MainWindow::TasksRead(const std::vector<SeenTask>& tasks, const LocalTime& now,
                           const MatchEnv& env) {
    if (closed_) return;
    if (!(tasks == seen_)) {
        seen_ = tasks;
        actionNames_.clear();
    }
    tasksRead_ = true;
    seenEnv_ = env;
    next_ = FirstNextTask(seen_, now, env);
    tray_.Set(tray_.icon(), TipText());
    tray_.Modify();
}

std::string MainWindow::TipText() {
    const LocalTime now = LocalTimeNow();
    // A next run that has come while no tick told the tasks (monitoring was
    // off) is found again from the tasks as last read.
    if (next_ && MinuteNumber(next_->at) <= MinuteNumber(now)) next_ = FirstNextTask(seen_, now, seenEnv_);
    TipFacts facts;
    facts.monitoring = gate_.monitoring;
    facts.pausedUntil = pausedUntil_;
    facts.quickTimer = quickTimer_;
    facts.tasksRead = tasksRead_;
    facts.next = next_;
    if (next_ && store_) {
        // The one value the tick did not read: the action of the task the
        // tip names, read once while the tasks stay as they are.
        auto name = actionNames_.find(next_->number);
        if (name == actionNames_.end())
            name = actionNames_.emplace(next_->number, store_->ReadValueOrEmpty('B', next_->number, nullptr))
                       .first;
        facts.nextAction = name->second;
    }
    return TrayTip(facts, now, kTipChars);
}

}  // namespace vantrel
