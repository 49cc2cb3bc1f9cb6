#include "runner/runner.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "scheduler/time_text.h"
#include "store/task_count.h"

namespace vantrel {

namespace {

// Long enough for a daylight-saving hour to repeat and a clock to be set
// back by a day.
const std::int64_t kFiredMemoryMinutes = 26 * 60;

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
        r_.firedRuns_.insert(std::make_tuple(task.number, task.schedule, r_.tickMinute_));
        if (r_.history_) r_.history_->TaskFired(task);
        if (r_.executors_) r_.executors_->TaskFired(task);
        // The machine was kept on after the program's wake for this.
        r_.ReleaseAwake();
    }
    bool SkipsRun(int number, const std::string& schedule, const LocalTime& now) override {
        return r_.SkipsRun(number, schedule, now);
    }

private:
    Runner& r_;
};

Runner::Runner(TaskStore& store, Registry& tickRegistry, std::string programKey, RunnerMachine& machine,
               RunnerView& view, Clock clock)
    : store_(store),
      tickReg_(tickRegistry),
      programKey_(std::move(programKey)),
      machine_(machine),
      view_(view),
      clock_(std::move(clock)) {}

void Runner::SessionsRead(std::uint32_t own, std::uint32_t console, bool ownActive) {
    session_.reset(new SessionRole(own, console, ownActive));
    gate_.sessionAway = !session_->Seen();
    ApplyGate();
}

// A countdown whose session is switched away holds as in a sleep: nobody
// there could cancel it. It comes back whole when the session does, within
// the grace. A session that comes back catches no task up.
void Runner::SessionChanged(std::uint32_t change, std::uint32_t session) {
    if (!session_) return;
    const bool wasAway = gate_.sessionAway;
    session_->Told(change, session);
    gate_.sessionAway = !session_->Seen();
    if (gate_.sessionAway && counting_) {
        interruptedAt_ = MinuteNumber(clock_());
        StopCountdown();
    }
    if (wasAway && !gate_.sessionAway) examinedUpTo_ = -1;
    ApplyGate();
    ShowIfBack();
}

bool Runner::MayAct(const LocalTime& now) {
    return !session_ || session_->RunsTasksAt(now, [this] { return machine_.OtherSessionsNow(); });
}

std::vector<std::string> Runner::Start() {
    std::vector<std::string> problems;
    CheckPauseAndTimer(true, &problems, MayAct(clock_()));
    try {
        // A text that is none counts as none, and is left for the next
        // postponement to replace.
        postponed_ = ParsePostponed(ReadPending(kValPostponed));
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
    const std::int64_t minute = MinuteNumber(now);
    if (!MayAct(now)) {
        // The copy that acts has this minute; taking over later catches
        // none of it up.
        examinedUpTo_ = -1;
        return;
    }
    FollowStoredTaskCount(tickReg_, programKey_, settings_);
    for (auto f = firedRuns_.begin(); f != firedRuns_.end();)
        f = std::get<2>(*f) < minute - kFiredMemoryMinutes ? firedRuns_.erase(f) : std::next(f);
    TickAdapter adapter(*this);
    // Minutes stepped over since the last tick (a clock sync, a daylight-
    // saving jump, a countdown or a suspension that held the tick across a
    // minute) are still due within the grace. An idle or start-up task is
    // matched on the environment of now, as in any tick.
    if (examinedUpTo_ >= 0 && examinedUpTo_ < minute - 1) {
        for (std::int64_t m = std::max(examinedUpTo_ + 1, minute - kGraceMinutes); m < minute; ++m) {
            if (!gate_.TickShouldRun()) break;
            tickMinute_ = m;
            RunTick(tickReg_, programKey_, AddMinutes(now, m - minute), env, settings_, tickState_, adapter);
            examinedUpTo_ = m;
        }
        // A task of a stepped-over minute holds the tick: this minute is
        // caught up after it, within the grace.
        if (!gate_.TickShouldRun()) return;
    }
    const bool tell = minute != seenMinute_;
    std::vector<SeenTask> seen;
    tickMinute_ = minute;
    lastReport_ = RunTick(tickReg_, programKey_, now, env, settings_, tickState_, adapter,
                          tell ? &seen : nullptr);
    examinedUpTo_ = minute;
    if (!tell) return;
    seenMinute_ = minute;
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
    if (firedRuns_.count(std::make_tuple(number, schedule, MinuteNumber(now)))) return true;
    for (const SkippedRun& s : skipped_)
        if (s.number == number && s.schedule == schedule && MinuteNumber(s.at) == MinuteNumber(now)) return true;
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
    counting_ = on;
    ApplyAwake();
}

// Idle sleep must not swallow the action the user is being warned of, nor
// the task the program's own timer woke the computer for.
void Runner::ApplyAwake() {
    const AwakeNeed need = counting_ ? AwakeNeed::Countdown : awakeSince_ ? AwakeNeed::AfterWake : AwakeNeed::None;
    if (need == awakeShown_) return;
    awakeShown_ = need;
    machine_.KeepAwake(need);
}

void Runner::ReleaseAwake() {
    if (!awakeSince_) return;
    awakeSince_.reset();
    ApplyAwake();
}

bool Runner::StartTaskCountdown(const std::string& word, bool closeAll) {
    // Counting down to a standby this computer cannot do would end in
    // nothing; the user is told why instead, once in the task's minute.
    const std::string refusal = machine_.PowerRefusal(word);
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
    ReleaseAwake();
    if (!carryOut) return;
    PowerOutcome outcome;
    try {
        outcome = machine_.CarryOut(tickState_.pendingAction, tickState_.wakeChoice);
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
        history_->CountdownActionEnded(ActionOutcome{outcome.started ? kOutcomeStarted : kOutcomeDone, outcome.text});
}

void Runner::Cancel() {
    awakeSince_.reset();  // the user is there
    StopCountdown();
    gate_.countingDown = false;
    // Under the administrator's policy that keeps monitoring on, a cancel
    // cancels this countdown only.
    const bool staysOn = settings_.policies.alwaysOn;
    if (staysOn) {
        ApplyGate();  // the tick runs again, as after any countdown
        view_.StatusChanged();
    } else {
        SetMonitoring(false);
    }
    PostponedCountdownEnded();
    if (history_) {
        history_->CountdownEnded(kOutcomeCancelled);
        if (!staysOn) history_->MonitoringSwitched(kSourceCountdown, false);
    }
}

void Runner::SetCountdownLength(std::int32_t seconds) {
    settings_.countdownLength = seconds;
    model_.SetLength(seconds);
    view_.SetCountdownBar(model_.length(), model_.position());
}

// Stops a countdown for a sleep; the tick stays held until it shows again
// or is missed.
void Runner::InterruptCountdown() {
    interruptedAt_ = MinuteNumber(clock_());
    StopCountdown();
}

// Asleep matters only to a countdown the sleep stopped: it waits for a
// user after the wake.
void Runner::Suspending() {
    if (counting_) InterruptCountdown();
    if (interruptedAt_) asleep_ = true;
}

void Runner::Resumed(bool byProgramTimer, bool userPresent) {
    const SleepWatch::Waking waking = sleepWatch_.Resumed(byProgramTimer);
    // After a wake by a timer Windows leaves the display off and sleeps
    // again within about two minutes, unless a program asks for the system
    // and the display, for as long as it needs them.
    if (waking.keepOn) {
        awakeSince_ = MinuteNumber(clock_());
        ApplyAwake();
    }
    // An automatic wake (another program's timer, the network, maintenance)
    // has nobody at the screen: the countdown waits for a user, within the
    // grace.
    if (userPresent) asleep_ = false;
    ShowIfBack();
    if (!waking.notice.empty()) view_.ShowNotice(waking.notice);
}

// An interrupted countdown shows again, whole, once someone is there to
// see it: awake with a user and the session back.
void Runner::ShowIfBack() {
    if (!interruptedAt_ || asleep_ || gate_.sessionAway) return;
    if (DueAt(*interruptedAt_, MinuteNumber(clock_())) == DueState::Missed) {
        MissInterrupted();
        return;
    }
    interruptedAt_.reset();
    StartCountdown(tickState_.pendingAction, false);
}

void Runner::MissInterrupted() {
    const std::int64_t at = *interruptedAt_;
    interruptedAt_.reset();
    gate_.countingDown = false;
    SuspendTick();
    if (history_)
        history_->PendingMissed(tickState_.pendingAction, FormatMinute(AddMinutes(clock_(), at - MinuteNumber(clock_()))),
                                asleep_ ? "唤醒后无人在场" : "倒计时被中断后超过宽限");
    asleep_ = false;
    PostponedCountdownEnded();
}

// ---- monitoring and the pause ----

// Switched on, it catches up none of the minutes it was off.
void Runner::SetMonitoring(bool on) {
    if (on && !gate_.monitoring) examinedUpTo_ = -1;
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
    // The administrator's policy keeps it on; switching it on stays open.
    if (gate_.monitoring && settings_.policies.alwaysOn) return;
    SetMonitoring(!gate_.monitoring);
    if (history_) history_->MonitoringSwitched(kSourceMenu, gate_.monitoring);
}

void Runner::Pause(PauseChoice choice) {
    if (settings_.policies.alwaysOn) return;  // the administrator's policy
    const LocalTime until = PauseEnd(choice, clock_());
    // Stored first: a write the registry refuses changes nothing.
    store_.WriteMinuteValue(kValPauseUntil, FormatMinute(until));
    pausedUntil_ = until;
    SetMonitoring(false);
    if (history_) history_->PauseStarted(FormatMinute(until));
}

void Runner::EndPause(const char* source) {
    if (std::string(source) == kSourceTimer)
        ClearPending(kValPauseUntil);
    else
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
    const std::int64_t at = MinuteNumber(*quickTimer_);
    // Taken under the store's lock: of two copies that read it, one fires.
    bool taken = false;
    try {
        taken = store_.TakeMinuteValue(kValQuickTimer, [at](const std::string& stored) {
            const std::optional<LocalTime> t = ParseLocalTime(stored, false);
            return t && MinuteNumber(*t) == at;
        });
    } catch (const RegistryError& e) {
        // The user's timer is due all the same: it fires once.
        taken = true;
        HoldStuck(kValQuickTimer, e.what());
    }
    quickTimer_.reset();
    ShowQuickTimer();
    if (!taken) return;
    tickState_.pendingAction = kQuickTimerWord;
    if (history_) history_->QuickTimerFired();
    StartCountdown(kQuickTimerWord, false);
}

std::string Runner::ReadPending(const char* name) {
    const std::string text = store_.ReadMinuteValue(name);
    const auto held = stuck_.find(name);
    if (held == stuck_.end()) return text;
    if (held->second == text) return std::string();
    stuck_.erase(held);  // a writer stored another one: it holds
    return text;
}

void Runner::ClearPending(const char* name) {
    try {
        store_.WriteMinuteValue(name, "");
        stuck_.erase(name);
    } catch (const RegistryError& e) {
        HoldStuck(name, e.what());
    }
}

void Runner::HoldStuck(const char* name, const std::string& why) {
    std::string text;
    try {
        text = store_.ReadMinuteValue(name);
    } catch (const RegistryError&) {
        return;  // a value of another type reads as none anyway
    }
    const auto held = stuck_.find(name);
    if (held != stuck_.end() && held->second == text) return;
    stuck_[name] = text;
    if (history_) history_->ValueProblem(why);
}

std::optional<LocalTime> Runner::StoredMinute(const char* name, std::vector<std::string>* problems) {
    try {
        // A text that is no minute counts as none, as a missing value does.
        return ParseLocalTime(ReadPending(name), false);
    } catch (const RegistryError& e) {
        // Said once, at start-up; each minute after, it is simply none.
        if (problems) problems->push_back(e.what());
        return std::nullopt;
    }
}

void Runner::CheckPauseAndTimer(bool atStart, std::vector<std::string>* problems, bool acts) {
    // What is stored is what holds: vantrelctl arms and cancels the quick
    // timer, and a copy of the program in another session pauses the same
    // tasks. Such a change was recorded by whoever made it.
    const LocalTime now = clock_();
    std::optional<LocalTime> pause = StoredMinute(kValPauseUntil, atStart ? problems : nullptr);
    // A pause is never missed: it ends late rather than never. The copy
    // that acts ends it for all; another takes one that is over for none.
    if (pause && !acts && PauseIsOver(*pause, now)) pause.reset();
    if (!SameMinute(pause, pausedUntil_)) {
        pausedUntil_ = pause;
        SetMonitoring(!pause);
    }
    const std::optional<LocalTime> timer = StoredMinute(kValQuickTimer, atStart ? problems : nullptr);
    if (!SameMinute(timer, quickTimer_)) {
        quickTimer_ = timer;
        ShowQuickTimer();
    }
    if (pausedUntil_ && PauseIsOver(*pausedUntil_, now)) EndPause(kSourceTimer);
    if (!quickTimer_ || !acts) return;
    switch (CheckQuickTimer(*quickTimer_, now)) {
        case TimerCheck::Waiting: break;
        case TimerCheck::Due:
            // A countdown already running keeps the window; the timer waits
            // for it within the grace.
            if (!gate_.countingDown && !interruptedAt_) FireQuickTimer();
            break;
        case TimerCheck::Missed: {
            const std::string at = FormatMinute(*quickTimer_);
            ClearPending(kValQuickTimer);
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
    // One postponed action waits at a time: one that waited (not this
    // countdown's own) is replaced, and the history says so.
    if (postponed_ && !postponedCounting_ && history_)
        history_->PendingReplaced(postponed_->word, FormatMinute(postponed_->at), action.word);
    postponed_ = action;
    postponedCounting_ = false;
    awakeSince_.reset();  // the user is there
    StopCountdown();
    gate_.countingDown = false;
    // Monitoring stays on; the task's minute passes without firing again.
    SuspendTick();
    if (history_) history_->CountdownPostponed(action.word, FormatMinute(action.at));
    view_.StatusChanged();
}

// Due within the grace of its minute. It waits while monitoring is off
// (cancelled, paused) or another countdown shows, and in a copy that does
// not act; past the grace it is missed.
void Runner::CheckPostponed(bool acts) {
    if (!postponed_ || postponedCounting_ || !acts) return;
    switch (DueAt(MinuteNumber(postponed_->at), MinuteNumber(clock_()))) {
        case DueState::Waiting: return;
        case DueState::Missed: {
            const PostponedAction missed = *postponed_;
            ClearPending(kValPostponed);
            postponed_.reset();
            if (history_) history_->PendingMissed(missed.word, FormatMinute(missed.at), "已超过宽限");
            view_.StatusChanged();
            return;
        }
        case DueState::Due: break;
    }
    if (!gate_.monitoring || gate_.countingDown) return;
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
    ClearPending(kValPostponed);
    view_.StatusChanged();
}

// ---- warnings ----

// What another copy chose is stored: the copy that acts honours it.
void Runner::ReadChoices() {
    try {
        const std::optional<PostponedAction> stored = ParsePostponed(ReadPending(kValPostponed));
        const std::string was = postponed_ ? FormatPostponed(*postponed_) : std::string();
        if (!postponedCounting_ && (stored ? FormatPostponed(*stored) : std::string()) != was) {
            postponed_ = stored;
            view_.StatusChanged();
        }
        skipped_ = ParseSkippedRuns(ReadPending(kValSkipped));
    } catch (const RegistryError&) {
        // A value of another type is none; start-up said so.
    }
}

// Stored first, with the runs that passed left out: a write the registry
// refuses changes nothing.
void Runner::WriteSkips(std::vector<SkippedRun> runs) {
    const std::int64_t now = MinuteNumber(clock_());
    runs.erase(std::remove_if(runs.begin(), runs.end(),
                              [now](const SkippedRun& r) { return MinuteNumber(r.at) < now; }),
               runs.end());
    store_.WriteMinuteValue(kValSkipped, FormatSkippedRuns(runs));
    skipped_ = runs;
}

bool Runner::WarningOpen() const {
    return lastWarning_ && MinuteNumber(lastWarning_->at) >= MinuteNumber(clock_());
}

// From the tasks as the tick last read them: no read but the action names
// of the tasks whose run comes within the warning's minutes, once.
void Runner::CheckWarnings(bool acts) {
    if (!tasksRead_ || !gate_.monitoring || pausedUntil_ || !acts) return;
    const LocalTime now = clock_();
    const std::int64_t minute = MinuteNumber(now);
    for (auto w = warned_.begin(); w != warned_.end();) w = w->second < minute ? warned_.erase(w) : std::next(w);
    // Runs skipped that have passed go from the program key.
    const bool passed = std::any_of(skipped_.begin(), skipped_.end(),
                                    [minute](const SkippedRun& s) { return MinuteNumber(s.at) < minute; });
    if (passed) WriteSkips(skipped_);
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
    ReadChoices();
    std::vector<SkippedRun> runs = skipped_;
    runs.push_back(SkippedRun{w.number, w.schedule, w.at});
    WriteSkips(runs);
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
    ReadChoices();
    std::vector<SkippedRun> runs = skipped_;
    runs.push_back(SkippedRun{w.number, w.schedule, w.at});
    WriteSkips(runs);
    store_.WriteMinuteValue(kValPostponed, FormatPostponed(action));
    if (postponed_ && !postponedCounting_ && history_)
        history_->PendingReplaced(postponed_->word, FormatMinute(postponed_->at), action.word);
    postponed_ = action;
    postponedCounting_ = false;
    if (history_)
        history_->TaskNote(FiredTask{w.number, w.schedule, ActionNameOf(w.number), "", ""}, kOutcomePostponed,
                           FormatMinute(action.at));
    view_.StatusChanged();
}

// ---- the busy wait ----

// Against the latest sample at least 20 seconds old (the minute's), so the
// processor and the network are judged over most of a minute.
BusyReason Runner::BusyReasonNow() {
    const BusySample now = machine_.BusyFacts();
    const std::optional<BusySample> earlier = EarlierSample(samples_, now);
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
    // without firing again. A later power task takes the one slot, and the
    // history says which it replaced.
    if (busyWait_ && history_)
        history_->PendingReplaced(busyWait_->word, FormatMinute(AddMinutes(clock_(), busyWait_->since - MinuteNumber(clock_()))), word);
    busyWait_ = BusyWaitState{word, tickState_.wakeChoice, closeAll, MinuteNumber(clock_())};
    gate_.countingDown = false;
    SuspendTick();
    if (history_) history_->BusyWait(word, BusyReasonText(reason));
    view_.StatusChanged();
}

void Runner::CheckBusyWait(bool acts) {
    if (!busyWait_ || !gate_.monitoring || gate_.countingDown || !acts) return;
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
    const LocalTime now = clock_();
    const bool acts = MayAct(now);
    ReadChoices();
    CheckPauseAndTimer(false, nullptr, acts);
    if (interruptedAt_ && DueAt(*interruptedAt_, MinuteNumber(now)) == DueState::Missed) MissInterrupted();
    if (awakeSince_ && MinuteNumber(now) - *awakeSince_ >= kAwakeAfterWakeMinutes) ReleaseAwake();
    CheckPostponed(acts);
    CheckWarnings(acts);
    if (settings_.busyWait == 1) {
        samples_.push_back(machine_.BusyFacts());
        if (samples_.size() > 2) samples_.erase(samples_.begin());
    } else {
        samples_.clear();
    }
    CheckBusyWait(acts);
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
