// Whether the machine is busy, over recorded samples: the foreground window
// against the monitor it is on, the shell's notification state, and the
// processor's and the network's counters between two samples a minute apart.
#include <gtest/gtest.h>

#include "actions/busy_check.h"

namespace vantrel {
namespace {

const ScreenRect kPrimary{0, 0, 1280, 1024};
// A second monitor left of the primary one: its coordinates are negative.
const ScreenRect kLeft{-1920, 0, 0, 1080};

// A window hanging `border` pixels past `r` on each side.
ScreenRect Grown(ScreenRect r, int border) { return {r.left - border, r.top - border, r.right + border, r.bottom + border}; }

struct Window {
    bool caption, zoomed;
    ScreenRect window, client, monitor;
};

BusySample Front(const Window& w, int state = 0) {
    BusySample s;
    s.foreground.present = true;
    s.foreground.caption = w.caption;
    s.foreground.zoomed = w.zoomed;
    s.foreground.window = w.window;
    s.foreground.client = w.client;
    s.foreground.monitor = w.monitor;
    s.notificationState = state;
    return s;
}

// A maximised window with a caption on `m` and no taskbar there: its borders
// hang past the monitor, its client area starts below the caption.
Window Maximised(ScreenRect m) { return {true, true, Grown(m, 8), {m.left, m.top + 23, m.right, m.bottom}, m}; }
// A window without caption or borders, exactly covering `m`.
Window Borderless(ScreenRect m) { return {false, false, m, m, m}; }

TEST(BusyCheck, FullScreenIsWhatCoversTheMonitorWithNoCaption) {
    const Window small{false, false, {100, 100, 800, 600}, {100, 100, 800, 600}, kPrimary};
    BusySample desktop = Front(Borderless(kPrimary));
    desktop.foreground.desktopOrShell = true;
    BusySample locked = Front(Borderless(kPrimary));
    locked.foreground.locked = true;
    const struct {
        const char* what;
        BusySample now;
        bool fullScreen;
    } cases[] = {
        {"maximised with a caption, no taskbar", Front(Maximised(kPrimary)), false},
        {"maximised with a caption on a monitor at negative coordinates", Front(Maximised(kLeft)), false},
        {"captioned window sized over its monitor, not maximised",
         Front({true, false, Grown(kPrimary, 8), {0, 23, 1280, 1024}, kPrimary}), false},
        {"borderless over the primary monitor", Front(Borderless(kPrimary)), true},
        {"borderless over the left monitor", Front(Borderless(kLeft)), true},
        {"borderless over the left monitor, judged against the primary",
         Front({false, false, kLeft, kLeft, kPrimary}), false},
        {"borderless, a row short of the monitor", Front({false, false, {0, 0, 1280, 1023}, {0, 0, 1280, 1023}, kPrimary}), false},
        {"maximised without a caption, its client area the monitor",
         Front({false, true, Grown(kPrimary, 8), kPrimary, kPrimary}), true},
        {"no foreground window", BusySample(), false},
        {"the desktop", desktop, false},
        {"locked: the lock screen covers the monitor", locked, false},
        {"locked: the shell says nobody is present", Front(Borderless(kPrimary), kNotifyNotPresent), false},
        {"shell: busy", Front(small, kNotifyBusy), true},
        {"shell: Direct3D", Front(small, kNotifyD3DFullScreen), true},
        {"shell: presentation", Front(small, kNotifyPresentation), true},
        {"shell: accepts notifications", Front(small, 5), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BusyNow(std::nullopt, c.now, BusyLimits{80, 100}) == BusyReason::FullScreen, c.fullScreen) << c.what;
}

InterfaceCounters Adapter(std::uint32_t index, std::uint64_t octets, bool wide = true) {
    InterfaceCounters c;
    c.index = index;
    c.type = 6;  // Ethernet
    c.wide = wide;
    c.octets = octets;
    return c;
}

// `earlier` a minute on: `moved[i]` octets more through its interface i,
// 32-bit counters wrapping as Windows XP's do.
BusySample Later(const BusySample& earlier, const std::vector<std::uint64_t>& moved) {
    BusySample s = earlier;
    s.tickMs += 60000;
    for (std::size_t i = 0; i < s.interfaces.size(); ++i) {
        s.interfaces[i].octets += moved[i];
        if (!s.interfaces[i].wide) s.interfaces[i].octets &= 0xFFFFFFFFu;
    }
    return s;
}

TEST(BusyCheck, NetworkCountsEachAdapterOnce) {
    const std::uint64_t mb = 1024 * 1024;
    BusySample vista;  // one adapter, two filters over it, the loopback and a tunnel
    vista.haveNetwork = true;
    vista.interfaces = {Adapter(7, 5000), Adapter(8, 5000), Adapter(9, 5000), Adapter(1, 0), Adapter(12, 0)};
    vista.interfaces[1].filter = vista.interfaces[2].filter = true;
    vista.interfaces[3].type = 24;
    vista.interfaces[4].hardware = false;
    BusySample xp;  // two adapters with 32-bit counters, the first about to wrap
    xp.haveNetwork = true;
    xp.interfaces = {Adapter(2, 0xFFFFF000u, false), Adapter(3, 100, false)};
    BusySample reset = vista;  // the adapter's 64-bit counter starts again
    reset.interfaces.resize(1);
    BusySample renumbered = Later(reset, {0});
    renumbered.interfaces[0].index = 11;
    const struct {
        const char* what;
        BusySample earlier, now;
        std::uint64_t octets;
    } cases[] = {
        {"filters and software interfaces left out", vista, Later(vista, {40 * mb, 40 * mb, 40 * mb, 9 * mb, 9 * mb}), 40 * mb},
        {"32-bit counters across a wrap, two adapters", xp, Later(xp, {3 * mb, 2 * mb}), 5 * mb},
        {"64-bit counter that went back", Later(reset, {9 * mb}), reset, 0},
        {"an interface not in the earlier sample", reset, renumbered, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(NetworkOctetsBetween(c.earlier, c.now), c.octets) << c.what;

    // 60 KB/s through an adapter with two filters is 60, not 180, against 100.
    EXPECT_EQ(BusyNow(vista, Later(vista, {3600 * 1024, 3600 * 1024, 3600 * 1024, 0, 0}), {0, 100}), BusyReason::None);
    // 200 KB/s across a wrap is still 200.
    EXPECT_EQ(BusyNow(xp, Later(xp, {12000 * 1024, 0}), {0, 100}), BusyReason::Network);
}

// A minute on from `earlier`, the processor busy for `busyPercent` of it.
BusySample MinuteLater(const BusySample& earlier, int busyPercent) {
    BusySample s = earlier;
    s.tickMs += 60000;
    s.idle += static_cast<std::uint64_t>(100 - busyPercent) * 6000000;  // of 600000000 units
    s.kernel += 300000000;                                              // kernel time includes idle
    s.user += 300000000;
    return s;
}

TEST(BusyCheck, ProcessorOverTheSpanOfTwoSamples) {
    BusySample quiet;
    quiet.haveProcessor = true;
    quiet.tickMs = 0xFFFF0000u;  // the tick count wraps during the minute
    const BusyLimits limits{80, 0};
    EXPECT_EQ(BusyNow(quiet, MinuteLater(quiet, 90), limits), BusyReason::Processor);
    EXPECT_EQ(BusyNow(quiet, MinuteLater(quiet, 80), limits), BusyReason::None);
    EXPECT_EQ(BusyNow(quiet, MinuteLater(quiet, 100), {0, 100}), BusyReason::None);
    EXPECT_EQ(BusyNow(std::nullopt, MinuteLater(quiet, 100), limits), BusyReason::None);
}

// The sample to judge against: the newest at least 20 seconds old.
TEST(BusyCheck, EarlierSampleIsTheNewestOldEnough) {
    const std::uint32_t now = 100000;
    const struct {
        const char* what;
        std::uint32_t nowTick;
        std::vector<std::uint32_t> ages;  // of the samples, oldest first
        int chosen;                       // index into ages; -1: none
    } cases[] = {
        {"just switched on: one sample a few milliseconds old", now, {4}, -1},
        {"the minute's sample and a fresh one", now, {60000, 3}, 0},
        {"two old enough: the newer", now, {80000, 21000}, 1},
        {"exactly 20 seconds", now, {40000, 20000}, 1},
        {"a second short of 20 seconds", now, {19000}, -1},
        {"across the tick count's wrap", 5000, {60000, 10000}, 0},
    };
    for (const auto& c : cases) {
        std::vector<BusySample> samples;
        for (std::uint32_t age : c.ages) {
            samples.emplace_back();
            samples.back().tickMs = c.nowTick - age;
            samples.back().idle = age;  // tells the samples apart
        }
        BusySample current;
        current.tickMs = c.nowTick;
        const std::optional<BusySample> got = EarlierSample(samples, current);
        ASSERT_EQ(got.has_value(), c.chosen >= 0) << c.what;
        if (got) {
            EXPECT_EQ(got->idle, c.ages[c.chosen]) << c.what;
        }
    }
}

}  // namespace
}  // namespace vantrel
