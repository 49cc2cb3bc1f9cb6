#include "scheduler/history_recorder.h"

#include <utility>

namespace vantrel {

const char kEventStart[] = "start";
const char kEventEnd[] = "end";
const char kEventMonitoringOn[] = "monitoring on";
const char kEventMonitoringOff[] = "monitoring off";
const char kEventTrayIcon[] = "tray icon";

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
    if (outcome.outcome == kOutcomeCountdown) countdownTask_ = task;
    TaskLine(task, outcome);
}

void HistoryRecorder::TaskLine(const FiredTask& task, const ActionOutcome& outcome) {
    HistoryEntry e = Entry(kSourceTick);
    FillTask(e, task);
    e.outcome = outcome.outcome;
    e.detail = outcome.detail;
    Write(e);
}

void HistoryRecorder::CountdownEnded(const std::string& outcome) {
    if (!countdownTask_) return;
    TaskLine(*countdownTask_, ActionOutcome{outcome, std::string()});
    endedTask_ = countdownTask_;
    countdownTask_.reset();
}

void HistoryRecorder::CountdownActionEnded(const ActionOutcome& outcome) {
    if (!endedTask_) return;
    TaskLine(*endedTask_, outcome);
    endedTask_.reset();
}

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

}  // namespace vantrel
