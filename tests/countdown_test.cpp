#include <gtest/gtest.h>

#include "actions/countdown_model.h"
#include "actions/wake_plan.h"
#include "app/shell_texts.h"

namespace vantrel {
namespace {

TEST(Countdown, CaptionsForEveryWord) {
    const char* words[] = {"注销", "待机", "休眠", "重启", "关机", "断开拨号", "快速重启", "快速关机"};
    for (const char* w : words) {
        CountdownCaptions c = CaptionsFor(w);
        EXPECT_EQ(c.actNow, std::string("立即") + w);
        EXPECT_EQ(c.cancel, std::string("取消") + w);
        EXPECT_EQ(c.label, std::string("要想取消") + w + "，请按下<取消" + w + ">按钮:剩余");
        EXPECT_EQ(c.window, std::string("Windows 正在准备") + w + "...");
    }
    // The full-width comma and the ASCII colon, byte for byte.
    EXPECT_EQ(CaptionsFor("关机").label,
              "\xD2\xAA\xCF\xEB\xC8\xA1\xCF\xFB\xB9\xD8\xBB\xFA\xA3\xAC\xC7\xEB\xB0\xB4\xCF\xC2<"
              "\xC8\xA1\xCF\xFB\xB9\xD8\xBB\xFA>\xB0\xB4\xC5\xA5:\xCA\xA3\xD3\xE0");
}

TEST(Countdown, WordsMapToOperationsAndNothingElseDoes) {
    EXPECT_EQ(PowerOpFor("注销"), PowerOp::LogOff);
    EXPECT_EQ(PowerOpFor("待机"), PowerOp::Standby);
    EXPECT_EQ(PowerOpFor("休眠"), PowerOp::Hibernate);
    EXPECT_EQ(PowerOpFor("重启"), PowerOp::Restart);
    EXPECT_EQ(PowerOpFor("关机"), PowerOp::PowerOff);
    EXPECT_EQ(PowerOpFor("断开拨号"), PowerOp::HangUp);
    EXPECT_EQ(PowerOpFor("快速重启"), PowerOp::FastRestart);
    EXPECT_EQ(PowerOpFor("快速关机"), PowerOp::FastShutdown);
    for (const char* other : {"", "关闭计算机", "关机 ", "stale"}) EXPECT_EQ(PowerOpFor(other), PowerOp::None);
}

TEST(Countdown, StepsCountDownAndExpireAtTheLength) {
    CountdownModel m;
    m.SetLength(60);
    CountdownModel::Step s = m.Advance();
    EXPECT_EQ(s.remaining, "59 秒");
    EXPECT_FALSE(s.expired);
    for (int i = 2; i < 60; ++i) EXPECT_FALSE(m.Advance().expired) << i;
    s = m.Advance();
    EXPECT_EQ(s.remaining, "0 秒");
    EXPECT_TRUE(s.expired);
    EXPECT_EQ(m.position(), 0);
}

TEST(Countdown, ALowerLengthTakesThePositionDownWithIt) {
    CountdownModel m;
    m.SetLength(120);
    for (int i = 0; i < 100; ++i) m.Advance();
    m.SetLength(60);
    EXPECT_EQ(m.position(), 60);
    CountdownModel::Step s = m.Advance();
    EXPECT_EQ(s.remaining, "0 秒");
    EXPECT_TRUE(s.expired);
    EXPECT_EQ(m.Full(), "60 秒");
}

TEST(Countdown, ZeroAndNegativeLengthsActAtTheFirstStep) {
    for (int length : {0, -5, -2147483647 - 1}) {
        CountdownModel m;
        m.SetLength(length);
        CountdownModel::Step s = m.Advance();
        EXPECT_TRUE(s.expired) << length;
        EXPECT_EQ(s.remaining, "0 秒") << length;
    }
}

TEST(WakePlan, DayOneIsTodayAndLaterDaysFollowTheCalendar) {
    struct Case {
        const char* wake;
        Date today;
        Date expected;
        int hour, minute;
    } cases[] = {
        {"第1天23时59分唤醒", {2026, 12, 7}, {2026, 12, 7}, 23, 59},
        {"第2天7时30分唤醒", {2026, 12, 7}, {2026, 12, 8}, 7, 30},
        {"第2天7时30分唤醒", {2026, 12, 31}, {2027, 1, 1}, 7, 30},
        {"第9天0时0分唤醒", {2024, 2, 25}, {2024, 3, 4}, 0, 0},
        {"第3天06时05分唤醒", {2023, 2, 27}, {2023, 3, 1}, 6, 5},
    };
    for (const Case& c : cases) {
        WakePlan p = PlanWake(c.wake, c.today);
        EXPECT_TRUE(p.armTimer) << c.wake;
        EXPECT_EQ(p.date.year, c.expected.year) << c.wake;
        EXPECT_EQ(p.date.month, c.expected.month) << c.wake;
        EXPECT_EQ(p.date.day, c.expected.day) << c.wake;
        EXPECT_EQ(p.hour, c.hour);
        EXPECT_EQ(p.minute, c.minute);
    }
}

// Against the clock: a wake already past (or this minute) is the next day's.
TEST(WakePlan, ATimeAlreadyPastMovesOnADay) {
    struct Case {
        const char* wake;
        LocalTime now;
        Date expected;
    } cases[] = {
        {"第1天7时0分唤醒", {2026, 12, 1, 7, 6, 59, 59}, {2026, 12, 7}},
        {"第1天7时0分唤醒", {2026, 12, 1, 7, 7, 0, 0}, {2026, 12, 8}},
        {"第1天7时0分唤醒", {2026, 12, 4, 31, 23, 30, 0}, {2027, 1, 1}},
        {"第2天7时0分唤醒", {2026, 12, 1, 7, 7, 0, 30}, {2026, 12, 8}},
    };
    for (const Case& c : cases) {
        const WakePlan p = PlanWake(c.wake, c.now);
        EXPECT_TRUE(p.armTimer) << c.wake << " at " << c.now.hour << ":" << c.now.minute;
        EXPECT_EQ(p.date.year * 10000 + p.date.month * 100 + p.date.day,
                  c.expected.year * 10000 + c.expected.month * 100 + c.expected.day)
            << c.wake << " at " << c.now.hour << ":" << c.now.minute;
    }
}

TEST(WakePlan, NoWakeAndImpossibleTimesArmNoTimer) {
    for (const char* wake : {"不唤醒", "", "第1天24时0分唤醒", "第1天7时60分唤醒", "第0天7时0分唤醒",
                             "第1111111110天2时5分唤醒"})
        EXPECT_FALSE(PlanWake(wake, Date{2026, 1, 1}).armTimer) << wake;
}

TEST(WakePlan, NumbersThatDoNotConvertRaiseTheConversionError) {
    struct Case {
        const char* wake;
        const char* message;
    } cases[] = {
        {"第x天7时0分唤醒", "'x' is not a valid integer value"},
        {"第1天", "'' is not a valid integer value"},
        {"第2天7时分唤醒", "'' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        try {
            PlanWake(c.wake, Date{2026, 1, 1});
            ADD_FAILURE() << c.wake;
        } catch (const ConversionError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(ShellTexts, HotkeyCaptionsWithAndWithoutCtrl) {
    HotkeyCaptions plain = MenuCaptionsFor(0, "张三");
    EXPECT_EQ(plain.logOff, "注销(&L)  F8  张三");
    EXPECT_EQ(plain.standby, "待机(&W)  F9");
    EXPECT_EQ(plain.fastRestart, "快速重启(&I)  F10");
    EXPECT_EQ(plain.fastShutdown, "快速关机(&Q)  F11");
    for (int flag : {1, 2, -1}) {
        HotkeyCaptions ctrl = MenuCaptionsFor(flag, "admin");
        EXPECT_EQ(ctrl.logOff, "注销(&L) Ctrl+F8  admin");
        EXPECT_EQ(ctrl.standby, "待机(&W) Ctrl+F9");
        EXPECT_EQ(ctrl.fastRestart, "快速重启(&I) Ctrl+F10");
        EXPECT_EQ(ctrl.fastShutdown, "快速关机(&Q) Ctrl+F11");
    }
}

TEST(ShellTexts, UptimeGreetingOnlyInTheFirstFiveMinutes) {
    EXPECT_EQ(UptimeGreeting(true, 45).value_or("-"), "本次开机时间：45秒。");
    EXPECT_EQ(UptimeGreeting(true, 299).value_or("-"), "本次开机时间：4分59秒。");
    EXPECT_EQ(UptimeGreeting(true, 60).value_or("-"), "本次开机时间：1分0秒。");
    EXPECT_EQ(UptimeGreeting(true, 0).value_or("-"), "本次开机时间：0秒。");
    EXPECT_FALSE(UptimeGreeting(true, 300).has_value());
    EXPECT_FALSE(UptimeGreeting(false, 45).has_value());
}

}  // namespace
}  // namespace vantrel
