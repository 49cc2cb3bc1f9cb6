#include "actions/power_actions_win.h"

#include "actions/countdown_model.h"
#include "actions/system_ops.h"
#include "actions/utility_actions_win.h"
#include "actions/wake_plan.h"
#include "scheduler/clock.h"
#include "text/system_error_win.h"

namespace vantrel {

namespace {

// A power call's answer: a failure is shown at once, with Windows' text.
PowerOutcome Checked(PowerOp op, std::uint32_t code) {
    PowerOutcome outcome;
    outcome.acted = true;
    outcome.ok = code == 0;
    if (!outcome.ok) {
        outcome.text = PowerFailureText(PowerWordOf(op), SystemErrorText(code));
        ShowReminder(outcome.text);
    }
    return outcome;
}

// A command this computer cannot do is not tried; the user is told why.
bool Refused(PowerNeed need, PowerOutcome& outcome) {
    outcome.text = PowerRefusalNow(need);
    if (outcome.text.empty()) return false;
    outcome.acted = true;
    ShowReminder(outcome.text);
    return true;
}

PowerOutcome EndSession(PowerOp op, UINT flags) {
    PowerOutcome outcome = Checked(op, Sys().EndSession(flags, kPlannedOther));
    outcome.started = outcome.ok;
    return outcome;
}

// Where Modern Standby stands in for sleep, the display off is standby.
PowerOutcome Standby() {
    PowerCapabilities caps;
    if (Sys().ReadPowerCapabilities(caps) && StandbyByDisplayOff(caps)) {
        MonitorOff();
        PowerOutcome outcome;
        outcome.acted = outcome.ok = true;
        return outcome;
    }
    return Checked(PowerOp::Standby, Sys().SetPowerState(true, true));
}

}  // namespace

std::string PowerRefusalNow(PowerNeed need) {
    PowerCapabilities caps;
    if (need == PowerNeed::Nothing || !Sys().ReadPowerCapabilities(caps)) return std::string();
    return PowerRefusal(need, caps);
}

PowerOutcome SuspendWithWakeTimer(const std::string& wakeChoice) {
    const WakePlan plan = PlanWake(wakeChoice, LocalTimeNow());
    std::string cannotWake;
    if (plan.armTimer) {
        // The sleep the task asks for still happens; the user hears of the
        // wake-up that will not come after waking the computer by hand.
        if (const std::uint32_t code = Sys().ArmWakeTimer(plan))
            cannotWake = CannotWakeText(SystemErrorText(code));
    }
    PowerOutcome outcome = Checked(PowerOp::Hibernate, Sys().SetPowerState(true, false));
    if (outcome.ok) outcome.cannotWake = cannotWake;
    return outcome;
}

PowerOutcome CarryOutPowerWord(const std::string& word, const std::string& wakeChoice) {
    switch (PowerOpFor(word)) {
        case PowerOp::LogOff: return EndSession(PowerOp::LogOff, kExitLogOff);
        case PowerOp::Standby: return Standby();
        case PowerOp::Hibernate: return SuspendWithWakeTimer(wakeChoice);
        case PowerOp::Restart: return EndSession(PowerOp::Restart, kExitRestart);
        case PowerOp::PowerOff: return EndSession(PowerOp::PowerOff, kExitPowerOff);
        case PowerOp::HangUp: {
            const HangUpResult hangUp = HangUpDialUp();
            PowerOutcome outcome;
            outcome.acted = true;
            outcome.ok = hangUp.hungUp;
            outcome.text = hangUp.text;
            return outcome;
        }
        case PowerOp::FastRestart: return Checked(PowerOp::FastRestart, Sys().ShutdownSystem(1));
        case PowerOp::FastShutdown: return Checked(PowerOp::FastShutdown, Sys().ShutdownSystem(2));
        case PowerOp::None: break;
    }
    return PowerOutcome();
}

PowerOutcome CarryOutPowerWordAsService(const std::string& word, const std::string& wakeChoice) {
    if (PowerOpFor(word) != PowerOp::LogOff) return CarryOutPowerWord(word, wakeChoice);
    const std::uint32_t console = Sys().ConsoleSession();
    PowerOutcome outcome = Checked(PowerOp::LogOff, console == 0xFFFFFFFF ? static_cast<std::uint32_t>(ERROR_NOT_FOUND)
                                                                          : Sys().LogOffSession(console));
    outcome.started = outcome.ok;
    return outcome;
}

BOOL CALLBACK CloseAllWindowsProc(HWND window, LPARAM) {
    if (!IsWindowVisible(window) && !IsIconic(window)) return TRUE;
    HWND owner = reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_HWNDPARENT));
    if (owner && owner != GetDesktopWindow()) return TRUE;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId()) return TRUE;
    wchar_t title[256];
    if (GetWindowTextW(window, title, sizeof title / sizeof title[0]) == 0) return TRUE;
    Sys().AskToClose(window);
    return TRUE;
}

void CloseAllOtherWindows() { EnumWindows(CloseAllWindowsProc, 0); }

PowerOutcome LogOffNow() { return EndSession(PowerOp::LogOff, kExitLogOff); }

PowerOutcome StandbyNow() {
    PowerOutcome refused;
    if (Refused(PowerNeed::Standby, refused)) return refused;
    return Standby();
}

PowerOutcome HibernateNow() {
    PowerOutcome refused;
    if (Refused(PowerNeed::Hibernation, refused)) return refused;
    return Checked(PowerOp::Hibernate, Sys().SetPowerState(false, true));
}

PowerOutcome RestartNow() { return EndSession(PowerOp::Restart, kExitRestart); }
PowerOutcome PowerOffNow() { return EndSession(PowerOp::PowerOff, kExitPowerOff); }
PowerOutcome FastRestartNow() { return Checked(PowerOp::FastRestart, Sys().ShutdownSystem(1)); }
PowerOutcome FastShutdownNow() { return Checked(PowerOp::FastShutdown, Sys().ShutdownSystem(2)); }

}  // namespace vantrel
