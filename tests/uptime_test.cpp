// The one start-up figure, over what Windows answers after each way a
// computer comes on.
#include <gtest/gtest.h>

#include "scheduler/matching.h"
#include "scheduler/uptime.h"

namespace vantrel {
namespace {

const std::uint64_t kMinute = 60 * 1000, kDay = 24 * 60 * kMinute;
const std::uint64_t kWrap = std::uint64_t(1) << 32;  // 49.7 days of the 32-bit count
std::uint64_t At(std::uint64_t ms) { return ms * 10000; }  // as interrupt time

TEST(SwitchedOn, FromTheLaterOfTheLastBootAndTheLastWake) {
    const struct {
        const char* how;
        UptimeClock clock;
        std::uint64_t expected;
    } readings[] = {
        {"booted 12 minutes ago", {12 * kMinute, 0}, 12 * kMinute},
        {"asleep 3 hours, woke 3 minutes ago", {9 * 60 * kMinute, At(537 * kMinute)}, 3 * kMinute},
        {"out of hibernation 40 s ago", {2 * kDay, At(2 * kDay - 40000)}, 40000},
        {"Fast Startup power-on 10 minutes ago, restarted 6 days ago",
         {6 * kDay, At(6 * kDay - 10 * kMinute)}, 10 * kMinute},
        {"running 49.7 days and 5 minutes", {kWrap + 5 * kMinute, 0}, kWrap + 5 * kMinute},
        {"read a clock tick before the count reached the wake", {kDay, At(kDay + 15)}, 0},
        // Windows XP: the program started on day 52 and has seen no wrap.
        {"XP, up 55 days, woke 10 minutes ago", {55 * kDay - kWrap, At(55 * kDay - 10 * kMinute), true},
         10 * kMinute},
        // Any later Windows counts in 64 bits itself: nothing to repair.
        {"Windows 10, the count a minute behind the wake", {kDay, At(kDay + kMinute)}, 0},
    };
    for (const auto& r : readings) EXPECT_EQ(MsSinceSwitchedOn(r.clock), r.expected) << r.how;
    // Past 32 bits the count does not wrap back to a start-up task's minute.
    MatchEnv env;
    env.upMs = kWrap + 10 * kMinute;
    EXPECT_FALSE(MatchStartup(LocalTime(), "开机0时10分", env).due);
}

// The cleanup's limit counts the time the computer was awake.
TEST(AwakeTime, ASleepInBetweenDoesNotCount) {
    const std::uint64_t hour = 60 * kMinute;
    const struct {
        const char* how;
        UptimeClock start, now;
        std::uint64_t expected;
    } readings[] = {
        {"Windows 7 on: the unbiased count, an hour asleep in 15 minutes",
         {kDay, 0, false, At(kDay)}, {kDay + 75 * kMinute, At(kDay + 70 * kMinute), false, At(kDay + 15 * kMinute)},
         15 * kMinute},
        {"no sleep, no unbiased count", {kDay, At(hour)}, {kDay + 4 * kMinute, At(hour)}, 4 * kMinute},
        {"Vista: slept, woke 2 minutes ago", {kDay, At(hour)}, {kDay + 2 * hour, At(kDay + 2 * hour - 2 * kMinute)},
         2 * kMinute},
        {"Vista: slept before the start, not since", {kDay, At(kDay - hour)}, {kDay + 3 * kMinute, At(kDay - hour)},
         3 * kMinute},
    };
    for (const auto& r : readings) EXPECT_EQ(AwakeMsBetween(r.start, r.now), r.expected) << r.how;
}

}  // namespace
}  // namespace vantrel
