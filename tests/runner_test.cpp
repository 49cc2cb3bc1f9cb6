// The runner's scenarios on a recorded clock: a host that plays the main
// window's timers (the tick every 6 seconds while the gate is open, the
// re-arm 60 seconds after a suspension, the countdown's second, the start
// of each minute) over an in-memory program key, and records what the
// runner makes it do.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "registry/counting_registry.h"
#include "registry/memory_registry.h"
#include "runner/runner.h"
#include "scheduler/time_text.h"
#include "store/task_store.h"
#include "tests/recorded_timers.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelRunnerTest";

LocalTime At(const char* text) { return *ParseLocalTime(text, false); }

class ListSink : public HistorySink {
public:
    std::vector<HistoryEntry> lines;
    void Append(const HistoryEntry& e) override { lines.push_back(e); }
};

// One copy of the program: its runner, and the timers and windows of its
// host, recorded. Copies made on one Machine share its program key and clock.
class Machine;

class Copy : public RunnerMachine, public RunnerView, public TickHost {
public:
    Copy(Machine& machine, std::uint32_t session, std::uint32_t console, bool active);

    // Facts.
    PowerCapabilities caps{true, false, true, true};
    BusySample busy;
    std::string PowerRefusal(const std::string& word) override { return vantrel::PowerRefusal(NeedOfWord(word), caps); }
    BusySample BusyFacts() override { return busy; }
    OtherSessions OtherSessionsNow() override;

    // Effects, in the order they came, with the clock's minute.
    std::vector<std::string> carried;    // "23:01 关机"
    std::vector<std::string> reminders;  // the texts
    std::vector<std::string> balloons;   // "22:55"
    std::vector<std::string> notices;
    std::vector<AwakeNeed> awake;
    bool sessionEndOnlyStarts = false;  // ExitWindowsEx answers that it has started
    std::string showing;  // the countdown's word while it shows
    int shows = 0;

    void ShowCountdown(const std::string& word, const std::string&, bool) override {
        showing = word;
        ++shows;
    }
    void StepCountdown(std::int32_t, std::int32_t, const std::string&) override {}
    void HideCountdown() override { showing.clear(); }
    void SetCountdownBar(std::int32_t, std::int32_t) override {}
    PowerOutcome CarryOut(const std::string& word, const std::string&) override;
    void KeepAwake(AwakeNeed need) override { awake.push_back(need); }
    void ShowBalloon(const std::string&) override;
    void ShowNotice(const std::string& text) override { notices.push_back(text); }
    void GateChanged() override;
    void StatusChanged() override {}

    void ShowReminder(const std::string& text) override {
        reminders.push_back(text);
        if (history) history->Executed(ActionOutcome::Done());
    }
    void OpenTaskFile(const std::string&) override {}
    void CloseProgramByName(const std::string&) override {}
    void DialDefaultConnection() override {}
    void SetNetworkAdapter(const std::string&, bool) override {}
    void CleanSystemJunk(bool) override {}
    // As a bare tick's host, for what the tick alone reads.
    bool StartCountdown(const std::string&, bool) override { return false; }
    void SuspendTick() override {}

    // The host's timers, a second at a time.
    void Second(bool minuteStarts);

    Machine& machine;
    std::uint32_t session;
    CountingRegistry reads;  // what the tick reads through
    TaskStore store;
    std::unique_ptr<HistoryRecorder> history;
    std::unique_ptr<Runner> runner;
    testing::RecordedTimers timers;
};

// A program key whose values the registry may refuse to delete.
class KeyOfMachine : public MemoryRegistry {
public:
    std::string undeletable;
    bool DeleteValue(const std::string& name) override {
        return name != undeletable && MemoryRegistry::DeleteValue(name);
    }
};

class Machine {
public:
    KeyOfMachine reg;
    ListSink sink;
    LocalTime now = At("2026-12-07 22:50");
    std::vector<std::unique_ptr<Copy>> copies;
    OtherSessions sessions;  // what every copy is told of the others

    void AddTask(const char* schedule, const char* action, const char* parameter = "") {
        Settings settings;
        TaskStore store(reg, kKey);
        store.StartupLoad(settings);
        store.Append(settings, schedule, action, parameter);
    }
    void SetValue(const char* name, std::int32_t value) {
        reg.OpenKey(kKey, true);
        reg.WriteInteger(name, value);
        reg.CloseKey();
    }
    // A copy started now, in `session` (the console's unless told).
    Copy& Start(std::uint32_t session = 1, std::uint32_t console = 1, bool active = true) {
        copies.emplace_back(new Copy(*this, session, console, active));
        return *copies.back();
    }
    // The clock runs `seconds` on, every copy's timers with it.
    void Run(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            const bool minuteStarts = testing::NextSecond(now);
            for (auto& c : copies) c->Second(minuteStarts);
        }
    }
    // Runs to the start of the next "HH:MM" (this one, at its first second).
    void RunTo(const char* hhmm) {
        LocalTime to = At((FormatMinute(now).substr(0, 11) + hhmm).c_str());
        if (MinuteNumber(to) < MinuteNumber(now)) to = AddMinutes(to, 1440);
        while (MinuteNumber(now) < MinuteNumber(to) || now.second != 0) Run(1);
    }
    // The clock set: a sync, a daylight-saving change, a user.
    void SetClock(const char* minute, int second = 0) {
        now = At(minute);
        now.second = second;
    }
    std::vector<std::string> Outcomes() const {
        std::vector<std::string> out;
        for (const HistoryEntry& e : sink.lines)
            if (!e.outcome.empty()) out.push_back(e.outcome);
        return out;
    }
    bool Has(const char* outcome) const {
        const auto o = Outcomes();
        return std::find(o.begin(), o.end(), outcome) != o.end();
    }
    std::string Minute() const { return FormatMinute(now).substr(11); }
};

Copy::Copy(Machine& m, std::uint32_t s, std::uint32_t console, bool active)
    : machine(m), session(s), reads(m.reg), store(m.reg, kKey) {
    history.reset(new HistoryRecorder(m.sink, [&m] { return m.now; }));
    runner.reset(new Runner(store, reads, kKey, *this, *this, [&m] { return m.now; }));
    store.StartupLoad(runner->settings());
    runner->UseHistory(history.get());
    runner->UseExecutors(this);
    runner->SessionsRead(s, console, active);
    runner->Start();
    runner->SetCountdownLength(runner->settings().countdownLength);
    GateChanged();
}

OtherSessions Copy::OtherSessionsNow() {
    OtherSessions o = machine.sessions;
    o.withCopy.erase(std::remove(o.withCopy.begin(), o.withCopy.end(), session), o.withCopy.end());
    return o;
}

PowerOutcome Copy::CarryOut(const std::string& word, const std::string&) {
    carried.push_back(machine.Minute() + " " + word);
    PowerOutcome o;
    o.acted = o.ok = true;
    o.started = sessionEndOnlyStarts;
    return o;
}

void Copy::ShowBalloon(const std::string&) { balloons.push_back(machine.Minute()); }

void Copy::GateChanged() {
    if (runner) timers.Follow(runner->gate());
}

void Copy::Second(bool minuteStarts) { timers.Second(*runner, minuteStarts); }

// ---- the life of a power task ----

// A daily 23:00 shutdown with the warning 5 minutes ahead and a 60-second
// countdown, from 22:50; each case is what the user (or the machine) does
// along the way, and what is carried out when.
TEST(RunnerScenario, TheLifeOfAPowerTask) {
    struct Step {
        const char* at;  // run the clock to this minute, then do
        std::function<void(Machine&, Copy&)> what;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> carried;  // by 23:30
        const char* outcome;               // a line the history must have
    } cases[] = {
        {"untouched", {}, {"23:01 关机"}, kOutcomeWarning},
        {"skipped from the warning", {{"22:56", [](Machine&, Copy& c) { c.runner->SkipWarnedRun(); }}}, {}, kOutcomeSkipped},
        {"postponed from the warning",
         {{"22:56", [](Machine&, Copy& c) { c.runner->PostponeWarnedRun(15); }}},
         {"23:16 关机"},
         kOutcomePostponed},
        {"act now", {{"23:00", [](Machine& m, Copy& c) {
                          m.Run(10);
                          c.runner->ActNow();
                      }}},
         {"23:00 关机"},
         kOutcomeActNow},
        {"cancelled", {{"23:00", [](Machine& m, Copy& c) {
                            m.Run(10);
                            c.runner->Cancel();
                        }}},
         {},
         kOutcomeCancelled},
        {"postponed in the countdown", {{"23:00", [](Machine& m, Copy& c) {
                                             m.Run(10);
                                             c.runner->Postpone(5);  // five whole minutes: from 23:06
                                         }}},
         {"23:07 关机"},
         kOutcomePostponed},
        {"busy until 23:03",
         {{"22:50", [](Machine&, Copy& c) {
               c.runner->settings().busyWait = 1;
               c.busy.foreground.present = true;
               c.busy.foreground.window = c.busy.foreground.monitor = ScreenRect{0, 0, 1280, 1024};
           }},
          {"23:03", [](Machine&, Copy& c) { c.busy = BusySample(); }}},  // seen at 23:04
         {"23:05 关机"},
         kOutcomeWaitEnd},
        {"asleep, woken with a user within the grace",
         {{"23:00", [](Machine& m, Copy& c) {
               m.Run(30);
               c.runner->Suspending();
           }},
          {"23:02", [](Machine&, Copy& c) { c.runner->Resumed(false, true); }}},
         {"23:03 关机"},
         kOutcomeCountdown},
        {"woken without a user, then a user comes",
         {{"23:00", [](Machine& m, Copy& c) {
               m.Run(30);
               c.runner->Suspending();
           }},
          {"23:02", [](Machine&, Copy& c) { c.runner->Resumed(false, false); }},
          {"23:03", [](Machine&, Copy& c) { c.runner->Resumed(false, true); }}},
         {"23:04 关机"},
         kOutcomeCountdown},
        {"woken without a user, nobody comes",
         {{"23:00", [](Machine& m, Copy& c) {
               m.Run(30);
               c.runner->Suspending();
           }},
          {"23:02", [](Machine&, Copy& c) { c.runner->Resumed(false, false); }}},
         {},
         kOutcomeMissed},
        {"woken with a user after the grace",
         {{"23:00", [](Machine& m, Copy& c) {
               m.Run(30);
               c.runner->Suspending();
           }},
          {"23:10", [](Machine&, Copy& c) { c.runner->Resumed(false, true); }}},
         {},
         kOutcomeMissed},
    };
    for (const auto& k : cases) {
        Machine m;
        m.AddTask("每天23时0分", "关闭计算机");
        Copy& c = m.Start();
        for (const Step& s : k.steps) {
            m.RunTo(s.at);
            s.what(m, c);
        }
        m.RunTo("23:30");
        EXPECT_EQ(c.carried, k.carried) << k.name;
        EXPECT_TRUE(m.Has(k.outcome)) << k.name;
        // Whatever came of it, the warning came once, five minutes ahead.
        EXPECT_EQ(c.balloons, std::vector<std::string>{"22:55"}) << k.name;
        // Nothing keeps the machine awake after it.
        EXPECT_TRUE(c.awake.empty() || c.awake.back() == AwakeNeed::None) << k.name;
    }
}

// After the program's own wake timer the machine is held on for its task:
// released once a task ran, or after the bound.
TEST(RunnerScenario, TheProgramsOwnWakeHoldsTheMachineUntilItsTaskRan) {
    for (bool taskComes : {true, false}) {
        Machine m;
        if (taskComes) m.AddTask("每天23时2分", "提醒", "起床");
        Copy& c = m.Start();
        m.RunTo("23:00");
        c.runner->Resumed(true, false);
        ASSERT_EQ(c.awake, std::vector<AwakeNeed>{AwakeNeed::AfterWake}) << taskComes;
        m.RunTo("23:05");
        EXPECT_EQ(c.awake.size(), taskComes ? 2u : 1u) << taskComes;
        m.Run(60 * kAwakeAfterWakeMinutes);
        ASSERT_EQ(c.awake.size(), 2u) << taskComes;
        EXPECT_EQ(c.awake.back(), AwakeNeed::None) << taskComes;
    }
}

// ---- a restart in each state ----

// The program ends at 22:57 and starts again at once: what was chosen
// before is what the new runner does.
TEST(RunnerScenario, ARestartKeepsWhatWasChosen) {
    const struct {
        const char* name;
        std::function<void(Copy&)> before;
        std::vector<std::string> carried;
    } cases[] = {
        {"nothing chosen", [](Copy&) {}, {"23:01 关机"}},
        {"a skipped run", [](Copy& c) { c.runner->SkipWarnedRun(); }, {}},
        {"a run postponed from the warning", [](Copy& c) { c.runner->PostponeWarnedRun(5); }, {"23:06 关机"}},
        {"paused till tomorrow", [](Copy& c) { c.runner->Pause(PauseChoice::Tomorrow); }, {}},
        {"a quick timer", [](Copy& c) { c.runner->SetQuickTimer(15); }, {"23:01 关机", "23:13 关机"}},
    };
    for (const auto& k : cases) {
        Machine m;
        m.AddTask("每天23时0分", "关闭计算机");
        m.Start();
        m.RunTo("22:57");
        k.before(*m.copies.back());
        m.copies.clear();
        Copy& again = m.Start();
        m.RunTo("23:30");
        EXPECT_EQ(again.carried, k.carried) << k.name;
    }
}

// ---- two pending actions ----

// One postponed action waits at a time: a second one takes its place and
// the history says which it replaced; neither is lost silently.
TEST(RunnerScenario, ASecondPendingActionReplacesTheFirstOnTheRecord) {
    const struct {
        const char* name;
        bool busy;
    } cases[] = {{"two postponements", false}, {"two tasks during a busy wait", true}};
    for (const auto& k : cases) {
        Machine m;
        m.AddTask("每天23时0分", "关闭计算机");
        m.AddTask("每天23时2分", "重启计算机");
        Copy& c = m.Start();
        if (k.busy) {
            c.runner->settings().busyWait = 1;
            c.busy.foreground.present = true;
            c.busy.foreground.window = c.busy.foreground.monitor = ScreenRect{0, 0, 800, 600};
        }
        m.RunTo("23:00");
        m.Run(10);
        if (!k.busy) c.runner->Postpone(15);
        m.RunTo("23:02");
        m.Run(10);
        if (!k.busy) c.runner->Postpone(15);
        m.RunTo("23:10");
        c.busy = BusySample();
        m.RunTo("23:40");
        EXPECT_TRUE(m.Has(kOutcomeReplaced)) << k.name;
        ASSERT_EQ(c.carried.size(), 1u) << k.name;
        EXPECT_EQ(c.carried[0].substr(6), "重启") << k.name;
    }
}

// ---- two copies ----

// Copies in two sessions share the program key: the one at the console
// acts, the other shows; a quick timer set through the key fires once, and
// a session switch moves it, with what was chosen in the first copy.
TEST(RunnerScenario, TwoCopiesActOnceWhereTheConsoleIs) {
    Machine m;
    m.sessions.active = {1, 2};
    m.sessions.withCopy = {1, 2};
    m.AddTask("每天23时0分", "关闭计算机");
    Copy& first = m.Start(1, 1, true);
    Copy& second = m.Start(2, 1, true);  // connected remotely
    {
        TaskStore store(m.reg, kKey);
        store.WriteMinuteValue(kValQuickTimer, "2026-12-07 22:52");
    }
    m.RunTo("22:56");
    EXPECT_EQ(first.carried, std::vector<std::string>{"22:53 关机"});
    EXPECT_TRUE(second.carried.empty());
    EXPECT_EQ(first.balloons, std::vector<std::string>{"22:55"});
    EXPECT_TRUE(second.balloons.empty());
    // Skipped in the first copy; then the console goes to the second.
    first.runner->SkipWarnedRun();
    for (Copy* c : {&first, &second}) {
        c->runner->SessionChanged(kConsoleDisconnect, 1);
        c->runner->SessionChanged(kConsoleConnect, 2);
    }
    m.RunTo("23:30");
    EXPECT_EQ(first.carried.size() + second.carried.size(), 1u);
    EXPECT_EQ(second.shows, 0);
}

// Only the copy that runs the tasks fires anything, whatever the source.
TEST(RunnerScenario, ACopyThatDoesNotActFiresNothing) {
    Machine m;
    m.sessions.active = {1, 2};
    m.sessions.withCopy = {1, 2};
    m.AddTask("每天22时55分", "提醒", "x");
    m.AddTask("每天23时0分", "关闭计算机");
    {
        TaskStore store(m.reg, kKey);
        store.WriteMinuteValue(kValQuickTimer, "2026-12-07 22:52");
        store.WriteMinuteValue(kValPostponed, "2026-12-07 22:53 重启");
    }
    Copy& away = m.Start(2, 1, true);  // remote, while the console has a copy
    m.RunTo("23:30");
    EXPECT_TRUE(away.carried.empty());
    EXPECT_TRUE(away.reminders.empty());
    EXPECT_TRUE(away.balloons.empty());
}

// A countdown whose session is switched away holds and comes back whole
// with the session, within the grace; later it is missed. An unattended
// wake earlier, with nothing counting down, changes none of it.
TEST(RunnerScenario, ACountdownHoldsWhileItsSessionIsAway) {
    for (int awayMinutes : {2, 8}) {
        Machine m;
        m.AddTask("每天23时0分", "关闭计算机");
        Copy& c = m.Start();
        m.RunTo("22:52");
        c.runner->Suspending();
        c.runner->Resumed(false, false);
        m.RunTo("23:00");
        m.Run(20);
        c.runner->SessionChanged(kConsoleDisconnect, 1);
        EXPECT_TRUE(c.showing.empty());
        m.Run(60 * awayMinutes);
        c.runner->SessionChanged(kConsoleConnect, 1);
        m.RunTo("23:30");
        if (awayMinutes < kGraceMinutes) {
            EXPECT_EQ(c.shows, 2);
            EXPECT_EQ(c.carried.size(), 1u);
        } else {
            EXPECT_TRUE(c.carried.empty());
            EXPECT_TRUE(m.Has(kOutcomeMissed));
        }
    }
}

// ---- the clock ----

// A minute stepped over by the clock is still due within the grace; a
// minute the clock comes back to fires nothing twice.
TEST(RunnerScenario, ClockChangesNeitherDropNorRepeatARun) {
    const struct {
        const char* name;
        const char* task;
        const char* jumpAt;  // the clock reaches this minute's 58th second,
        const char* jumpTo;  // and is set here
        std::size_t reminders;
    } cases[] = {
        {"a sync steps over the minute", "每天23时0分", "22:59", "2026-12-07 23:01", 1},
        {"spring forward, the task at the end of the lost hour", "每天2时58分", "01:59", "2026-12-08 03:00", 1},
        {"spring forward, the task long before its end", "每天2时30分", "01:59", "2026-12-08 03:00", 0},
        {"set back after the run", "每天23时0分", "23:01", "2026-12-07 22:59", 1},
        {"fall back: the hour repeats", "每天1时30分", "01:59", "2026-12-08 01:00", 1},
    };
    for (const auto& k : cases) {
        Machine m;
        m.AddTask(k.task, "提醒", "x");
        Copy& c = m.Start();
        m.RunTo(k.jumpAt);
        m.Run(58);
        m.SetClock(k.jumpTo, 5);
        m.Run(3 * 3600);
        EXPECT_EQ(c.reminders.size(), k.reminders) << k.name;
    }
}

// Minutes while monitoring was off, paused or the session away are not
// caught up when they end: the clock's steps are, those choices are not.
TEST(RunnerScenario, MinutesHeldByTheUserAreNotCaughtUp) {
    const struct {
        const char* name;
        std::function<void(Copy&)> off, on;
    } cases[] = {
        {"monitoring switched", [](Copy& c) { c.runner->SwitchMonitoring(); }, [](Copy& c) { c.runner->SwitchMonitoring(); }},
        {"a pause ended by hand", [](Copy& c) { c.runner->Pause(PauseChoice::OneHour); },
         [](Copy& c) { c.runner->SwitchMonitoring(); }},
        {"the session away", [](Copy& c) { c.runner->SessionChanged(kConsoleDisconnect, 1); },
         [](Copy& c) { c.runner->SessionChanged(kConsoleConnect, 1); }},
    };
    for (const auto& k : cases) {
        Machine m;
        m.AddTask("每天23时0分", "提醒", "x");
        Copy& c = m.Start();
        m.RunTo("22:59");
        k.off(c);
        m.RunTo("23:01");
        m.Run(10);
        k.on(c);
        m.RunTo("23:10");
        EXPECT_TRUE(c.reminders.empty()) << k.name;
    }
}

// The quick timer and a postponed action follow the same rule.
TEST(RunnerScenario, PendingMinutesAreDueWithinTheGraceAndMissedAfter) {
    const struct {
        const char* name;
        const char* value;
        const char* stored;
        const char* clockTo;  // set at 22:58:50
        bool carried;
    } cases[] = {
        {"quick timer stepped over", kValQuickTimer, "2026-12-07 22:59", "2026-12-07 23:01", true},
        {"quick timer far behind", kValQuickTimer, "2026-12-07 22:59", "2026-12-07 23:20", false},
        {"postponed stepped over", kValPostponed, "2026-12-07 22:59 关机", "2026-12-07 23:01", true},
        {"postponed far behind", kValPostponed, "2026-12-07 22:59 关机", "2026-12-07 23:20", false},
    };
    for (const auto& k : cases) {
        Machine m;
        {
            TaskStore store(m.reg, kKey);
            store.WriteMinuteValue(k.value, k.stored);
        }
        Copy& c = m.Start();
        m.RunTo("22:58");
        m.Run(50);
        m.SetClock(k.clockTo);
        m.Run(600);
        EXPECT_EQ(c.carried.size(), k.carried ? 1u : 0u) << k.name;
        TaskStore store(m.reg, kKey);
        EXPECT_EQ(store.ReadMinuteValue(k.value), "") << k.name;  // cleared either way
        if (!k.carried) EXPECT_TRUE(m.Has(kOutcomeMissed) || !m.sink.lines.empty()) << k.name;
    }
}

// A quick timer due while a task's countdown shows waits for it to end,
// then counts down on its own, within the grace.
TEST(RunnerScenario, AQuickTimerWaitsForTheCountdownOnScreen) {
    Machine m;
    m.SetValue("tishi", 90);  // on screen from 22:59:00 to 23:00:30
    m.AddTask("每天22时59分", "重启计算机");
    {
        TaskStore store(m.reg, kKey);
        store.WriteMinuteValue(kValQuickTimer, "2026-12-07 23:00");
    }
    Copy& c = m.Start();
    m.RunTo("23:30");
    EXPECT_EQ(c.carried, (std::vector<std::string>{"23:00 重启", "23:02 关机"}));
}

// A pending value the registry will not delete, once its time came: what
// it holds happens once, the history says once that it stayed, and nothing
// throws out of the timers, where nobody would answer an error.
TEST(RunnerScenario, APendingValueThatCannotBeDeletedActsOnce) {
    const struct {
        const char* name;
        const char* value;
        std::string text;
        bool cancel;       // 取消 in the countdown it starts
        int shows;         // countdowns shown by 23:20
        const char* once;  // an outcome or an action seen exactly once
    } kCases[] = {
        {"quick timer fired", kValQuickTimer, "2026-12-07 23:00", true, 1, kOutcomeCountdown},
        {"quick timer missed", kValQuickTimer, "2026-12-07 22:40", false, 0, kEventQuickTimerOff},
        {"pause ended", kValPauseUntil, "2026-12-07 23:00", false, 0, kEventPauseEnd},
        {"postponed fired", kValPostponed, FormatPostponed({At("2026-12-07 23:00"), "关机", ""}), false, 1,
         kOutcomeCarriedOut},
        {"postponed missed", kValPostponed, FormatPostponed({At("2026-12-07 22:40"), "关机", ""}), false, 0,
         kOutcomeMissed},
    };
    for (const auto& k : kCases) {
        Machine m;
        {
            TaskStore store(m.reg, kKey);
            store.WriteMinuteValue(k.value, k.text);
        }
        m.reg.undeletable = k.value;
        Copy& c = m.Start();
        m.RunTo("23:00");
        m.Run(5);
        if (k.cancel) c.runner->Cancel();
        ASSERT_NO_THROW(m.RunTo("23:20")) << k.name;
        EXPECT_EQ(c.shows, k.shows) << k.name;
        const auto count = [&m](const std::string& word) {
            return std::count_if(m.sink.lines.begin(), m.sink.lines.end(), [&](const HistoryEntry& e) {
                return e.outcome == word || e.action == word;
            });
        };
        EXPECT_EQ(count(k.once), 1) << k.name;
        EXPECT_EQ(count(kEventProgramKey), 1) << k.name;
    }
}

// The runner's tick reads what the tick itself reads, nothing more: on a
// tick where nothing is due, exactly the calls of following the stored
// task count and of the bare tick.
TEST(RunnerScenario, ATickWithNothingDueReadsNoMoreThanTheTick) {
    for (bool firstOfMinute : {true, false}) {
        Machine m;
        for (int i = 0; i < 20; ++i) m.AddTask("每天8时0分", "提醒", "x");
        Copy& c = m.Start();
        if (!firstOfMinute) c.runner->Tick(MatchEnv());
        c.reads.Reset();
        c.runner->Tick(MatchEnv());
        const RegistryCalls viaRunner = c.reads.calls();
        c.reads.Reset();
        Settings settings = c.runner->settings();
        TickState state;
        FollowStoredTaskCount(c.reads, kKey, settings);
        RunTick(c.reads, kKey, m.now, MatchEnv(), settings, state, c);
        EXPECT_EQ(viaRunner.reads, c.reads.calls().reads) << firstOfMinute;
        EXPECT_EQ(viaRunner.opens, c.reads.calls().opens) << firstOfMinute;
        EXPECT_EQ(viaRunner.enumerations, c.reads.calls().enumerations) << firstOfMinute;
        EXPECT_EQ(viaRunner.writes, 0u) << firstOfMinute;
    }
}

// What Windows only started is recorded as started, not as done.
TEST(RunnerScenario, AnActionWindowsOnlyStartedIsRecordedAsStarted) {
    for (bool onlyStarted : {false, true}) {
        Machine m;
        m.AddTask("每天23时0分", "关闭计算机");
        Copy& c = m.Start();
        c.sessionEndOnlyStarts = onlyStarted;
        m.RunTo("23:05");
        ASSERT_FALSE(m.sink.lines.empty());
        EXPECT_EQ(m.sink.lines.back().outcome, onlyStarted ? kOutcomeStarted : kOutcomeDone);
    }
}

// ---- guards ----

// A later setting stored out of range is its default: the warning comes
// five minutes ahead, not from the start.
TEST(RunnerGuards, ALaterSettingOutOfRangeIsItsDefault) {
    Machine m;
    m.SetValue("tiqian", 99999);
    m.AddTask("每天23时0分", "关闭计算机");
    Copy& c = m.Start();
    m.RunTo("23:00");
    EXPECT_EQ(c.balloons, std::vector<std::string>{"22:55"});
}

// Under the administrator's policy that keeps monitoring on (changkai),
// neither the menu's switch, a pause nor a countdown's cancel switches it
// off, and the next task runs; without the policy each of them does.
TEST(RunnerGuards, ThePolicyThatKeepsMonitoringOnHoldsAgainstEveryWayOff) {
    const struct {
        const char* what;
        std::function<void(Runner&)> off;
    } ways[] = {
        {"switch", [](Runner& r) { r.SwitchMonitoring(); }},
        {"pause", [](Runner& r) { r.Pause(PauseChoice::OneHour); }},
        {"cancel", [](Runner& r) { r.Cancel(); }},
    };
    for (const bool policy : {true, false}) {
        for (const auto& way : ways) {
            SCOPED_TRACE(std::string(way.what) + (policy ? " under the policy" : ""));
            Machine m;
            if (policy) {
                m.reg.OpenKey(kPolicyKeyPath, true);
                m.reg.WriteInteger(kPolAlwaysOn, 1);
                m.reg.CloseKey();
            }
            m.AddTask("每天23时0分", "关闭计算机");
            m.AddTask("每天23时5分", "提醒", "x");
            Copy& c = m.Start();
            m.RunTo("23:00");
            m.Run(12);
            ASSERT_EQ(c.showing, "关机");
            way.off(*c.runner);
            EXPECT_EQ(c.runner->gate().monitoring, policy);
            m.RunTo("23:06");
            EXPECT_EQ(c.reminders.size(), policy ? 1u : 0u);
        }
    }
}

// A copy connected remotely that comes to the console without a remote
// disconnect first, then is switched away, runs nothing while away.
TEST(RunnerGuards, AConsoleConnectEndsTheRemoteConnection) {
    Machine m;
    m.AddTask("每天23时0分", "提醒", "x");
    Copy& c = m.Start(2, 1, true);
    c.runner->SessionChanged(kConsoleConnect, 2);
    c.runner->SessionChanged(kConsoleDisconnect, 2);
    m.RunTo("23:30");
    EXPECT_TRUE(c.reminders.empty());
    EXPECT_TRUE(c.runner->gate().sessionAway);
}

// A power task the machine cannot do is refused before its countdown, with
// a notice, once in its minute.
TEST(RunnerGuards, APowerTaskTheMachineCannotDoHasNoCountdown) {
    Machine m;
    m.AddTask("每天23时0分", "休眠计算机", "不唤醒");
    Copy& c = m.Start();
    c.caps = PowerCapabilities();  // no sleep states, no hibernation
    m.RunTo("23:10");
    EXPECT_EQ(c.shows, 0);
    EXPECT_TRUE(c.carried.empty());
    EXPECT_EQ(c.notices.size(), 1u);
}

// Two copies that read the same quick timer: the first to take it under
// the store's lock fires it, the other finds it gone.
TEST(RunnerGuards, OfTwoCopiesThatReadTheQuickTimerOneTakesIt) {
    MemoryRegistry reg;
    TaskStore first(reg, kKey), second(reg, kKey);
    first.WriteMinuteValue(kValQuickTimer, "2026-12-07 23:00");
    const auto stillThere = [](const std::string& stored) { return stored == "2026-12-07 23:00"; };
    EXPECT_TRUE(first.TakeMinuteValue(kValQuickTimer, stillThere));
    EXPECT_FALSE(second.TakeMinuteValue(kValQuickTimer, stillThere));
    EXPECT_EQ(second.ReadMinuteValue(kValQuickTimer), "");
}

}  // namespace
}  // namespace vantrel
