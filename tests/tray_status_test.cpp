// The tray's decisions: how long a pause lasts and when it is over, when the
// quick timer is due, which task the tip names and what the tip says; the
// countdown's postponed action as the program key keeps it.
#include <gtest/gtest.h>

#include <map>

#include "runner/postponed.h"
#include "runner/power_warning.h"
#include "store/extra_settings.h"
#include "runner/tray_status.h"
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
// second of their minute; a timer stays due through the grace and is
// missed after it, while a pause stays over; the clock set back a year
// waits again.
TEST(TrayPause, PauseOverAndTimerDueByTheMinute) {
    const LocalTime mark = At("2026-12-07 22:37");
    const struct {
        LocalTime now;
        bool over;
        TimerCheck timer;
    } cases[] = {
        {At("2026-12-07 22:36", 59), false, TimerCheck::Waiting}, {At("2026-12-07 22:37"), true, TimerCheck::Due},
        {At("2026-12-07 22:37", 59), true, TimerCheck::Due},      {At("2026-12-07 22:38"), true, TimerCheck::Due},
        {AddMinutes(mark, kGraceMinutes), true, TimerCheck::Due},
        {AddMinutes(mark, kGraceMinutes + 1), true, TimerCheck::Missed},
        {At("2026-12-09 08:00"), true, TimerCheck::Missed},
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
    EXPECT_EQ(tip(true, "2026-12-08 00:00", nullptr, true, &tonight, "提醒"), "Vantrel-禁用\n暂停至：12-08 00:00");
    EXPECT_EQ(tip(true, nullptr, "2026-12-07 21:52", true, &tonight, "提醒"),
              "Vantrel-启用\n下次：23:00 提醒\n定时关机：21:52");
    // Too long for the room: a line is left off whole.
    EXPECT_EQ(tip(true, nullptr, "2026-12-07 21:52", true, &tonight, "提醒", 21), "Vantrel-启用\n定时关机：21:52");
    TipFacts later;
    later.tasksRead = true;
    later.postponedAt = At("2026-12-07 21:42");
    later.postponedWord = "重启";
    EXPECT_EQ(TrayTip(later, now, 63), "Vantrel-启用\n下次：无\n推迟：21:42 重启");
    later.busyWaitWord = "关机";
    EXPECT_EQ(TrayTip(later, now, 63), "Vantrel-启用\n下次：无\n推迟：21:42 重启\n忙时等待：关机");
    EXPECT_EQ(CancelTimerCaption(At("2026-12-08 00:15"), now), "取消定时 12-08 00:15");
    EXPECT_EQ(CancelTimerCaption(std::nullopt, now), "取消定时");
}

// What a restart reads back is what the countdown stored; a text that is
// none (hand-edited, of an older or newer copy) is no postponed action,
// never a power action of some other kind.
TEST(Postponed, StoredTextReadsBackOrIsNone) {
    const struct {
        const char* text;
        bool valid;
        const char* word;
        const char* wake;
    } cases[] = {
        {"2026-12-07 21:42 关机", true, "关机", ""},
        {"2026-12-07 21:42 休眠 第2天7时30分唤醒", true, "休眠", "第2天7时30分唤醒"},
        {"2026-12-07 21:42 断开拨号", true, "断开拨号", ""},
        {"2026-12-07 21:42 关机 第2天7时30分唤醒", false, "", ""},  // a wake choice after another word
        {"2026-12-07 21:42 休眠 ", false, "", ""},
        {"2026-12-07 21:42 关闭计算机", false, "", ""},  // an action name, not a power word
        {"2026-12-07 21:42", false, "", ""},
        {"2026-02-30 21:42 关机", false, "", ""},
        {"2026-12-07 21:42关机", false, "", ""},
        {"", false, "", ""},
    };
    for (const auto& c : cases) {
        const std::optional<PostponedAction> p = ParsePostponed(c.text);
        ASSERT_EQ(p.has_value(), c.valid) << c.text;
        if (!p) continue;
        EXPECT_EQ(p->word, c.word);
        EXPECT_EQ(p->wake, c.wake);
        EXPECT_EQ(FormatPostponed(*p), c.text);
    }
    // Only a 休眠 keeps its wake choice.
    EXPECT_EQ(FormatPostponed({At("2026-12-07 21:42"), "关机", "第1天7时0分唤醒"}), "2026-12-07 21:42 关机");
}

// Skipped runs survive the program key as written, in any number; an entry
// that does not read as a run is left out, the others kept.
TEST(Postponed, SkippedRunsReadBackAsWritten) {
    const std::vector<SkippedRun> runs = {{3, "每天23时0分", At("2026-12-07 23:00")},
                                          {12, "每隔30分开始于2026-12-07 8时0分", At("2026-12-08 00:30")}};
    EXPECT_EQ(ParseSkippedRuns(FormatSkippedRuns(runs)), runs);
    EXPECT_TRUE(ParseSkippedRuns("").empty());
    const std::string text = "nonsense;2026-12-07 23:00 x 每天23时0分;" + FormatSkippedRuns(runs) + ";2026-12-07 25:00 1 a";
    EXPECT_EQ(ParseSkippedRuns(text), runs);
}

// The warning names the enabled power tasks whose run comes within its
// minutes, and reads the action of those tasks alone.
TEST(PowerWarning, NamesPowerTasksDueWithinItsMinutes) {
    const LocalTime now = At("2026-12-07 22:55");
    const std::vector<SeenTask> tasks = {
        {1, "每天23时0分", "启用"},  {2, "每天23时1分", "启用"}, {3, "每天22时58分", "禁用"},
        {4, "每天22时57分", "启用"}, {5, "每天22时56分", "启用"}, {6, "空闲1分钟", "启用"},
        {7, "每天22时55分", "启用"},  // this minute: its run is tomorrow's
    };
    const std::map<int, std::string> actions = {{1, "关闭计算机"}, {2, "重启计算机"}, {3, "关闭计算机"},
                                                {4, "提醒"},       {5, "休眠计算机"}, {6, "关闭计算机"},
                                                {7, "关闭计算机"}};
    std::vector<int> asked;
    auto actionOf = [&](int n) { asked.push_back(n); return actions.at(n); };
    const std::vector<PowerWarning> due = WarningsDue(tasks, now, MatchEnv(), 5, actionOf);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(WarningText(due[0]), "5分钟后将关机（每天23时0分）");
    EXPECT_EQ(WarningText(due[1]), "1分钟后将休眠（每天22时56分）");
    EXPECT_EQ(asked, (std::vector<int>{1, 4, 5}));
    EXPECT_TRUE(WarningsDue(tasks, now, MatchEnv(), 0, actionOf).empty());
    EXPECT_EQ(WarningWordFor("断开拨号"), nullptr);
}

// A typed value is a decimal in the setting's range or a message naming it.
TEST(ExtraSettings, ValuesAreCheckedAgainstTheirRange) {
    const ExtraSetting* warn = FindExtraSetting("提前提醒");
    ASSERT_TRUE(warn && FindExtraSetting("tiqian") == warn);
    const struct {
        const char* text;
        bool ok;
    } cases[] = {{"0", true}, {"1440", true}, {"1441", false}, {"-1", false}, {"", false},
                 {"5 ", false}, {"x", false}, {"99999999999", false}};
    for (const auto& c : cases) {
        std::int32_t v = -7;
        const std::string message = CheckExtraSetting(*warn, c.text, v);
        EXPECT_EQ(message.empty(), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(std::to_string(v), c.text);
        else EXPECT_EQ(message.find("提前提醒"), 0u);
    }
}

}  // namespace
}  // namespace vantrel
