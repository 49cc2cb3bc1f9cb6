#include "winui/tooltips_win.h"

#include <commctrl.h>

#include "winui/on_demand_win.h"

namespace vantrel {

namespace {

// The structure as the first common controls know it. The full structure
// of these headers ends in a field that version 5 of the common controls
// rejects, and a tool added with it shows nothing, without an error: XP runs
// version 5 wherever the manifest asking for version 6 is not honoured.
// Every version accepts this size.
TOOLINFOA ToolFor(HWND owner, HWND tool) {
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    return ti;
}

}  // namespace

void Tooltips::Create(HWND owner) {
    EnsureCommonControls();
    owner_ = owner;
    tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                            0, 0, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void Tooltips::Add(HWND tool, const std::string& text) {
    TOOLINFOA ti = ToolFor(owner_, tool);
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void Tooltips::SetText(HWND tool, const std::string& text) {
    TOOLINFOA ti = ToolFor(owner_, tool);
    ti.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(tips_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

std::string Tooltips::Text(HWND tool) const {
    char buffer[256] = {0};
    TOOLINFOA ti = ToolFor(owner_, tool);
    ti.lpszText = buffer;
    SendMessageA(tips_, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&ti));
    return buffer;
}

}  // namespace vantrel
