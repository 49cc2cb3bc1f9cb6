#include "winui/accessible_win.h"

#include "winui/form_win.h"

namespace vantrel {

HWND NameInput(Form& form, HWND input, const char* name) {
    // No prefix: the hidden label has no access key of its own to offer.
    HWND label = form.AddControl("STATIC", name, SS_NOPREFIX, 0, 0, 0, 0, -1, nullptr);
    if (!label) return nullptr;
    ShowWindow(label, SW_HIDE);
    HWND before = GetWindow(input, GW_HWNDPREV);
    SetWindowPos(label, before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    return label;
}

void AnnounceAlert(HWND window) { NotifyWinEvent(EVENT_SYSTEM_ALERT, window, OBJID_CLIENT, CHILDID_SELF); }

void FollowSystemColours(HWND window) {
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        SendMessageW(c, WM_SYSCOLORCHANGE, 0, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace vantrel
