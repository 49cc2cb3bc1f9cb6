// The main window's part in the pause, the quick timer and the tray tip:
// it stores and follows the two values, carries out what app/tray_status.h
// decides at the start of each minute, and keeps the tip current from the
// tasks the tick read.
#include "app/main_window_win.h"

#include <algorithm>
#include <iterator>

#include "actions/countdown_model.h"
#include "actions/system_ops.h"
#include "scheduler/clock.h"
#include "scheduler/time_text.h"
#include "text/codepage_win.h"
#include "winui/on_demand_win.h"

namespace vantrel {

namespace {

// The first layout of the tray icon record holds 63 characters of tip.
const std::size_t kTipChars = 63;

// A pop-up menu for one choice; destroyed with the submenus it holds.
class PopupMenu {
public:
    PopupMenu() : menu_(CreatePopupMenu()) {}
    ~PopupMenu() {
        if (menu_) DestroyMenu(menu_);
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU get() const { return menu_; }
    void Add(UINT id, const char* caption) { AppendMenuW(menu_, MF_STRING, id, Wide(caption).c_str()); }
    // `sub` becomes this menu's to destroy.
    void AddSubmenu(PopupMenu& sub, const char* caption) {
        if (AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(sub.menu_), Wide(caption).c_str()))
            sub.menu_ = nullptr;
    }
    // The item chosen at (x, y), 0 for none.
    UINT Choose(HWND owner, int x, int y) {
        if (!menu_) return 0;
        return static_cast<UINT>(TrackPopupMenu(menu_, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                x, y, 0, owner, nullptr));
    }

private:
    HMENU menu_;
};

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

void MainWindow::Postpone(int minutes) {
    if (!timer2_) return;  // a menu chosen after the countdown ended
    PostponedAction action;
    action.at = MinutesLater(LocalTimeNow(), minutes);
    action.word = tickState_.pendingAction;
    if (PowerOpFor(action.word) == PowerOp::Hibernate) action.wake = tickState_.wakeChoice;
    // Stored first: a write the registry refuses leaves the countdown running.
    store_->WriteMinuteValue(kValPostponed, FormatPostponed(action));
    postponed_ = action;
    postponedCounting_ = false;
    SetTimer2(false);
    gate_.countingDown = false;
    StopSoundOnDemand();
    model_.Reset();
    view_.SetBar(model_.length(), 0);
    Hide();
    // Monitoring stays on; the task's minute passes without firing again.
    driver_->Suspend();
    if (history_) history_->CountdownPostponed(action.word, FormatMinute(action.at));
    tray_.Set(tray_.icon(), TipText());
    tray_.Modify();
}

void MainWindow::ShowPostponeMenu() {
    if (!timer2_) return;
    PopupMenu menu;
    for (int i = 0; i < 3; ++i) menu.Add(CountdownView::kPostponeMenuId + i, kPostponeCaptions[i]);
    RECT button;
    GetWindowRect(view_.postpone(), &button);
    // The countdown goes on while the menu is open; a choice made after it
    // ran out finds no countdown to postpone.
    if (const UINT chosen = menu.Choose(hwnd(), button.left, button.bottom)) OnCommand(chosen);
}

void MainWindow::LoadPostponed() {
    try {
        // A text that is none counts as none, and is left for the next
        // postponement to replace.
        postponed_ = ParsePostponed(store_->ReadMinuteValue(kValPostponed));
    } catch (const RegistryError& e) {
        startupErrors_.push_back(e.what());
        if (options_.showStartupMessages) ReportError(e.what());
    }
    if (postponed_) {
        tray_.Set(tray_.icon(), TipText());
        tray_.Modify();
    }
}

// Waits while monitoring is off (cancelled, paused) or another countdown
// shows, and in a session that runs no tasks.
void MainWindow::CheckPostponed() {
    if (!postponed_ || postponedCounting_) return;
    if (!gate_.monitoring || gate_.countingDown || gate_.sessionAway) return;
    if (!PostponedIsDue(*postponed_, LocalTimeNow())) return;
    postponedCounting_ = true;
    tickState_.pendingAction = postponed_->word;
    tickState_.wakeChoice = postponed_->wake;
    if (history_) history_->PostponedFired(postponed_->word, FormatMinute(postponed_->at));
    const PowerOp op = PowerOpFor(postponed_->word);
    StartCountdown(postponed_->word,
                   settings_.closeAll == 1 && (op == PowerOp::Standby || op == PowerOp::Hibernate));
}

// Before the action is carried out, which may end the session.
void MainWindow::PostponedCountdownEnded() {
    if (!postponedCounting_) return;
    postponedCounting_ = false;
    postponed_.reset();
    store_->WriteMinuteValue(kValPostponed, "");
    tray_.Set(tray_.icon(), TipText());
    tray_.Modify();
}

std::string MainWindow::ActionNameOf(int number) {
    auto name = actionNames_.find(number);
    if (name == actionNames_.end())
        name = actionNames_.emplace(number, store_->ReadValueOrEmpty('B', number, nullptr)).first;
    return name->second;
}

// From the tasks as the tick last read them: no read but the action names
// of the tasks whose run comes within the warning's minutes, once.
void MainWindow::CheckWarnings() {
    if (!tasksRead_ || !gate_.monitoring || pausedUntil_ || gate_.sessionAway) return;
    const LocalTime now = LocalTimeNow();
    const std::int64_t minute = MinuteNumber(now);
    for (auto w = warned_.begin(); w != warned_.end();) w = w->second < minute ? warned_.erase(w) : std::next(w);
    skipped_.erase(std::remove_if(skipped_.begin(), skipped_.end(),
                                  [minute](const SkippedRun& s) { return s.minute < minute; }),
                   skipped_.end());
    for (const PowerWarning& w : WarningsDue(seen_, now, seenEnv_, settings_.warnMinutes,
                                             [this](int n) { return ActionNameOf(n); })) {
        if (!warned_.insert({w.number, MinuteNumber(w.at)}).second) continue;
        lastWarning_ = w;
        const std::string text = WarningText(w);
        tray_.ShowBalloon("Vantrel", text + "\n单击此处可跳过本次或推迟");
        if (history_) history_->TaskNote(FiredTask{w.number, w.schedule, ActionNameOf(w.number), "", ""},
                                         kOutcomeWarning, text);
    }
}

void MainWindow::ShowWarningMenu() {
    if (!lastWarning_ || MinuteNumber(lastWarning_->at) < MinuteNumber(LocalTimeNow())) return;
    PopupMenu menu, later;
    for (int i = 0; i < 3; ++i) later.Add(kWarnPostponeId + i, kPostponeCaptions[i]);
    menu.Add(kWarnSkipId, "跳过本次");
    menu.AddSubmenu(later, "推迟");
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(hwnd());
    if (const UINT chosen = menu.Choose(hwnd(), at.x, at.y)) OnCommand(chosen);
}

// This run only: the task stays enabled and runs at its next time.
void MainWindow::SkipWarnedRun() {
    if (!lastWarning_) return;
    const PowerWarning& w = *lastWarning_;
    skipped_.push_back(SkippedRun{w.number, w.schedule, MinuteNumber(w.at)});
    if (history_)
        history_->TaskNote(FiredTask{w.number, w.schedule, ActionNameOf(w.number), "", ""}, kOutcomeSkipped,
                           FormatMinute(w.at));
}

// The run is skipped and its action comes `minutes` after its time, as a
// countdown's 推迟 would bring it.
void MainWindow::PostponeWarnedRun(int minutes) {
    if (!lastWarning_) return;
    const PowerWarning w = *lastWarning_;
    PostponedAction action;
    action.at = AddMinutes(w.at, minutes);
    action.word = w.word;
    if (PowerOpFor(w.word) == PowerOp::Hibernate) action.wake = store_->ReadValueOrEmpty('C', w.number, nullptr);
    store_->WriteMinuteValue(kValPostponed, FormatPostponed(action));
    postponed_ = action;
    postponedCounting_ = false;
    skipped_.push_back(SkippedRun{w.number, w.schedule, MinuteNumber(w.at)});
    if (history_)
        history_->TaskNote(FiredTask{w.number, w.schedule, ActionNameOf(w.number), "", ""}, kOutcomePostponed,
                           FormatMinute(action.at));
    tray_.Set(tray_.icon(), TipText());
    tray_.Modify();
}

// Against the latest sample at least 20 seconds old (the minute's), so the
// processor and the network are judged over most of a minute.
BusyReason MainWindow::BusyReasonNow() {
    const BusySample now = Sys().BusyFacts();
    std::optional<BusySample> earlier;
    for (const BusySample& s : samples_)
        if (!earlier || now.tickMs - s.tickMs >= 20000) earlier = s;
    BusyLimits limits;
    limits.processorPercent = settings_.busyProcessorPercent;
    limits.networkKBps = settings_.busyNetworkKBps;
    return BusyNow(earlier, now, limits);
}

void MainWindow::TaskCountdown(const std::string& word, bool closeAllWindows) {
    const BusyReason reason = settings_.busyWait == 1 ? BusyReasonNow() : BusyReason::None;
    if (reason == BusyReason::None) {
        StartCountdown(word, closeAllWindows);
        return;
    }
    // The tick goes on with the other tasks; this one's minute passes
    // without firing again. A later power task takes the one slot.
    busyWait_ = BusyWaitState{word, tickState_.wakeChoice, closeAllWindows, MinuteNumber(LocalTimeNow())};
    gate_.countingDown = false;
    driver_->Suspend();
    if (history_) history_->BusyWait(word, BusyReasonText(reason));
    tray_.Set(tray_.icon(), TipText());
    tray_.Modify();
}

void MainWindow::CheckBusyWait() {
    if (!busyWait_ || !gate_.monitoring || gate_.countingDown || gate_.sessionAway) return;
    const BusyReason reason = settings_.busyWait == 1 ? BusyReasonNow() : BusyReason::None;
    const bool limit = MinuteNumber(LocalTimeNow()) - busyWait_->since >= settings_.busyLimitMinutes;
    if (reason != BusyReason::None && !limit) return;
    const BusyWaitState wait = *busyWait_;
    busyWait_.reset();
    if (history_)
        history_->BusyWaitEnded(wait.word, reason == BusyReason::None
                                               ? std::string("不再忙")
                                               : "已等待 " + std::to_string(settings_.busyLimitMinutes) + " 分钟");
    tickState_.pendingAction = wait.word;
    tickState_.wakeChoice = wait.wake;
    StartCountdown(wait.word, wait.closeAll);
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
    CheckPostponed();
    CheckWarnings();
    if (settings_.busyWait == 1) {
        samples_.push_back(Sys().BusyFacts());
        if (samples_.size() > 2) samples_.erase(samples_.begin());
    } else {
        samples_.clear();
    }
    CheckBusyWait();
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
    if (busyWait_) facts.busyWaitWord = busyWait_->word;
    if (postponed_) {
        facts.postponedAt = postponed_->at;
        facts.postponedWord = postponed_->word;
    }
    // The one value the tick did not read: the action of the task the tip
    // names, read once while the tasks stay as they are.
    if (next_ && store_) facts.nextAction = ActionNameOf(next_->number);
    return TrayTip(facts, now, kTipChars);
}

}  // namespace vantrel
