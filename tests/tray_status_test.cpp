// The tray's decisions: how long a pause lasts and when it is over, when the
// quick timer is due, which task the tip names and what the tip says.
#include <gtest/gtest.h>

#include "app/tray_status.h"
#include "scheduler/time_text.h"

namespace vantrel {
namespace {

LocalTime At(const char* text, int second = 0) {
    LocalTime t = *ParseLocalTime(text, false);
    t.second = second;
    return t;
}

// Never shorter than the menu says: a minute begun counts from its end.
TEST(TrayPause, EndsAfterItsHoursOrAtTomorrowsStart) {
    const struct {
        LocalTime now;
        PauseChoice choice;
        const char* end;
    } cases[] = {
        {At("2026-12-07 21:37"), PauseChoice::OneHour, "2026-12-07 22:37"},
        {At("2026-12-07 21:37", 1), PauseChoice::OneHour, "2026-12-07 22:38"},
        {At("2026-12-31 23:30"), PauseChoice::TwoHours, "2027-01-01 01:30"},
        {At("2028-02-28 22:00"), PauseChoice::FourHours, "2028-02-29 02:00"},
        {At("2026-12-07 21:37", 59), PauseChoice::Tomorrow, "2026-12-08 00:00"},
        {At("2026-12-31 00:00"), PauseChoice::Tomorrow, "2027-01-01 00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatMinute(PauseEnd(c.choice, c.now)), c.end) << c.end;
}

// Seconds do not count: a pause is over and a timer due from the first
// second of their minute; a timer whose minute passed unseen is missed; the
// clock set back a year waits again.
TEST(TrayPause, PauseOverAndTimerDueByTheMinute) {
    const LocalTime mark = At("2026-12-07 22:37");
    const struct {
        LocalTime now;
        bool over;
        TimerCheck timer;
    } cases[] = {
        {At("2026-12-07 22:36", 59), false, TimerCheck::Waiting}, {At("2026-12-07 22:37"), true, TimerCheck::Due},
        {At("2026-12-07 22:37", 59), true, TimerCheck::Due},      {At("2026-12-07 22:38"), true, TimerCheck::Missed},
        {At("2025-12-07 22:37"), false, TimerCheck::Waiting},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PauseIsOver(mark, c.now), c.over) << FormatMinute(c.now);
        EXPECT_EQ(CheckQuickTimer(mark, c.now), c.timer) << FormatMinute(c.now);
    }
}

// The first task with a clock time after the minute the tick has handled;
// disabled, idle and never-due tasks are passed over, the lower number
// wins a tie.
TEST(TrayTip, NamesTheFirstTaskAfterThisMinute) {
    const std::vector<SeenTask> tasks = {
        {1, "每天21时37分", "启用"}, {2, "每天23时0分", "启用"}, {3, "每天22时0分", "禁用"}, {4, "空闲1分钟", "启用"},
        {5, "每天25时0分", "启用"},  {6, "每天23时0分", "启用"}, {7, "每周2日0时0分", "启用"},
    };
    const LocalTime now = At("2026-12-07 21:37");
    const auto next = FirstNextTask(tasks, now, MatchEnv());
    ASSERT_TRUE(next);
    EXPECT_EQ(next->number, 2);
    EXPECT_EQ(FormatMinute(next->at), "2026-12-07 23:00");
    EXPECT_FALSE(FirstNextTask({tasks[2], tasks[3], tasks[4]}, now, MatchEnv()));
}

TEST(TrayTip, SaysWhatComesAndWhatIsArmed) {
    const LocalTime now = At("2026-12-07 21:37");
    const NextTask tonight{2, At("2026-12-07 23:00")}, nextYear{2, At("2027-01-05 08:00")};
    auto tip = [&](bool on, const char* paused, const char* timer, bool read, const NextTask* next,
                   const char* action, std::size_t max = 63) {
        TipFacts f;
        f.monitoring = on;
        if (paused) f.pausedUntil = At(paused);
        if (timer) f.quickTimer = At(timer);
        f.tasksRead = read;
        if (next) f.next = *next;
        f.nextAction = action;
        return TrayTip(f, now, max);
    };
    EXPECT_EQ(tip(true, nullptr, nullptr, false, nullptr, ""), "Vantrel-启用");
    EXPECT_EQ(tip(true, nullptr, nullptr, true, nullptr, ""), "Vantrel-启用\n下次：无");
    EXPECT_EQ(tip(true, nullptr, nullptr, true, &tonight, "关闭计算机"), "Vantrel-启用\n下次：23:00 关机");
    EXPECT_EQ(tip(true, nullptr, nullptr, true, &nextYear, "清理系统垃圾"),
              "Vantrel-启用\n下次：2027-01-05 08:00 清理系统垃圾");
    EXPECT_EQ(tip(false, nullptr, nullptr, false, &tonight, "提醒"), "Vantrel-禁用\n下次：无");
    EXPECT_EQ(tip(true, "2026-12-08 00:00", nullptr, true, &tonight, "提醒"), "Vantrel-禁用\n暂停至 12-08 00:00");
    EXPECT_EQ(tip(true, nullptr, "2026-12-07 21:52", true, &tonight, "提醒"),
              "Vantrel-启用\n下次：23:00 提醒\n定时关机：21:52");
    // Too long for the room: a line is left off whole.
    EXPECT_EQ(tip(true, nullptr, "2026-12-07 21:52", true, &tonight, "提醒", 21), "Vantrel-启用\n定时关机：21:52");
    EXPECT_EQ(CancelTimerCaption(At("2026-12-08 00:15"), now), "取消定时 12-08 00:15");
    EXPECT_EQ(CancelTimerCaption(std::nullopt, now), "取消定时");
}

}  // namespace
}  // namespace vantrel
