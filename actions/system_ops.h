// Everything that ends a process or the session goes through this one narrow
// interface, so that tests can record the calls instead of making them.
#pragma once

#include <cstdint>

namespace vantrel {

class SystemOps {
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
};

// The operations in force: the real ones unless a test installed others.
SystemOps& Sys();
// Installs `ops` (nullptr: back to the real ones). The caller keeps ownership.
void InstallSystemOps(SystemOps* ops);

}  // namespace vantrel
