// What the tray icon asks of the shell on each Windows version, and what
// its callback means under each notify-icon version.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/tray_protocol.h"

namespace vantrel {
namespace {

const std::uint32_t kIconId = 100;

std::uintptr_t Words(int low, int high) {
    return (static_cast<std::uintptr_t>(static_cast<std::uint16_t>(high)) << 16) | static_cast<std::uint16_t>(low);
}

// Each system as the shell documents it: the keyboard reaches the icon from
// version 3 (2000, XP), the anchor comes with version 4 (Vista), and the
// icon's GUID is honoured from Windows 7. The record must be large enough
// for each field the protocol relies on (uVersion ends the second layout's
// use; guidItem needs the third), and no larger than the system knows.
TEST(TrayProtocol, EachSystemGetsTheVersionIdentityAndALayoutThatHoldsThem) {
    const struct {
        unsigned major, minor;
        std::uint32_t version;
        bool byGuid;
        const char* system;
    } kSystems[] = {
        {5, 1, 3, false, "XP"},  {5, 2, 3, false, "XP x64, Server 2003"},
        {6, 0, 4, false, "Vista"}, {6, 1, 4, true, "7"},
        {6, 2, 4, true, "8"},    {10, 0, 4, true, "10 and 11"},
    };
    for (const auto& s : kSystems) {
        const TrayProtocol p = TrayProtocolFor(s.major, s.minor);
        EXPECT_EQ(p.version, s.version) << s.system;
        EXPECT_EQ(p.byGuid, s.byGuid) << s.system;
        EXPECT_GE(p.recordSize, kTrayRecordV2) << s.system << ": uVersion lies in the second layout";
        if (p.byGuid) {
            EXPECT_GE(p.recordSize, kTrayRecordV3) << s.system << ": guidItem lies in the third";
        }
        // XP refuses a record of a layout it does not know.
        if (s.major < 6) {
            EXPECT_LE(p.recordSize, kTrayRecordV2) << s.system;
        }
    }
}

TEST(TrayProtocol, TheCallbackMeansWhatItsVersionSays) {
    const struct {
        std::uint32_t version;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        TrayRequest request;
        bool atAnchor;
        int x, y;
        const char* what;
    } kCases[] = {
        // Version 4: event and id in lParam, the anchor in wParam.
        {4, Words(1800, 1050), static_cast<std::intptr_t>(Words(kNinKeySelect, kIconId)), TrayRequest::Menu, true, 1800,
         1050, "Enter on the icon, the menu at the icon"},
        {4, Words(-300, 700), static_cast<std::intptr_t>(Words(kWmContextMenu, kIconId)), TrayRequest::Menu, true,
         -300, 700, "the menu key, on a screen left of the main one"},
        {4, Words(10, 20), static_cast<std::intptr_t>(Words(kNinSelect, kIconId)), TrayRequest::Menu, true, 10, 20,
         "a left click"},
        {4, Words(10, 20), static_cast<std::intptr_t>(Words(kWmRButtonDown, kIconId)), TrayRequest::None, true, 10, 20,
         "the right button's down: its WM_CONTEXTMENU follows"},
        {4, Words(10, 20), static_cast<std::intptr_t>(Words(kNinBalloonUserClick, kIconId)),
         TrayRequest::BalloonClicked, true, 10, 20, "a balloon clicked"},
        // Version 3: the event is lParam, wParam the icon's id.
        {3, kIconId, kNinKeySelect, TrayRequest::Menu, false, 0, 0, "Enter on the icon under XP"},
        {3, kIconId, kWmContextMenu, TrayRequest::Menu, false, 0, 0, "the menu key under XP"},
        {3, kIconId, kWmLButtonDown, TrayRequest::None, false, 0, 0, "the left button's down under XP"},
        {3, kIconId, kNinBalloonUserClick, TrayRequest::BalloonClicked, false, 0, 0, "a balloon under XP"},
        // No version taken: the mouse's button-down opens the menu.
        {0, kIconId, kWmLButtonDown, TrayRequest::Menu, false, 0, 0, "the left button, no version"},
        {0, kIconId, kWmRButtonDown, TrayRequest::Menu, false, 0, 0, "the right button, no version"},
        {0, kIconId, kWmContextMenu, TrayRequest::None, false, 0, 0, "no keyboard events without a version"},
    };
    for (const auto& c : kCases) {
        const TrayCallback call = ReadTrayCallback(c.version, c.wParam, c.lParam);
        EXPECT_EQ(call.request, c.request) << c.what;
        EXPECT_EQ(call.atAnchor, c.atAnchor) << c.what;
        if (c.atAnchor) {
            EXPECT_EQ(call.x, c.x) << c.what;
            EXPECT_EQ(call.y, c.y) << c.what;
        }
    }
}

// NIM_SETFOCUS exists from version 3, and only a menu left without a choice
// (Esc) gives the focus back: a chosen item's window takes it.
TEST(TrayProtocol, FocusGoesBackToTheNotificationAreaOnlyAfterEsc) {
    EXPECT_TRUE(ReturnFocusAfterMenu(4, false));
    EXPECT_TRUE(ReturnFocusAfterMenu(3, false));
    EXPECT_FALSE(ReturnFocusAfterMenu(4, true));
    EXPECT_FALSE(ReturnFocusAfterMenu(0, false));
}

}  // namespace
}  // namespace vantrel
