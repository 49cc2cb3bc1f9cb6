#include "scheduler/matching.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/schedule_text.h"

namespace vantrel {
namespace {

// Day of the week, 0 = Sunday, by Sakamoto's method; checked against known
// days below so that the tests do not rest on it blindly.
int DayOfWeek(int y, int m, int d) {
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) {
        y -= 1;
    }
    return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

LocalTime At(int year, int month, int day, int hour, int minute, int second = 0) {
    LocalTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.dayOfWeek = DayOfWeek(year, month, day);
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

int DaysIn(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

MatchEnv Ticks(std::uint32_t tickCount, std::uint32_t lastInputTick = 0) {
    MatchEnv env;
    env.tickCount = tickCount;
    env.lastInputTick = lastInputTick;
    env.upMs = tickCount;  // the computer has not slept since it started
    return env;
}

MatchEnv DateFormat(const std::string& format) {
    MatchEnv env;
    env.shortDateFormat = format;
    return env;
}

// Chooses the rule the way the tick does: by the first two characters. Every
// case also checks that the tick's answer-only path agrees with the rule.
MatchResult Match(const std::string& text, const LocalTime& now, const MatchEnv& env = MatchEnv()) {
    const ScheduleKind kind = KindFromWord(ScheduleKindOf(text));
    MatchResult result = MatchSchedule(kind, now, text, env);
    EXPECT_EQ(IsScheduleDue(kind, now, text, env), result.due) << text;
    return result;
}

const std::uint32_t kMinute = 60u * 1000u;

TEST(TestClock, KnownDaysOfWeek) {
    EXPECT_EQ(DayOfWeek(2024, 1, 7), 0);   // a Sunday
    EXPECT_EQ(DayOfWeek(2024, 1, 8), 1);   // a Monday
    EXPECT_EQ(DayOfWeek(2018, 4, 13), 5);  // a Friday
    EXPECT_EQ(DayOfWeek(2024, 2, 29), 4);  // a Thursday
}

// ---------------------------------------------------------------- daily

struct ClockCase {
    std::string text;
    LocalTime now;
    bool due;
};

void PrintTo(const ClockCase& c, std::ostream* os) {
    *os << "'" << c.text << "' at " << c.now.year << "-" << c.now.month << "-" << c.now.day
        << " " << c.now.hour << ":" << c.now.minute << ":" << c.now.second;
}

class ClockRules : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockRules, DueOnlyInTheMatchingMinute) {
    const ClockCase& c = GetParam();
    EXPECT_EQ(Match(c.text, c.now).due, c.due);
}

INSTANTIATE_TEST_SUITE_P(
    Daily, ClockRules,
    ::testing::Values(ClockCase{"每天8时5分", At(2024, 5, 6, 8, 5, 0), true},
                      ClockCase{"每天8时5分", At(2024, 5, 6, 8, 5, 59), true},
                      ClockCase{"每天8时5分", At(2024, 5, 6, 8, 4, 59), false},
                      ClockCase{"每天8时5分", At(2024, 5, 6, 8, 6, 0), false},
                      ClockCase{"每天8时5分", At(2024, 5, 6, 20, 5, 0), false},
                      ClockCase{"每天08时05分", At(2024, 5, 6, 8, 5, 30), true},
                      ClockCase{"每天17时30分", At(2024, 5, 7, 17, 30, 0), true},
                      ClockCase{"每天0时0分", At(2024, 5, 7, 0, 0, 0), true},
                      ClockCase{"每天23时59分", At(2024, 5, 7, 23, 59, 59), true}));

INSTANTIATE_TEST_SUITE_P(
    Weekly, ClockRules,
    ::testing::Values(ClockCase{"每周7日8时0分", At(2024, 1, 7, 8, 0), true},
                      ClockCase{"每周0日8时0分", At(2024, 1, 7, 8, 0), true},
                      ClockCase{"每周7日8时0分", At(2024, 1, 6, 8, 0), false},
                      ClockCase{"每周0日8时0分", At(2024, 1, 8, 8, 0), false},
                      ClockCase{"每周1日8时0分", At(2024, 1, 8, 8, 0), true},
                      ClockCase{"每周1日8时0分", At(2024, 1, 7, 8, 0), false},
                      ClockCase{"每周5日17时30分", At(2018, 4, 13, 17, 30), true},
                      ClockCase{"每周5日17时30分", At(2018, 4, 13, 17, 31), false},
                      // Only a day text of exactly "7" means Sunday.
                      ClockCase{"每周07日8时0分", At(2024, 1, 7, 8, 0), false}));

INSTANTIATE_TEST_SUITE_P(
    Monthly, ClockRules,
    ::testing::Values(ClockCase{"每月1日9时0分", At(2024, 6, 1, 9, 0), true},
                      ClockCase{"每月1日9时0分", At(2024, 6, 2, 9, 0), false},
                      ClockCase{"每月31日9时0分", At(2024, 1, 31, 9, 0), true},
                      ClockCase{"每月31日9时0分", At(2024, 4, 30, 9, 0), false},
                      ClockCase{"每月31日9时0分", At(2024, 5, 1, 9, 0), false}));

INSTANTIATE_TEST_SUITE_P(
    Yearly, ClockRules,
    ::testing::Values(ClockCase{"每年12月25日8时0分", At(2024, 12, 25, 8, 0), true},
                      ClockCase{"每年12月25日8时0分", At(2024, 11, 25, 8, 0), false},
                      ClockCase{"每年12月25日8时0分", At(2024, 12, 24, 8, 0), false},
                      ClockCase{"每年2月29日9时0分", At(2024, 2, 29, 9, 0), true},
                      ClockCase{"每年2月29日9时0分", At(2023, 2, 28, 9, 0), false},
                      ClockCase{"每年2月29日9时0分", At(2023, 3, 1, 9, 0), false}));

TEST(MonthEnd, ThirtyFirstNeverInApril) {
    for (int day = 1; day <= 30; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            EXPECT_FALSE(Match("每月31日9时0分", At(2024, 4, day, hour, 0)).due) << day;
        }
    }
}

TEST(MonthEnd, ThirtyFirstInEveryLongMonth) {
    int dueMonths = 0;
    for (int month = 1; month <= 12; ++month) {
        const LocalTime last = At(2024, month, DaysIn(2024, month), 9, 0);
        if (Match("每月31日9时0分", last).due) {
            ++dueMonths;
        }
    }
    EXPECT_EQ(dueMonths, 7);  // January, March, May, July, August, October, December
}

TEST(MonthEnd, LeapDayOnlyInLeapYears) {
    for (int month = 1; month <= 12; ++month) {
        for (int day = 1; day <= DaysIn(2023, month); ++day) {
            EXPECT_FALSE(Match("每年2月29日9时0分", At(2023, month, day, 9, 0)).due)
                << month << "-" << day;
        }
    }
    EXPECT_TRUE(Match("每年2月29日9时0分", At(2024, 2, 29, 9, 0)).due);
    EXPECT_FALSE(Match("每月29日9时0分", At(2023, 2, 28, 9, 0)).due);
    EXPECT_TRUE(Match("每月29日9时0分", At(2024, 2, 29, 9, 0)).due);
}

// ---------------------------------------------------------------- once

INSTANTIATE_TEST_SUITE_P(
    Once, ClockRules,
    ::testing::Values(ClockCase{"一次2018/4/13日23时0分", At(2018, 4, 13, 23, 0, 0), true},
                      ClockCase{"一次2018/4/13日23时0分", At(2018, 4, 13, 23, 0, 59), true},
                      ClockCase{"一次2018/4/13日23时0分", At(2018, 4, 13, 22, 59, 59), false},
                      ClockCase{"一次2018/4/13日23时0分", At(2018, 4, 13, 23, 1, 0), false},
                      ClockCase{"一次2018/4/13日23时0分", At(2018, 4, 14, 23, 0), false},
                      ClockCase{"一次2018/4/13日23时0分", At(2019, 4, 13, 23, 0), false},
                      ClockCase{"一次2018/4/13日23时0分", At(2018, 5, 13, 23, 0), false}));

TEST(OnceRule, DateInTheCurrentFormat) {
    const MatchEnv dashes = DateFormat("yyyy-M-d");
    const std::string text = "一次2018-4-13日23时0分";
    EXPECT_TRUE(MatchOnce(At(2018, 4, 13, 23, 0, 0), text, dashes).due);
    EXPECT_TRUE(MatchOnce(At(2018, 4, 13, 23, 0, 59), text, dashes).due);
    EXPECT_FALSE(MatchOnce(At(2018, 4, 13, 22, 59, 59), text, dashes).due);
    EXPECT_FALSE(MatchOnce(At(2018, 4, 13, 23, 1, 0), text, dashes).due);
    EXPECT_FALSE(MatchOnce(At(2018, 4, 12, 23, 0, 0), text, dashes).due);
    // Padded month and day still read under a one-letter format.
    EXPECT_TRUE(MatchOnce(At(2018, 4, 3, 23, 0), "一次2018-04-03日23时0分", dashes).due);
    EXPECT_TRUE(MatchOnce(At(2018, 4, 13, 23, 0), "一次13.04.2018日23时0分",
                          DateFormat("dd.MM.yyyy")).due);
}

TEST(OnceRule, DateThatNoLongerReadsIsNeverDue) {
    const std::string text = "一次2018-4-13日23时0分";
    EXPECT_FALSE(MatchOnce(At(2018, 4, 13, 23, 0), text, DateFormat("yyyy/M/d")).due);
    EXPECT_FALSE(MatchOnce(At(2018, 4, 13, 23, 0), text, DateFormat("dd.MM.yyyy")).due);
    EXPECT_FALSE(MatchOnce(At(2018, 4, 13, 23, 0), "一次2018-4-31日23时0分",
                           DateFormat("yyyy-M-d")).due);
}

TEST(OnceRule, UnreadableTimeOnTheDayAndOtherDays) {
    const MatchEnv dashes = DateFormat("yyyy-M-d");
    const std::string text = "一次2018-4-13日x时y分";
    for (int day = 10; day <= 16; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            MatchResult r;
            ASSERT_NO_THROW(r = MatchOnce(At(2018, 4, day, hour, 0), text, dashes));
            EXPECT_FALSE(r.due) << day << " " << hour;
        }
    }
    const MatchResult r = MatchOnce(At(2018, 4, 13, 23, 0), text, dashes);
    EXPECT_EQ(r.Field("D"), "2018-4-13");
    EXPECT_EQ(r.Field("H"), "x");
    EXPECT_EQ(r.Field("M"), "y");
}

// ---------------------------------------------------------------- interval

// Minutes of one day (0 .. 1439) at which the rule is due.
std::vector<int> DueMinutes(const std::string& text) {
    std::vector<int> due;
    for (int t = 0; t < 24 * 60; ++t) {
        if (Match(text, At(2024, 5, 6, t / 60, t % 60, 30)).due) {
            due.push_back(t);
        }
    }
    return due;
}

TEST(IntervalRule, HalfHourGridCoversWholeDay) {
    const std::vector<int> due = DueMinutes("每隔30分开始8时0分");
    ASSERT_EQ(due.size(), 48u);
    for (std::size_t i = 0; i < due.size(); ++i) {
        EXPECT_EQ(due[i], static_cast<int>(i) * 30);  // 00:00, 00:30, ... 23:30
    }
}

TEST(IntervalRule, StartTimeIsAPhase) {
    const std::vector<int> due = DueMinutes("每隔45分开始8时0分");
    ASSERT_FALSE(due.empty());
    EXPECT_EQ(due.front(), 30);             // 00:30, not 00:00
    EXPECT_EQ(due.back(), 23 * 60 + 45);    // 23:45
    EXPECT_EQ(due.size(), 32u);
    const LocalTime day = At(2024, 5, 6, 0, 0);
    auto at = [&](int h, int m) {
        LocalTime t = day;
        t.hour = h;
        t.minute = m;
        return Match("每隔45分开始8时0分", t).due;
    };
    EXPECT_TRUE(at(7, 15));
    EXPECT_TRUE(at(0, 30));
    EXPECT_TRUE(at(8, 0));
    EXPECT_TRUE(at(8, 45));
    EXPECT_FALSE(at(0, 0));
    EXPECT_FALSE(at(7, 59));
    EXPECT_FALSE(at(8, 1));
}

TEST(IntervalRule, PeriodZeroIsNeverDue) {
    EXPECT_TRUE(DueMinutes("每隔0分开始8时0分").empty());
    EXPECT_TRUE(DueMinutes("每隔00分开始0时0分").empty());
}

TEST(IntervalRule, HugeStartHourKeepsItsGrid) {
    // 35791395 * 60 lies beyond 32 bits; the start minute is still a whole
    // number of hours, so an hourly grid stays on the full hours.
    const std::vector<int> due = DueMinutes("每隔60分开始35791395时0分");
    ASSERT_EQ(due.size(), 24u);
    for (int t : due) {
        EXPECT_EQ(t % 60, 0) << t;
    }
}

// ---------------------------------------------------------------- start-up

struct TickCase {
    std::string text;
    std::uint32_t tickCount;
    std::uint32_t lastInputTick;
    bool due;
};

void PrintTo(const TickCase& c, std::ostream* os) {
    *os << "'" << c.text << "' tick " << c.tickCount << " last input " << c.lastInputTick;
}

class TickRules : public ::testing::TestWithParam<TickCase> {};

TEST_P(TickRules, DueInTheMatchingMinute) {
    const TickCase& c = GetParam();
    EXPECT_EQ(Match(c.text, At(2024, 5, 6, 12, 0), Ticks(c.tickCount, c.lastInputTick)).due, c.due);
}

INSTANTIATE_TEST_SUITE_P(
    Startup, TickRules,
    ::testing::Values(TickCase{"开机0时5分", 299999, 0, false}, TickCase{"开机0时5分", 300000, 0, true},
                      TickCase{"开机0时5分", 359999, 0, true}, TickCase{"开机0时5分", 360000, 0, false},
                      TickCase{"开机1时90分", 150 * kMinute - 1, 0, false},
                      TickCase{"开机1时90分", 150 * kMinute, 0, true},
                      TickCase{"开机1时90分", 151 * kMinute - 1, 0, true},
                      TickCase{"开机1时90分", 151 * kMinute, 0, false},
                      TickCase{"开机0时0分", 0, 0, true}, TickCase{"开机0时0分", 59999, 0, true},
                      TickCase{"开机00时010分", 10 * kMinute, 0, true},
                      // A negative sum is never reached by the uptime.
                      TickCase{"开机-1时0分", 0, 0, false},
                      TickCase{"开机-1时0分", 0xFFFFFFFFu, 0, false},
                      // The sum 0 is due right after start-up.
                      TickCase{"开机1时-60分", 30000, 0, true},
                      // 71582789 * 60 wraps to 44 in 32 bits; the task asks for
                      // far more minutes than the uptime can count, not 44.
                      TickCase{"开机71582789时0分", 44 * kMinute, 0, false},
                      TickCase{"开机71582789时0分", 0xFFFFFFFFu, 0, false},
                      // 35791394 * 60 + 8 is one beyond the signed 32-bit range.
                      TickCase{"开机35791394时8分", 0xFFFFFFFFu, 0, false},
                      TickCase{"开机35791394时8分", 0, 0, false}));

INSTANTIATE_TEST_SUITE_P(
    Idle, TickRules,
    ::testing::Values(TickCase{"空闲10分钟", 1000000 + 599999, 1000000, false},
                      TickCase{"空闲10分钟", 1000000 + 600000, 1000000, true},
                      TickCase{"空闲10分钟", 1000000 + 659999, 1000000, true},
                      TickCase{"空闲10分钟", 1000000 + 660000, 1000000, false},
                      // The last input came 100 s before the tick count wrapped.
                      TickCase{"空闲10分钟", 500000, 0xFFFFFFFFu - 99999u, true},
                      TickCase{"空闲10分钟", 559999, 0xFFFFFFFFu - 99999u, true},
                      TickCase{"空闲10分钟", 560000, 0xFFFFFFFFu - 99999u, false},
                      TickCase{"空闲05分钟", 5 * kMinute, 0, true},
                      TickCase{"空闲05分钟", 4 * kMinute, 0, false},
                      TickCase{"空闲0分钟", 1000, 1000, true},
                      TickCase{"空闲0分钟", 60999, 1000, true},
                      TickCase{"空闲0分钟", 61000, 1000, false}));

TEST(EnvironmentMinutes, WholeMinutes) {
    EXPECT_EQ(UptimeMinutes(Ticks(0)), 0u);
    EXPECT_EQ(UptimeMinutes(Ticks(59999)), 0u);
    EXPECT_EQ(UptimeMinutes(Ticks(60000)), 1u);
    EXPECT_EQ(UptimeMinutes(Ticks(0xFFFFFFFFu)), 71582u);
    EXPECT_EQ(IdleMinutes(Ticks(660000, 60000)), 10u);
    EXPECT_EQ(IdleMinutes(Ticks(10, 20)), 71582u);  // input "after" the tick: wraps
    EXPECT_EQ(IdleMinutes(Ticks(30000, 0xFFFFFFFFu - 29999u)), 1u);
}

// ---------------------------------------------------------------- fields

struct FieldsCase {
    std::string text;
    std::vector<FieldText> fields;
};

void PrintTo(const FieldsCase& c, std::ostream* os) {
    *os << "'" << c.text << "'";
}

class HandedBackFields : public ::testing::TestWithParam<FieldsCase> {};

TEST_P(HandedBackFields, NamesAndTextsInGrammarOrder) {
    const FieldsCase& c = GetParam();
    const MatchResult r = Match(c.text, At(2024, 5, 6, 12, 0));
    ASSERT_EQ(r.fields.size(), c.fields.size());
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
        EXPECT_EQ(r.fields[i].name, c.fields[i].name) << i;
        EXPECT_EQ(r.fields[i].text, c.fields[i].text) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, HandedBackFields,
    ::testing::Values(
        FieldsCase{"空闲30分钟", {{"N", "30"}}},
        FieldsCase{"空闲05分钟", {{"N", "05"}}},
        FieldsCase{"一次2018-4-13日23时5分", {{"D", "2018-4-13"}, {"H", "23"}, {"M", "5"}}},
        FieldsCase{"每天17时30分", {{"H", "17"}, {"M", "30"}}},
        FieldsCase{"每周7日8时0分", {{"W", "0"}, {"H", "8"}, {"M", "0"}}},
        FieldsCase{"每周0日8时0分", {{"W", "0"}, {"H", "8"}, {"M", "0"}}},
        FieldsCase{"每周17日8时0分", {{"W", "17"}, {"H", "8"}, {"M", "0"}}},
        FieldsCase{"每月1日9时0分", {{"D", "1"}, {"H", "9"}, {"M", "0"}}},
        FieldsCase{"每年12月25日8时0分", {{"MO", "12"}, {"D", "25"}, {"H", "8"}, {"M", "0"}}},
        FieldsCase{"开机0时10分", {{"H", "0"}, {"M", "10"}}},
        FieldsCase{"每隔45分开始8时0分", {{"N", "45"}, {"H", "8"}, {"M", "0"}}},
        // Typed texts come back as typed.
        FieldsCase{"每周星期日日8时0分", {{"W", "星期"}, {"H", "日8"}, {"M", "0"}}},
        // Cut short: missing fields are empty, a missing unit word ends a field
        // at the end of the text.
        FieldsCase{"每天", {{"H", ""}, {"M", ""}}},
        FieldsCase{"每天8时5", {{"H", "8"}, {"M", "5"}}},
        FieldsCase{"每隔45分开始", {{"N", "45"}, {"H", ""}, {"M", ""}}},
        FieldsCase{"空闲分钟", {{"N", ""}}}));

TEST(MatchResultField, ByName) {
    const MatchResult r = Match("每年12月25日8时0分", At(2024, 12, 25, 8, 0));
    EXPECT_TRUE(r.due);
    EXPECT_EQ(r.Field("MO"), "12");
    EXPECT_EQ(r.Field("D"), "25");
    EXPECT_EQ(r.Field("H"), "8");
    EXPECT_EQ(r.Field("M"), "0");
    EXPECT_EQ(r.Field("N"), "");
    EXPECT_EQ(r.Field("W"), "");
}

TEST(MatchResultField, FieldsComeBackWhenNotDue) {
    // The editor loads a task through the rule at any time of day.
    const MatchResult r = Match("每周7日8时0分", At(2024, 5, 8, 15, 33));
    EXPECT_FALSE(r.due);
    EXPECT_EQ(r.Field("W"), "0");
    EXPECT_EQ(r.Field("H"), "8");
    EXPECT_EQ(r.Field("M"), "0");
}

TEST(ComposeAndRead, FieldsSurviveTheRoundTrip) {
    struct Case {
        ScheduleKind kind;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {ScheduleKind::Idle, {"30"}},
        {ScheduleKind::Once, {"2018/4/13", "23", "5"}},
        {ScheduleKind::Daily, {"17", "30"}},
        {ScheduleKind::Weekly, {"5", "17", "30"}},
        {ScheduleKind::Monthly, {"31", "9", "0"}},
        {ScheduleKind::Yearly, {"2", "29", "9", "0"}},
        {ScheduleKind::Startup, {"1", "90"}},
        {ScheduleKind::Interval, {"45", "8", "0"}},
    };
    for (const Case& c : cases) {
        const std::string text = ComposeSchedule(c.kind, c.fields);
        const MatchResult r = MatchSchedule(c.kind, At(2024, 5, 6, 12, 0), text, MatchEnv());
        ASSERT_EQ(r.fields.size(), c.fields.size()) << text;
        for (std::size_t i = 0; i < c.fields.size(); ++i) {
            EXPECT_EQ(r.fields[i].text, c.fields[i]) << text;
        }
    }
}

TEST(ComposeAndRead, ReloadedSundayTaskStillDue) {
    const LocalTime sunday = At(2024, 1, 7, 8, 0);
    const MatchResult first = Match("每周7日8时0分", sunday);
    ASSERT_TRUE(first.due);
    const std::string stored =
        ComposeSchedule(ScheduleKind::Weekly, {first.Field("W"), first.Field("H"), first.Field("M")});
    EXPECT_EQ(stored, "每周0日8时0分");
    EXPECT_TRUE(Match(stored, sunday).due);
}

// ---------------------------------------------------------------- bad fields

struct BadCase {
    std::string text;
    LocalTime now;
    MatchEnv env;
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << "'" << c.text << "'";
}

class UnconvertibleFields : public ::testing::TestWithParam<BadCase> {};

// Each case is placed where the schedule would be due if the bad field were
// read as 0, as a wrapped 32-bit number or skipped.
TEST_P(UnconvertibleFields, NotDueAndNothingThrown) {
    const BadCase& c = GetParam();
    MatchResult r;
    ASSERT_NO_THROW(r = Match(c.text, c.now, c.env));
    EXPECT_FALSE(r.due);
}

const LocalTime kAt0800 = At(2024, 5, 6, 8, 0);
const LocalTime kAt0805 = At(2024, 5, 6, 8, 5);

INSTANTIATE_TEST_SUITE_P(
    Fields, UnconvertibleFields,
    ::testing::Values(
        BadCase{"空闲分钟", kAt0800, Ticks(0, 0)},
        BadCase{"空闲x分钟", kAt0800, Ticks(0, 0)},
        BadCase{"空闲4294967306分钟", kAt0800, Ticks(10 * kMinute, 0)},
        BadCase{"每天x时5分", kAt0805, MatchEnv()},
        BadCase{"每天8时y分", kAt0805, MatchEnv()},
        BadCase{"每天8时分", kAt0800, MatchEnv()},
        BadCase{"每天时0分", At(2024, 5, 6, 0, 0), MatchEnv()},
        BadCase{"每天4294967304时5分", kAt0805, MatchEnv()},
        BadCase{"每天8时4294967301分", kAt0805, MatchEnv()},
        BadCase{"每天8 时5分", kAt0805, MatchEnv()},
        BadCase{"每周八日8时0分", At(2024, 1, 8, 8, 0), MatchEnv()},
        BadCase{"每周日8时0分", At(2024, 1, 7, 8, 0), MatchEnv()},
        BadCase{"每月三十一日9时0分", At(2024, 1, 31, 9, 0), MatchEnv()},
        BadCase{"每月4294967297日8时0分", At(2024, 1, 1, 8, 0), MatchEnv()},
        BadCase{"每年十二月25日8时0分", At(2024, 12, 25, 8, 0), MatchEnv()},
        BadCase{"每年12月日8时0分", At(2024, 12, 25, 8, 0), MatchEnv()},
        BadCase{"开机时5分", kAt0800, Ticks(5 * kMinute)},
        BadCase{"开机0时分", kAt0800, Ticks(0)},
        BadCase{"开机4294967296时5分", kAt0800, Ticks(5 * kMinute)},
        BadCase{"每隔分开始8时0分", kAt0800, MatchEnv()},
        BadCase{"每隔30分开始时0分", At(2024, 5, 6, 0, 0), MatchEnv()},
        BadCase{"每隔30分开始8时分", kAt0800, MatchEnv()},
        BadCase{"每隔4294967296分开始8时0分", kAt0800, MatchEnv()},
        BadCase{"一次日23时0分", At(2018, 4, 13, 23, 0), DateFormat("yyyy/M/d")},
        BadCase{"一次2018/4/13日23时0分", At(2018, 4, 13, 23, 0), DateFormat("dd.MM.yyyy")},
        BadCase{"一次2018/4/13日时0分", At(2018, 4, 13, 0, 0), DateFormat("yyyy/M/d")}));

TEST(NoRuleThrows, GarbageForEveryKind) {
    const std::string texts[] = {"",
                                 "每",
                                 "\xB7\xB7\xB7\xB7\xB7\xB7\xB7",
                                 "\xCA\xCA\xCA\xC8\xC8\xD4\xD4",
                                 "每天\xB7",
                                 "每隔\xB7\xD6",
                                 std::string("一次\xC8", 5),
                                 std::string("每年\0\0\0\xD4", 8),
                                 "abcdefghijklmnop"};
    const ScheduleKind kinds[] = {ScheduleKind::None,    ScheduleKind::Idle,     ScheduleKind::Once,
                                  ScheduleKind::Daily,   ScheduleKind::Weekly,   ScheduleKind::Monthly,
                                  ScheduleKind::Yearly,  ScheduleKind::Startup,  ScheduleKind::Interval};
    for (const std::string& text : texts) {
        for (ScheduleKind kind : kinds) {
            MatchResult r;
            ASSERT_NO_THROW(r = MatchSchedule(kind, At(2024, 5, 6, 0, 0), text, Ticks(0, 0)));
            EXPECT_FALSE(r.due) << "'" << text << "' kind " << static_cast<int>(kind);
        }
    }
}

TEST(Dispatch, EachKindReachesItsRule) {
    const LocalTime now = At(2024, 12, 25, 8, 0);  // a Wednesday
    const MatchEnv env = Ticks(10 * kMinute, 0);
    const char* const due[] = {"空闲10分钟",           "一次2024/12/25日8时0分", "每天8时0分",
                               "每周3日8时0分",        "每月25日8时0分",         "每年12月25日8时0分",
                               "开机0时10分",          "每隔60分开始0时0分"};
    for (const char* text : due) {
        EXPECT_TRUE(Match(text, now, env).due) << text;
    }
    const MatchResult none = MatchSchedule(ScheduleKind::None, now, "每天8时0分", env);
    EXPECT_FALSE(none.due);
    EXPECT_TRUE(none.fields.empty());
    // Two characters that are no kind word are never due.
    EXPECT_FALSE(Match("每日8时0分", now, env).due);
}

}  // namespace
}  // namespace vantrel
