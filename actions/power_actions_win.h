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

// EWX_FORCE has no effect where Terminal Services is enabled (every Vista
// and later): there EWX_FORCEIFHUNG ends a program that does not answer;
// where EWX_FORCE works, Windows ignores EWX_FORCEIFHUNG beside it.
constexpr UINT kExitLogOff = 0x14;    // EWX_LOGOFF | EWX_FORCE | EWX_FORCEIFHUNG
constexpr UINT kExitRestart = 0x16;   // EWX_REBOOT | EWX_FORCE | EWX_FORCEIFHUNG
constexpr UINT kExitPowerOff = 0x1C;  // EWX_POWEROFF | EWX_FORCE | EWX_FORCEIFHUNG
// The reason ExitWindowsEx is given: planned, other, other. Reason 0 is
// recorded as an unplanned shutdown of no known cause, and Server editions
// then ask at the next start why the computer went down.
constexpr DWORD kPlannedOther = 0x80000000;  // SHTDN_REASON_FLAG_PLANNED | MAJOR_OTHER | MINOR_OTHER


// Carries out `word` ("注销", "待机", "休眠", "重启", "关机", "断开拨号",
// "快速重启", "快速关机"); any other text does nothing. A wake choice whose
// numbers do not convert raises ConversionError and nothing is suspended.
PowerOutcome CarryOutPowerWord(const std::string& word, const std::string& wakeChoice);
// The same from the service, which is in no user's session: 注销 logs off
// the session at the console (WTSLogoffSession), and fails when none is
// attached to it.
PowerOutcome CarryOutPowerWordAsService(const std::string& word, const std::string& wakeChoice);

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
