#include "winui/popup_menu_win.h"

#include "text/codepage_win.h"

namespace vantrel {

UINT OpenPopupMenu(HMENU menu, HWND owner, int x, int y, UINT flags) {
    if (!menu) return 0;
    SetForegroundWindow(owner);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    return chosen;
}

PopupMenu::PopupMenu() : menu_(CreatePopupMenu()) {}

PopupMenu::~PopupMenu() {
    if (menu_) DestroyMenu(menu_);
}

void PopupMenu::Add(UINT id, const char* caption) { AppendMenuW(menu_, MF_STRING, id, Wide(caption).c_str()); }

void PopupMenu::AddSubmenu(PopupMenu& sub, const char* caption) {
    if (AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(sub.menu_), Wide(caption).c_str()))
        sub.menu_ = nullptr;
}

UINT PopupMenu::Choose(HWND owner, int x, int y) {
    return OpenPopupMenu(menu_, owner, x, y, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN);
}

}  // namespace vantrel
