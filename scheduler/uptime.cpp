#include "scheduler/uptime.h"

namespace vantrel {

namespace {

const std::uint64_t kInterruptUnitsPerMs = 10000;
// The tick count moves in clock ticks of about 16 ms and may still stand a
// tick or two before the wake it is read against.
const std::uint64_t kBehindMs = 1000;
const std::uint64_t kWrapMs = std::uint64_t(1) << 32;

}  // namespace

std::uint64_t MsSinceSwitchedOn(const UptimeClock& clock) {
    if (clock.lastWake == 0) return clock.tickMs;
    const std::uint64_t wakeMs = clock.lastWake / kInterruptUnitsPerMs;
    std::uint64_t tickMs = clock.tickMs;
    if (tickMs < wakeMs) {
        // Only XP's hand-widened count can have missed a wrap.
        if (wakeMs - tickMs <= kBehindMs || !clock.widened) return 0;
        // Far behind the wake: a count widened only across the wraps the
        // program saw (Windows XP, where it started after the computer had
        // run for 49.7 days). The wraps it missed are whole 2^32 ms, as few
        // as bring it past the wake; taking the count as it is would hold
        // the figure at zero, where 开机0时0分 would fire on every tick.
        tickMs += (wakeMs - tickMs + kWrapMs - 1) / kWrapMs * kWrapMs;
    }
    return tickMs - wakeMs;
}

std::uint64_t AwakeMsBetween(const UptimeClock& start, const UptimeClock& now) {
    if (start.awake != 0 && now.awake != 0)
        return now.awake > start.awake ? (now.awake - start.awake) / kInterruptUnitsPerMs : 0;
    const std::uint64_t spent = now.tickMs > start.tickMs ? now.tickMs - start.tickMs : 0;
    if (now.lastWake == start.lastWake) return spent;
    const std::uint64_t sinceWake = MsSinceSwitchedOn(now);
    return sinceWake < spent ? sinceWake : spent;
}

}  // namespace vantrel
