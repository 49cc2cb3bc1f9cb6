// Every pop-up menu of the program opens through one function: the tray
// menu, the countdown's 推迟 menu and the warning balloon's menu alike.
// The owner goes to the foreground first, or the menu does not close when
// the user clicks elsewhere; a WM_NULL follows TrackPopupMenu, or the next
// opening may close at once.
#pragma once

#include <windows.h>

namespace vantrel {

// Opens `menu` at the screen point (x, y) for `owner` with TrackPopupMenu's
// `flags`; with TPM_RETURNCMD the item chosen (0: none), else 0 and the
// choice comes to `owner` as WM_COMMAND.
UINT OpenPopupMenu(HMENU menu, HWND owner, int x, int y, UINT flags);

// A pop-up menu built for one opening and destroyed after it.
class PopupMenu {
public:
    PopupMenu();
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU get() const { return menu_; }
    void Add(UINT id, const char* caption);
    // `sub` becomes this menu's to destroy.
    void AddSubmenu(PopupMenu& sub, const char* caption);
    // The item chosen at (x, y), 0 for none.
    UINT Choose(HWND owner, int x, int y);

private:
    HMENU menu_;
};

}  // namespace vantrel
