#include "app/tray_protocol.h"

namespace vantrel {

TrayProtocol TrayProtocolFor(unsigned major, unsigned minor) {
    TrayProtocol p;
    if (major >= 6) {
        p.version = 4;
        p.recordSize = kTrayRecordV3;
        p.byGuid = major > 6 || minor >= 1;
    } else if (major == 5) {
        p.version = 3;
        p.recordSize = kTrayRecordV2;
    }
    return p;
}

TrayCallback ReadTrayCallback(std::uint32_t version, std::uintptr_t wParam, std::intptr_t lParam) {
    TrayCallback c;
    // Version 4: the event in the low word of lParam (the icon's id in the
    // high word), the anchor's x and y in the words of wParam. Before it:
    // the event is lParam itself, and wParam is the icon's id.
    const std::uint32_t event =
        version >= 4 ? static_cast<std::uint32_t>(lParam) & 0xFFFF : static_cast<std::uint32_t>(lParam);
    if (version >= 4) {
        c.atAnchor = true;
        c.x = static_cast<std::int16_t>(wParam & 0xFFFF);
        c.y = static_cast<std::int16_t>((wParam >> 16) & 0xFFFF);
    }
    if (event == kNinBalloonUserClick) {
        c.request = TrayRequest::BalloonClicked;
    } else if (version >= 3) {
        // A click gives a button-down first as well: opening on it too would
        // open the menu again as soon as it closed.
        if (event == kNinSelect || event == kNinKeySelect || event == kWmContextMenu) c.request = TrayRequest::Menu;
    } else if (event == kWmLButtonDown || event == kWmRButtonDown) {
        c.request = TrayRequest::Menu;
    }
    return c;
}

bool ReturnFocusAfterMenu(std::uint32_t version, bool chosen) { return version >= 3 && !chosen; }

}  // namespace vantrel
