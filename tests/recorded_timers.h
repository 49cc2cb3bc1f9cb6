// The host's timers as a test plays them, a second at a time: the tick
// every 6 seconds while the gate is open (its interval afresh when it
// opens), the re-arm 60 seconds after a suspension (armed once per
// suspension), the countdown's second and the start of each minute.
#pragma once

#include "runner/runner.h"
#include "scheduler/time_text.h"

namespace vantrel {
namespace testing {

// The recorded clock one second on; true when a minute starts.
inline bool NextSecond(LocalTime& now) {
    if (now.second != 59) {
        ++now.second;
        return false;
    }
    now = AddMinutes(now, 1);
    now.second = 0;
    return true;
}

struct RecordedTimers {
    bool tickOn = false;
    int tickIn = 0;    // seconds to the next tick
    int rearmIn = -1;  // seconds to the re-arm; -1: not armed

    // As the main window's timers follow the gate.
    void Follow(const TickGate& gate) {
        if (gate.TickShouldRun() && !tickOn) {
            tickOn = true;
            tickIn = 6;
        } else if (!gate.TickShouldRun()) {
            tickOn = false;
        }
        if (gate.suspended && rearmIn < 0) rearmIn = 60;
    }

    // One second of the runner's timers. A countdown started now takes its
    // first step a second later.
    void Second(Runner& runner, bool minuteStarts) {
        const bool counting = runner.counting();
        if (minuteStarts) runner.Minute();
        if (counting && runner.counting()) runner.Second();
        if (rearmIn > 0 && --rearmIn == 0) {
            rearmIn = -1;
            runner.Rearm();
        }
        if (tickOn && --tickIn == 0) {
            tickIn = 6;
            runner.Tick(MatchEnv());
        }
    }
};

}  // namespace testing
}  // namespace vantrel
