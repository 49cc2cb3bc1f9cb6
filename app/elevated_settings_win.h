// The settings window of a user who is not an administrator opens read-only;
// its 以管理员身份更改 starts the program again, elevated, with an argument
// that opens only a settings window. That copy runs no tasks, registers no
// hotkey and adds no tray icon: it writes through the task store as every
// writer does and ends when its window closes. The running copy picks the
// change up as it does any writer's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "autostart/logon_start.h"
#include "registry/registry.h"
#include "store/task_store.h"
#include "ui/settings_host.h"

namespace vantrel {

// The argument of the settings-only copy.
extern const char* const kSettingsOnlyArgument;  // "/settings"

// Whether a command line (without the program's path) asks for it.
bool AsksForSettingsOnly(const char* commandLine);

// Starts this program elevated (the verb "runas": the consent or password
// prompt from Vista on, the Run As dialog on XP) with kSettingsOnlyArgument.
// False when it did not start (the user declined, or it failed).
bool StartElevatedSettings(HWND owner);
// The same with this process's own rights: a view's 设置. A standard user's
// opens read-only with 以管理员身份更改, an administrator's view (elevated)
// opens it for changes.
bool StartSettingsOnly(HWND owner);

// The settings-only copy: the store, the settings and nothing else.
class SettingsOnlyHost : public SettingsHost {
public:
    explicit SettingsOnlyHost(Registry& registry);
    TaskStore& store() override { return store_; }
    Settings& settings() override { return settings_; }
    // Nothing to hold: no tick runs here. Once the settings window closed,
    // the copy ends with its last window (an editor it opened stays until
    // the user is done with it).
    void HoldTick() override { ++open_; }
    void ReleaseTick() override { --open_; }
    bool done() const { return open_ <= 0; }
    void SetCountdownLength(std::int32_t seconds) override { settings_.countdownLength = seconds; }
    std::uint32_t SecondsSinceStart() override;
    unsigned SystemMajorVersion() override;

private:
    StartAtLogon startAtLogon_;
    TaskStore store_;
    Settings settings_;
    int open_ = 0;
};

// Runs the settings-only copy to its end; returns the exit code.
int RunSettingsOnly(Registry& registry);

}  // namespace vantrel
