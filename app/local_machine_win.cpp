#include "app/local_machine_win.h"

#include "actions/power_actions_win.h"
#include "actions/system_ops.h"
#include "actions/utility_actions.h"
#include "actions/utility_actions_win.h"

namespace vantrel {

void LocalMachine::ReadSessions(Runner& runner) {
    SystemOps& ops = Sys();
    const std::uint32_t own = ops.OwnSession();
    const std::uint32_t console = ops.ConsoleSession();
    bool active = own == console;
    if (!active)
        for (std::uint32_t s : ops.ActiveSessions()) active = active || s == own;
    runner.SessionsRead(own, console, active);
}

void LocalMachine::PowerEvent(Runner& runner, WPARAM event) {
    switch (event) {
        case PBT_APMSUSPEND: runner.Suspending(); break;
        case PBT_APMRESUMEAUTOMATIC:
        case PBT_APMRESUMESUSPEND:
        case PBT_APMRESUMECRITICAL: {
            SystemOps& ops = Sys();
            const bool byTimer = ops.WakeTimerCameDue();
            // Spent: the timer stays signalled, and would pass every later
            // wake off as its own.
            if (byTimer) ops.CancelWakeTimer();
            // PBT_APMRESUMESUSPEND follows only a wake with a user there;
            // the automatic one alone does not mean anyone is.
            const bool user = event == PBT_APMRESUMESUSPEND ||
                              (event == PBT_APMRESUMEAUTOMATIC && !ops.ResumedAutomatically());
            runner.Resumed(byTimer, user);
            break;
        }
        default: break;
    }
}

std::string LocalMachine::PowerRefusal(const std::string& word) { return PowerRefusalNow(NeedOfWord(word)); }

BusySample LocalMachine::BusyFacts() { return Sys().BusyFacts(); }

OtherSessions LocalMachine::OtherSessionsNow() {
    SystemOps& ops = Sys();
    OtherSessions others;
    others.active = ops.ActiveSessions();
    others.withCopy = SessionsRunning(ops.Processes(), FileNamePart(ProgramPath()), ops.OwnSession());
    return others;
}

PowerOutcome LocalMachine::CarryOut(const std::string& word, const std::string& wakeChoice) {
    return CarryOutPowerWord(word, wakeChoice);
}

// A power request from Windows 7 on, where the system lists who keeps it
// awake; the thread's execution state on XP and Vista. Both hold until
// released: a single call without ES_CONTINUOUS only resets the idle timer,
// and an unattended wake sleeps again within about two minutes.
void LocalMachine::KeepAwake(AwakeNeed need) {
    SystemOps& ops = Sys();
    const bool request = need == AwakeNeed::AfterWake && ops.SetPowerRequest(true);
    if (need != AwakeNeed::AfterWake) ops.SetPowerRequest(false);
    if (need == AwakeNeed::None)
        ops.SetExecutionState(ES_CONTINUOUS);
    else if (!request)
        ops.SetExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
}

void LocalMachine::GateChanged() {
    if (driver_) driver_->ApplyGate();
}

}  // namespace vantrel
