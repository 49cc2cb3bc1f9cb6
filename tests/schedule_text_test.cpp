#include "store/schedule_text.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(ScheduleWords, StoredBytes) {
    // The stored format is defined by these bytes, so each word is checked
    // against them rather than against another literal.
    struct Case {
        const char* word;
        const char* bytes;
    };
    const Case cases[] = {
        {kKindIdle, "\xBF\xD5\xCF\xD0"},     {kKindOnce, "\xD2\xBB\xB4\xCE"},
        {kKindDaily, "\xC3\xBF\xCC\xEC"},    {kKindWeekly, "\xC3\xBF\xD6\xDC"},
        {kKindMonthly, "\xC3\xBF\xD4\xC2"},  {kKindYearly, "\xC3\xBF\xC4\xEA"},
        {kKindStartup, "\xBF\xAA\xBB\xFA"},  {kKindInterval, "\xC3\xBF\xB8\xF4"},
        {kUnitMinutes, "\xB7\xD6\xD6\xD3"},  {kUnitMinutesFrom, "\xB7\xD6\xBF\xAA\xCA\xBC"},
        {kUnitDay, "\xC8\xD5"},              {kUnitHour, "\xCA\xB1"},
        {kUnitMinute, "\xB7\xD6"},           {kUnitMonth, "\xD4\xC2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(c.word), std::string(c.bytes));
    }
}

TEST(ScheduleWords, StopBytesAreFirstBytesOfUnitWords) {
    EXPECT_EQ(static_cast<unsigned char>(kUnitMinute[0]), kStopMinute);
    EXPECT_EQ(static_cast<unsigned char>(kUnitMinutes[0]), kStopMinute);
    EXPECT_EQ(static_cast<unsigned char>(kUnitMinutesFrom[0]), kStopMinute);
    EXPECT_EQ(static_cast<unsigned char>(kUnitHour[0]), kStopHour);
    EXPECT_EQ(static_cast<unsigned char>(kUnitDay[0]), kStopDay);
    EXPECT_EQ(static_cast<unsigned char>(kUnitMonth[0]), kStopMonth);
}

TEST(ScheduleKindOf, FirstTwoCharacters) {
    struct Case {
        std::string text;
        std::string kind;
    };
    const Case cases[] = {
        {"每天17时30分", "每天"},
        {"空闲30分钟", "空闲"},
        {"每隔45分开始8时0分", "每隔"},
        {"每", "每"},
        {"", ""},
        {"x", "x"},
        {"ab每天", "ab"},
        {"a每天", "a每"},
        {"\xC3", "\xC3"},
        {"a\xC3", "a\xC3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScheduleKindOf(c.text), c.kind) << "text '" << c.text << "'";
    }
}

TEST(KindWords, WordAndKindAgree) {
    const ScheduleKind kinds[] = {ScheduleKind::Idle,    ScheduleKind::Once,    ScheduleKind::Daily,
                                  ScheduleKind::Weekly,  ScheduleKind::Monthly, ScheduleKind::Yearly,
                                  ScheduleKind::Startup, ScheduleKind::Interval};
    for (ScheduleKind kind : kinds) {
        ASSERT_NE(KindWord(kind), nullptr);
        EXPECT_EQ(KindFromWord(KindWord(kind)), kind);
    }
    EXPECT_EQ(KindWord(ScheduleKind::None), nullptr);
    EXPECT_EQ(KindFromWord("每天"), ScheduleKind::Daily);
    EXPECT_EQ(KindFromWord("每隔"), ScheduleKind::Interval);
}

TEST(KindWords, OnlyExactWordsHaveAKind) {
    const char* const others[] = {"", "每", "每天 ", " 每天", "每日", "空", "ab", "每天17时30分"};
    for (const char* text : others) {
        EXPECT_EQ(KindFromWord(text), ScheduleKind::None) << "text '" << text << "'";
    }
}

TEST(ScanField, Runs) {
    struct Case {
        std::string text;
        std::size_t start;
        unsigned char stop;
        std::string field;
        std::size_t stopPos;
    };
    const std::string daily = "每天17时30分";  // bytes 5,6 = "17", 7 = CA, 9,10 = "30", 11 = B7
    const Case cases[] = {
        {daily, 5, kStopHour, "17", 7},
        {daily, 9, kStopMinute, "30", 11},
        // No stop byte at or after the start: the field runs to the end.
        {daily, 5, kStopDay, "17时30分", daily.size() + 1},
        {"每天8时5", 8, kStopMinute, "5", 9},
        // Start beyond the end: empty field, the start is the stop position.
        {daily, 13, kStopMinute, "", 13},
        {daily, 40, kStopMinute, "", 40},
        {"", 5, kStopHour, "", 5},
        {"", 1, kStopHour, "", 1},
        // Start on the stop byte itself: an empty field ending right there.
        {daily, 7, kStopHour, "", 7},
        // The last byte alone.
        {"abc", 3, kStopHour, "c", 4},
        // Bytes, not characters: the stop byte is found even where it is the
        // trail byte of a two-byte character.
        {std::string("ab\x81\xCA") + "cd", 1, kStopHour, "ab\x81", 4},
    };
    for (const Case& c : cases) {
        const ScanResult r = ScanField(c.text, c.start, c.stop);
        EXPECT_EQ(r.field, c.field) << "text '" << c.text << "' start " << c.start;
        EXPECT_EQ(r.stop, c.stopPos) << "text '" << c.text << "' start " << c.start;
    }
}

TEST(ScanField, PositionZeroReadsFromFirstByte) {
    const ScanResult r = ScanField("12时", 0, kStopHour);
    EXPECT_EQ(r.field, "12");
    EXPECT_EQ(r.stop, 3u);
}

TEST(ComposeSchedule, EveryKind) {
    struct Case {
        ScheduleKind kind;
        std::vector<std::string> fields;
        std::string text;
    };
    const Case cases[] = {
        {ScheduleKind::Idle, {"30"}, "空闲30分钟"},
        {ScheduleKind::Idle, {"05"}, "空闲05分钟"},
        {ScheduleKind::Once, {"2018-4-13", "23", "5"}, "一次2018-4-13日23时5分"},
        {ScheduleKind::Daily, {"17", "30"}, "每天17时30分"},
        {ScheduleKind::Weekly, {"5", "17", "30"}, "每周5日17时30分"},
        {ScheduleKind::Monthly, {"1", "9", "0"}, "每月1日9时0分"},
        {ScheduleKind::Yearly, {"12", "25", "8", "0"}, "每年12月25日8时0分"},
        {ScheduleKind::Startup, {"0", "10"}, "开机0时10分"},
        {ScheduleKind::Interval, {"45", "8", "0"}, "每隔45分开始8时0分"},
        {ScheduleKind::Idle, {""}, "空闲分钟"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ComposeSchedule(c.kind, c.fields), c.text);
    }
}

TEST(ComposeSchedule, WrongFieldCountThrows) {
    EXPECT_THROW(ComposeSchedule(ScheduleKind::Daily, {"17"}), std::invalid_argument);
    EXPECT_THROW(ComposeSchedule(ScheduleKind::Daily, {"17", "30", "0"}), std::invalid_argument);
    EXPECT_THROW(ComposeSchedule(ScheduleKind::Yearly, {"12", "25", "8"}), std::invalid_argument);
    EXPECT_THROW(ComposeSchedule(ScheduleKind::Idle, {}), std::invalid_argument);
    EXPECT_THROW(ComposeSchedule(ScheduleKind::None, {}), std::invalid_argument);
}

}  // namespace
}  // namespace vantrel
