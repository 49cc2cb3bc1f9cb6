// The power operations: the pending word at the end of a countdown, the
// suspend with a wake timer, the close-all-windows step, and the immediate
// commands of the menu and the hotkeys. Every call that ends the session
// goes through Sys(), so tests record them. A call Windows refuses, or one
// this computer cannot do, is shown in a reminder with the reason, and the
// caller gets the reason for the run history.
#pragma once

#include <windows.h>

#include <string>

#include "actions/power_state.h"
#include "actions/utility_actions_win.h"

namespace vantrel {

constexpr UINT kExitLogOff = 4;     // EWX_LOGOFF | EWX_FORCE
constexpr UINT kExitRestart = 6;    // EWX_REBOOT | EWX_FORCE
constexpr UINT kExitPowerOff = 12;  // EWX_POWEROFF | EWX_FORCE
// The reason ExitWindowsEx is given: planned, other, other. Reason 0 is
// recorded as an unplanned shutdown of no known cause, and Server editions
// then ask at the next start why the computer went down.
constexpr DWORD kPlannedOther = 0x80000000;  // SHTDN_REASON_FLAG_PLANNED | MAJOR_OTHER | MINOR_OTHER


// Carries out `word` ("注销", "待机", "休眠", "重启", "关机", "断开拨号",
// "快速重启", "快速关机"); any other text does nothing. A wake choice whose
// numbers do not convert raises ConversionError and nothing is suspended.
PowerOutcome CarryOutPowerWord(const std::string& word, const std::string& wakeChoice);

// Suspends (not hibernates, not forced), first arming the wake timer when
// the wake choice names a day and a time.
PowerOutcome SuspendWithWakeTimer(const std::string& wakeChoice);

// Why this computer cannot do what `need` asks (the power manager asked
// now); empty when it can or the system does not say.
std::string PowerRefusalNow(PowerNeed need);

// Posts WM_CLOSE to every visible or minimised, unowned, titled top-level
// window that is not a tool window and not this program's.
void CloseAllOtherWindows();
BOOL CALLBACK CloseAllWindowsProc(HWND window, LPARAM unused);

// Immediate commands: no countdown, no sound, no confirmation. Standby and
// hibernation are first checked against what the computer can do.
PowerOutcome LogOffNow();
PowerOutcome StandbyNow();
PowerOutcome HibernateNow();
PowerOutcome RestartNow();
PowerOutcome PowerOffNow();
PowerOutcome FastRestartNow();
PowerOutcome FastShutdownNow();

}  // namespace vantrel
