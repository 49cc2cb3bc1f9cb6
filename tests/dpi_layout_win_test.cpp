// Every window of the program at the DPI of the screen the tests run on: 96
// in the ordinary runs, 120, 144 and 192 in the ctest entries
// vantrel_tests_dpi*. Each window and control is its layout times DPI/96,
// and each text fits its control in the control's own font.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "actions/reminder_window_win.h"
#include "actions/utility_actions_win.h"
#include "text/codepage_win.h"
#include "tests/main_window_fixture_win.h"
#include "tests/recording_system_ops.h"
#include "tests/reminder_probe_win.h"
#include "ui/about_window_win.h"
#include "winui/form_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelDpiTest";

std::string ClassOf(HWND w) {
    wchar_t name[64] = {0};
    GetClassNameW(w, name, 64);
    return Narrow(name);
}

LONG FontHeight(HFONT font) {
    LOGFONTW lf = {};
    return font && GetObjectW(font, sizeof lf, &lf) ? -lf.lfHeight : 0;
}

// The size of `text` as a control draws it: "&x" shows as an underlined x.
SIZE TextExtent(HWND control, std::string text, bool prefix) {
    if (prefix) {
        const size_t amp = text.find('&');
        if (amp != std::string::npos) text.erase(amp, 1);
    }
    SIZE size = {0, 0};
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    const WideText wide = Wide(text);
    GetTextExtentPoint32W(dc, wide.c_str(), wide.length(), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size;
}

// The checks every form gets at `dpi`: by default its screen's; given, a
// DPI sent by hand, where the frame stays the screen's and only the client
// area's width is the layout's. `name` says which form failed.
void ExpectScaled(Form* form, const char* name, UINT dpi = 0) {
    ASSERT_NE(form, nullptr) << name;
    const bool screens = dpi == 0;
    if (screens) dpi = DpiOf(form->hwnd());
    EXPECT_EQ(form->dpi(), dpi) << name;
    const SIZE client96 = form->LayoutClientSize();
    if (client96.cx) {
        RECT client;
        GetClientRect(form->hwnd(), &client);
        EXPECT_NEAR(client.right, ScaleForDpi(client96.cx, dpi), 1) << name;
        if (screens) {
            EXPECT_NEAR(client.bottom, ScaleForDpi(client96.cy, dpi), 1) << name;
        }
    }
    int placed = 0;
    for (HWND c = GetWindow(form->hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const RECT at96 = form->LayoutRect(c);
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, form->hwnd(), reinterpret_cast<POINT*>(&r), 2);
        const std::string text = WindowText(c);
        const std::string what = std::string(name) + " " + ClassOf(c) + " \"" + text + "\"";
        EXPECT_NEAR(r.left, ScaleForDpi(at96.left, dpi), 1) << what;
        EXPECT_NEAR(r.top, ScaleForDpi(at96.top, dpi), 1) << what;
        // A control sized to its text (the reminder's label) is not laid out.
        if (at96.right > at96.left) {
            EXPECT_NEAR(r.right - r.left, ScaleForDpi(at96.right - at96.left, dpi), 1) << what;
            // A combo box's layout height is its list's; its box is the system's.
            if (ClassOf(c) != "ComboBox") {
                EXPECT_NEAR(r.bottom - r.top, ScaleForDpi(at96.bottom - at96.top, dpi), 1) << what;
            }
        }
        ++placed;
        const std::string cls = ClassOf(c);
        if ((cls != "Button" && cls != "Static") || text.empty() || !IsWindowVisible(c)) continue;
        const LONG style = GetWindowLongW(c, GWL_STYLE);
        const LONG kind = style & 0x0F;
        const bool box = cls == "Button" && (kind == BS_AUTOCHECKBOX || kind == BS_AUTORADIOBUTTON ||
                                             kind == BS_CHECKBOX || kind == BS_RADIOBUTTON);
        const SIZE extent = TextExtent(c, text, cls == "Button" || !(style & SS_NOPREFIX));
        // A check box or radio button draws its glyph and a gap before its text.
        const int room = (r.right - r.left) - (box ? GetSystemMetrics(SM_CXMENUCHECK) + 2 : 0);
        // (Heights are the layout's: a 13-pixel font's line is a pixel taller
        // than some 14-pixel labels at every DPI alike.)
        EXPECT_LE(extent.cx, room) << what << " at " << dpi << " DPI";
    }
    EXPECT_GT(placed, 0) << name;
}

class DpiLayout : public ::testing::Test {
protected:
    void SetUp() override {
        WinRegistry::DeleteTree(kKey);
        testing::StoreRecords(kKey, {{"每天8时0分", "提醒", "早上好", "启用"}});
        main_ = testing::StartTestMainWindow(kKey);
        ASSERT_NE(main_, nullptr);
    }
    void TearDown() override {
        OwnedForms::ReleaseAll();
        main_.reset();
        WinRegistry::DeleteTree(kKey);
    }

    testing::RecordingSystemOps ops_;
    std::unique_ptr<MainWindow> main_;
};

TEST_F(DpiLayout, EveryWindowIsItsLayoutAtTheScreensDpiAndEveryTextFits) {
    EXPECT_EQ(main_->dpi(), ScreenDpi());
    SettingsWindow* settings = testing::OpenSettingsFromMenu(*main_);
    ExpectScaled(settings, "settings");
    ExpectScaled(testing::EditorOpenedBy([&] { settings->Button4Click(); }), "editor");
    ExpectScaled(ShowAboutWindow(), "about");
    ShowReminder("该休息一下了。");
    const std::vector<HWND> reminders = testing_win::AllReminders();
    ASSERT_FALSE(reminders.empty());
    ExpectScaled(Form::FromHandle(reminders.back()), "reminder");
    main_->runner().tickState().pendingAction = "关机";
    main_->driver().StartCountdown("关机", false);
    ExpectScaled(main_.get(), "countdown");
    main_->BitBtn2Click();
}

// The windows' font, 9 points, is 13 pixels at 96 DPI and grows with the
// DPI. Moved to a screen of another DPI, a window lays itself out again
// there, and back again where it started.
TEST_F(DpiLayout, FontsGrowWithTheDpiAndADpiChangeLaysTheWindowOutAgain) {
    SettingsWindow* settings = testing::OpenSettingsFromMenu(*main_);
    const UINT start = settings->dpi();
    for (UINT dpi : {start, start * 2, start}) {
        SCOPED_TRACE(dpi);
        if (dpi != settings->dpi()) {
            RECT suggested = {10, 20, 30, 40};
            SendMessageW(settings->hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                         reinterpret_cast<LPARAM>(&suggested));
            RECT r;
            GetWindowRect(settings->hwnd(), &r);
            EXPECT_EQ(r.left, 10);
            EXPECT_EQ(r.top, 20);
        }
        ExpectScaled(settings, "settings", dpi);
        HWND ok = settings->control(SettingsWindow::kButton1);
        EXPECT_EQ(FontHeight(reinterpret_cast<HFONT>(SendMessageW(ok, WM_GETFONT, 0, 0))), ScaleForDpi(13, dpi));
    }
}

}  // namespace
}  // namespace vantrel
