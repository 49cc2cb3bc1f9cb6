// PopupMenu1: the tray icon's pop-up menu, its items in their fixed order,
// with the 暂停 and 定时关机 submenus after 设置.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/shell_texts.h"
#include "runner/tray_status.h"
#include "service/rights.h"

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
    // 暂停 (submenu): 1小时, 2小时, 4小时, 到明天, in PauseChoice order.
    kMenuPause = 1021,
    // 定时关机 (submenu): 15分钟后 ... 2小时后 in kQuickTimerMinutes order,
    // then 取消定时.
    kMenuQuickTimer = 1031,
    kMenuCancelTimer = 1035,
};

class TrayMenu {
public:
    TrayMenu();
    ~TrayMenu();
    TrayMenu(const TrayMenu&) = delete;
    TrayMenu& operator=(const TrayMenu&) = delete;

    HMENU handle() const { return menu_; }

    void SetMonitorChecked(bool checked);
    // The items an administrator's policy takes away, greyed: 暂停 and
    // switching monitoring off (`alwaysOn`; switching it on stays), 退出.
    // Greyed too: what `rights` refuses this user (a standard user may not
    // pause, switch monitoring off, arm the quick timer or clean up junk).
    void SetPolicies(bool alwaysOn, bool noExit, bool monitoring,
                     const ViewRights& rights = ViewRights::FromBits(kAllViewRightBits), bool paused = false);
    bool Enabled(UINT item) const;
    bool MonitorChecked() const;
    void SetHotkeyCaptions(const HotkeyCaptions& captions);
    // 取消定时's caption (with the armed time), greyed when none is armed.
    void SetCancelTimer(const std::string& caption, bool armed);
    // What choosing `item` asks for, with monitoring on or off (switching it
    // on during a pause ends the pause); nothing for the items everyone may
    // choose (设置, 关于, ...).
    static std::optional<ViewAction> ActionOf(UINT item, bool monitoring, bool paused);
    std::string Caption(UINT item) const;

    // Opens the menu at `at`; the chosen item reaches `owner` as WM_COMMAND.
    void Popup(HWND owner, POINT at);

private:
    void SetCaption(UINT item, const std::string& caption);
    HMENU menu_;
    HMENU timerMenu_;  // 定时关机's, destroyed with the menu
    bool timerRefused_ = false;  // the rights refuse the quick timer
};

// The warning balloon's menu: 跳过本次 and 推迟 with its three lengths.
constexpr UINT kWarnSkipId = 130;      // 跳过本次
constexpr UINT kWarnPostponeId = 131;  // 推迟, 131 + the choice

// The countdown's 推迟 menu under its button; the chosen id
// (CountdownView::kPostponeMenuId + the choice) or 0.
UINT ChoosePostpone(HWND owner, HWND postponeButton);
// The warning balloon's menu at the cursor; the chosen id or 0.
UINT ChooseWarningAnswer(HWND owner);

}  // namespace vantrel
