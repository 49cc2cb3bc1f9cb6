// The executors of the tasks that are not power actions, and the utility
// commands of the tray menu. Each reports nothing unless said otherwise and
// never stops the program.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "actions/handle_win.h"

namespace vantrel {

// Opens a new topmost reminder window showing `text` on one line.
void ShowReminder(const std::string& text);
// Where reminders go instead of a window: a service has no screen, and
// hands them to whoever tells the user (empty: a window again).
void RouteReminders(std::function<void(const std::string&)> sink);

// ShellExecute "open" with the parameter's folder part as working folder.
// Returns the system's reason when it did not open, empty when it did.
std::string OpenTaskFile(const std::string& parameter);

// Terminates every process whose executable file name matches (ASCII case
// folding only). Returns the result of the last termination, false when
// nothing matched.
bool CloseProgramByName(const std::string& fileName);

// Hangs up the first dial-up connection and reports the outcome in a
// reminder window. rasapi32 is loaded at run time, so a system without it
// only reports that there is no connection. Returns the outcome too: the
// reminder's text, or why there was none.
struct HangUpResult {
    bool hungUp = false;
    std::string text;
};
HangUpResult HangUpDialUp();

// The two rasapi32 entry points HangUpDialUp uses (RasEnumConnectionsA and
// RasHangUpA), so that a test can stand in for the dial-up system. A null
// pointer stands for a system without them: no connection.
typedef DWORD(WINAPI* RasEnumConnectionsFn)(void* connections, DWORD* bytes, DWORD* count);
typedef DWORD(WINAPI* RasHangUpFn)(HANDLE connection);
HangUpResult HangUpDialUpWith(RasEnumConnectionsFn enumerate, RasHangUpFn hangUp);

// Dials the system's default Internet connection without asking. Returns
// the system's reason when it did not dial, empty when it did.
std::string DialDefaultConnection(HWND mainWindow);

// The system's netsh through the system's cmd.exe, hidden, in the Windows
// folder; refuses an unsafe name. Nothing waits for it, and no window owns
// it (`owner` is kept for the callers). The process is handed back for a
// caller that wants its exit code later; `error` says why none started.
struct AdapterRun {
    Handle process;
    std::string error;
};
AdapterRun SetNetworkAdapter(HWND owner, const std::string& adapter, bool enable);

// Runs the cleanup batch file beside the program at idle priority, waits for
// it (at most ten minutes) while the thread's messages go on running, and,
// when `showList` is set, opens the list file with `owner` (the program's
// main window) as owner window. The caller holds what must not run in the
// meantime (the tick, a second cleanup).
void CleanSystemJunk(HWND owner, bool showList);

// The cleanup of `folder` (ending in "\"), waiting at most `waitMs`
// milliseconds; CleanSystemJunk is this with the program's folder and ten
// minutes. The batch process is left running when the wait runs out, and
// when the program ends during the wait (Abandoned: the list is not opened).
enum class CleanupOutcome { NotStarted, Finished, TimedOut, Abandoned };
struct CleanupRun {
    CleanupOutcome outcome = CleanupOutcome::NotStarted;
    std::string listPath;  // folder + list file name
    unsigned long exitCode = 0;  // the batch's, when it finished
    std::string error;           // why it did not start
};
CleanupRun RunCleanup(HWND owner, const std::string& folder, bool showList, DWORD waitMs);
const DWORD kCleanupWaitMs = 10 * 60 * 1000;

void OpenCdTray(HWND mainWindow);
void CloseCdTray(HWND mainWindow);
void MonitorOff();

// The system folder and the Windows folder, without a final "\" (empty when
// the system does not say).
std::string SystemFolder();
std::string WindowsFolder();

// The program file's full path and its folder (ending in "\").
std::string ProgramPath();
std::string ProgramFolder();
// Whether ProgramPath() is the whole path: false when the path has a
// character GBK cannot hold, which ProgramPath() shows as '?'.
bool ProgramPathFitsGbk();

}  // namespace vantrel
