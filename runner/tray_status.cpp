#include "runner/tray_status.h"

#include "runner/postponed.h"

#include "scheduler/history_recorder.h"
#include "scheduler/next_due.h"
#include "scheduler/tick.h"
#include "scheduler/time_text.h"
#include "text/gbk_text.h"

namespace vantrel {

const char* const kTipEnabled = "Vantrel-启用";
const char* const kTipDisabled = "Vantrel-禁用";

const char* const kPauseCaptions[4] = {"1小时", "2小时", "4小时", "到明天"};
const char* const kQuickTimerCaptions[4] = {"15分钟后", "30分钟后", "1小时后", "2小时后"};
const int kQuickTimerMinutes[4] = {15, 30, 60, 120};
const char* const kCancelTimerCaption = "取消定时";
const char* const kQuickTimerWord = "关机";

namespace {

std::size_t CharCount(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) ++n;
    return n;
}

// The countdown's short word for a power action ("关闭计算机" -> "关机"), the
// name itself for the others.
std::string ShortActionName(const std::string& action) {
    const char* word = PendingWordFor(action);
    return word ? word : action;
}

}  // namespace

LocalTime PauseEnd(PauseChoice choice, const LocalTime& now) {
    switch (choice) {
        case PauseChoice::OneHour: return MinutesLater(now, 60);
        case PauseChoice::TwoHours: return MinutesLater(now, 120);
        case PauseChoice::FourHours: return MinutesLater(now, 240);
        case PauseChoice::Tomorrow: break;
    }
    return AddMinutes(now, 1440 - (now.hour * 60 + now.minute));
}

bool PauseIsOver(const LocalTime& until, const LocalTime& now) {
    return MinuteNumber(now) >= MinuteNumber(until);
}

TimerCheck CheckQuickTimer(const LocalTime& at, const LocalTime& now) {
    switch (DueAt(MinuteNumber(at), MinuteNumber(now))) {
        case DueState::Waiting: return TimerCheck::Waiting;
        case DueState::Due: return TimerCheck::Due;
        case DueState::Missed: break;
    }
    return TimerCheck::Missed;
}

std::string CancelTimerCaption(const std::optional<LocalTime>& at, const LocalTime& now) {
    if (!at) return kCancelTimerCaption;
    return std::string(kCancelTimerCaption) + " " + MinuteTextFrom(*at, now, true);
}

std::optional<NextTask> FirstNextTask(const std::vector<SeenTask>& tasks, const LocalTime& now,
                                      const MatchEnv& env) {
    const LocalTime from = AddMinutes(now, 1);
    std::optional<NextTask> first;
    for (const SeenTask& t : tasks) {
        const NextRun run = NextRunOf(t.schedule, t.enabled, from, env);
        if (run.kind != NextRun::Kind::At) continue;
        if (!first || MinuteNumber(run.at) < MinuteNumber(first->at)) first = NextTask{t.number, run.at};
    }
    return first;
}

std::string TrayTip(const TipFacts& facts, const LocalTime& now, std::size_t maxChars) {
    const bool on = facts.monitoring && !facts.pausedUntil;
    std::string tip = on ? kTipEnabled : kTipDisabled;
    std::vector<std::string> lines;
    if (facts.pausedUntil)
        lines.push_back("暂停至：" + MinuteTextFrom(*facts.pausedUntil, now, true));
    else if (on && facts.next)
        lines.push_back("下次：" + MinuteTextFrom(facts.next->at, now, true) + " " +
                        ShortActionName(facts.nextAction));
    else if (!on || facts.tasksRead)
        lines.push_back("下次：无");
    if (facts.quickTimer) lines.push_back(std::string(kQuickTimerName) + "：" +
                                          MinuteTextFrom(*facts.quickTimer, now, true));
    if (facts.postponedAt)
        lines.push_back("推迟：" + MinuteTextFrom(*facts.postponedAt, now, true) + " " +
                        facts.postponedWord);
    if (!facts.busyWaitWord.empty()) lines.push_back("忙时等待：" + facts.busyWaitWord);
    for (const std::string& line : lines)
        if (CharCount(tip) + 1 + CharCount(line) <= maxChars) tip += "\n" + line;
    return tip;
}

}  // namespace vantrel
