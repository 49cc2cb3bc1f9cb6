// The power operations: the pending word at the end of a countdown, the
// suspend with a wake timer, the close-all-windows step, and the immediate
// commands of the menu and the hotkeys. Every call that ends the session
// goes through Sys(), so tests record them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "actions/utility_actions_win.h"

namespace vantrel {

constexpr UINT kExitLogOff = 4;     // EWX_LOGOFF | EWX_FORCE
constexpr UINT kExitRestart = 6;    // EWX_REBOOT | EWX_FORCE
constexpr UINT kExitPowerOff = 12;  // EWX_POWEROFF | EWX_FORCE

// Carries out `word` ("注销", "待机", "休眠", "重启", "关机", "断开拨号",
// "快速重启", "快速关机"); any other text does nothing. A wake choice whose
// numbers do not convert raises ConversionError and nothing is suspended.
// Returns the hang-up's outcome for "断开拨号", nothing for the other words.
std::optional<HangUpResult> CarryOutPowerWord(const std::string& word, const std::string& wakeChoice);

// Suspends (not hibernates, not forced), first arming the wake timer when
// the wake choice names a day and a time.
void SuspendWithWakeTimer(const std::string& wakeChoice);

// The one wake timer of the program: arming a new wake-up cancels the
// previous one, so no stale timer wakes the computer. The handle stays open
// while armed, which keeps the timer armed.
class WakeTimer {
public:
    static bool Arm(const SYSTEMTIME& localTime);
    static void Cancel();
    static bool IsArmed();
    static SYSTEMTIME ArmedFor();  // local time of the armed wake-up
};

// Posts WM_CLOSE to every visible or minimised, unowned, titled top-level
// window that is not a tool window and not this program's.
void CloseAllOtherWindows();
BOOL CALLBACK CloseAllWindowsProc(HWND window, LPARAM unused);

// Immediate commands: no countdown, no sound, no confirmation.
void LogOffNow();
void StandbyNow();
void HibernateNow();
void RestartNow();
void PowerOffNow();
void FastRestartNow();
void FastShutdownNow();

}  // namespace vantrel
