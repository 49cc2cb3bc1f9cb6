// The About window as the user sees it: its caption, size, texts, where each
// text stands and in which font.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "text/codepage_win.h"
#include "ui/about_window_win.h"
#include "version.h"
#include "build_date.h"

namespace vantrel {
namespace {

// The face and character height of the font a control draws with.
std::pair<std::string, LONG> FontOf(HWND control) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    LOGFONTW lf = {};
    if (!font || !GetObjectW(font, sizeof lf, &lf)) return {"", 0};
    return {Narrow(lf.lfFaceName), -lf.lfHeight};
}

TEST(AboutWindow, ShowsItsTextsWhereLaidOut) {
    AboutWindow* about = ShowAboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->IsVisible());
    EXPECT_EQ(WindowText(about->hwnd()), "关于...");
    char cls[16] = {0};
    GetClassNameA(about->hwnd(), cls, sizeof cls);
    EXPECT_STREQ(cls, "TForm2");
    RECT client;
    GetClientRect(about->hwnd(), &client);
    EXPECT_EQ(client.right, 311);
    EXPECT_EQ(client.bottom, 253);
    const LONG style = GetWindowLongA(about->hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    const struct {
        int id;
        const char* text;
        POINT at;
        LONG fontHeight;
    } controls[] = {
        {AboutWindow::kLabel1Id, "名称:    Vantrel", {82, 64}, 15},
        // The project's version, as the setup program and vantrelctl give it.
        {AboutWindow::kLabel2Id, "版本:    " VANTREL_PRODUCT_VERSION, {82, 96}, 15},
        {AboutWindow::kLabel5Id, "时间:    " VANTREL_BUILD_DATE, {81, 126}, 15},
        {AboutWindow::kButton1Id, "确定(&O)", {112, 216}, 13},
    };
    // The date of the commit built, in the window's own form.
    const std::string date = VANTREL_BUILD_DATE;
    EXPECT_EQ(date.size() >= 10 && date.find("年") == 4 && date.find("月") != std::string::npos &&
                  date.rfind("日") == date.size() - 2,
              true)
        << date;
    for (const auto& c : controls) {
        HWND control = about->control(c.id);
        ASSERT_NE(control, nullptr) << c.text;
        EXPECT_TRUE(IsWindowVisible(control)) << c.text;
        EXPECT_EQ(WindowText(control), c.text);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, about->hwnd(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, c.at.x) << c.text;
        EXPECT_EQ(r.top, c.at.y) << c.text;
        // The whole text fits inside its control.
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
        SIZE size;
        const WideText text = Wide(c.text);
        GetTextExtentPoint32W(dc, text.c_str(), text.length(), &size);
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        EXPECT_LE(size.cx, r.right - r.left) << c.text;
        EXPECT_EQ(FontOf(control), (std::pair<std::string, LONG>{"宋体", c.fontHeight})) << c.text;
    }
    RECT button;
    GetWindowRect(about->control(AboutWindow::kButton1Id), &button);
    EXPECT_EQ(button.right - button.left, 75);
    EXPECT_EQ(button.bottom - button.top, 25);

    // 确定(&O) closes this window only.
    AboutWindow* second = ShowAboutWindow();
    SendMessageA(about->hwnd(), WM_COMMAND, MAKEWPARAM(AboutWindow::kButton1Id, BN_CLICKED), 0);
    EXPECT_FALSE(about->IsVisible());
    EXPECT_TRUE(second->IsVisible());
    OwnedForms::ReleaseAll();
}

}  // namespace
}  // namespace vantrel
