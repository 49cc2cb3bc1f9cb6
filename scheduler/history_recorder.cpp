#include "scheduler/history_recorder.h"

#include <utility>

namespace vantrel {

const char kQuickTimerName[] = "定时关机";

namespace {

const char kUnknownAction[] = "不是可执行的任务";

void FillTask(HistoryEntry& e, const FiredTask& task) {
    e.task = task.number;
    e.schedule = task.schedule;
    e.action = task.action;
    e.parameter = task.parameter;
}

}  // namespace

HistoryRecorder::HistoryRecorder(HistorySink& sink, Clock clock)
    : sink_(sink), clock_(std::move(clock)) {}

HistoryEntry HistoryRecorder::Entry(const char* source) const {
    const LocalTime t = clock_();
    HistoryEntry e;
    e.time = HistoryTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
    e.source = source;
    return e;
}

void HistoryRecorder::Executed(const ActionOutcome& outcome) { executed_ = outcome; }

void HistoryRecorder::TaskFired(const FiredTask& task) {
    ActionOutcome outcome;
    if (!task.error.empty())
        outcome = ActionOutcome::Error(task.error);
    else if (executed_)
        outcome = *executed_;
    else
        outcome = ActionOutcome::Error(kUnknownAction);
    executed_.reset();
    if (outcome.outcome == kOutcomeCountdown) {
        countdownTask_ = task;
        countdownSource_ = kSourceTick;
    }
    TaskLine(task, outcome);
}

void HistoryRecorder::TaskLine(const FiredTask& task, const ActionOutcome& outcome) {
    Line(kSourceTick, task, outcome);
}

void HistoryRecorder::Line(const char* source, const FiredTask& task, const ActionOutcome& outcome) {
    HistoryEntry e = Entry(source);
    FillTask(e, task);
    e.outcome = outcome.outcome;
    e.detail = outcome.detail;
    Write(e);
}

void HistoryRecorder::CountdownEnded(const std::string& outcome) {
    if (!countdownTask_) return;
    Line(countdownSource_, *countdownTask_, ActionOutcome{outcome, std::string()});
    endedTask_ = countdownTask_;
    countdownTask_.reset();
}

void HistoryRecorder::CountdownActionEnded(const ActionOutcome& outcome) {
    if (!endedTask_) return;
    Line(countdownSource_, *endedTask_, outcome);
    endedTask_.reset();
}

void HistoryRecorder::CountdownPostponed(const std::string& word, const std::string& until) {
    FiredTask task;
    task.action = word;
    if (countdownTask_) task = *countdownTask_;
    countdownTask_.reset();
    Line(kSourceCountdown, task, ActionOutcome{kOutcomePostponed, until});
}

void HistoryRecorder::PostponedFired(const std::string& word, const std::string& until) {
    FiredTask task;
    task.action = word;
    countdownTask_ = task;
    countdownSource_ = kSourceTimer;
    Line(kSourceTimer, task, ActionOutcome{kOutcomeCountdown, "推迟至 " + until});
}

void HistoryRecorder::TaskNote(const FiredTask& task, const char* outcome, const std::string& detail) {
    Line(kSourceBalloon, task, ActionOutcome{outcome, detail});
}

void HistoryRecorder::BusyWait(const std::string& word, const std::string& why) {
    FiredTask task;
    task.action = word;
    Line(kSourceTimer, task, ActionOutcome{kOutcomeWaiting, why});
}

void HistoryRecorder::BusyWaitEnded(const std::string& word, const std::string& why) {
    FiredTask task;
    task.action = word;
    Line(kSourceTimer, task, ActionOutcome{kOutcomeWaitEnd, why});
}

void HistoryRecorder::PendingMissed(const std::string& word, const std::string& at, const std::string& why) {
    FiredTask task;
    task.action = word;
    Line(kSourceTimer, task, ActionOutcome{kOutcomeMissed, at + " " + why});
}

void HistoryRecorder::PendingReplaced(const std::string& word, const std::string& at, const std::string& by) {
    FiredTask task;
    task.action = word;
    Line(kSourceTimer, task, ActionOutcome{kOutcomeReplaced, at + "，由" + by + "取代"});
}

void HistoryRecorder::ProgramError(const char* event, const std::string& text) {
    HistoryEntry e = Entry(kSourceProgram);
    e.action = event;
    e.outcome = kOutcomeError;
    e.detail = text;
    Write(e);
}

void HistoryRecorder::StartupProblem(const std::string& text) { ProgramError(kEventStart, text); }

void HistoryRecorder::ValueProblem(const std::string& text) { ProgramError(kEventProgramKey, text); }

void HistoryRecorder::Command(const char* source, const std::string& name,
                              const ActionOutcome& outcome) {
    HistoryEntry e = Entry(source);
    e.action = name;
    e.outcome = outcome.outcome;
    e.detail = outcome.detail;
    Write(e);
}

void HistoryRecorder::ProgramStarted(const std::string& version, const std::string& windows) {
    HistoryEntry e = Entry(kSourceProgram);
    e.action = kEventStart;
    e.detail = "Vantrel " + version + ", Windows " + windows;
    Write(e);
}

void HistoryRecorder::ProgramEnded() {
    HistoryEntry e = Entry(kSourceProgram);
    e.action = kEventEnd;
    Write(e);
}

void HistoryRecorder::MonitoringSwitched(const char* source, bool on) {
    HistoryEntry e = Entry(source);
    e.action = on ? kEventMonitoringOn : kEventMonitoringOff;
    Write(e);
}

void HistoryRecorder::TrayIconShown(bool shown) {
    HistoryEntry e = Entry(kSourceProgram);
    e.action = kEventTrayIcon;
    if (shown) {
        e.outcome = kOutcomeDone;
    } else {
        e.outcome = kOutcomeError;
        e.detail = "一分钟内未能添加托盘图标，仍在重试";
    }
    Write(e);
}

void HistoryRecorder::TrayIconWithoutGuid() {
    HistoryEntry e = Entry(kSourceProgram);
    e.action = kEventTrayIcon;
    e.outcome = kOutcomeDone;
    e.detail = "图标的GUID属于另一文件夹中的副本，改以窗口标识显示，Windows不会记住“显示图标”的选择";
    Write(e);
}

void HistoryRecorder::PauseStarted(const std::string& until) {
    HistoryEntry e = Entry(kSourceMenu);
    e.action = kEventPause;
    e.detail = until;
    Write(e);
}

void HistoryRecorder::PauseEnded(const char* source) {
    HistoryEntry e = Entry(source);
    e.action = kEventPauseEnd;
    Write(e);
}

void HistoryRecorder::QuickTimerSet(const char* source, const std::string& at) {
    HistoryEntry e = Entry(source);
    e.action = at.empty() ? kEventQuickTimerOff : kEventQuickTimer;
    e.detail = at;
    Write(e);
}

void HistoryRecorder::QuickTimerMissed(const std::string& at) {
    HistoryEntry e = Entry(kSourceTimer);
    e.action = kEventQuickTimerOff;
    e.detail = at + " 已错过";
    Write(e);
}

void HistoryRecorder::QuickTimerFired() {
    FiredTask timer;
    timer.action = kQuickTimerName;
    countdownTask_ = timer;
    countdownSource_ = kSourceTimer;
    Line(kSourceTimer, timer, ActionOutcome{kOutcomeCountdown, std::string()});
}

}  // namespace vantrel
