// How long the computer has been on, as the start-up schedules (开机), the
// start-up greeting and the task editor count it: since it was switched on
// or last woke up, whichever came later.
//
// Windows' tick count goes on while the computer sleeps or hibernates, and
// the "shut down" of Fast Startup (the default from Windows 8 on) is a
// hibernation of the system, so the tick count alone measures from the last
// restart, often days ago. The power manager keeps the interrupt time of the
// last wake (from sleep, from hibernation, or a Fast Startup power-on), on
// the same clock as the tick count; the figure is the time since then.
#pragma once

#include <cstdint>

namespace vantrel {

// What the system says at one moment.
struct UptimeClock {
    // Milliseconds since start-up in 64 bits (GetTickCount64; on Windows XP
    // the 32-bit count widened across the wraps the program has seen).
    std::uint64_t tickMs = 0;
    // Interrupt time of the last wake in 100-nanosecond units
    // (CallNtPowerInformation LastWakeTime); 0 when the computer has not
    // slept since it started, or the system does not say.
    std::uint64_t lastWake = 0;
    // Windows XP: tickMs is the 32-bit count widened by the program, which
    // misses the wraps from before it started.
    bool widened = false;
    // QueryUnbiasedInterruptTime (Windows 7 on) in 100-nanosecond units:
    // the time the computer was awake; 0 where the system lacks it.
    std::uint64_t awake = 0;
};

// Milliseconds since the computer was switched on or last woke up.
std::uint64_t MsSinceSwitchedOn(const UptimeClock& clock);

// Milliseconds the computer was awake between two readings, for a limit
// that a sleep must not use up. Without the unbiased count (XP, Vista) a
// wake in between starts the count again at the wake.
std::uint64_t AwakeMsBetween(const UptimeClock& start, const UptimeClock& now);

}  // namespace vantrel
