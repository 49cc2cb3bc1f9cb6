#include "app/hotkeys_win.h"

namespace vantrel {

namespace {

ATOM FindOrAdd(const char* name) {
    ATOM atom = GlobalFindAtomA(name);
    return atom ? atom : GlobalAddAtomA(name);
}

}  // namespace

void Hotkeys::GetAtoms() {
    f9_ = FindOrAdd("MyHotkeyF9");
    f10_ = FindOrAdd("MyHotkeyF10");
    f11_ = FindOrAdd("MyHotkeyF11");
    f8_ = FindOrAdd("MyHotkeyF8");
}

void Hotkeys::Register(HWND window, std::int32_t ctrlFlag) {
    UINT mod = ctrlFlag != 0 ? MOD_CONTROL : 0;
    RegisterHotKey(window, f8_, mod, VK_F8);
    RegisterHotKey(window, f9_, mod, VK_F9);
    RegisterHotKey(window, f10_, mod, VK_F10);
    RegisterHotKey(window, f11_, mod, VK_F11);
}

void Hotkeys::Release(HWND window) {
    UnregisterHotKey(window, f9_);
    UnregisterHotKey(window, f10_);
    UnregisterHotKey(window, f11_);
    UnregisterHotKey(window, f8_);
    GlobalDeleteAtom(f9_);
    GlobalDeleteAtom(f10_);
    GlobalDeleteAtom(f11_);
    GlobalDeleteAtom(f8_);
    f8_ = f9_ = f10_ = f11_ = 0;
}

HotkeyAction Hotkeys::ActionFor(WPARAM id) const {
    if (id == 0) return HotkeyAction::None;
    if (id == f8_) return HotkeyAction::LogOff;
    if (id == f9_) return HotkeyAction::Standby;
    if (id == f10_) return HotkeyAction::FastRestart;
    if (id == f11_) return HotkeyAction::FastShutdown;
    return HotkeyAction::None;
}

}  // namespace vantrel
