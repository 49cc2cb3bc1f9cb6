// Whether the machine is busy, over recorded samples: the foreground window
// against its monitor, the shell's notification state, and the processor's
// and the network's counters between two samples a minute apart.
#include <gtest/gtest.h>

#include "actions/busy_check.h"

namespace vantrel {
namespace {

const ScreenRect kMonitor{0, 0, 1280, 1024};

BusySample Front(ScreenRect window, bool shell = false, int state = 0) {
    BusySample s;
    s.foreground.present = true;
    s.foreground.desktopOrShell = shell;
    s.foreground.window = window;
    s.foreground.monitor = kMonitor;
    s.notificationState = state;
    return s;
}

// A minute on from `earlier`, the processor busy for `busyPercent` of it and
// `kb` kilobytes through the network.
BusySample MinuteLater(const BusySample& earlier, int busyPercent, std::uint64_t kb) {
    BusySample s = earlier;
    s.tickMs += 60000;
    s.idle += static_cast<std::uint64_t>(100 - busyPercent) * 6000000;  // of 600000000 units
    s.kernel += 300000000;                                              // kernel time includes idle
    s.user += 300000000;
    s.octets += kb * 1024;
    return s;
}

TEST(BusyCheck, EachReasonOnItsSamples) {
    BusySample quiet = Front({100, 100, 800, 600});
    quiet.haveProcessor = quiet.haveNetwork = true;
    quiet.tickMs = 0xFFFF0000u;  // the tick count wraps during the minute
    BusySample wrapped = MinuteLater(quiet, 0, 0);
    wrapped.octets = 5;  // a counter that went back tells nothing
    const BusyLimits limits{80, 100};
    const struct {
        const char* what;
        std::optional<BusySample> earlier;
        BusySample now;
        BusyLimits limits;
        BusyReason reason;
    } cases[] = {
        {"window covering its monitor", std::nullopt, Front({-8, -8, 1288, 1032}), limits, BusyReason::FullScreen},
        {"maximised window, taskbar showing", std::nullopt, Front({0, 0, 1280, 994}), limits, BusyReason::None},
        {"desktop covers the monitor", std::nullopt, Front(kMonitor, true), limits, BusyReason::None},
        {"no foreground window", std::nullopt, BusySample(), limits, BusyReason::None},
        {"shell: busy", std::nullopt, Front({0, 0, 10, 10}, false, kNotifyBusy), limits, BusyReason::FullScreen},
        {"shell: Direct3D", std::nullopt, Front({0, 0, 10, 10}, false, kNotifyD3DFullScreen), limits, BusyReason::FullScreen},
        {"shell: presentation", std::nullopt, Front({0, 0, 10, 10}, false, kNotifyPresentation), limits, BusyReason::FullScreen},
        {"shell: accepts notifications", std::nullopt, Front({0, 0, 10, 10}, false, 5), limits, BusyReason::None},
        {"processor 90%", quiet, MinuteLater(quiet, 90, 0), limits, BusyReason::Processor},
        {"processor 80%", quiet, MinuteLater(quiet, 80, 0), limits, BusyReason::None},
        {"processor not looked at", quiet, MinuteLater(quiet, 100, 0), {0, 100}, BusyReason::None},
        {"processor without an earlier sample", std::nullopt, MinuteLater(quiet, 100, 0), limits, BusyReason::None},
        {"network 200 KB/s", quiet, MinuteLater(quiet, 0, 200 * 60), limits, BusyReason::Network},
        {"network 50 KB/s", quiet, MinuteLater(quiet, 0, 50 * 60), limits, BusyReason::None},
        {"network not looked at", quiet, MinuteLater(quiet, 0, 900 * 60), {80, 0}, BusyReason::None},
        {"network counter went back", quiet, wrapped, limits, BusyReason::None},
    };
    for (const auto& c : cases) EXPECT_EQ(BusyNow(c.earlier, c.now, c.limits), c.reason) << c.what;
}

}  // namespace
}  // namespace vantrel
