// Turns what the program does into the run history's lines (history/history.h)
// and hands each to a sink as it happens: the tasks the tick fires with what
// their executors reported, the end of a power action's countdown, the
// commands of the tray menu and the hotkeys, the program's start and end and
// the monitoring switch. The program's sink appends to the history file; a
// test's keeps the lines.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "scheduler/matching.h"
#include "scheduler/tick.h"
#include "history/history.h"

namespace vantrel {

// What an executor reported: an outcome word (kOutcome...) and, for an
// error, its text.
struct ActionOutcome {
    std::string outcome;
    std::string detail;
    static ActionOutcome Done() { return {kOutcomeDone, std::string()}; }
    static ActionOutcome Error(const std::string& text) { return {kOutcomeError, text}; }
};

class HistoryRecorder {
public:
    using Clock = std::function<LocalTime()>;
    HistoryRecorder(HistorySink& sink, Clock clock);

    // The tick's executor for the task now firing reports here; TaskFired
    // then writes the task's line with it.
    void Executed(const ActionOutcome& outcome);
    // The line of a task the tick fired: what its executor reported; the
    // registry error that ended it; or, when no executor ran, that its
    // action is none the program knows. A countdown's task is kept for the
    // line of the countdown's end.
    void TaskFired(const FiredTask& task);
    // A line about a task outside the tick's loop (netsh ending).
    void TaskLine(const FiredTask& task, const ActionOutcome& outcome);
    // The countdown's end (kOutcomeCarriedOut, kOutcomeActNow or
    // kOutcomeCancelled): a line for the task that started it. Written
    // before the power action is carried out, which may end the session.
    void CountdownEnded(const std::string& outcome);
    // What came of the action the countdown carried out, where it says
    // (the hang-up, a wake time that does not convert): one more line for
    // the same task.
    void CountdownActionEnded(const ActionOutcome& outcome);
    // 推迟 in the countdown of the power word `word`, until `until`
    // ("YYYY-MM-DD HH:MM"): the line of the task that started it (of the
    // word alone when none did), with kOutcomePostponed.
    void CountdownPostponed(const std::string& word, const std::string& until);
    // A postponed action's minute came: its countdown began again; its end
    // is its line too.
    void PostponedFired(const std::string& word, const std::string& until);
    // A line about a task outside its run (kSourceBalloon): its warning,
    // its run skipped or postponed from the warning.
    void TaskNote(const FiredTask& task, const char* outcome, const std::string& detail);
    // A power task's countdown waits while the machine is busy (`why`:
    // full screen, processor, network), and the wait's end (`why`: no
    // longer busy, or the longest wait reached).
    void BusyWait(const std::string& word, const std::string& why);
    void BusyWaitEnded(const std::string& word, const std::string& why);
    // A pending power action (`word`, due at `at`, "YYYY-MM-DD HH:MM")
    // that will not come: its minute passed beyond the grace (`why`), or
    // another pending action took its place.
    void PendingMissed(const std::string& word, const std::string& at, const std::string& why);
    void PendingReplaced(const std::string& word, const std::string& at, const std::string& by);
    // A problem start-up found (a value that could not be read, values
    // that belong to no task): told here and in a window that holds nothing.
    void StartupProblem(const std::string& text);
    // A value of the program key the running program could not change (a
    // delete the registry refused), told once.
    void ValueProblem(const std::string& text);

    // A command of the tray menu (kSourceMenu) or a hotkey (kSourceHotkey).
    void Command(const char* source, const std::string& name, const ActionOutcome& outcome);
    void ProgramStarted(const std::string& version, const std::string& windows);
    void ProgramEnded();
    // Monitoring switched by the menu (kSourceMenu) or a cancelled countdown
    // (kSourceCountdown).
    void MonitoringSwitched(const char* source, bool on);
    // The shell has refused the tray icon for a minute (false), or took it
    // at last after that (true): the program ran without a visible icon.
    void TrayIconShown(bool shown);
    // The shell refused the icon's GUID (it belongs to a copy of the program
    // in another folder): the icon shows by window and id, and Windows does
    // not keep the user's choice to show it.
    void TrayIconWithoutGuid();
    // A pause chosen in the menu, until `until` ("YYYY-MM-DD HH:MM"); its
    // end, by 启用监控 (kSourceMenu) or when its minute came (kSourceTimer).
    void PauseStarted(const std::string& until);
    void PauseEnded(const char* source);
    // The quick timer armed for `at`, or cancelled (`at` empty), by the menu
    // (kSourceMenu); missed (its minute passed unseen) by kSourceTimer.
    void QuickTimerSet(const char* source, const std::string& at);
    void QuickTimerMissed(const std::string& at);
    // The quick timer's minute came: its countdown began. The countdown's
    // end is its line too.
    void QuickTimerFired();

private:
    // An error line of the program itself under `event`.
    void ProgramError(const char* event, const std::string& text);
    HistoryEntry Entry(const char* source) const;
    void Write(const HistoryEntry& entry) { sink_.Append(entry); }

    HistorySink& sink_;
    Clock clock_;
    std::optional<ActionOutcome> executed_;
    void Line(const char* source, const FiredTask& task, const ActionOutcome& outcome);

    std::optional<FiredTask> countdownTask_;
    const char* countdownSource_ = nullptr;  // whose countdown: the tick's or the quick timer's
    std::optional<FiredTask> endedTask_;  // the countdown's, until its action is done
};

// (The program's events, kEvent..., are declared with the line format in
// history/history.h.)
// The quick timer's shutdown, as its lines and the tray name it.
extern const char kQuickTimerName[];      // "定时关机"

}  // namespace vantrel
