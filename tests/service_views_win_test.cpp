// The service's host joined to its views under Wine, without the SCM: the
// host on a thread of its own as ServiceMain runs it, the pipe on a name of
// the test's, and test clients in the same process speaking the views'
// protocol. A view that says hello is shown the tray and a countdown the
// service started, steps of it, and its choice acts in the service; a view
// that breaks the protocol is closed and the others go on.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "app/service_views_win.h"
#include "app/main_window_win.h"
#include "app/service_win.h"
#include "app/view_launcher_win.h"
#include "app/view_window_win.h"
#include "recording_system_ops.h"
#include "registry/registry_win.h"
#include "service/view_protocol.h"
#include "store/task_store.h"
#include "tests/running_service_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelServiceViewsTest";
const DWORD kDeadlineMs = 15000;

std::uint32_t OwnSession() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return session;
}

// Recorded power calls, with this process's session at the console.
class ServiceOps : public testing::RecordingSystemOps {
public:
    std::uint32_t ConsoleSession() override { return OwnSession(); }
};

std::string UniquePipeName() {
    static int counter = 0;
    return "\\\\.\\pipe\\Vantrel.ViewsTest." + std::to_string(GetCurrentProcessId()) + "." +
           std::to_string(++counter);
}

// The host and its views, on a pipe of the test's.
class RunningService : public testing::RunningService {
public:
    explicit RunningService(std::string pipeName = UniquePipeName())
        : testing::RunningService(kKey, std::move(pipeName)) {}
};

std::uint32_t OwnProcess() { return GetCurrentProcessId(); }

std::string HelloFrom(std::uint32_t session) {
    ViewMessage m;
    m.type = MessageType::Hello;
    m.session = session;
    return EncodeViewMessage(m);
}

// A view as the tray copy will be: it says hello and reads what comes.
class TestView {
public:
    explicit TestView(const std::string& pipe) : client_(PipeClient::Connect(pipe, OwnProcess, kDeadlineMs)) {}

    void Hello() { client_.Send(HelloFrom(OwnSession())); }
    void Choose(ViewAction action, std::uint32_t countdown, std::int32_t argument) {
        ViewMessage m;
        m.type = MessageType::Choice;
        m.action = action;
        m.source = ChoiceSource::Countdown;
        m.countdownId = countdown;
        m.argument = argument;
        client_.Send(EncodeViewMessage(m));
    }

    // The first message from the service that `wanted` accepts, reading
    // past the others; nothing at the deadline.
    std::optional<ViewMessage> WaitFor(const std::function<bool(const ViewMessage&)>& wanted) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kDeadlineMs) {
            std::optional<std::string> body = client_.Receive(200);
            if (!body) continue;
            const ViewMessage m = ParseFromService(*body);
            seen_.push_back(m.type);
            if (wanted(m)) return m;
        }
        return std::nullopt;
    }
    std::optional<ViewMessage> WaitFor(MessageType type) {
        return WaitFor([type](const ViewMessage& m) { return m.type == type; });
    }

private:
    PipeClient client_;
    std::vector<MessageType> seen_;
};

TEST(ServiceViews, AViewShowsTheServicesCountdownAndItsChoiceActsThere) {
    struct Row {
        const char* what;
        ViewAction action;
        std::int32_t argument;
        bool monitoringAfter;     // 取消 switches monitoring off
        bool postponed;           // a postponed action waits
        const char* carriedOut;   // the recorded power call; empty: none
    } rows[] = {
        {"取消", ViewAction::CancelCountdown, 0, false, false, ""},
        {"推迟", ViewAction::PostponeCountdown, 5, true, true, ""},
        {"立即执行", ViewAction::ActNow, 0, true, false, "ExitWindowsEx 28"},
    };
    for (const Row& row : rows) {
        ServiceOps ops;
        RunningService service;
        TestView view(service.pipeName());
        view.Hello();
        // Greeted: its rights and the tray as the runner has it.
        ASSERT_TRUE(view.WaitFor(MessageType::Rights)) << row.what;
        const std::optional<ViewMessage> tray = view.WaitFor(MessageType::TrayState);
        ASSERT_TRUE(tray) << row.what;
        EXPECT_TRUE(tray->trayFlags & kTrayMonitoring) << row.what;

        service.OnService([](Runner& runner) {
            runner.SetCountdownLength(600);
            runner.tickState().pendingAction = "关机";
            EXPECT_TRUE(runner.StartTaskCountdown("关机", false));
        });
        const std::optional<ViewMessage> shown = view.WaitFor(MessageType::CountdownShown);
        ASSERT_TRUE(shown) << row.what;
        EXPECT_EQ(shown->word, "关机") << row.what;
        EXPECT_TRUE(shown->buttons.cancel && shown->buttons.postpone && shown->buttons.actNow)
            << row.what << ": an administrator at the screen is offered every button";
        // The service's second timer steps it in the view.
        const std::optional<ViewMessage> step = view.WaitFor([&](const ViewMessage& m) {
            return m.type == MessageType::CountdownStepped && m.countdownId == shown->countdownId && m.position > 0;
        });
        ASSERT_TRUE(step) << row.what;
        EXPECT_EQ(step->length, 600) << row.what;

        view.Choose(row.action, shown->countdownId, row.argument);
        EXPECT_TRUE(view.WaitFor([&](const ViewMessage& m) {
            return m.type == MessageType::CountdownHidden && m.countdownId == shown->countdownId;
        })) << row.what;
        bool counting = true, monitoring = false, postponed = false, carriedOut = false;
        service.OnService([&](Runner& runner) {
            counting = runner.counting();
            monitoring = runner.gate().monitoring;
            postponed = runner.postponed().has_value();
            carriedOut = *row.carriedOut &&
                         std::find(ops.calls.begin(), ops.calls.end(), row.carriedOut) != ops.calls.end();
        });
        EXPECT_FALSE(counting) << row.what;
        EXPECT_EQ(monitoring, row.monitoringAfter) << row.what;
        EXPECT_EQ(postponed, row.postponed) << row.what;
        EXPECT_EQ(carriedOut, *row.carriedOut != 0) << row.what;
        if (!row.monitoringAfter) {
            EXPECT_TRUE(view.WaitFor([](const ViewMessage& m) {
                return m.type == MessageType::TrayState && !(m.trayFlags & kTrayMonitoring);
            })) << row.what << ": the tray follows";
        }
    }
}

// Runs the test thread's messages until `done` holds; false at the deadline.
bool PumpUntil(const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kDeadlineMs) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return false;
}

std::unique_ptr<ViewWindow> StartView(const std::string& pipe) {
    ViewWindow::Options options;
    options.pipeName = pipe;
    options.expected = OwnProcess;
    options.session = OwnSession();
    options.endsProgram = false;
    options.hotkeys = false;  // the machine's F8 to F11 stay the user's
    std::unique_ptr<ViewWindow> view(new ViewWindow(options));
    EXPECT_TRUE(view->Start());
    return view;
}

// The tray copy as a view: it shows the countdown the service started,
// with the buttons its user may press, and its 取消 stops it in the service;
// the service restarted, the view comes back by itself.
TEST(ServiceViews, TheViewWindowShowsTheCountdownAndComesBackAfterARestart) {
    ServiceOps ops;
    const std::string pipe = UniquePipeName();
    std::unique_ptr<RunningService> service(new RunningService(pipe));
    std::unique_ptr<ViewWindow> view = StartView(pipe);
    ASSERT_TRUE(PumpUntil([&] { return view->side().connected(); })) << "the view never reached the service";
    // Until the service said otherwise, nothing was offered; now its rights
    // ungrey the menu.
    EXPECT_TRUE(PumpUntil([&] {
        return !(GetMenuState(view->menu().handle(), kMenuMonitor, MF_BYCOMMAND) & MF_GRAYED);
    }));

    service->OnService([](Runner& runner) {
        runner.SetCountdownLength(600);
        runner.tickState().pendingAction = "关机";
        runner.StartTaskCountdown("关机", false);
    });
    ASSERT_TRUE(PumpUntil([&] { return view->side().countdown() && IsWindowVisible(view->hwnd()); }))
        << "the countdown did not show";
    EXPECT_TRUE(IsWindowVisible(view->view().cancel()));
    // Its own 取消: the service stops counting, and the window goes.
    view->OnCommand(CountdownView::kCancelId);
    EXPECT_TRUE(service->WaitUntil([](Runner& runner) { return !runner.counting(); }));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(view->hwnd()); }));
    EXPECT_TRUE(PumpUntil([&] { return !(view->side().trayFlags() & kTrayMonitoring); }));

    // The service stops: the view offers nothing; it starts again on the
    // same name: the view is back and shows its countdown.
    service.reset();
    ASSERT_TRUE(PumpUntil([&] { return !view->side().connected(); }));
    EXPECT_TRUE(GetMenuState(view->menu().handle(), kMenuMonitor, MF_BYCOMMAND) & MF_GRAYED);
    // 设置 opens a settings window of its own, which needs no service.
    EXPECT_FALSE(GetMenuState(view->menu().handle(), kMenuSettings, MF_BYCOMMAND) & MF_GRAYED);
    service.reset(new RunningService(pipe));
    ASSERT_TRUE(PumpUntil([&] { return view->side().connected(); })) << "the view did not come back";
    service->OnService([](Runner& runner) {
        runner.SetCountdownLength(600);
        runner.tickState().pendingAction = "重启";
        runner.StartTaskCountdown("重启", false);
    });
    ASSERT_TRUE(PumpUntil([&] { return view->side().countdown() && view->side().countdown()->word == "重启"; }));
    // The setup program finds it as the running copy and closes it, as it
    // must before it replaces the files.
    const HWND window = view->hwnd();
    EXPECT_EQ(MainWindow::FindRunningCopy(), window);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }));
    view.reset();
    service.reset();
}

TEST(ServiceViews, EveryServiceItemOfTheTrayMenuNamesWhatItAsks) {
    struct Row {
        UINT item;
        std::uint8_t flags;
        ViewAction action;
        std::int32_t argument;
    } rows[] = {
        {kMenuMonitor, kTrayMonitoring, ViewAction::MonitoringOff, 0},
        {kMenuMonitor, 0, ViewAction::MonitoringOn, 0},
        {kMenuMonitor, kTrayMonitoring | kTrayPaused, ViewAction::MonitoringOn, 0},  // 启用监控 ends the pause
        {kMenuLogOff, 0, ViewAction::PowerCommand, static_cast<std::int32_t>(PowerOp::LogOff)},
        {kMenuFastShutdown, 0, ViewAction::PowerCommand, static_cast<std::int32_t>(PowerOp::FastShutdown)},
        {kMenuPause + 3, 0, ViewAction::Pause, static_cast<std::int32_t>(PauseChoice::Tomorrow)},
        {kMenuQuickTimer + 0, 0, ViewAction::QuickTimer, kQuickTimerMinutes[0]},
        {kMenuQuickTimer + 3, 0, ViewAction::QuickTimer, kQuickTimerMinutes[3]},
        {kMenuCancelTimer, kTrayQuickTimer, ViewAction::QuickTimer, 0},
        {kMenuCleanJunk, 0, ViewAction::CleanJunk, 0},
    };
    for (const Row& row : rows) {
        const std::optional<MenuChoice> c = ChoiceForMenuItem(row.item, row.flags);
        ASSERT_TRUE(c) << row.item;
        EXPECT_EQ(c->action, row.action) << row.item;
        EXPECT_EQ(c->argument, row.argument) << row.item;
        // What the view sends is what the protocol carries.
        ViewMessage m;
        m.type = MessageType::Choice;
        m.action = c->action;
        m.argument = c->argument;
        EXPECT_NO_THROW(ParseFromView(EncodeViewMessage(m))) << row.item;
    }
    // What the view does itself asks nothing of the service.
    for (UINT item : {kMenuOpenCd, kMenuCloseCd, kMenuMonitorOff, kMenuHelp, kMenuAbout, kMenuExit, kMenuSettings})
        EXPECT_FALSE(ChoiceForMenuItem(item, kTrayMonitoring)) << item;
}

// The view reads the hotkeys' modifier from the program key, which users
// may read: the menu names the keys it registered; a value missing or of
// the wrong type keeps F8 to F11.
TEST(ServiceViews, TheViewTakesItsHotkeysFromTheProgramKey) {
    struct Row {
        const char* what;
        bool integer;
        std::int32_t number;
        bool ctrl;
    } rows[] = {
        {"no value", false, 0, false},
        {"rejian 1", true, 1, true},
        {"rejian 0", true, 0, false},
        {"rejian stored as text", false, 1, false},
    };
    const char key[] = "\\Software\\Brelnix\\VantrelViewSettingsTest";
    for (const Row& row : rows) {
        WinRegistry::DeleteTree(key);
        WinRegistry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        if (row.integer) reg.WriteInteger(kValCtrlHotkeys, row.number);
        if (!row.integer && row.number) reg.WriteString(kValCtrlHotkeys, "1");
        reg.CloseKey();
        ViewWindow::Options options;
        options.pipeName = UniquePipeName();  // no service: the view waits for one
        options.expected = OwnProcess;
        options.endsProgram = false;
        options.hotkeys = false;
        options.registry = &reg;
        options.programKey = key;
        ViewWindow view(options);
        ASSERT_TRUE(view.Start());
        const bool ctrl = view.menu().Caption(kMenuLogOff).find("Ctrl+") != std::string::npos;
        EXPECT_EQ(ctrl, row.ctrl) << row.what;
        // Nothing is offered without a service.
        EXPECT_TRUE(GetMenuState(view.menu().handle(), kMenuMonitor, MF_BYCOMMAND) & MF_GRAYED) << row.what;
        DestroyWindow(view.hwnd());
    }
    WinRegistry::DeleteTree(key);
}

// The sessions of a machine of the test's making, for the launcher.
class LaunchOps : public testing::RecordingSystemOps {
public:
    std::uint32_t console = 1;
    std::vector<std::uint32_t> active;
    unsigned major = 6;
    std::uint32_t ConsoleSession() override { return console; }
    std::vector<std::uint32_t> ActiveSessions() override { return active; }
    unsigned WindowsMajorVersion() override { return major; }
    std::vector<std::string> Starts() {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.rfind("start in session ", 0) == 0) out.push_back(c.substr(17));
        calls.clear();
        return out;
    }
};

TEST(ServiceViews, TheServiceStartsAViewWhereAUserHasNone) {
    const std::string view = "\"C:\\Program Files\\Vantrel\\Vantrel.exe\"";
    struct Row {
        const char* what;
        unsigned major;
        std::uint32_t console;
        std::vector<std::uint32_t> active;
        std::map<std::uint32_t, std::uint32_t> users;  // session -> elevation type
        std::vector<ViewPeer> views;
        std::vector<std::string> started;
    } rows[] = {
        {"a standard user and an administrator under UAC", 6, 1, {1, 2}, {{1, 1}, {2, 3}}, {},
         {"1 " + view, "2 linked " + view}},
        {"one of them has a view", 6, 1, {1, 2}, {{1, 1}, {2, 3}}, {ViewPeer{"PC\\a", 1, false}},
         {"2 linked " + view}},
        {"an elevated administrator", 6, 1, {1}, {{1, 2}}, {}, {"1 " + view}},
        {"the sign-in screen", 6, 1, {}, {}, {}, {}},
        {"session 0 from Vista on is the services'", 6, 0, {0}, {{0, 1}}, {}, {}},
        {"session 0 on XP is the console's", 5, 0, {0}, {{0, 1}}, {}, {"0 " + view}},
    };
    for (const Row& row : rows) {
        LaunchOps ops;
        ops.major = row.major;
        ops.console = row.console;
        ops.active = row.active;
        ops.sessionUsers = row.users;
        ViewLauncher launcher(view);
        launcher.StartMissing(row.views, 100);
        EXPECT_EQ(ops.Starts(), row.started) << row.what;
    }
}

TEST(ViewLauncher, AUsersExitHoldsUntilTheyLogOnAndAViewThatKeepsEndingRests) {
    LaunchOps ops;
    ops.active = {1};
    ops.sessionUsers = {{1, 1}};
    ViewLauncher launcher("v");
    launcher.ClosedByUser(1);
    launcher.StartMissing({}, 0);
    EXPECT_TRUE(ops.Starts().empty()) << "退出 holds";
    launcher.LoggedOn(1);
    launcher.StartMissing({}, 1);
    EXPECT_EQ(ops.Starts().size(), 1u) << "a new logon";
    // The view ends at once, every minute: three starts, then none until
    // the first of them is ten minutes old.
    for (std::int64_t minute = 2; minute < 11; ++minute) launcher.StartMissing({}, minute);
    EXPECT_EQ(ops.Starts().size(), 2u);
    launcher.StartMissing({}, 11);
    EXPECT_EQ(ops.Starts().size(), 1u);
}

}  // namespace
}  // namespace vantrel
