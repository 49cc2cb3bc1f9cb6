// The one place that decides whether the scheduler tick runs: monitoring is
// on, no countdown is running, the tick is not suspended after a task, no
// junk cleanup is running, no settings window is open, and the user of this
// copy's session sees it (a session switched away or disconnected has no
// tick; scheduler/session_role.h). Everything that used to switch the tick on
// or off directly now changes one of these and asks the gate.
#pragma once

namespace vantrel {

struct TickGate {
    bool monitoring = true;
    bool countingDown = false;
    bool suspended = false;
    bool cleaningUp = false;
    int settingsWindowsOpen = 0;
    bool sessionAway = false;

    // A settings window opened, or closed. A close that has no open to
    // match (the gate was set up after the window opened) never takes the
    // count below zero, where no window could ever bring the tick back.
    void HoldForWindow() { ++settingsWindowsOpen; }
    void ReleaseForWindow() {
        if (settingsWindowsOpen > 0) --settingsWindowsOpen;
    }

    bool TickShouldRun() const {
        return monitoring && !countingDown && !suspended && !cleaningUp && settingsWindowsOpen == 0 &&
               !sessionAway;
    }
};

}  // namespace vantrel
