// PopupMenu1: the tray icon's pop-up menu, its items in their fixed order.
#pragma once

#include <windows.h>

#include <string>

#include "app/shell_texts.h"

namespace vantrel {

enum MenuItem : UINT {
    kMenuMonitor = 1001,       // n1  "启用监控(&E)"
    kMenuSettings = 1004,      // n4  "设置(&S)"
    kMenuLogOff = 1006,        // n6
    kMenuStandby = 1007,       // n7
    kMenuHibernate = 1008,     // n8
    kMenuRestart = 1009,       // n9
    kMenuPowerOff = 1010,      // n10
    kMenuOpenCd = 1011,        // n11
    kMenuCloseCd = 1012,       // n12
    kMenuMonitorOff = 1013,    // n13
    kMenuCleanJunk = 1014,     // L1
    kMenuFastRestart = 1018,   // n18
    kMenuFastShutdown = 1019,  // n19
    kMenuUpdate = 1020,        // N20
    kMenuAbout = 1015,         // n15
    kMenuHelp = 1016,          // n16
    kMenuExit = 1017,          // n17
};

class TrayMenu {
public:
    TrayMenu();
    ~TrayMenu();
    TrayMenu(const TrayMenu&) = delete;
    TrayMenu& operator=(const TrayMenu&) = delete;

    HMENU handle() const { return menu_; }

    void SetMonitorChecked(bool checked);
    bool MonitorChecked() const;
    void SetHotkeyCaptions(const HotkeyCaptions& captions);
    std::string Caption(UINT item) const;

    // Opens the menu at `at`; the chosen item reaches `owner` as WM_COMMAND.
    void Popup(HWND owner, POINT at);

private:
    void SetCaption(UINT item, const std::string& caption);
    HMENU menu_;
};

}  // namespace vantrel
