#include <gtest/gtest.h>

#include "store/task_record.h"

namespace vantrel {
namespace {

TEST(TaskRecord, OnlyTheExactEnabledTextCounts) {
    EXPECT_TRUE(IsEnabledText("启用"));
    for (const char* other : {"禁用", "启用 ", " 启用", "", "启"}) EXPECT_FALSE(IsEnabledText(other)) << other;
}

TEST(TaskRecord, ActionNamesKeepTheirOrderAndBytes) {
    EXPECT_EQ(ActionIndexOf("提醒"), kActRemind);
    EXPECT_EQ(ActionIndexOf("休眠计算机"), 7);
    EXPECT_EQ(ActionIndexOf("启用网卡"), 14);
    EXPECT_EQ(ActionIndexOf("启用网卡 "), -1);
    EXPECT_EQ(ActionIndexOf(""), -1);
    EXPECT_STREQ(kActionNames[kActCleanJunk], "\xC7\xE5\xC0\xED\xCF\xB5\xCD\xB3\xC0\xAC\xBB\xF8");
    for (int i = 0; i < kActionCount; ++i) EXPECT_EQ(ActionIndexOf(kActionNames[i]), i);
}

TEST(TaskRecord, ValueNamesHaveNoLeadingZeros) {
    EXPECT_EQ(RecordValueName('A', 1), "A1");
    EXPECT_EQ(RecordValueName('B', 12), "B12");
    EXPECT_EQ(RecordValueName('D', 100), "D100");
}

TEST(WakeChoice, NoWakeIsTheWordOrNothing) {
    EXPECT_TRUE(IsNoWake("不唤醒"));
    EXPECT_TRUE(IsNoWake(""));
    EXPECT_FALSE(IsNoWake("第1天7时0分唤醒"));
    EXPECT_FALSE(IsNoWake("不唤醒 "));
}

TEST(WakeChoice, PartsAreReadByBytes) {
    struct Case {
        const char* text;
        const char* day;
        const char* n;
        const char* hour;
        const char* minute;
    } cases[] = {
        {"第2天7时30分唤醒", "第2天", "2", "7", "30"},
        {"第9天23时59分唤醒", "第9天", "9", "23", "59"},
        {"第3天", "第3天", "3", "", ""},
        {"第天时分唤醒", "第天", "", "", ""},
        {"第12天0时0分唤醒", "第12天", "12", "0", "0"},
        {"第x", "第x", "x", "", ""},
    };
    for (const Case& c : cases) {
        WakeParts p = ParseWakeChoice(c.text);
        EXPECT_EQ(p.dayText, c.day) << c.text;
        EXPECT_EQ(p.n, c.n) << c.text;
        EXPECT_EQ(p.hour, c.hour) << c.text;
        EXPECT_EQ(p.minute, c.minute) << c.text;
    }
}

TEST(WakeChoice, ComposedTextReadsBack) {
    std::string wake = ComposeWakeChoice("第3天", 6, 15);
    EXPECT_EQ(wake, "第3天6时15分唤醒");
    WakeParts p = ParseWakeChoice(wake);
    EXPECT_EQ(p.n, "3");
    EXPECT_EQ(p.hour, "6");
    EXPECT_EQ(p.minute, "15");
}

}  // namespace
}  // namespace vantrel
