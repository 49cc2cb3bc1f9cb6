// The main window in-process: the countdown, the monitoring switch, the tray
// icon record, the hotkeys and the menu, on the real registry, with the
// power calls recorded.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <cstdlib>
#include <memory>

#include "app/main_window_win.h"
#include "app/shell_texts.h"
#include "app/startup_win.h"
#include "store/store_lock_win.h"
#include "tests/reminder_probe_win.h"
#include "scheduler/next_due.h"
#include "scheduler/time_text.h"
#include "registry/registry_win.h"
#include "tests/main_window_fixture_win.h"
#include "text/codepage_win.h"
#include "tests/recording_system_ops.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelMainWindowTest";

HICON SmallIcon(const char* name) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { WinRegistry::DeleteTree(kKey); }
    void TearDown() override {
        main_.reset();
        OwnedForms::ReleaseAll();
        WinRegistry::DeleteTree(kKey);
    }
    void StartWith(std::int32_t tishi, std::int32_t rejian = 0) {
        {
            WinRegistry reg;
            reg.OpenKey(kKey, true);
            reg.WriteInteger("tishi", tishi);
            reg.WriteInteger("rejian", rejian);
        }
        main_ = testing::StartTestMainWindow(kKey);
        ASSERT_NE(main_, nullptr);
    }
    void BeginCountdown(const std::string& word) {
        main_->runner().tickState().pendingAction = word;
        main_->driver().StartCountdown(word, false);
    }

    testing::RecordingSystemOps ops_;
    std::unique_ptr<MainWindow> main_;
};

TEST_F(MainWindowTest, StartsHiddenWithItsClassTrayRecordAndTickRunning) {
    StartWith(60);
    char cls[16] = {0};
    GetClassNameA(main_->hwnd(), cls, sizeof cls);
    EXPECT_STREQ(cls, "TForm1");
    EXPECT_FALSE(IsWindowVisible(main_->hwnd()));
    EXPECT_TRUE(GetWindowLongA(main_->hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT client;
    GetClientRect(main_->hwnd(), &client);
    EXPECT_EQ(client.right, 401);
    EXPECT_EQ(client.bottom, 136);
    const NOTIFYICONDATAW& r = main_->tray().record();
    // The layout and flags of this system's protocol.
    const OSVERSIONINFOA& v = SystemVersion();
    const TrayProtocol protocol = TrayProtocolFor(v.dwMajorVersion, v.dwMinorVersion);
    EXPECT_EQ(r.cbSize, protocol.recordSize);
    EXPECT_EQ(r.uID, 100u);
    EXPECT_EQ(r.uFlags & 7u, 7u);
    EXPECT_EQ(r.uCallbackMessage, 0x401u);
    EXPECT_EQ(r.hWnd, main_->hwnd());
    EXPECT_STREQ(r.szTip, L"Vantrel-启用");
    EXPECT_TRUE(main_->menu().MonitorChecked());
    EXPECT_TRUE(main_->driver().timer1Running());
    EXPECT_FALSE(main_->runner().counting());
    EXPECT_EQ(main_->view().BarMaximum(), 60);
    EXPECT_EQ(MainWindow::FindRunningCopy(), main_->hwnd());
}

TEST_F(MainWindowTest, CaptionsOfTheCountdownWindowForEveryWord) {
    StartWith(60);
    for (const char* w : {"注销", "待机", "休眠", "重启", "关机", "断开拨号", "快速重启", "快速关机"}) {
        main_->view().ChangeCaption(w);
        EXPECT_EQ(WindowText(main_->view().actNow()), std::string("立即") + w);
        EXPECT_EQ(WindowText(main_->view().cancel()), std::string("取消") + w);
        EXPECT_EQ(WindowText(main_->view().label1()),
                  std::string("要想取消") + w + "，请按下<取消" + w + ">按钮:剩余");
        EXPECT_EQ(WindowText(main_->hwnd()), std::string("Windows 正在准备") + w + "...");
    }
}

TEST_F(MainWindowTest, TheCountdownStepsAndCarriesOutAtItsEnd) {
    StartWith(3);
    BeginCountdown("关机");
    EXPECT_TRUE(IsWindowVisible(main_->hwnd()));
    EXPECT_TRUE(main_->runner().counting());
    EXPECT_FALSE(main_->driver().timer1Running());
    main_->Timer2Timer();
    EXPECT_EQ(WindowText(main_->view().label2()), "2 秒");
    EXPECT_EQ(main_->view().BarPosition(), 1);
    main_->Timer2Timer();
    EXPECT_TRUE(ops_.calls.empty());
    main_->Timer2Timer();
    EXPECT_EQ(WindowText(main_->view().label2()), "0 秒");
    EXPECT_EQ(ops_.calls, (std::vector<std::string>{"ExitWindowsEx 28"}));
    EXPECT_FALSE(IsWindowVisible(main_->hwnd()));
    EXPECT_FALSE(main_->runner().counting());
    EXPECT_EQ(main_->view().BarPosition(), 0);
    // The tick comes back through the re-arm, not at once.
    EXPECT_FALSE(main_->driver().timer1Running());
    EXPECT_TRUE(main_->driver().timer3Running());
    main_->driver().Timer3Timer();
    EXPECT_TRUE(main_->driver().timer1Running());
}

TEST_F(MainWindowTest, SixtySecondsShowFiftyNineAfterOneStep) {
    StartWith(60);
    BeginCountdown("注销");
    main_->Timer2Timer();
    EXPECT_EQ(WindowText(main_->view().label2()), "59 秒");
    EXPECT_TRUE(ops_.calls.empty());
}

TEST_F(MainWindowTest, ZeroAndNegativeLengthsActAtTheFirstStep) {
    for (std::int32_t length : {0, -30}) {
        StartWith(length);
        BeginCountdown("重启");
        main_->Timer2Timer();
        EXPECT_EQ(WindowText(main_->view().label2()), "0 秒") << length;
        ASSERT_EQ(ops_.calls.size(), 1u) << length;
        EXPECT_EQ(ops_.calls[0], "ExitWindowsEx 22");
        ops_.calls.clear();
        main_.reset();
    }
}

TEST_F(MainWindowTest, ALengthLoweredDuringACountdownCountsOnTheNewScale) {
    struct Case {
        int stepsBefore;  // taken at 120 s before the settings window saves 60 s
        int stepsAfter;   // until the action, on the new scale
    };
    const Case cases[] = {{30, 30}, {59, 1}, {100, 1}};
    for (const Case& c : cases) {
        StartWith(120);
        BeginCountdown("关机");
        for (int i = 0; i < c.stepsBefore; ++i) main_->Timer2Timer();
        main_->SetCountdownLength(60);
        int steps = 0, last = 60;
        while (ops_.calls.empty() && steps < 200) {
            main_->Timer2Timer();
            ++steps;
            const int shown = std::atoi(WindowText(main_->view().label2()).c_str());
            EXPECT_GE(shown, 0) << c.stepsBefore;
            EXPECT_LT(shown, last) << c.stepsBefore;
            last = shown;
        }
        EXPECT_EQ(steps, c.stepsAfter) << c.stepsBefore;
        EXPECT_EQ(WindowText(main_->view().label2()), "0 秒");
        EXPECT_EQ(ops_.calls, (std::vector<std::string>{"ExitWindowsEx 28"}));
        // The next countdown starts from its whole length.
        main_->driver().Timer3Timer();
        BeginCountdown("重启");
        EXPECT_EQ(WindowText(main_->view().label2()), "60 秒");
        main_->Timer2Timer();
        EXPECT_EQ(WindowText(main_->view().label2()), "59 秒");
        ops_.calls.clear();
        main_.reset();
    }
}

TEST_F(MainWindowTest, TheCancelButtonHasTheFocusSoSpaceCancels) {
    StartWith(60);
    BeginCountdown("关机");
    ASSERT_EQ(GetFocus(), main_->view().cancel());
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        MSG space = {GetFocus(), message, VK_SPACE, 0, 0, {0, 0}};
        IsDialogMessageA(main_->hwnd(), &space);
    }
    PumpMessages();
    EXPECT_TRUE(ops_.calls.empty());
    EXPECT_FALSE(IsWindowVisible(main_->hwnd()));
    EXPECT_FALSE(main_->menu().MonitorChecked());
}

TEST_F(MainWindowTest, ActNowCarriesOutAtOnce) {
    StartWith(60);
    BeginCountdown("快速关机");
    main_->Timer2Timer();
    SendMessageA(main_->hwnd(), WM_COMMAND, MAKEWPARAM(CountdownView::kActNowId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(main_->view().actNow()));
    EXPECT_EQ(ops_.calls, (std::vector<std::string>{"NtShutdownSystem 2"}));
    EXPECT_FALSE(IsWindowVisible(main_->hwnd()));
    EXPECT_EQ(main_->view().BarPosition(), 0);
    EXPECT_TRUE(main_->menu().MonitorChecked());
    EXPECT_TRUE(main_->driver().timer3Running());
}

TEST_F(MainWindowTest, EscCancelsAndSwitchesMonitoringOff) {
    StartWith(60);
    BeginCountdown("关机");
    main_->Timer2Timer();
    SetFocus(main_->view().cancel());
    MSG esc = {main_->view().cancel(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageA(main_->hwnd(), &esc));
    PumpMessages();
    EXPECT_TRUE(ops_.calls.empty());
    EXPECT_FALSE(IsWindowVisible(main_->hwnd()));
    EXPECT_FALSE(main_->runner().counting());
    EXPECT_FALSE(main_->driver().timer1Running());
    EXPECT_FALSE(main_->driver().timer3Running());
    EXPECT_FALSE(main_->menu().MonitorChecked());
    EXPECT_STREQ(main_->tray().record().szTip, L"Vantrel-禁用\n下次：无");
    EXPECT_EQ(main_->tray().icon(), SmallIcon("DISSHUT"));
    EXPECT_EQ(main_->view().BarPosition(), 0);
}

TEST_F(MainWindowTest, MonitoringOffStaysOffThroughTheRearmAndACountdown) {
    StartWith(1);
    main_->driver().Suspend();          // a task ran at once
    main_->SwitchMonitoring();          // the user switches off meanwhile
    main_->driver().Timer3Timer();
    EXPECT_FALSE(main_->driver().timer1Running());
    main_->driver().Suspend();
    main_->driver().Timer3Timer();
    EXPECT_FALSE(main_->driver().timer1Running());
    main_->SwitchMonitoring();
    EXPECT_TRUE(main_->driver().timer1Running());
    EXPECT_EQ(main_->tray().icon(), SmallIcon("ENASHUT"));  // not the start-up icon
    EXPECT_STREQ(main_->tray().record().szTip, L"Vantrel-启用");
}

std::string Stored(const char* name) {
    WinRegistry reg;
    return reg.OpenKey(kKey, false) && reg.ValueExists(name) ? reg.ReadString(name) : "(none)";
}

// The tip names the task that runs next once the tick has read the tasks,
// by its action's short word.
TEST_F(MainWindowTest, TheTipNamesTheNextTaskTheTickRead) {
    testing::DailyForNow(50);
    const LocalTime now = LocalTimeNow(), at = AddMinutes(now, 120), earlier = AddMinutes(now, 60);
    auto daily = [](const LocalTime& t) { return "每天" + std::to_string(t.hour) + "时" + std::to_string(t.minute) + "分"; };
    testing::StoreRecords(kKey, {{daily(at), "关闭计算机", "", "启用"}, {daily(earlier), "提醒", "x", "禁用"}});
    StartWith(60);
    EXPECT_EQ(main_->tray().tip(), "Vantrel-启用");  // nothing read yet
    main_->driver().Timer1Timer();
    EXPECT_EQ(main_->tray().tip(), "Vantrel-启用\n下次：" + MinuteTextFrom(at, now, true) + " 关机");
}

// 暂停 1小时: a task due now does not run, and the pause holds after a
// restart; 启用监控 ends it at once, and a pause ends by itself in its minute.
TEST_F(MainWindowTest, APauseStopsATaskDueNowAndOutlivesARestart) {
    testing::StoreRecords(kKey, {{testing::DailyForNow(45), "提醒", "暂停中", "启用"}});
    StartWith(60);
    main_->OnCommand(kMenuPause + 0);
    ASSERT_TRUE(main_->runner().pausedUntil());
    const std::string until = FormatMinute(*main_->runner().pausedUntil());
    EXPECT_EQ(Stored("zanting"), until);
    main_->driver().Timer1Timer();  // a tick message queued before the pause
    EXPECT_TRUE(testing_win::AllReminders().empty());
    EXPECT_EQ(main_->tray().icon(), SmallIcon("DISSHUT"));
    EXPECT_EQ(main_->tray().tip(), "Vantrel-禁用\n暂停至：" + MinuteTextFrom(*main_->runner().pausedUntil(), LocalTimeNow(), true));

    main_.reset();
    main_ = testing::StartTestMainWindow(kKey);
    ASSERT_TRUE(main_ && main_->runner().pausedUntil());
    EXPECT_EQ(FormatMinute(*main_->runner().pausedUntil()), until);
    EXPECT_FALSE(main_->menu().MonitorChecked() || main_->driver().timer1Running());
    main_->OnCommand(kMenuMonitor);
    EXPECT_EQ(Stored("zanting"), "(none)");
    EXPECT_TRUE(main_->menu().MonitorChecked() && main_->driver().timer1Running());

    main_->OnCommand(kMenuPause + 3);
    main_->store().WriteMinuteValue(kValPauseUntil, FormatMinute(LocalTimeNow()));  // its minute came
    main_->StatusTimer();
    EXPECT_EQ(Stored("zanting"), "(none)");
    EXPECT_TRUE(main_->driver().timer1Running());
}

// 定时关机 15分钟后 adds no task and holds after a restart, its time in the
// menu and the tip; 取消定时 clears it; in its minute the 关机 countdown
// starts.
TEST_F(MainWindowTest, AQuickTimerIsNoTaskOutlivesARestartAndIsCancelled) {
    testing::DailyForNow(50);
    StartWith(60);
    main_->OnCommand(kMenuQuickTimer + 0);
    ASSERT_TRUE(main_->runner().quickTimer());
    const LocalTime at = *main_->runner().quickTimer();
    EXPECT_GE(MinuteNumber(at) - MinuteNumber(LocalTimeNow()), 15);
    EXPECT_EQ(Stored("dingshi"), FormatMinute(at));
    EXPECT_EQ(Stored("A1"), "(none)");

    main_.reset();
    main_ = testing::StartTestMainWindow(kKey);
    ASSERT_TRUE(main_ && main_->runner().quickTimer());
    const std::string time = MinuteTextFrom(at, LocalTimeNow(), true);
    EXPECT_EQ(main_->menu().Caption(kMenuCancelTimer), "取消定时 " + time);
    EXPECT_EQ(main_->tray().tip(), "Vantrel-启用\n定时关机：" + time);
    main_->OnCommand(kMenuCancelTimer);
    EXPECT_EQ(Stored("dingshi"), "(none)");
    EXPECT_EQ(main_->menu().Caption(kMenuCancelTimer), "取消定时");
    EXPECT_TRUE(GetMenuState(main_->menu().handle(), kMenuCancelTimer, MF_BYCOMMAND) & MF_GRAYED);

    main_->store().WriteMinuteValue(kValQuickTimer, FormatMinute(LocalTimeNow()));
    main_->StatusTimer();
    EXPECT_TRUE(main_->runner().counting());
    EXPECT_EQ(main_->runner().tickState().pendingAction, "关机");
    EXPECT_EQ(Stored("dingshi"), "(none)");
    // 取消 switches monitoring off, and the balloon says how to switch it on.
    main_->BitBtn2Click();
    EXPECT_FALSE(main_->runner().gate().monitoring);
    EXPECT_EQ(main_->tray().lastBalloon(), kCancelledBalloonText);
}

// Whether the shell holds the program's icon: a change of nothing succeeds
// only for an icon it holds.
bool ShellHoldsIcon(HWND window) {
    NOTIFYICONDATAA probe = {};
    probe.cbSize = 88;
    probe.hWnd = window;
    probe.uID = TrayIcon::kId;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

TEST_F(MainWindowTest, TaskbarCreatedAddsTheCurrentIconAgain) {
    StartWith(60);
    main_->SwitchMonitoring();  // off
    ASSERT_TRUE(ShellHoldsIcon(main_->hwnd()));
    // Explorer ends and takes the icons with it.
    NOTIFYICONDATAW gone = main_->tray().record();
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
    ASSERT_FALSE(ShellHoldsIcon(main_->hwnd()));
    SendMessageA(main_->hwnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellHoldsIcon(main_->hwnd()));
    EXPECT_EQ(main_->tray().lastAdded().hIcon, SmallIcon("DISSHUT"));
    EXPECT_STREQ(main_->tray().lastAdded().szTip, L"Vantrel-禁用\n下次：无");
}

TEST_F(MainWindowTest, TheCloseBoxOfTheCountdownRemovesTheIconAndFreesTheHotkeys) {
    StartWith(60);
    BeginCountdown("关机");
    const HWND window = main_->hwnd();
    HWND probe = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(ShellHoldsIcon(window));
    ASSERT_FALSE(RegisterHotKey(probe, 1, 0, VK_F8));
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(ShellHoldsIcon(window));
    EXPECT_TRUE(ops_.calls.empty()) << "the pending action is not carried out";
    int id = 1;
    for (UINT vk : {VK_F8, VK_F9, VK_F10, VK_F11}) {
        EXPECT_TRUE(RegisterHotKey(probe, id, 0, vk)) << vk;
        UnregisterHotKey(probe, id++);
    }
    DestroyWindow(probe);
}

TEST_F(MainWindowTest, MenuItemsInOrderWithPlainHotkeys) {
    StartWith(60, 0);
    HMENU m = main_->menu().handle();
    ASSERT_EQ(GetMenuItemCount(m), 22);
    const char* expected[] = {
        "启用监控(&E)", "", "设置(&S)", "暂停(&B)", "定时关机(&T)", "", nullptr, "待机(&W)  F9", "休眠(&N)", "重启(&R)",
        "关机(&U)", "打开光驱(&O)", "关闭光驱(&C)", "关闭显示器(&M)", "清理系统垃圾(&Z)",
        "快速重启(&I)  F10", "快速关机(&Q)  F11", "", "软件更新(&P)", "关于(&A)", "帮助(&H)",
        "退出(&X)"};
    for (int i = 0; i < 22; ++i) {
        wchar_t text[256] = {0};
        GetMenuStringW(m, i, text, 256, MF_BYPOSITION);
        if (expected[i]) {
            EXPECT_EQ(Narrow(text), expected[i]) << i;
        }
        bool separator = (GetMenuState(m, i, MF_BYPOSITION) & MF_SEPARATOR) != 0;
        EXPECT_EQ(separator, expected[i] && !*expected[i]) << i;
    }
    EXPECT_EQ(main_->menu().Caption(kMenuLogOff), "注销(&L)  F8  " + UserName());
}

TEST_F(MainWindowTest, CtrlHotkeysChangeTheCaptions) {
    StartWith(60, 1);
    EXPECT_EQ(main_->menu().Caption(kMenuLogOff), "注销(&L) Ctrl+F8  " + UserName());
    EXPECT_EQ(main_->menu().Caption(kMenuStandby), "待机(&W) Ctrl+F9");
    EXPECT_EQ(main_->menu().Caption(kMenuFastRestart), "快速重启(&I) Ctrl+F10");
    EXPECT_EQ(main_->menu().Caption(kMenuFastShutdown), "快速关机(&Q) Ctrl+F11");
}

TEST_F(MainWindowTest, HotkeysAreTheAtomsAndActAtOnce) {
    StartWith(60);
    const Hotkeys& h = main_->hotkeys();
    EXPECT_EQ(h.f8(), GlobalFindAtomA("MyHotkeyF8"));
    EXPECT_EQ(h.f11(), GlobalFindAtomA("MyHotkeyF11"));
    EXPECT_NE(h.f8(), 0);
    EXPECT_EQ(SendMessageA(main_->hwnd(), WM_HOTKEY, h.f8(), MAKELPARAM(0, VK_F8)), 1);
    SendMessageA(main_->hwnd(), WM_HOTKEY, h.f9(), 0);
    SendMessageA(main_->hwnd(), WM_HOTKEY, h.f10(), 0);
    SendMessageA(main_->hwnd(), WM_HOTKEY, h.f11(), 0);
    SendMessageA(main_->hwnd(), WM_HOTKEY, 12345, 0);
    EXPECT_EQ(ops_.calls,
              (std::vector<std::string>{"ExitWindowsEx 20", "SetSystemPowerState 11",
                                        "NtShutdownSystem 1", "NtShutdownSystem 2"}));
    EXPECT_FALSE(IsWindowVisible(main_->hwnd()));  // no countdown
}

TEST_F(MainWindowTest, TheHotkeysAreTakenWithTheirModifier) {
    for (std::int32_t rejian : {0, 1}) {
        StartWith(60, rejian);
        HWND probe = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        UINT mine = rejian ? MOD_CONTROL : 0, other = rejian ? 0 : MOD_CONTROL;
        EXPECT_FALSE(RegisterHotKey(probe, 1, mine, VK_F11)) << rejian;
        EXPECT_TRUE(RegisterHotKey(probe, 2, other, VK_F11)) << rejian;
        UnregisterHotKey(probe, 2);
        DestroyWindow(probe);
        main_.reset();
    }
}

TEST_F(MainWindowTest, ImmediateMenuCommandsCallTheirOperations) {
    StartWith(60);
    for (UINT id : {kMenuLogOff, kMenuStandby, kMenuHibernate, kMenuRestart, kMenuPowerOff,
                    kMenuFastRestart, kMenuFastShutdown, kMenuOpenCd, kMenuCloseCd,
                    kMenuMonitorOff})
        main_->OnCommand(id);
    const std::string window = testing::RecordingSystemOps::Hex(main_->hwnd());
    EXPECT_EQ(ops_.calls, (std::vector<std::string>{
                              "ExitWindowsEx 20", "SetSystemPowerState 11", "SetSystemPowerState 01",
                              "ExitWindowsEx 22", "ExitWindowsEx 28", "NtShutdownSystem 1",
                              "NtShutdownSystem 2", "mci Set cdaudio door open wait " + window,
                              "mci Set cdaudio door closed wait " + window,
                              "broadcast 0x112 0xf170 0x2"}));
}

// The lid closes two seconds into a countdown and opens again: the person
// at the machine gets the whole warning, and idle sleep never swallows it.
TEST_F(MainWindowTest, ASleepStopsTheCountdownAndTheWakeShowsItWhole) {
    const std::uint32_t kAwake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
    StartWith(5);
    BeginCountdown("关机");
    main_->Timer2Timer();
    main_->Timer2Timer();
    PostMessageA(main_->hwnd(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(main_->hwnd()) || main_->runner().counting());
    EXPECT_FALSE(main_->driver().timer1Running());  // no task fires around the sleep
    for (WPARAM resume : {PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND})
        PostMessageA(main_->hwnd(), WM_POWERBROADCAST, resume, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(main_->hwnd()));
    EXPECT_EQ(WindowText(main_->view().label2()), "5 秒");
    main_->BitBtn2Click();
    EXPECT_EQ(ops_.executionStates,
              (std::vector<std::uint32_t>{kAwake, ES_CONTINUOUS, kAwake, ES_CONTINUOUS}));
    EXPECT_TRUE(ops_.calls.empty());
}

// Windows 10 after a Fast Startup power-on 45 s ago, its last restart six
// days back: the editor (and the greeting) and a 开机 task count 45 s.
TEST_F(MainWindowTest, TheEditorAndTheTickCountFromTheLastPowerOn) {
    const std::uint64_t days6 = 6ull * 24 * 3600 * 1000;
    ops_.uptime = UptimeClock{days6, (days6 - 45000) * 10000};
    testing::StoreRecords(kKey, {{"开机0时0分", "提醒", "刚开机", "启用"}});
    StartWith(60);
    EXPECT_EQ(main_->SecondsSinceStart(), 45u);
    main_->driver().Timer1Timer();
    EXPECT_EQ(main_->driver().lastReport().fired, std::vector<int>{1});
}

// Windows' shutdown broadcast, sent while the cleanup batch runs, is
// answered at once; the tick stays held until the batch ends, and a second
// cleanup asked for meanwhile starts no second batch.
TEST_F(MainWindowTest, TheWindowAnswersWhileTheCleanupBatchRuns) {
    StartWith(60);
    HANDLE batch = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // ends when set
    int batches = 0;
    bool tickHeld = false;
    ops_.onStart = [&](const ProcessStart&) -> void* {
        if (batches++ == 0) main_->OnCommand(kMenuCleanJunk);  // refused: one runs
        tickHeld = !main_->driver().timer1Running();
        HANDLE handed = nullptr;  // the cleanup closes what it is given
        DuplicateHandle(GetCurrentProcess(), batch, GetCurrentProcess(), &handed, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        return handed;
    };
    // Windows' side: another thread sends the broadcast, then lets the batch end.
    struct Shutdown {
        HWND window;
        HANDLE batch;
        DWORD_PTR answer = 0;
        LRESULT answered = 0;
        static DWORD WINAPI Send(void* self) {
            auto* s = static_cast<Shutdown*>(self);
            s->answered = SendMessageTimeoutA(s->window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 1000, &s->answer);
            SetEvent(s->batch);
            return 0;
        }
    } shutdown{main_->hwnd(), batch};
    HANDLE windows = CreateThread(nullptr, 0, Shutdown::Send, &shutdown, 0, nullptr);
    ASSERT_NE(windows, nullptr);
    main_->OnCommand(kMenuCleanJunk);
    WaitForSingleObject(windows, INFINITE);
    CloseHandle(windows);
    const DWORD_PTR answer = shutdown.answer;
    const LRESULT answered = shutdown.answered;
    EXPECT_TRUE(answered && answer);  // answered, and the program holds no shutdown up
    EXPECT_TRUE(tickHeld && batches == 1 && main_->driver().timer1Running());
    CloseHandle(batch);
}

TEST_F(MainWindowTest, AboutOpensANewWindowEachTime) {
    StartWith(60);
    std::size_t before = OwnedForms::Count();
    main_->OnCommand(kMenuAbout);
    main_->OnCommand(kMenuAbout);
    EXPECT_EQ(OwnedForms::Count(), before + 2);
    int shown = 0;
    for (HWND w = FindWindowA("TForm2", nullptr); w; w = FindWindowExA(nullptr, w, "TForm2", nullptr))
        if (IsWindowVisible(w)) ++shown;
    EXPECT_EQ(shown, 2);
}

TEST_F(MainWindowTest, AWrongTypeSettingIsReportedAndStartUpGoesOn) {
    {
        WinRegistry reg;
        reg.OpenKey(kKey, true);
        reg.WriteString("rejian", "1");
    }
    main_ = testing::StartTestMainWindow(kKey);
    ASSERT_NE(main_, nullptr);
    EXPECT_EQ(main_->startupErrors(), (std::vector<std::string>{"Invalid data type for 'rejian'"}));
    EXPECT_EQ(main_->settings().ctrlFlag, 0);
    EXPECT_TRUE(main_->driver().timer1Running());
    EXPECT_NE(main_->hotkeys().f8(), 0);
}

// Values above the task count, which start-up reports, hold nothing: the
// report is a reminder nobody has answered yet when the first tick shows
// the reminder due at start, and the history has the report too.
TEST_F(MainWindowTest, AStartUpReportWaitsForNobody) {
    testing::StoreRecords(kKey, {{testing::DailyForNow(45), "提醒", "开机就到点", "启用"}});
    {
        WinRegistry reg;
        reg.OpenKey(kKey, true);
        reg.WriteString("A2", "每天8时0分");  // above TaskNum 1: belongs to no task
    }
    main_ = testing::StartTestMainWindow(kKey, "", "", true);
    ASSERT_NE(main_, nullptr);
    ASSERT_FALSE(main_->startupErrors().empty());
    const std::vector<HWND> report = testing_win::VisibleReminders();
    ASSERT_EQ(report.size(), 1u);
    main_->driver().Timer1Timer();
    EXPECT_TRUE(IsWindowVisible(report[0]));  // still unanswered
    bool due = false;
    for (HWND r : testing_win::VisibleReminders()) due = due || testing_win::ReminderText(r) == "开机就到点";
    EXPECT_TRUE(due);
    OwnedForms::ReleaseAll();
}

// Runs `test` on this thread under `token` (nullptr: the process's own).
template <typename Test>
auto Impersonating(HANDLE token, Test test) {
    if (token && !ImpersonateLoggedOnUser(token)) ADD_FAILURE() << "impersonate " << GetLastError();
    auto result = test();
    RevertToSelf();
    return result;
}

TEST_F(MainWindowTest, TheAdministratorTestSeesOnlyAnEnabledAdministratorsGroup) {
    // Wine runs its user as an administrator: the process token is one.
    EXPECT_TRUE(IsAdministrator());
    HANDLE process = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(),
                                 TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_IMPERSONATE, &process));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                         DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins));
    // The same token with the Administrators group kept for deny only, as a
    // program of an administrator started without elevation has it.
    SID_AND_ATTRIBUTES disable = {admins, 0};
    HANDLE restricted = nullptr;
    ASSERT_TRUE(CreateRestrictedToken(process, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted));
    struct Case {
        HANDLE token;
        bool administrator;
    };
    for (const Case& c : {Case{process, true}, Case{restricted, false}}) {
        EXPECT_EQ(Impersonating(c.token, [] { return IsAdministrator(); }), c.administrator);
        // Start-up reports it, once, in a reminder.
        OwnedForms::ReleaseAll();
        MainWindow::Options options;
        options.programKey = kKey;
        options.endsProgram = false;
        MainWindow main(std::unique_ptr<Registry>(new WinRegistry), options);
        ASSERT_TRUE(Impersonating(c.token, [&] { return main.Start(); }));
        int reports = 0;
        for (HWND w = FindWindowA("TForm6", nullptr); w; w = FindWindowExA(nullptr, w, "TForm6", nullptr))
            for (HWND child = GetWindow(w, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                if (WindowText(child).find("以标准用户身份运行") != std::string::npos) ++reports;
        EXPECT_EQ(reports, c.administrator ? 0 : 1);
    }
    CloseHandle(restricted);
    CloseHandle(process);
    FreeSid(admins);
}

// A copy told that its session was switched away has no tick and fires
// nothing, not from a tick already queued either, until told it is back.
TEST_F(MainWindowTest, ACopyToldItsSessionWasSwitchedAwayFiresNothingUntilItIsBack) {
    testing::StoreRecords(kKey, {{testing::DailyForNow(45), "提醒", "会话", "启用"}});
    main_ = testing::StartTestMainWindow(kKey);
    ASSERT_NE(main_, nullptr);
    const struct {
        std::vector<std::pair<WPARAM, LPARAM>> told;
        std::vector<int> fired;
    } kSteps[] = {
        {{{WTS_CONSOLE_DISCONNECT, 1}, {WTS_CONSOLE_CONNECT, 2}}, {}},  // another user switched in
        {{{WTS_SESSION_LOCK, 2}, {WTS_REMOTE_CONNECT, 4}}, {}},         // others' changes
        {{{WTS_CONSOLE_DISCONNECT, 2}, {WTS_CONSOLE_CONNECT, 1}}, {1}},  // back
    };
    for (const auto& step : kSteps) {
        for (const auto& m : step.told) SendMessageW(main_->hwnd(), WM_WTSSESSION_CHANGE, m.first, m.second);
        EXPECT_EQ(main_->driver().timer1Running(), !step.fired.empty());
        main_->driver().Timer1Timer();
        EXPECT_EQ(main_->driver().lastReport().fired, step.fired);
    }
    main_.reset();
    EXPECT_TRUE(ops_.watching.empty()) << "unregistered before the window goes";
}

// A policy set while the program runs is taken up at the next minute's
// timer (the policy key watched, nothing read while it stays as it was):
// its value replaces the copy, the menu greys what the policies take away
// and a cancelled countdown leaves monitoring on; removing the policies
// gives the user's value and the items back.
TEST_F(MainWindowTest, APolicyChangeIsTakenUpWithinAMinute) {
    StartWith(60);
    const std::string policyKey = testing::TestPolicyKey(kKey);
    const UINT items[] = {kMenuMonitor, kMenuPause, kMenuPause + 3, kMenuExit};
    for (UINT item : items) EXPECT_TRUE(main_->menu().Enabled(item)) << item;
    {
        WinRegistry reg;
        reg.OpenKey(policyKey, true);
        reg.WriteInteger("tishi", 30);
        reg.WriteInteger("changkai", 1);
        reg.WriteInteger("butui", 1);
    }
    main_->StatusTimer();
    EXPECT_EQ(main_->settings().countdownLength, 30);
    for (UINT item : items) EXPECT_FALSE(main_->menu().Enabled(item)) << item;
    main_->OnCommand(kMenuPause);
    main_->OnCommand(kMenuMonitor);
    EXPECT_TRUE(main_->menu().MonitorChecked());
    BeginCountdown("关机");
    main_->BitBtn2Click();
    EXPECT_TRUE(main_->menu().MonitorChecked());
    EXPECT_TRUE(main_->driver().timer1Running());

    WinRegistry::DeleteTree(policyKey);
    main_->StatusTimer();
    EXPECT_EQ(main_->settings().countdownLength, 60);
    for (UINT item : items) EXPECT_TRUE(main_->menu().Enabled(item)) << item;
}

}  // namespace
}  // namespace vantrel
