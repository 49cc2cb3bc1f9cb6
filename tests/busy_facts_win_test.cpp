// The busy check on this machine's own facts, with windows the test puts in
// front: what the system interface reads of them, judged by the busy check.
#include <gtest/gtest.h>

#include <windows.h>

#include "actions/busy_check.h"
#include "actions/system_ops.h"

namespace vantrel {
namespace {

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class FrontWindow {
public:
    // A window of `style` brought to the front: maximised, or over the
    // whole primary monitor.
    FrontWindow(DWORD style, bool maximise) {
        static const ATOM cls = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = PlainProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"VantrelBusyTest";
            return RegisterClassW(&wc);
        }();
        (void)cls;
        hwnd_ = CreateWindowExW(0, L"VantrelBusyTest", L"busy test", style, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(hwnd_, maximise ? SW_SHOWMAXIMIZED : SW_SHOW);
        SetForegroundWindow(hwnd_);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    ~FrontWindow() { DestroyWindow(hwnd_); }
    FrontWindow(const FrontWindow&) = delete;
    FrontWindow& operator=(const FrontWindow&) = delete;
    HWND hwnd() const { return hwnd_; }

private:
    HWND hwnd_;
};

// With 忙时推迟 on, what is in front decides whether a due power task's
// countdown waits: a maximised window with a caption lets it start, a
// borderless window over the whole monitor holds it.
TEST(BusyFacts, AMaximisedWindowDoesNotHoldACountdownAFullScreenOneDoes) {
    const struct {
        const char* what;
        DWORD style;
        bool maximise;
        BusyReason reason;
    } cases[] = {
        {"maximised with a caption", WS_OVERLAPPEDWINDOW, true, BusyReason::None},
        {"borderless over the monitor", WS_POPUP, false, BusyReason::FullScreen},
    };
    for (const auto& c : cases) {
        FrontWindow front(c.style, c.maximise);
        ASSERT_EQ(GetForegroundWindow(), front.hwnd()) << c.what;
        BusySample now = RealSystemOps().BusyFacts();
        // The shell of the machine the test runs on may be in any state;
        // what is judged here is the window.
        now.notificationState = 0;
        EXPECT_EQ(BusyNow(std::nullopt, now, BusyLimits{}), c.reason) << c.what;
    }
}

}  // namespace
}  // namespace vantrel
