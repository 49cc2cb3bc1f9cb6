// Everything that acts on the machine goes through this one narrow
// interface: ending processes or the session, power and the wake timer,
// keeping the machine awake, starting system programs (the cleanup batch,
// netsh), the monitor, the CD tray, dial-up, closing other programs'
// windows, the documents the program opens for the user, and the tasks of
// Task Scheduler (start at logon); and the facts of the machine that
// decisions are made on: the processes and the sessions, what the shell and
// the message filter answer, and what the power manager says (what the
// machine can do, when it last woke up). Tests install a recorder in its
// place, so that they never act on the machine they run on and decide over
// recorded answers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "actions/power_state.h"
#include "actions/wake_plan.h"
#include "actions/busy_check.h"
#include "autostart/logon_start.h"
#include "text/gbk_text.h"
#include "scheduler/uptime.h"

namespace vantrel {

// A program started hidden, with its handles not inherited.
struct ProcessStart {
    std::string program;      // full path of the program file
    std::string commandLine;  // the whole command line, the quoted program first
    std::string folder;       // working folder; empty: this process's current one
    bool idlePriority = false;
};

// One process of the system's process list.
struct ProcessEntry {
    std::uint32_t pid = 0;
    std::uint32_t session = 0xFFFFFFFF;  // its session; 0xFFFFFFFF when it cannot be told
    std::string exe;                     // its executable file entry, as the list gives it
};

// The task service's operations (autostart/logon_start.h) come with it; a
// stand-in that does not override them has no task service.
class SystemOps : public TaskService {
public:
    virtual ~SystemOps() = default;
    // OpenProcess(PROCESS_TERMINATE) and TerminateProcess(exit code 0);
    // false when the process cannot be opened or terminated.
    virtual bool TerminateProcessById(std::uint32_t pid) = 0;
    // The power calls answer 0 when Windows took the request, else the
    // system's error code.
    // ExitWindowsEx(flags, reason).
    virtual std::uint32_t EndSession(std::uint32_t flags, std::uint32_t reason) = 0;
    // WTSLogoffSession(session), not waiting: a service's way to log off
    // the user at the console, which ExitWindowsEx does only inside the
    // user's own session.
    virtual std::uint32_t LogOffSession(std::uint32_t session) = 0;
    // SetSystemPowerState(suspend, force); it returns after the wake.
    virtual std::uint32_t SetPowerState(bool suspend, bool force) = 0;
    // NtShutdownSystem(action): 1 reboot, 2 power off. It does not return
    // when it works.
    virtual std::uint32_t ShutdownSystem(int action) = 0;
    // A stand-in that does not override the calls below has no power
    // manager: it says nothing, arms nothing and keeps nothing awake.
    // CallNtPowerInformation(SystemPowerCapabilities); false when the
    // system does not say.
    virtual bool ReadPowerCapabilities(PowerCapabilities&) { return false; }
    // The program's one wake timer (a waitable timer with resume), armed for
    // the plan's local date and time; an earlier one is cancelled first.
    // 0: armed; ERROR_NOT_SUPPORTED (50): armed, but this computer cannot
    // wake by a timer; another error: not armed.
    virtual std::uint32_t ArmWakeTimer(const WakePlan&) { return 50; }
    virtual void CancelWakeTimer() {}
    // Whether the armed wake timer has come due (it woke the computer).
    virtual bool WakeTimerCameDue() { return false; }
    // SetThreadExecutionState(flags).
    virtual void SetExecutionState(std::uint32_t) {}
    // From Windows 7 on, a power request (PowerCreateRequest, PowerSetRequest)
    // that keeps the system and the display on, and with `on` false its
    // end; false where the system has none (XP, Vista) or refuses it.
    virtual bool SetPowerRequest(bool /*on*/) { return false; }
    // IsSystemResumeAutomatic: the last wake came with nobody at the screen
    // (a timer, the network, maintenance), and no input since.
    virtual bool ResumedAutomatically() { return false; }
    // The tick count in 64 bits (and whether it is XP's, widened by hand),
    // the interrupt time of the last wake, and the unbiased interrupt time
    // (the time awake) where Windows has it.
    virtual UptimeClock ReadUptimeClock() = 0;
    // CreateProcess; returns the process handle, which the caller waits on
    // and closes, or nullptr when the program did not start.
    virtual void* StartProcess(const ProcessStart& start) = 0;
    // ShellExecute "open" of `file` in `folder`, owned by the window `owner`,
    // shown normally.
    virtual void OpenDocument(void* owner, const std::string& file, const std::string& folder) = 0;
    // mciSendString(command, no answer buffer, 0, window).
    virtual void SendMci(const std::string& command, void* window) = 0;
    // Sends a message to every top-level window without waiting on a hung
    // one (SendMessageTimeout with SMTO_ABORTIFHUNG and a short limit).
    virtual void Broadcast(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // InternetAutodial(flags, window). Returns 0 when it dialled, else the
    // system's error code.
    virtual std::uint32_t Autodial(std::uint32_t flags, void* window) = 0;
    // PostMessage(window, WM_CLOSE, 0, 0): asks another program's window to
    // close, without waiting.
    virtual void AskToClose(void* window) = 0;
    // The form in which Windows compares file paths: GetLongPathNameW (each
    // 8.3 name written out, where the file exists), then CharUpperBuffW.
    // A stand-in folds ASCII letters only.
    virtual std::string ComparablePath(const std::string& path) { return AsciiUpper(path); }

    // The facts below read the machine without changing it; a stand-in that
    // does not override them gets the real answers.

    // The process list (CreateToolhelp32Snapshot), each process with its
    // session (ProcessIdToSessionId).
    virtual std::vector<ProcessEntry> Processes();
    // This process's session.
    virtual std::uint32_t OwnSession();
    // The session attached to the physical console
    // (WTSGetActiveConsoleSessionId); 0xFFFFFFFF while none is.
    virtual std::uint32_t ConsoleSession();
    // The sessions in the active state (WTSEnumerateSessions): a user logged
    // on and connected, at the console or remotely.
    virtual std::vector<std::uint32_t> ActiveSessions();
    // WTSRegisterSessionNotification(window, NOTIFY_FOR_ALL_SESSIONS): the
    // window gets WM_WTSSESSION_CHANGE for every session. False when it is
    // refused (at logon, before Terminal Services is ready).
    virtual bool WatchSessions(void* window);
    virtual void StopWatchingSessions(void* window);
    // Lets `message` reach `window` from a process of lower integrity, which
    // User Interface Privilege Isolation would drop: ChangeWindowMessageFilterEx
    // from Windows 7 on, ChangeWindowMessageFilter on Vista, nothing on XP,
    // which has no such filter. False only when the call exists and refuses.
    virtual bool AllowMessageFromLowerIntegrity(void* window, std::uint32_t message);
    // Shell_NotifyIconW(operation, record), `record` a NOTIFYICONDATAW.
    virtual bool NotifyIcon(std::uint32_t operation, void* record);
    // The elevation type of the token of the user logged on in `session`
    // (WTSQueryUserToken; TokenElevationType from Vista on: 1 no split or
    // XP, 2 full, 3 an administrator's filtered token); 0 when nobody is
    // logged on there or the token cannot be had (only the service can).
    virtual std::uint32_t SessionUserElevation(std::uint32_t session);
    // Starts `commandLine` in `session`, on its interactive desktop, with
    // its user's environment: as that user (WTSQueryUserToken), or with the
    // user's linked full token when `linkedToken`. 0, or the system's error
    // code.
    virtual std::uint32_t StartAsSessionUser(std::uint32_t session, bool linkedToken, const std::string& commandLine);
    // Windows' major version (GetVersion): 5 XP, 6 Vista to 8.1 (and later
    // systems to a program that does not declare them), 10.
    virtual unsigned WindowsMajorVersion();
    // What tells whether the machine is busy (actions/busy_check.h): the
    // foreground window (its style, whether maximised, its window and client
    // rectangles) and the monitor it is on, whether the input desktop is
    // another (locked), SHQueryUserNotificationState from Vista on (loaded
    // when asked), GetSystemTimes and the interface table: GetIfTable2 from
    // Vista on, GetIfTable on XP (iphlpapi, loaded when asked).
    virtual BusySample BusyFacts();
};

// The operations in force: the real ones unless a test installed others.
SystemOps& Sys();
// Installs `ops` (nullptr: back to the real ones). The caller keeps ownership.
void InstallSystemOps(SystemOps* ops);
// The real operations, whatever is installed.
SystemOps& RealSystemOps();
// The task service of the operations in force at each call, so that one
// given to a long-lived object follows a test's recorder.
TaskService& SystemTasks();
// ComparablePath of the operations in force: the path form start at logon
// compares with (UsePathForm, autostart/logon_start.h).
std::string SystemComparablePath(const std::string& path);

// Milliseconds since the computer was switched on or last woke up: the one
// figure of the start-up schedules, the start-up greeting and the editor.
std::uint64_t MsSinceSwitchedOnNow();

}  // namespace vantrel
