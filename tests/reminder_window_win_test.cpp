#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "actions/reminder_window_win.h"
#include "actions/utility_actions_win.h"
#include "reminder_probe_win.h"
#include "winui/form_win.h"

namespace vantrel {
namespace {

using testing_win::AllReminders;
using testing_win::NewWindows;
using testing_win::ReminderButton;
using testing_win::ReminderLabel;
using testing_win::ReminderText;

class ReminderWindow : public ::testing::Test {
protected:
    void TearDown() override {
        OwnedForms::ReleaseAll();
        PumpMessages();
    }

    // Shows a reminder and returns its window.
    HWND Show(const std::string& text) {
        const std::vector<HWND> before = AllReminders();
        ShowReminder(text);
        PumpMessages();
        const std::vector<HWND> added = NewWindows(before, AllReminders());
        EXPECT_EQ(added.size(), 1u) << "one new window per reminder";
        return added.empty() ? nullptr : added.front();
    }

    static RECT ChildRect(HWND parent, HWND child) {
        RECT r = {};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

TEST_F(ReminderWindow, FormAndControls) {
    HWND w = Show("该开会了");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(WindowText(w), "提示");

    RECT r = {};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 169);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 169) / 2);

    const LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);

    HWND label = ReminderLabel(w);
    HWND button = ReminderButton(w);
    ASSERT_NE(label, nullptr);
    ASSERT_NE(button, nullptr);
    const RECT lr = ChildRect(w, label);
    EXPECT_EQ(lr.left, 48);
    EXPECT_EQ(lr.top, 48);
    const RECT br = ChildRect(w, button);
    EXPECT_EQ(br.left, 160);
    EXPECT_EQ(br.top, 96);
    EXPECT_EQ(br.right - br.left, 75);
    EXPECT_EQ(br.bottom - br.top, 25);
    EXPECT_EQ(WindowText(button), "确定");
    EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    // First in the tab order: the first child window is the button.
    EXPECT_EQ(GetWindow(w, GW_CHILD), button);
}

TEST_F(ReminderWindow, LabelShowsTextExactlyOnOneLine) {
    const std::string texts[] = {
        "短",
        "A & B 下午三点开会",
        // Wider than the window: one line, cut at the window's edge.
        "这是一条很长很长的提醒文字，它比提醒窗口还要宽得多，所以只显示在一行里，超出的部分被窗口边缘截断。",
    };
    int previousWidth = -1;
    int lineHeight = -1;
    for (const std::string& text : texts) {
        HWND w = Show(text);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(ReminderText(w), text);
        RECT lr = {};
        GetWindowRect(ReminderLabel(w), &lr);
        const int width = lr.right - lr.left;
        const int height = lr.bottom - lr.top;
        EXPECT_GT(width, previousWidth) << text;
        previousWidth = width;
        if (lineHeight < 0) lineHeight = height;
        EXPECT_EQ(height, lineHeight) << "one line: " << text;
        EXPECT_GT(height, 0);
        EXPECT_LT(height, 2 * 13);
        RECT wr = {};
        GetWindowRect(w, &wr);
        EXPECT_EQ(wr.right - wr.left, 400) << "the window does not grow with its text";
    }
    EXPECT_GT(previousWidth, 400) << "the long text runs past the window";
}

TEST_F(ReminderWindow, TwoRemindersCloseSeparately) {
    HWND first = Show("第一条");
    HWND second = Show("第二条");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(first, second);
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_TRUE(IsWindowVisible(second));
    RECT r1 = {}, r2 = {};
    GetWindowRect(first, &r1);
    GetWindowRect(second, &r2);
    EXPECT_TRUE(EqualRect(&r1, &r2)) << "both stacked at the screen centre";

    SendMessageA(ReminderButton(first), BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(first));
    EXPECT_TRUE(IsWindowVisible(second));

    SendMessageA(ReminderButton(second), BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(second));
    // Closed means gone: nothing of a closed reminder waits for the end.
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(IsWindow(second));
}

TEST_F(ReminderWindow, AThousandClosedRemindersHoldNoWindowObjects) {
    const HANDLE self = GetCurrentProcess();
    auto showAndClose = [&](int i) {
        HWND w = Show("第" + std::to_string(i) + "条");
        if (!w) return false;
        // The three ways to close: the button, the close box, Esc.
        if (i % 3 == 0) SendMessageA(ReminderButton(w), BM_CLICK, 0, 0);
        if (i % 3 == 1) SendMessageA(w, WM_CLOSE, 0, 0);
        if (i % 3 == 2) SendMessageA(ReminderButton(w), WM_KEYDOWN, VK_ESCAPE, 0);
        PumpMessages();
        return !IsWindow(w);
    };
    ASSERT_TRUE(showAndClose(0));
    const DWORD user = GetGuiResources(self, GR_USEROBJECTS);
    const DWORD gdi = GetGuiResources(self, GR_GDIOBJECTS);
    const std::size_t forms = OwnedForms::Count();
    for (int i = 1; i <= 1000; ++i) ASSERT_TRUE(showAndClose(i)) << i;
    EXPECT_EQ(GetGuiResources(self, GR_USEROBJECTS), user);
    EXPECT_EQ(GetGuiResources(self, GR_GDIOBJECTS), gdi);
    EXPECT_EQ(OwnedForms::Count(), forms);
    EXPECT_TRUE(AllReminders().empty());
}

TEST_F(ReminderWindow, EnterAndEscapeClose) {
    const WPARAM keys[] = {VK_RETURN, VK_ESCAPE};
    for (WPARAM key : keys) {
        HWND w = Show("按键关闭");
        ASSERT_NE(w, nullptr);
        HWND button = ReminderButton(w);
        SendMessageA(button, WM_KEYDOWN, key, 0);
        PumpMessages();
        EXPECT_FALSE(IsWindowVisible(w)) << "key " << key;
    }
}

TEST_F(ReminderWindow, OtherKeysLeaveItOpen) {
    HWND w = Show("不关");
    ASSERT_NE(w, nullptr);
    SendMessageA(ReminderButton(w), WM_KEYDOWN, 'A', 0);
    SendMessageA(ReminderButton(w), WM_KEYDOWN, VK_TAB, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(w));
}

}  // namespace
}  // namespace vantrel
