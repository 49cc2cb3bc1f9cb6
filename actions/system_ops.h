// Everything that acts on the machine goes through this one narrow
// interface: ending processes or the session, power, starting system
// programs (the cleanup batch, netsh), the monitor, the CD tray, dial-up,
// closing other programs' windows, the documents the program opens for the
// user, and the tasks of Task Scheduler (start at logon). Tests install a
// recorder in its place, so that they never act on the machine they run on.
#pragma once

#include <cstdint>
#include <string>

#include "autostart/logon_start.h"
#include "text/gbk_text.h"

namespace vantrel {

// A program started hidden, with its handles not inherited.
struct ProcessStart {
    std::string program;      // full path of the program file
    std::string commandLine;  // the whole command line, the quoted program first
    std::string folder;       // working folder; empty: this process's current one
    bool idlePriority = false;
};

// The task service's operations (autostart/logon_start.h) come with it; a
// stand-in that does not override them has no task service.
class SystemOps : public TaskService {
public:
    virtual ~SystemOps() = default;
    // OpenProcess(PROCESS_TERMINATE) and TerminateProcess(exit code 0);
    // false when the process cannot be opened or terminated.
    virtual bool TerminateProcessById(std::uint32_t pid) = 0;
    // ExitWindowsEx(flags, 0).
    virtual void EndSession(std::uint32_t flags) = 0;
    // SetSystemPowerState(suspend, force).
    virtual void SetPowerState(bool suspend, bool force) = 0;
    // NtShutdownSystem(action): 1 reboot, 2 power off.
    virtual void ShutdownSystem(int action) = 0;
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

}  // namespace vantrel
