#include "app/tray_commands_win.h"

#include <shellapi.h>

#include "actions/utility_actions_win.h"
#include "app/shell_texts.h"
#include "app/tray_menu_win.h"
#include "text/codepage_win.h"

namespace vantrel {

namespace {

const wchar_t kDownloadPage[] = L"http://www.brelnix.com/vantrel/";
const char kHelpFile[] = "Vantrel.CHM";

}  // namespace

void TrayCommands::Record(const char* source, const char* name, const ActionOutcome& outcome) {
    if (history_) history_->Command(source, name, outcome);
}

// The line says what came of the command, so it is written once the call
// has answered. Fast restart and fast shutdown do not come back when they
// work: their line is written first, and a failure adds a second.
void TrayCommands::PowerCommand(const char* source, const char* name, PowerOutcome (*command)()) {
    const bool comesBack = command != FastRestartNow && command != FastShutdownNow;
    const ActionOutcome carriedOut{kOutcomeCarriedOut, std::string()};
    if (!comesBack) Record(source, name, carriedOut);
    const PowerOutcome outcome = command();
    if (!outcome.ok)
        Record(source, name, ActionOutcome::Error(outcome.text));
    else if (comesBack)
        Record(source, name, carriedOut);
}

bool TrayCommands::Run(UINT id) {
    switch (id) {
        case kMenuLogOff: PowerCommand(kSourceMenu, kCommandLogOff, LogOffNow); break;
        case kMenuStandby: PowerCommand(kSourceMenu, kCommandStandby, StandbyNow); break;
        case kMenuHibernate: PowerCommand(kSourceMenu, kCommandHibernate, HibernateNow); break;
        case kMenuRestart: PowerCommand(kSourceMenu, kCommandRestart, RestartNow); break;
        case kMenuPowerOff: PowerCommand(kSourceMenu, kCommandPowerOff, PowerOffNow); break;
        case kMenuFastRestart: PowerCommand(kSourceMenu, kCommandFastRestart, FastRestartNow); break;
        case kMenuFastShutdown: PowerCommand(kSourceMenu, kCommandFastShutdown, FastShutdownNow); break;
        case kMenuOpenCd:
            OpenCdTray(owner_);
            Record(kSourceMenu, kCommandOpenCd, ActionOutcome::Done());
            break;
        case kMenuCloseCd:
            CloseCdTray(owner_);
            Record(kSourceMenu, kCommandCloseCd, ActionOutcome::Done());
            break;
        case kMenuMonitorOff:
            MonitorOff();
            Record(kSourceMenu, kCommandMonitorOff, ActionOutcome::Done());
            break;
        case kMenuCleanJunk:
            if (driver_) Record(kSourceMenu, kCommandCleanJunk, CleanupOutcomeOf(driver_->RunJunkCleanup(true)));
            break;
        case kMenuUpdate: ShellExecuteW(nullptr, L"open", kDownloadPage, nullptr, nullptr, SW_SHOWNORMAL); break;
        case kMenuHelp:
            ShellExecuteW(owner_, nullptr, Wide(ProgramFolder() + kHelpFile).c_str(), L"", L"", SW_SHOWNORMAL);
            break;
        default: return false;
    }
    return true;
}

void TrayCommands::Hotkey(HotkeyAction action) {
    switch (action) {
        case HotkeyAction::LogOff: PowerCommand(kSourceHotkey, kCommandLogOff, LogOffNow); break;
        case HotkeyAction::Standby: PowerCommand(kSourceHotkey, kCommandStandby, StandbyNow); break;
        case HotkeyAction::FastRestart: PowerCommand(kSourceHotkey, kCommandFastRestart, FastRestartNow); break;
        case HotkeyAction::FastShutdown: PowerCommand(kSourceHotkey, kCommandFastShutdown, FastShutdownNow); break;
        case HotkeyAction::None: break;
    }
}

}  // namespace vantrel
