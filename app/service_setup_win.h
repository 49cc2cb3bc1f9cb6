// Installing the service: Vantrel.exe /install-service (create or update,
// then start) and /remove-service (stop, waiting until it has stopped, then
// delete), which the setup program and its uninstaller run. They live in
// the program itself so that every version knows its own service, and the
// setup program needs no plug-in to speak to the SCM. A folder outside
// Program Files first gets a security that lets only administrators and
// SYSTEM write, since a service binary that users can replace is SYSTEM
// for anyone; where that cannot be set, nothing is installed.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

extern const char kInstallServiceArgument[];  // "/install-service"
extern const char kRemoveServiceArgument[];   // "/remove-service"
extern const char kStopServiceArgument[];     // "/stop-service": an upgrade, before the files change
extern const char kStartServiceArgument[];    // "/start-service": a setup that stopped it and failed

// A step the SCM or the file system refused, with the system's error code:
// the command's exit code.
struct SetupError {
    DWORD code;
};

// The service's display name and description.
extern const char kServiceDisplayName[];
extern const char kServiceDescription[];

// Creates the service for this program file (or points the one there is
// at it), LocalSystem, started automatically, restarted after a failure,
// and starts it, waiting until it runs. `folder`'s security is set first
// where it lies outside Program Files.
void InstallService();
// Stops the service and waits until its process has ended.
enum class StopResult { Stopped, NotRunning, NoService };
StopResult StopInstalledService();
// Starts the service as it is configured; nothing when there is none.
void StartInstalledService();
// Stops and deletes the service; nothing when there is none.
void RemoveService();

// The install folder's security, as kInstallFolderSddl gives it, set on
// `folder` and everything in it. Throws SetupError.
void SecureInstallFolder(const wchar_t* folder);

// Runs one of the commands; its exit code: 0 done, else the system's error
// code of the step that failed; /stop-service answers
// ERROR_SERVICE_NOT_ACTIVE (1062) or ERROR_SERVICE_DOES_NOT_EXIST (1060)
// when there was nothing to stop. No window: the setup may run silently.
int RunSetupCommand(const std::string& argument);

}  // namespace vantrel
