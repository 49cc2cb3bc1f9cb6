#include "actions/power_actions_win.h"

#include "actions/countdown_model.h"
#include "actions/system_ops.h"
#include "actions/utility_actions_win.h"
#include "actions/wake_plan.h"

namespace vantrel {

namespace {

HANDLE g_wakeTimer = nullptr;
SYSTEMTIME g_wakeAt = {};

}  // namespace

bool WakeTimer::Arm(const SYSTEMTIME& localTime) {
    Cancel();
    FILETIME local, utc;
    if (!SystemTimeToFileTime(&localTime, &local) || !LocalFileTimeToFileTime(&local, &utc))
        return false;
    HANDLE timer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    if (!timer) return false;
    LARGE_INTEGER due;
    due.LowPart = utc.dwLowDateTime;
    due.HighPart = static_cast<LONG>(utc.dwHighDateTime);  // positive: an absolute time
    if (!SetWaitableTimer(timer, &due, 0, nullptr, nullptr, TRUE)) {
        CloseHandle(timer);
        return false;
    }
    g_wakeTimer = timer;
    g_wakeAt = localTime;
    return true;
}

void WakeTimer::Cancel() {
    if (!g_wakeTimer) return;
    CancelWaitableTimer(g_wakeTimer);
    CloseHandle(g_wakeTimer);
    g_wakeTimer = nullptr;
}

bool WakeTimer::IsArmed() { return g_wakeTimer != nullptr; }
SYSTEMTIME WakeTimer::ArmedFor() { return g_wakeAt; }

void SuspendWithWakeTimer(const std::string& wakeChoice) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    WakePlan plan = PlanWake(wakeChoice, Date{now.wYear, now.wMonth, now.wDay});
    if (plan.armTimer) {
        SYSTEMTIME at = {};
        at.wYear = static_cast<WORD>(plan.date.year);
        at.wMonth = static_cast<WORD>(plan.date.month);
        at.wDay = static_cast<WORD>(plan.date.day);
        at.wHour = static_cast<WORD>(plan.hour);
        at.wMinute = static_cast<WORD>(plan.minute);
        WakeTimer::Arm(at);
    }
    Sys().SetPowerState(true, false);
}

std::optional<HangUpResult> CarryOutPowerWord(const std::string& word, const std::string& wakeChoice) {
    switch (PowerOpFor(word)) {
        case PowerOp::LogOff: Sys().EndSession(kExitLogOff); break;
        case PowerOp::Standby: Sys().SetPowerState(true, true); break;
        case PowerOp::Hibernate: SuspendWithWakeTimer(wakeChoice); break;
        case PowerOp::Restart: Sys().EndSession(kExitRestart); break;
        case PowerOp::PowerOff: Sys().EndSession(kExitPowerOff); break;
        case PowerOp::HangUp: return HangUpDialUp();
        case PowerOp::FastRestart: Sys().ShutdownSystem(1); break;
        case PowerOp::FastShutdown: Sys().ShutdownSystem(2); break;
        case PowerOp::None: break;
    }
    return std::nullopt;
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

void LogOffNow() { Sys().EndSession(kExitLogOff); }
void StandbyNow() { Sys().SetPowerState(true, true); }
void HibernateNow() { Sys().SetPowerState(false, true); }
void RestartNow() { Sys().EndSession(kExitRestart); }
void PowerOffNow() { Sys().EndSession(kExitPowerOff); }
void FastRestartNow() { Sys().ShutdownSystem(1); }
void FastShutdownNow() { Sys().ShutdownSystem(2); }

}  // namespace vantrel
