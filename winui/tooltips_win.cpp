#include "winui/tooltips_win.h"

#include <commctrl.h>

#include "text/codepage_win.h"
#include "winui/on_demand_win.h"

namespace vantrel {

namespace {

// The structure as the first common controls know it. The full structure
// of these headers ends in a field that version 5 of the common controls
// rejects, and a tool added with it shows nothing, without an error: XP runs
// version 5 wherever the manifest asking for version 6 is not honoured.
// Every version accepts this size.
TOOLINFOW ToolFor(HWND owner, HWND tool) {
    TOOLINFOW ti = {};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    return ti;
}

}  // namespace

void Tooltips::Create(HWND owner) {
    EnsureCommonControls();
    owner_ = owner;
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                            0, 0, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    // A hint of more than a line wraps rather than running across the screen.
    SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, 360);
}

void Tooltips::Add(HWND tool, const std::string& text) {
    WideText wide = Wide(text);
    TOOLINFOW ti = ToolFor(owner_, tool);
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.lpszText = wide.data();
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void Tooltips::SetText(HWND tool, const std::string& text) {
    WideText wide = Wide(text);
    TOOLINFOW ti = ToolFor(owner_, tool);
    ti.lpszText = wide.data();
    SendMessageW(tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

std::string Tooltips::Text(HWND tool) const {
    wchar_t buffer[256] = {0};
    TOOLINFOW ti = ToolFor(owner_, tool);
    ti.lpszText = buffer;
    SendMessageW(tips_, TTM_GETTEXTW, sizeof buffer / sizeof buffer[0], reinterpret_cast<LPARAM>(&ti));
    return Narrow(buffer);
}

}  // namespace vantrel
