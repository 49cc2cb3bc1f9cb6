// What the computer's power allows.
#include <gtest/gtest.h>

#include <string>

#include "actions/power_state.h"

namespace vantrel {
namespace {

TEST(PowerRefusal, OnlyWhatTheComputerCannotDoIsRefused) {
    // Sleep states, Modern Standby, S4, a hibernation file.
    const PowerCapabilities desktop{true, false, true, true}, modern{false, true, true, true},
        noSleep{false, false, true, true}, hibernationOff{true, false, false, false},
        noS4{true, false, false, true};
    const struct {
        PowerNeed need;
        PowerCapabilities caps;
        std::string refusal;  // "" when it goes ahead
    } cases[] = {
        {PowerNeed::Sleep, desktop, ""},
        {PowerNeed::Standby, desktop, ""},
        // Standby there is the display off; a sleep with a wake timer cannot be had.
        {PowerNeed::Standby, modern, ""},
        {PowerNeed::Standby, noSleep, "这台计算机不能待机：Windows 报告睡眠状态 S1、S2、S3 都不可用"},
        {PowerNeed::Hibernation, desktop, ""},
        {PowerNeed::Sleep, modern, "这台计算机使用现代待机（S0 低功耗空闲），程序不能让它待机"},
        {PowerNeed::Hibernation, modern, ""},
        {PowerNeed::Sleep, noSleep, "这台计算机不能待机：Windows 报告睡眠状态 S1、S2、S3 都不可用"},
        {PowerNeed::Sleep, hibernationOff, ""},
        {PowerNeed::Hibernation, hibernationOff, "休眠已关闭，可用 powercfg /h on 打开"},
        {PowerNeed::Hibernation, noS4, "这台计算机不支持休眠"},
        {PowerNeed::Nothing, PowerCapabilities(), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PowerRefusal(c.need, c.caps), c.refusal) << static_cast<int>(c.need);
}

}  // namespace
}  // namespace vantrel
