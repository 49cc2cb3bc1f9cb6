// The tray's pause, quick timer and tip, decided without a window: when a
// pause chosen in the menu ends and when it is over, when a quick timer is
// due, which task the tip names and what the tip says. The main window
// carries them out (app/main_window_status_win.cpp).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "scheduler/matching.h"
#include "scheduler/tick.h"

namespace vantrel {

extern const char* const kTipEnabled;   // "Vantrel-启用"
extern const char* const kTipDisabled;  // "Vantrel-禁用"

// The menu's 暂停 items, in menu order.
enum class PauseChoice { OneHour, TwoHours, FourHours, Tomorrow };
extern const char* const kPauseCaptions[4];  // "1小时", "2小时", "4小时", "到明天"

// The menu's 定时关机 items, in menu order, and their minutes.
extern const char* const kQuickTimerCaptions[4];  // "15分钟后" ... "2小时后"
extern const int kQuickTimerMinutes[4];           // 15, 30, 60, 120
extern const char* const kCancelTimerCaption;     // "取消定时"
// The quick timer's power word: its countdown is the 关机 countdown.
extern const char* const kQuickTimerWord;         // "关机"

// The minute a pause chosen at `now` ends: 1, 2 or 4 hours on (never less,
// MinutesLater), or tomorrow at 00:00.
LocalTime PauseEnd(PauseChoice choice, const LocalTime& now);

// A pause is over from its minute on (and at once after the clock is set
// past it).
bool PauseIsOver(const LocalTime& until, const LocalTime& now);

// A quick timer is due from its minute within the grace (DueAt). One whose
// minute passed longer ago (the program not running, the computer asleep)
// is missed, rather than shutting the computer down on waking.
enum class TimerCheck { Waiting, Due, Missed };
TimerCheck CheckQuickTimer(const LocalTime& at, const LocalTime& now);

// "取消定时 23:15" while a quick timer is armed, "取消定时" otherwise.
std::string CancelTimerCaption(const std::optional<LocalTime>& at, const LocalTime& now);

struct NextTask {
    int number = 0;
    LocalTime at;
};

// The task with a clock time that runs first after the minute of `now` (the
// tick has handled that minute), the lower number first at equal minutes.
std::optional<NextTask> FirstNextTask(const std::vector<SeenTask>& tasks, const LocalTime& now,
                                      const MatchEnv& env);

// What the tip tells.
struct TipFacts {
    bool monitoring = true;                 // the switch 启用监控
    std::optional<LocalTime> pausedUntil;   // a pause keeps monitoring off until then
    std::optional<LocalTime> quickTimer;
    bool tasksRead = false;                 // a tick has read the tasks since the start
    std::optional<NextTask> next;
    std::string nextAction;                 // the next task's action name
    std::optional<LocalTime> postponedAt;   // a power action postponed from its countdown
    std::string postponedWord;              // its power word
    std::string busyWaitWord;               // a power countdown waiting while the machine is busy
};

// The tip: "Vantrel-启用" or "Vantrel-禁用"; then "暂停至：15:23" during a
// pause, else "下次：23:00 关机" or, with monitoring off or nothing to run,
// "下次：无" (nothing before the tasks were first read); then
// "定时关机：23:15" while the quick timer is armed; then "推迟：23:20 关机"
// while a postponed power action waits; then "忙时等待：关机" while a
// countdown waits for the machine. Lines that would take it
// past `maxChars` characters are left off, the first line never.
std::string TrayTip(const TipFacts& facts, const LocalTime& now, std::size_t maxChars);

}  // namespace vantrel
