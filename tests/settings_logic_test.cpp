#include <gtest/gtest.h>

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

TEST(SettingsLogic, CaptionsCloseUpAfterADelete) {
    EXPECT_EQ(CaptionAfterDelete(1, 2), 1);
    EXPECT_EQ(CaptionAfterDelete(3, 2), 2);
    EXPECT_EQ(CaptionAfterDelete(4, 2), 3);
    EXPECT_EQ(CaptionAfterDelete(2, 4), 2);
}

}  // namespace
}  // namespace vantrel
