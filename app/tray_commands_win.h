// The commands that act at once: the tray menu's power commands, the CD
// tray, the monitor, the junk cleanup, help and the download page, and the
// hotkeys. No countdown stands before them; each leaves its line in the run
// history with what came of it.
#pragma once

#include <windows.h>

#include "actions/power_actions_win.h"
#include "app/hotkeys_win.h"
#include "app/tick_driver_win.h"
#include "scheduler/history_recorder.h"

namespace vantrel {

class TrayCommands {
public:
    explicit TrayCommands(HWND owner) : owner_(owner) {}
    void SetHistory(HistoryRecorder* history) { history_ = history; }
    // The cleanup runs through the tick's driver, which holds the tick
    // meanwhile; none before the driver exists.
    void SetDriver(TickDriver* driver) { driver_ = driver; }

    // Carries out the menu item `id` if it is one of these commands;
    // false for any other item.
    bool Run(UINT id);
    void Hotkey(HotkeyAction action);

private:
    void Record(const char* source, const char* name, const ActionOutcome& outcome);
    void PowerCommand(const char* source, const char* name, PowerOutcome (*command)());

    HWND owner_;
    HistoryRecorder* history_ = nullptr;
    TickDriver* driver_ = nullptr;
};

}  // namespace vantrel
