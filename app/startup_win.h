// The parts of start-up that talk to the security system: the shutdown
// privilege, the administrator test, and the system version kept for the
// life of the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace vantrel {

// Queries the version once (later calls return the same record).
const OSVERSIONINFOA& SystemVersion();
// "5.1.2600 Service Pack 3": the history's start line names the system so.
std::string WindowsVersionText();

// Enables SeShutdownPrivilege on NT systems; failures are ignored.
void EnableShutdownPrivilege();

// The logon name, up to its terminating NUL.
std::string UserName();

// Whole seconds since the computer was switched on or last woke up
// (MsSinceSwitchedOnNow), for the start-up greeting and the task editor.
std::uint32_t SecondsSinceStart();

}  // namespace vantrel
