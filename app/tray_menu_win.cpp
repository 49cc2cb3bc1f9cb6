#include "app/tray_menu_win.h"

#include "actions/countdown_view_win.h"
#include "runner/postponed.h"
#include "text/codepage_win.h"
#include "winui/popup_menu_win.h"

namespace vantrel {

namespace {

struct Entry {
    UINT id;  // 0: a separator
    const char* caption;
};

// Stand-ins for the two submenus in the list of items.
const UINT kPauseSubmenu = 1;
const UINT kTimerSubmenu = 2;

// The submenus follow 设置 rather than 启用监控, so the items above them
// keep their places (the second item is still 设置).
const Entry kItems[] = {
    {kMenuMonitor, "启用监控(&E)"},
    {0, nullptr},
    {kMenuSettings, "设置(&S)"},
    {kPauseSubmenu, "暂停(&B)"},
    {kTimerSubmenu, "定时关机(&T)"},
    {0, nullptr},
    {kMenuLogOff, "注销(&L)  F8"},
    {kMenuStandby, "待机(&W)  F9"},
    {kMenuHibernate, "休眠(&N)"},
    {kMenuRestart, "重启(&R)"},
    {kMenuPowerOff, "关机(&U)"},
    {kMenuOpenCd, "打开光驱(&O)"},
    {kMenuCloseCd, "关闭光驱(&C)"},
    {kMenuMonitorOff, "关闭显示器(&M)"},
    {kMenuCleanJunk, "清理系统垃圾(&Z)"},
    {kMenuFastRestart, "快速重启(&I)  F10"},
    {kMenuFastShutdown, "快速关机(&Q)  F11"},
    {0, nullptr},
    {kMenuUpdate, "软件更新(&P)"},
    {kMenuAbout, "关于(&A)"},
    {kMenuHelp, "帮助(&H)"},
    {kMenuExit, "退出(&X)"},
};

}  // namespace

TrayMenu::TrayMenu() : menu_(CreatePopupMenu()), timerMenu_(CreatePopupMenu()) {
    HMENU pause = CreatePopupMenu();
    for (UINT i = 0; i < 4; ++i)
        AppendMenuW(pause, MF_STRING, kMenuPause + i, Wide(kPauseCaptions[i]).c_str());
    for (UINT i = 0; i < 4; ++i)
        AppendMenuW(timerMenu_, MF_STRING, kMenuQuickTimer + i, Wide(kQuickTimerCaptions[i]).c_str());
    AppendMenuW(timerMenu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(timerMenu_, MF_STRING | MF_GRAYED, kMenuCancelTimer, Wide(kCancelTimerCaption).c_str());
    for (const Entry& e : kItems) {
        if (e.id == 0)
            AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
        else if (e.id == kPauseSubmenu || e.id == kTimerSubmenu)
            AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(e.id == kPauseSubmenu ? pause : timerMenu_),
                        Wide(e.caption).c_str());
        else
            AppendMenuW(menu_, MF_STRING, e.id, Wide(e.caption).c_str());
    }
    SetMonitorChecked(true);
}

TrayMenu::~TrayMenu() { DestroyMenu(menu_); }

void TrayMenu::SetMonitorChecked(bool checked) {
    CheckMenuItem(menu_, kMenuMonitor, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

std::optional<ViewAction> TrayMenu::ActionOf(UINT item, bool monitoring, bool paused) {
    if (item == kMenuMonitor)
        return monitoring ? ViewAction::MonitoringOff : paused ? ViewAction::Pause : ViewAction::MonitoringOn;
    if (item >= kMenuPause && item < kMenuPause + 4) return ViewAction::Pause;
    if ((item >= kMenuQuickTimer && item < kMenuQuickTimer + 4) || item == kMenuCancelTimer)
        return ViewAction::QuickTimer;
    switch (item) {
        case kMenuCleanJunk: return ViewAction::CleanJunk;
        case kMenuLogOff:
        case kMenuStandby:
        case kMenuHibernate:
        case kMenuRestart:
        case kMenuPowerOff:
        case kMenuFastRestart:
        case kMenuFastShutdown: return ViewAction::PowerCommand;
        case kMenuExit: return ViewAction::CloseView;
        default: return std::nullopt;
    }
}

void TrayMenu::SetPolicies(bool alwaysOn, bool noExit, bool monitoring, const ViewRights& rights, bool paused) {
    const auto set = [&](UINT item, bool held) {
        const std::optional<ViewAction> action = ActionOf(item, monitoring, paused);
        held = held || (action && !rights.May(*action));
        EnableMenuItem(menu_, item, MF_BYCOMMAND | (held ? MF_GRAYED : MF_ENABLED));
    };
    set(kMenuMonitor, alwaysOn && monitoring);
    for (UINT i = 0; i < 4; ++i) set(kMenuPause + i, alwaysOn);  // found in the submenu too
    timerRefused_ = !rights.May(ViewAction::QuickTimer);
    for (UINT i = 0; i < 4; ++i) set(kMenuQuickTimer + i, false);
    for (UINT item : {kMenuLogOff, kMenuStandby, kMenuHibernate, kMenuRestart, kMenuPowerOff,
                      kMenuCleanJunk, kMenuFastRestart, kMenuFastShutdown})
        set(item, false);
    set(kMenuExit, noExit);
}

bool TrayMenu::Enabled(UINT item) const {
    return (GetMenuState(menu_, item, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

bool TrayMenu::MonitorChecked() const {
    return (GetMenuState(menu_, kMenuMonitor, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void TrayMenu::SetCaption(UINT item, const std::string& caption) {
    ModifyMenuW(menu_, item, MF_BYCOMMAND | MF_STRING, item, Wide(caption).c_str());
}

void TrayMenu::SetHotkeyCaptions(const HotkeyCaptions& c) {
    SetCaption(kMenuLogOff, c.logOff);
    SetCaption(kMenuStandby, c.standby);
    SetCaption(kMenuFastRestart, c.fastRestart);
    SetCaption(kMenuFastShutdown, c.fastShutdown);
}

void TrayMenu::SetCancelTimer(const std::string& caption, bool armed) {
    const bool enabled = armed && !timerRefused_;
    ModifyMenuW(timerMenu_, kMenuCancelTimer, MF_BYCOMMAND | MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED),
                kMenuCancelTimer, Wide(caption).c_str());
}

std::string TrayMenu::Caption(UINT item) const {
    wchar_t buffer[512] = {0};
    GetMenuStringW(menu_, item, buffer, sizeof buffer / sizeof buffer[0], MF_BYCOMMAND);
    return Narrow(buffer);
}

void TrayMenu::Popup(HWND owner, POINT at) {
    OpenPopupMenu(menu_, owner, at.x, at.y, TPM_LEFTALIGN | TPM_RIGHTBUTTON);
}

UINT ChoosePostpone(HWND owner, HWND postponeButton) {
    PopupMenu menu;
    for (int i = 0; i < 3; ++i) menu.Add(CountdownView::kPostponeMenuId + i, kPostponeCaptions[i]);
    RECT button;
    GetWindowRect(postponeButton, &button);
    return menu.Choose(owner, button.left, button.bottom);
}

UINT ChooseWarningAnswer(HWND owner) {
    PopupMenu menu, later;
    for (int i = 0; i < 3; ++i) later.Add(kWarnPostponeId + i, kPostponeCaptions[i]);
    menu.Add(kWarnSkipId, "跳过本次");
    menu.AddSubmenu(later, "推迟");
    POINT at;
    GetCursorPos(&at);
    return menu.Choose(owner, at.x, at.y);
}

}  // namespace vantrel
