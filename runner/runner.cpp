#include "runner/runner.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "scheduler/time_text.h"
#include "store/task_count.h"

namespace vantrel {

namespace {

bool SameMinute(const std::optional<LocalTime>& a, const std::optional<LocalTime>& b) {
    if (!a || !b) return !a && !b;
    return MinuteNumber(*a) == MinuteNumber(*b);
}

}  // namespace

// The tick's host: the actions that run at once go to the executors, and
// everything about a countdown, a suspension or a skipped run is decided
// here.
class Runner::TickAdapter : public TickHost {
public:
    explicit TickAdapter(Runner& runner) : r_(runner) {}
    void ShowReminder(const std::string& text) override {
        if (r_.executors_) r_.executors_->ShowReminder(text);
    }
    void OpenTaskFile(const std::string& parameter) override {
        if (r_.executors_) r_.executors_->OpenTaskFile(parameter);
    }
    void CloseProgramByName(const std::string& fileName) override {
        if (r_.executors_) r_.executors_->CloseProgramByName(fileName);
    }
    void DialDefaultConnection() override {
        if (r_.executors_) r_.executors_->DialDefaultConnection();
    }
    void SetNetworkAdapter(const std::string& adapter, bool enable) override {
        if (r_.executors_) r_.executors_->SetNetworkAdapter(adapter, enable);
    }
    void CleanSystemJunk(bool showList) override {
        if (r_.executors_) r_.executors_->CleanSystemJunk(showList);
    }
    bool StartCountdown(const std::string& word, bool closeAll) override {
        return r_.StartTaskCountdown(word, closeAll);
    }
    void SuspendTick() override { r_.SuspendTick(); }
    void TaskFired(const FiredTask& task) override {
        if (r_.history_) r_.history_->TaskFired(task);
        if (r_.executors_) r_.executors_->TaskFired(task);
    }
    bool SkipsRun(int number, const std::string& schedule, const LocalTime& now) override {
        return r_.SkipsRun(number, schedule, now);
    }

private:
    Runner& r_;
};

Runner::Runner(TaskStore& store, Registry& tickRegistry, std::string programKey, RunnerView& view,
               Clock clock)
    : store_(store),
      tickReg_(tickRegistry),
      programKey_(std::move(programKey)),
      view_(view),
      clock_(std::move(clock)) {}

void Runner::SessionsRead(std::uint32_t own, std::uint32_t console, bool ownActive) {
    session_.reset(new SessionRole(own, console, ownActive));
    gate_.sessionAway = !session_->Seen();
    ApplyGate();
}

void Runner::SessionChanged(std::uint32_t change, std::uint32_t session) {
    if (!session_) return;
    session_->Told(change, session);
    gate_.sessionAway = !session_->Seen();
    ApplyGate();
}

bool Runner::RunsTasksAt(const LocalTime& now) {
    return !session_ || session_->RunsTasksAt(now, [this] { return view_.OtherSessionsNow(); });
}

std::vector<std::string> Runner::Start() {
    std::vector<std::string> problems;
    CheckPauseAndTimer(true, &problems);
    try {
        // A text that is none counts as none, and is left for the next
        // postponement to replace.
        postponed_ = ParsePostponed(store_.ReadMinuteValue(kValPostponed));
    } catch (const RegistryError& e) {
        problems.push_back(e.what());
    }
    if (postponed_) view_.StatusChanged();
    return problems;
}

// ---- the tick ----

void Runner::Tick(const MatchEnv& env) {
    // An executor may run messages while it works (a DDE conversation when a
    // file opens, dial-up); a tick among them must not start a second tick
    // inside this one, which would fire the same task again. The skipped
    // tick's task is still due at the next one if its minute lasts.
    if (ticking_) return;
    ticking_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{ticking_};
    const LocalTime now = clock_();
    // Another user's copy runs the tasks now, or ran this minute's already.
    if (!RunsTasksAt(now)) return;
    FollowStoredTaskCount(tickReg_, programKey_, settings_);
    const bool tell = MinuteNumber(now) != seenMinute_;
    std::vector<SeenTask> seen;
    TickAdapter adapter(*this);
    lastReport_ = RunTick(tickReg_, programKey_, now, env, settings_, tickState_, adapter,
                          tell ? &seen : nullptr);
    if (!tell) return;
    seenMinute_ = MinuteNumber(now);
    TasksRead(seen, now, env);
}

void Runner::SuspendTick() {
    gate_.suspended = true;
    ApplyGate();
}

void Runner::Rearm() {
    gate_.suspended = false;
    ApplyGate();
}

void Runner::HoldTick() {
    gate_.HoldForWindow();
    ApplyGate();
}

void Runner::ReleaseTick() {
    gate_.ReleaseForWindow();
    ApplyGate();
    // The window may have changed the tasks: the tip follows at the next tick.
    WantTasksRead();
}

void Runner::CleaningUp(bool on) {
    gate_.cleaningUp = on;
    ApplyGate();
}

bool Runner::SkipsRun(int number, const std::string& schedule, const LocalTime& now) const {
    for (const SkippedRun& s : skipped_)
        if (s.number == number && s.schedule == schedule && s.minute == MinuteNumber(now)) return true;
    return false;
}

void Runner::TasksRead(const std::vector<SeenTask>& tasks, const LocalTime& now, const MatchEnv& env) {
    if (!(tasks == seen_)) {
        seen_ = tasks;
        actionNames_.clear();
    }
    tasksRead_ = true;
    seenEnv_ = env;
    next_ = FirstNextTask(seen_, now, env);
    view_.StatusChanged();
}

std::string Runner::ActionNameOf(int number) {
    auto name = actionNames_.find(number);
    if (name == actionNames_.end())
        name = actionNames_.emplace(number, store_.ReadValueOrEmpty('B', number, nullptr)).first;
    return name->second;
}

// ---- the countdown ----

void Runner::SetCounting(bool on) {
    if (on == counting_) return;
    counting_ = on;
    // Idle sleep must not swallow the action the user is being warned of.
    view_.KeepAwake(on ? AwakeNeed::Countdown : AwakeNeed::None);
}

bool Runner::StartTaskCountdown(const std::string& word, bool closeAll) {
    // Counting down to a standby this computer cannot do would end in
    // nothing; the user is told why instead, once in the task's minute.
    const std::string refusal = view_.PowerRefusal(word);
    if (!refusal.empty()) {
        view_.ShowNotice(refusal);
        if (history_) history_->Executed(ActionOutcome::Error(refusal));
        SuspendTick();
        return false;
    }
    gate_.countingDown = true;
    ApplyGate();
    if (history_) history_->Executed(ActionOutcome{kOutcomeCountdown, std::string()});
    TaskCountdown(word, closeAll);
    return true;
}

void Runner::StartCountdown(const std::string& word, bool closeAll) {
    SetCounting(true);
    gate_.countingDown = true;
    ApplyGate();
    // The first second shows this countdown's whole length, not what the
    // previous countdown showed last.
    view_.ShowCountdown(word, model_.Full(), closeAll);
}

// The window goes, the bar and the sound stop; the gate is the caller's.
void Runner::StopCountdown() {
    SetCounting(false);
    model_.Reset();
    view_.HideCountdown();
}

void Runner::Second() {
    if (!counting_) return;
    CountdownModel::Step step = model_.Advance();
    view_.StepCountdown(model_.length(), step.expired ? model_.length() : model_.position(), step.remaining);
    if (!step.expired) return;
    if (history_) history_->CountdownEnded(kOutcomeCarriedOut);
    EndCountdown(true);
}

void Runner::ActNow() {
    if (history_) history_->CountdownEnded(kOutcomeActNow);
    EndCountdown(true);
}

// Expiry and act now: the window goes, and the tick comes back through the
// 60-second re-arm, so a countdown shorter than a minute cannot fire the
// same task again in its minute.
void Runner::EndCountdown(bool carryOut) {
    StopCountdown();
    gate_.countingDown = false;
    SuspendTick();
    PostponedCountdownEnded();
    if (!carryOut) return;
    PowerOutcome outcome;
    try {
        outcome = view_.CarryOut(tickState_.pendingAction, tickState_.wakeChoice);
    } catch (const std::exception& e) {
        if (history_) history_->CountdownActionEnded(ActionOutcome::Error(e.what()));
        throw;  // shown where the host catches errors, as before
    }
    if (!outcome.cannotWake.empty()) sleepWatch_.TellAfterWake(outcome.cannotWake);
    if (!history_ || !outcome.acted) return;
    if (!outcome.ok)
        history_->CountdownActionEnded(ActionOutcome::Error(outcome.text));
    else if (!outcome.cannotWake.empty())
        history_->CountdownActionEnded(ActionOutcome::Error(outcome.cannotWake));
    else
        history_->CountdownActionEnded(ActionOutcome{kOutcomeDone, outcome.text});
}

void Runner::Cancel() {
    StopCountdown();
    gate_.countingDown = false;
    SetMonitoring(false);
    PostponedCountdownEnded();
    if (history_) {
        history_->CountdownEnded(kOutcomeCancelled);
        history_->MonitoringSwitched(kSourceCountdown, false);
    }
}

void Runner::SetCountdownLength(std::int32_t seconds) {
    settings_.countdownLength = seconds;
    model_.SetLength(seconds);
    view_.SetCountdownBar(model_.length(), model_.position());
}

// Stops a countdown for a sleep; the tick stays held until it shows again.
void Runner::InterruptCountdown() { StopCountdown(); }

void Runner::Suspending() {
    if (sleepWatch_.Suspending(counting_)) InterruptCountdown();
}

void Runner::Resumed(bool byProgramTimer) {
    const SleepWatch::Waking waking = sleepWatch_.Resumed(byProgramTimer);
    // After a wake by a timer Windows leaves the display off and sleeps
    // again within about two minutes, unless a program asks for the system
    // and the display.
    if (waking.keepOn) view_.KeepAwake(AwakeNeed::AfterWake);
    if (waking.showCountdown) StartCountdown(tickState_.pendingAction, false);
    if (!waking.notice.empty()) view_.ShowNotice(waking.notice);
}

// ---- monitoring and the pause ----

void Runner::SetMonitoring(bool on) {
    gate_.monitoring = on;
    ApplyGate();
    view_.StatusChanged();
}

void Runner::SwitchMonitoring() {
    // 启用监控 during a pause ends it at once.
    if (pausedUntil_) {
        EndPause(kSourceMenu);
        return;
    }
    SetMonitoring(!gate_.monitoring);
    if (history_) history_->MonitoringSwitched(kSourceMenu, gate_.monitoring);
}

void Runner::Pause(PauseChoice choice) {
    const LocalTime until = PauseEnd(choice, clock_());
    // Stored first: a write the registry refuses changes nothing.
    store_.WriteMinuteValue(kValPauseUntil, FormatMinute(until));
    pausedUntil_ = until;
    SetMonitoring(false);
    if (history_) history_->PauseStarted(FormatMinute(until));
}

void Runner::EndPause(const char* source) {
    store_.WriteMinuteValue(kValPauseUntil, "");
    pausedUntil_.reset();
    SetMonitoring(true);
    if (history_) history_->PauseEnded(source);
}

// ---- the quick timer ----

void Runner::SetQuickTimer(int minutes) {
    if (minutes <= 0) {
        if (!quickTimer_) return;
        store_.WriteMinuteValue(kValQuickTimer, "");
        quickTimer_.reset();
        if (history_) history_->QuickTimerSet(kSourceMenu, "");
    } else {
        // One quick timer at a time: a new one replaces it.
        const LocalTime at = MinutesLater(clock_(), minutes);
        store_.WriteMinuteValue(kValQuickTimer, FormatMinute(at));
        quickTimer_ = at;
        if (history_) history_->QuickTimerSet(kSourceMenu, FormatMinute(at));
    }
    ShowQuickTimer();
}

void Runner::FireQuickTimer() {
    store_.WriteMinuteValue(kValQuickTimer, "");
    quickTimer_.reset();
    ShowQuickTimer();
    tickState_.pendingAction = kQuickTimerWord;
    if (history_) history_->QuickTimerFired();
    StartCountdown(kQuickTimerWord, false);
}

std::optional<LocalTime> Runner::StoredMinute(const char* name, std::vector<std::string>* problems) {
    try {
        // A text that is no minute counts as none, as a missing value does.
        return ParseLocalTime(store_.ReadMinuteValue(name), false);
    } catch (const RegistryError& e) {
        // Said once, at start-up; each minute after, it is simply none.
        if (problems) problems->push_back(e.what());
        return std::nullopt;
    }
}

void Runner::CheckPauseAndTimer(bool atStart, std::vector<std::string>* problems) {
    // What is stored is what holds: vantrelctl arms and cancels the quick
    // timer, and a copy of the program in another session pauses the same
    // tasks. Such a change was recorded by whoever made it.
    const std::optional<LocalTime> pause = StoredMinute(kValPauseUntil, atStart ? problems : nullptr);
    if (!SameMinute(pause, pausedUntil_)) {
        pausedUntil_ = pause;
        SetMonitoring(!pause);
    }
    const std::optional<LocalTime> timer = StoredMinute(kValQuickTimer, atStart ? problems : nullptr);
    if (!SameMinute(timer, quickTimer_)) {
        quickTimer_ = timer;
        ShowQuickTimer();
    }
    const LocalTime now = clock_();
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
            store_.WriteMinuteValue(kValQuickTimer, "");
            quickTimer_.reset();
            ShowQuickTimer();
            if (history_) history_->QuickTimerMissed(at);
            break;
        }
    }
}

// ---- postponed actions ----

void Runner::Postpone(int minutes) {
    if (!counting_) return;  // a menu chosen after the countdown ended
    PostponedAction action;
    action.at = MinutesLater(clock_(), minutes);
    action.word = tickState_.pendingAction;
    if (PowerOpFor(action.word) == PowerOp::Hibernate) action.wake = tickState_.wakeChoice;
    // Stored first: a write the registry refuses leaves the countdown running.
    store_.WriteMinuteValue(kValPostponed, FormatPostponed(action));
    postponed_ = action;
    postponedCounting_ = false;
    StopCountdown();
    gate_.countingDown = false;
    // Monitoring stays on; the task's minute passes without firing again.
    SuspendTick();
    if (history_) history_->CountdownPostponed(action.word, FormatMinute(action.at));
    view_.StatusChanged();
}

// Waits while monitoring is off (cancelled, paused) or another countdown
// shows, and in a session that runs no tasks.
void Runner::CheckPostponed() {
    if (!postponed_ || postponedCounting_) return;
    if (!gate_.monitoring || gate_.countingDown || gate_.sessionAway) return;
    if (!PostponedIsDue(*postponed_, clock_())) return;
    postponedCounting_ = true;
    tickState_.pendingAction = postponed_->word;
    tickState_.wakeChoice = postponed_->wake;
    if (history_) history_->PostponedFired(postponed_->word, FormatMinute(postponed_->at));
    const PowerOp op = PowerOpFor(postponed_->word);
    StartCountdown(postponed_->word,
                   settings_.closeAll == 1 && (op == PowerOp::Standby || op == PowerOp::Hibernate));
}

// Before the action is carried out, which may end the session.
void Runner::PostponedCountdownEnded() {
    if (!postponedCounting_) return;
    postponedCounting_ = false;
    postponed_.reset();
    store_.WriteMinuteValue(kValPostponed, "");
    view_.StatusChanged();
}

// ---- warnings ----

bool Runner::WarningOpen() const {
    return lastWarning_ && MinuteNumber(lastWarning_->at) >= MinuteNumber(clock_());
}

// From the tasks as the tick last read them: no read but the action names
// of the tasks whose run comes within the warning's minutes, once.
void Runner::CheckWarnings() {
    if (!tasksRead_ || !gate_.monitoring || pausedUntil_ || gate_.sessionAway) return;
    const LocalTime now = clock_();
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
        view_.ShowBalloon(text + "\n单击此处可跳过本次或推迟");
        if (history_) history_->TaskNote(FiredTask{w.number, w.schedule, ActionNameOf(w.number), "", ""},
                                         kOutcomeWarning, text);
    }
}

// This run only: the task stays enabled and runs at its next time.
void Runner::SkipWarnedRun() {
    if (!lastWarning_) return;
    const PowerWarning& w = *lastWarning_;
    skipped_.push_back(SkippedRun{w.number, w.schedule, MinuteNumber(w.at)});
    if (history_)
        history_->TaskNote(FiredTask{w.number, w.schedule, ActionNameOf(w.number), "", ""}, kOutcomeSkipped,
                           FormatMinute(w.at));
}

// The run is skipped and its action comes `minutes` after its time, as a
// countdown's 推迟 would bring it.
void Runner::PostponeWarnedRun(int minutes) {
    if (!lastWarning_) return;
    const PowerWarning w = *lastWarning_;
    PostponedAction action;
    action.at = AddMinutes(w.at, minutes);
    action.word = w.word;
    if (PowerOpFor(w.word) == PowerOp::Hibernate) action.wake = store_.ReadValueOrEmpty('C', w.number, nullptr);
    store_.WriteMinuteValue(kValPostponed, FormatPostponed(action));
    postponed_ = action;
    postponedCounting_ = false;
    skipped_.push_back(SkippedRun{w.number, w.schedule, MinuteNumber(w.at)});
    if (history_)
        history_->TaskNote(FiredTask{w.number, w.schedule, ActionNameOf(w.number), "", ""}, kOutcomePostponed,
                           FormatMinute(action.at));
    view_.StatusChanged();
}

// ---- the busy wait ----

// Against the latest sample at least 20 seconds old (the minute's), so the
// processor and the network are judged over most of a minute.
BusyReason Runner::BusyReasonNow() {
    const BusySample now = view_.BusyFacts();
    std::optional<BusySample> earlier;
    for (const BusySample& s : samples_)
        if (!earlier || now.tickMs - s.tickMs >= 20000) earlier = s;
    BusyLimits limits;
    limits.processorPercent = settings_.busyProcessorPercent;
    limits.networkKBps = settings_.busyNetworkKBps;
    return BusyNow(earlier, now, limits);
}

void Runner::TaskCountdown(const std::string& word, bool closeAll) {
    const BusyReason reason = settings_.busyWait == 1 ? BusyReasonNow() : BusyReason::None;
    if (reason == BusyReason::None) {
        StartCountdown(word, closeAll);
        return;
    }
    // The tick goes on with the other tasks; this one's minute passes
    // without firing again. A later power task takes the one slot.
    busyWait_ = BusyWaitState{word, tickState_.wakeChoice, closeAll, MinuteNumber(clock_())};
    gate_.countingDown = false;
    SuspendTick();
    if (history_) history_->BusyWait(word, BusyReasonText(reason));
    view_.StatusChanged();
}

void Runner::CheckBusyWait() {
    if (!busyWait_ || !gate_.monitoring || gate_.countingDown || gate_.sessionAway) return;
    const BusyReason reason = settings_.busyWait == 1 ? BusyReasonNow() : BusyReason::None;
    const bool limit = MinuteNumber(clock_()) - busyWait_->since >= settings_.busyLimitMinutes;
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

// ---- each minute ----

void Runner::Minute() {
    CheckPauseAndTimer(false, nullptr);
    CheckPostponed();
    CheckWarnings();
    if (settings_.busyWait == 1) {
        samples_.push_back(view_.BusyFacts());
        if (samples_.size() > 2) samples_.erase(samples_.begin());
    } else {
        samples_.clear();
    }
    CheckBusyWait();
    view_.StatusChanged();
}

std::string Runner::TipText(std::size_t maxChars) {
    const LocalTime now = clock_();
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
    if (next_) facts.nextAction = ActionNameOf(next_->number);
    return TrayTip(facts, now, maxChars);
}

}  // namespace vantrel
