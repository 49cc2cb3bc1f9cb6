// The tray's decisions: how long a pause lasts and when it is over, when the
// quick timer is due, which task the tip names and what the tip says.
#include <gtest/gtest.h>

#include "app/tray_status.h"
#include "scheduler/time_text.h"

namespace vantrel {
namespace {

LocalTime At(const char* text) { return *ParseLocalTime(text, false); }

// Never shorter than the menu says: a minute begun counts from its end.
TEST(TrayPause, EndsAfterItsHoursOrAtTomorrowsStart) {
    const struct {
        const char* now;
        int second;
        PauseChoice choice;
        const char* end;
    } cases[] = {
        {"2026-12-07 21:37", 0, PauseChoice::OneHour, "2026-12-07 22:37"},
        {"2026-12-07 21:37", 1, PauseChoice::OneHour, "2026-12-07 22:38"},
        {"2026-12-31 23:30", 0, PauseChoice::TwoHours, "2027-01-01 01:30"},
        {"2028-02-28 22:00", 0, PauseChoice::FourHours, "2028-02-29 02:00"},
        {"2026-12-07 21:37", 59, PauseChoice::Tomorrow, "2026-12-08 00:00"},
        {"2026-12-31 00:00", 0, PauseChoice::Tomorrow, "2027-01-01 00:00"},
    };
    for (const auto& c : cases) {
        LocalTime now = At(c.now);
        now.second = c.second;
        EXPECT_EQ(FormatMinute(PauseEnd(c.choice, now)), c.end) << c.now;
    }
}

// Seconds do not count: a pause is over and a timer due from the first
// second of their minute; a timer whose minute passed unseen is missed.
TEST(TrayPause, PauseOverAndTimerDueByTheMinute) {
    const struct {
        const char* now;
        int second;
        bool over;
        TimerCheck timer;
    } cases[] = {
        {"2026-12-07 22:36", 59, false, TimerCheck::Waiting},
        {"2026-12-07 22:37", 0, true, TimerCheck::Due},
        {"2026-12-07 22:37", 59, true, TimerCheck::Due},
        {"2026-12-07 22:38", 0, true, TimerCheck::Missed},
        {"2026-12-08 09:00", 0, true, TimerCheck::Missed},
        {"2025-12-07 22:37", 0, false, TimerCheck::Waiting},  // the clock set back a year
    };
    const LocalTime mark = At("2026-12-07 22:37");
    for (const auto& c : cases) {
        LocalTime now = At(c.now);
        now.second = c.second;
        EXPECT_EQ(PauseIsOver(mark, now), c.over) << c.now;
        EXPECT_EQ(CheckQuickTimer(mark, now), c.timer) << c.now;
    }
}

// The first task with a clock time after the minute the tick has handled;
// disabled, idle and never-due tasks are passed over, the lower number
// wins a tie.
TEST(TrayTip, NamesTheFirstTaskAfterThisMinute) {
    const std::vector<SeenTask> tasks = {
        {1, "每天21时37分", "启用"},  // this minute: the tick has fired it
        {2, "每天23时0分", "启用"},  {3, "每天22时0分", "禁用"}, {4, "空闲1分钟", "启用"},
        {5, "每天25时0分", "启用"}, {6, "每天23时0分", "启用"}, {7, "每周2日0时0分", "启用"},
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
    const NextTask tonight{2, At("2026-12-07 23:00")};
    const NextTask nextYear{2, At("2027-01-05 08:00")};
    struct Case {
        bool monitoring;
        const char* paused;
        const char* timer;
        bool read;
        const NextTask* next;
        const char* action;
        std::size_t max;
        const char* tip;
    };
    const Case cases[] = {
        {true, nullptr, nullptr, false, nullptr, "", 63, "Vantrel-启用"},
        {true, nullptr, nullptr, true, nullptr, "", 63, "Vantrel-启用\n下次：无"},
        {true, nullptr, nullptr, true, &tonight, "关闭计算机", 63, "Vantrel-启用\n下次：23:00 关机"},
        {true, nullptr, nullptr, true, &nextYear, "清理系统垃圾", 63,
         "Vantrel-启用\n下次：2027-01-05 08:00 清理系统垃圾"},
        {false, nullptr, nullptr, true, &tonight, "提醒", 63, "Vantrel-禁用\n下次：无"},
        {false, nullptr, nullptr, false, nullptr, "", 63, "Vantrel-禁用\n下次：无"},
        {true, "2026-12-08 00:00", nullptr, true, &tonight, "提醒", 63, "Vantrel-禁用\n暂停至 12-08 00:00"},
        {true, nullptr, "2026-12-07 21:52", true, &tonight, "提醒", 63,
         "Vantrel-启用\n下次：23:00 提醒\n定时关机：21:52"},
        // Too long for the room: a line is left off whole.
        {true, nullptr, "2026-12-07 21:52", true, &tonight, "提醒", 21, "Vantrel-启用\n定时关机：21:52"},
        {true, nullptr, nullptr, true, &tonight, "提醒", 10, "Vantrel-启用"},
    };
    for (const Case& c : cases) {
        TipFacts facts;
        facts.monitoring = c.monitoring;
        if (c.paused) facts.pausedUntil = At(c.paused);
        if (c.timer) facts.quickTimer = At(c.timer);
        facts.tasksRead = c.read;
        if (c.next) facts.next = *c.next;
        facts.nextAction = c.action;
        EXPECT_EQ(TrayTip(facts, now, c.max), c.tip) << c.tip;
    }
    EXPECT_EQ(CancelTimerCaption(At("2026-12-08 00:15"), now), "取消定时 12-08 00:15");
    EXPECT_EQ(CancelTimerCaption(std::nullopt, now), "取消定时");
}

}  // namespace
}  // namespace vantrel
