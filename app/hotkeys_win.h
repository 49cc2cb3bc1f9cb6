// The four global hotkeys F8 to F11 (or Ctrl with them). Each hotkey's id is
// a global atom, found again when a copy of the program left it behind.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vantrel {

enum class HotkeyAction { None, LogOff, Standby, FastRestart, FastShutdown };

class Hotkeys {
public:
    // Finds or adds the atoms, in the order F9, F10, F11, F8.
    void GetAtoms();
    // Registers F8, F9, F10 and F11 on `window`, with MOD_CONTROL when
    // `ctrlFlag` is nonzero. Failures (a key taken by another program) are
    // ignored: the menu still offers the commands.
    void Register(HWND window, std::int32_t ctrlFlag);
    // Unregisters F9, F10, F11, F8 and deletes their atoms, in that order.
    void Release(HWND window);

    // What WM_HOTKEY's wParam asks for, compared with F8, F9, F10, F11.
    HotkeyAction ActionFor(WPARAM id) const;

    ATOM f8() const { return f8_; }
    ATOM f9() const { return f9_; }
    ATOM f10() const { return f10_; }
    ATOM f11() const { return f11_; }

private:
    ATOM f8_ = 0, f9_ = 0, f10_ = 0, f11_ = 0;
};

}  // namespace vantrel
