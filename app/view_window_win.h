// The tray copy as a view of the service: started in a user's session while
// the service runs, it shows what the service's runner shows (the tray icon
// and tip, the countdown with the buttons this user may press, balloons,
// notices), shows 提醒 and opens 打开文件 as this user, reports the
// session's idle time, and sends the user's choices. It runs no task
// itself. What the user may not do is greyed; the service decides anyway.
// When the service goes (restarted, upgraded), the view shows no countdown,
// greys everything but 退出 and comes back by itself.
//
// The pipe is read on a thread of its own, which connects, says hello and
// posts each message to the window; everything else happens on the
// window's thread.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "actions/countdown_view_win.h"
#include "actions/handle_win.h"
#include "app/hotkeys_win.h"
#include "app/tray_icon_win.h"
#include "app/tray_menu_win.h"
#include "registry/registry.h"
#include "service/pipe_win.h"
#include "service/view_side.h"
#include "winui/form_win.h"

namespace vantrel {

// What a tray menu item asks of the service; nothing for the items the view
// carries out itself (the CD tray, the display, help, about) or does not
// offer.
struct MenuChoice {
    ViewAction action;
    std::int32_t argument;
};
std::optional<MenuChoice> ChoiceForMenuItem(UINT item, std::uint8_t trayFlags);

class ViewWindow : public Form {
public:
    static constexpr UINT kReceivedMessage = WM_APP + 40;  // lParam: a std::string* the window frees
    static constexpr UINT kLostMessage = WM_APP + 41;
    static constexpr UINT_PTR kTimerIdle = 7;
    static constexpr UINT kIdleReportMs = 10000;

    struct Options {
        std::string pipeName = kViewPipeName;
        // The process the pipe's server must be (the service's); tests
        // give their own.
        PipeClient::ExpectedServer expected;
        std::uint32_t session = 0;  // the view's session (ProcessIdToSessionId)
        bool endsProgram = true;
        // Where the view reads the hotkeys' modifier and the countdown's
        // sound (users may read the program key, not write it); none: the
        // defaults.
        Registry* registry = nullptr;
        std::string programKey;  // empty: the program key
        bool hotkeys = true;
    };

    explicit ViewWindow(Options options);
    ~ViewWindow() override;

    // Creates the window and the tray icon and starts reaching the service.
    bool Start();

    // The user's choices, public so that the messages and the tests reach
    // the same code.
    void OnCommand(UINT id);

    const ViewSide& side() const { return side_; }
    CountdownView& view() { return view_; }
    TrayMenu& menu() { return menu_; }
    TrayIcon& tray() { return tray_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // 退出, or the setup program's close request: the view ends.
    void OnClose() override { DestroyWindow(hwnd()); }

private:
    static DWORD WINAPI ReaderMain(void* self);
    void Reader();
    void Take(const std::string& body);
    void Lost();
    void Send(const std::optional<std::string>& body);
    void Choose(ViewAction action, ChoiceSource source, std::int32_t argument);
    void ShowTray();
    void ShowCountdown();
    void GreyMenu();
    void ShowPostponeMenu();
    void ShowWarningMenu();
    void ReportIdle();
    void OnTrayCallback(WPARAM wParam, LPARAM lParam);
    void StopReader();
    void ReadOwnSettings();
    void OnHotkey(WPARAM id);

    Options options_;
    ViewSide side_;
    TrayIcon tray_;
    TrayMenu menu_;
    CountdownView view_;
    Hotkeys hotkeys_;
    std::int32_t ctrlFlag_ = 0;
    std::string soundPath_;
    std::uint32_t countdownShown_ = 0;  // the id the window shows; 0 none
    bool monitoringShown_ = true;
    UINT taskbarCreated_ = 0;

    CRITICAL_SECTION lock_;             // guards client_
    std::unique_ptr<PipeClient> client_;  // replaced by the reader thread only
    Handle stop_;
    Handle drop_;  // auto-reset: the window refused a message, the connection ends
    Handle reader_;
};

}  // namespace vantrel
