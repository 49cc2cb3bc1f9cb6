// The machine the runner runs on, as Windows reports it and acts on it: what
// the power manager allows, whether the machine is busy, the sessions, the
// power action a countdown ends in, keeping the computer awake, and the tick
// driver's timers following the runner's gate. Every call goes through the
// system interface (actions/system_ops.h), so tests record them.
#pragma once

#include "app/tick_driver_win.h"
#include "runner/runner.h"

namespace vantrel {

class LocalMachine : public RunnerMachine {
public:
    // The driver whose timers follow the gate; nullptr: none (yet, or any more).
    void UseDriver(TickDriver* driver) { driver_ = driver; }
    // This process's session, the console's, and whether the system lists
    // this one as active, told to `runner`.
    static void ReadSessions(Runner& runner);
    // WM_POWERBROADCAST's (or the service's power control's) event, told
    // to `runner`: a countdown stops when the computer goes to sleep.
    static void PowerEvent(Runner& runner, WPARAM event);

    std::string PowerRefusal(const std::string& word) override;
    BusySample BusyFacts() override;
    OtherSessions OtherSessionsNow() override;
    PowerOutcome CarryOut(const std::string& word, const std::string& wakeChoice) override;
    void KeepAwake(AwakeNeed need) override;
    void GateChanged() override;

private:
    TickDriver* driver_ = nullptr;
};

}  // namespace vantrel
