// How the program speaks with the notification area on each Windows version,
// decided here and carried out by app/tray_icon_win.
//
// Windows 2000 and XP take notify-icon version 3; Vista and later version 4,
// which also gives the icon's position with each callback. From Windows 7
// the icon is known by one fixed GUID, so that the user's choice to show it
// in the taskbar is kept; the shell ties that GUID to the program file that
// used it first, and refuses it to a copy in another folder, which then
// falls back to window and id. Under version 3 and later the keyboard
// reaches the icon too: NIN_KEYSELECT (Enter, Space), WM_CONTEXTMENU (the
// menu key, Shift+F10, a right click) and NIN_SELECT (a left click) open the
// menu, and a menu closed without a choice gives the focus back to the
// notification area (NIM_SETFOCUS).
#pragma once

#include <cstdint>

namespace vantrel {

// Shell_NotifyIcon's operations and the callback messages read here.
enum : std::uint32_t {
    kNimAdd = 0,
    kNimModify = 1,
    kNimDelete = 2,
    kNimSetFocus = 3,
    kNimSetVersion = 4,
    kWmContextMenu = 0x007B,
    kWmLButtonDown = 0x0201,
    kWmRButtonDown = 0x0204,
    kNinSelect = 0x0400,
    kNinKeySelect = 0x0401,
    kNinBalloonUserClick = 0x0405,
};

// The record's sizes: the first layout (64-character tip), the second
// (balloons, uVersion) and the third (guidItem).
enum : std::uint32_t { kTrayRecordV1 = 152, kTrayRecordV2 = 936, kTrayRecordV3 = 952 };

struct TrayProtocol {
    std::uint32_t version = 0;  // asked with NIM_SETVERSION; 0: none asked
    std::uint32_t recordSize = kTrayRecordV1;
    bool byGuid = false;  // the icon is known by its GUID (NIF_GUID)
};

// For Windows `major`.`minor` (5.1 XP, 6.0 Vista, 6.1 7, 10.0 10 and 11).
TrayProtocol TrayProtocolFor(unsigned major, unsigned minor);

enum class TrayRequest { None, Menu, BalloonClicked };

struct TrayCallback {
    TrayRequest request = TrayRequest::None;
    // Version 4 gives where the menu belongs (the icon, for the keyboard);
    // otherwise it opens at the mouse pointer.
    bool atAnchor = false;
    int x = 0, y = 0;
};

// What the icon's callback message means under the version the shell took
// (`version` 0: none was taken).
TrayCallback ReadTrayCallback(std::uint32_t version, std::uintptr_t wParam, std::intptr_t lParam);

// Whether the focus goes back to the notification area after the menu
// closed, `chosen` whether an item was chosen.
bool ReturnFocusAfterMenu(std::uint32_t version, bool chosen);

}  // namespace vantrel
