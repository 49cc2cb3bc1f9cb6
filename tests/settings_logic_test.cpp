#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "scheduler/conversions.h"
#include "ui/settings_logic.h"

namespace vantrel {
namespace {

TEST(SettingsLogic, WaitIsShownInMinutes) {
    struct Case {
        std::int32_t seconds;
        const char* shown;
    } cases[] = {{60, "1"}, {90, "1.5"}, {100, "1.66666666666667"}, {0, "0"}, {22, "0.366666666666667"},
                 {3600, "60"}, {-30, "-0.5"}};
    for (const Case& c : cases) EXPECT_EQ(FormatWaitMinutes(c.seconds), c.shown) << c.seconds;
}

TEST(SettingsLogic, WaitTextBecomesSecondsRoundedHalfToEven) {
    struct Case {
        const char* text;
        std::int32_t seconds;
    } cases[] = {{"", 60},      {"0", 0},       {"1.5", 90},   {"0.375", 22}, {"0.125", 8},
                 {"1", 60},     {"1.", 60},     {".5", 30},    {"2.5e1", 1500},
                 {"0.025", 2},  {"35791394", 2147483640}, {"1.66666666666667", 100}};
    for (const Case& c : cases) EXPECT_EQ(WaitTextToSeconds(c.text), c.seconds) << c.text;
}

TEST(SettingsLogic, WaitTextsThatAreNoNumberOrTooLargeAreRefused) {
    for (const char* text : {".", "..", "1..2", "1.2.3", "inf", "nan", "0x10", "abc", "1e", "-",
                             "35791395", "99999999999", "1e300"}) {
        try {
            WaitTextToSeconds(text);
            ADD_FAILURE() << text;
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' is not a valid floating point value");
        }
    }
}

// The conversions use digit arithmetic; the C library's floating point is the
// reference they must agree with wherever the value is not exactly halfway.
std::string PrintfMinutes(std::int32_t seconds) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", seconds / 60.0);
    return buffer;
}

TEST(SettingsLogic, MinutesTextAgreesWithGeneralFormatEverywhere) {
    for (std::int32_t s = -7200; s <= 7200; ++s) ASSERT_EQ(FormatWaitMinutes(s), PrintfMinutes(s)) << s;
    for (std::int32_t s : {2147483647, -2147483647 - 1, 35791393 * 60 + 59, 599999999, 1000000001, 59999})
        EXPECT_EQ(FormatWaitMinutes(s), PrintfMinutes(s)) << s;
}

TEST(SettingsLogic, WaitTextAgreesWithFloatingPointOffTheHalves) {
    int compared = 0;
    for (int m = -30000; m <= 30000; m += 7) {
        if ((std::abs(m) * 3) % 500 == 250) continue;  // halfway: the table above covers ties
        char text[32];
        std::snprintf(text, sizeof text, "%d.%04d", m / 10000, std::abs(m) % 10000);
        if (m < 0 && m > -10000) text[0] = '-', std::snprintf(text + 1, sizeof text - 1, "0.%04d", -m);
        double reference = std::nearbyint(std::strtod(text, nullptr) * 60.0);
        ASSERT_EQ(WaitTextToSeconds(text), static_cast<std::int32_t>(reference)) << text;
        ++compared;
    }
    EXPECT_GT(compared, 8000);
    // Every shown text reads back as the seconds it was made from.
    for (std::int32_t s : {1, 7, 22, 59, 61, 100, 3599, 86399, -45, 2147483647})
        EXPECT_EQ(WaitTextToSeconds(FormatWaitMinutes(s)), s) << s;
}

TEST(SettingsLogic, WaitTextExponentsAndZerosAtTheEdges) {
    struct Case {
        const char* text;
        std::int32_t seconds;
    } cases[] = {{"0e999999999999", 0}, {"1e-99999999999", 0}, {"-0", 0},       {"000001.000", 60},
                 {" 2 ", 120},         {"-0.0125", -1},       {"1E1", 600},     {"0.0000001e7", 60},
                 {"3579139.4e1", 2147483640}, {"-35791394.1333333", -2147483648LL}};
    for (const Case& c : cases) EXPECT_EQ(WaitTextToSeconds(c.text), c.seconds) << c.text;
    for (const char* text : {"1e999999999999", "35791394.2", "-35791394.15", "1e10"})
        EXPECT_THROW(WaitTextToSeconds(text), ConversionError) << text;
}

TEST(SettingsLogic, CaptionsCloseUpAfterADelete) {
    EXPECT_EQ(CaptionAfterDelete(1, 2), 1);
    EXPECT_EQ(CaptionAfterDelete(3, 2), 2);
    EXPECT_EQ(CaptionAfterDelete(4, 2), 3);
    EXPECT_EQ(CaptionAfterDelete(2, 4), 2);
}

// With monitoring off no task runs: a task that would run says why it will
// not, one that never runs keeps its dash, and monitoring on shows the run.
TEST(SettingsLogic, NextRunCellSaysMonitoringIsOff) {
    LocalTime now;
    now.year = 2026, now.month = 12, now.day = 7, now.hour = 9, now.minute = 30, now.dayOfWeek = 1;
    const struct {
        const char *schedule, *enabled;
        bool on;
        const char* cell;
    } cases[] = {
        {"每天23时0分", "启用", true, "12-07 23:00"},
        {"每天23时0分", "启用", false, "监控已关闭"},
        {"空闲30分钟", "启用", false, "监控已关闭"},
        {"开机0时10分", "启用", true, "开机后0时10分"},
        {"每天23时0分", "禁用", false, "—"},
        {"一次2026/12/7日9时29分", "启用", false, "—"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextRunCell(NextRunOf(c.schedule, c.enabled, now, MatchEnv()), now, c.on), c.cell)
            << c.schedule << " " << c.on;
}

}  // namespace
}  // namespace vantrel
