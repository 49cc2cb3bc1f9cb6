// The tick as the running program drives it: real timers on a real window,
// the real registry, and the real reminder windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>

#include "actions/power_actions_win.h"
#include "actions/reminder_window_win.h"
#include "app/tick_driver_win.h"
#include "scheduler/clock.h"
#include "registry/registry_win.h"
#include "tests/main_window_fixture_win.h"
#include "winui/form_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelTickDriverTest";

// A window whose timers reach the driver, as the main window's do.
class TimerWindow : public Form {
public:
    TimerWindow() { CreateForm("VantrelTestTimerWindow", "", WS_OVERLAPPED, 0, 10, 10); }
    TickDriver* driver = nullptr;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER && driver) {
            if (wParam == TickDriver::kTimer1) driver->Timer1Timer();
            if (wParam == TickDriver::kTimer3) driver->Timer3Timer();
            return 0;
        }
        return Form::HandleMessage(msg, wParam, lParam);
    }
};

struct Found {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectReminders(HWND hwnd, LPARAM lParam) {
    char cls[32] = {0};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::string(cls) == "TForm6" && IsWindowVisible(hwnd))
        reinterpret_cast<Found*>(lParam)->windows.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> VisibleReminders() {
    Found found;
    EnumWindows(CollectReminders, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

bool AnyReminderShows(const std::string& text) {
    for (HWND w : VisibleReminders()) {
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (WindowText(c) == text) return true;
    }
    return false;
}

std::string DailyForNow() { return testing::DailyForNow(45); }

// The runner's effects as far as these tests look: the countdowns it
// starts, and the tick's timers following its gate.
class TimersView : public RunnerMachine, public RunnerView {
public:
    TickDriver* driver = nullptr;
    std::vector<std::string> countdowns;
    std::string PowerRefusal(const std::string& word) override { return PowerRefusalNow(NeedOfWord(word)); }
    BusySample BusyFacts() override { return BusySample(); }
    OtherSessions OtherSessionsNow() override { return OtherSessions(); }
    void ShowCountdown(const std::string& word, const std::string&, bool closeAll) override {
        countdowns.push_back(word + (closeAll ? "+" : ""));
    }
    void StepCountdown(std::int32_t, std::int32_t, const std::string&) override {}
    void HideCountdown() override {}
    void SetCountdownBar(std::int32_t, std::int32_t) override {}
    PowerOutcome CarryOut(const std::string&, const std::string&) override { return PowerOutcome(); }
    void KeepAwake(AwakeNeed) override {}
    void ShowBalloon(const std::string&) override {}
    void ShowNotice(const std::string& text) override { vantrel::ShowReminder(text); }
    void GateChanged() override {
        if (driver) driver->ApplyGate();
    }
    void StatusChanged() override {}
};

class TickDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        OwnedForms::ReleaseAll();
        WinRegistry::DeleteTree(kKey);
        store_->StartupLoad(settings_);
    }
    void TearDown() override {
        view_.driver = nullptr;
        driver_.reset();
        OwnedForms::ReleaseAll();
        WinRegistry::DeleteTree(kKey);
    }
    void MakeDriver(TickDriver::Intervals intervals = TickDriver::Intervals()) {
        UseDriver(new TickDriver(window_.hwnd(), runner_, intervals));
    }
    void UseDriver(TickDriver* driver) {
        driver_.reset(driver);
        window_.driver = driver;
        view_.driver = driver;
        driver_->ApplyGate();
    }
    void PumpFor(DWORD ms) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            PumpMessages();
            Sleep(10);
        }
    }

    // What the computer can do and how long it has been on: recorded
    // answers, not the machine's.
    testing::RecordingSystemOps ops_;
    WinRegistry reg_;
    std::unique_ptr<TaskStore> store_{new TaskStore(reg_, kKey)};
    TimersView view_;
    Runner runner_{*store_, reg_, kKey, view_, view_, LocalTimeNow};
    Settings& settings_ = runner_.settings();
    TickState& state_ = runner_.tickState();
    TickGate& gate_ = runner_.gate();
    std::vector<std::string>& countdowns_ = view_.countdowns;
    TimerWindow window_;
    std::unique_ptr<TickDriver> driver_;
};

TEST_F(TickDriverTest, ADueReminderShowsItsWindowAndSuspendsTheTick) {
    store_->Append(settings_, DailyForNow(), "提醒", "下班时间到。");
    MakeDriver();
    ASSERT_TRUE(driver_->timer1Running());
    driver_->Timer1Timer();
    EXPECT_TRUE(AnyReminderShows("下班时间到。"));
    EXPECT_EQ(VisibleReminders().size(), 1u);
    EXPECT_FALSE(driver_->timer1Running());
    EXPECT_TRUE(driver_->timer3Running());

    driver_->Timer3Timer();
    EXPECT_TRUE(driver_->timer1Running());
    EXPECT_FALSE(driver_->timer3Running());
}

TEST_F(TickDriverTest, TheRearmLeavesTheTickOffWhileMonitoringIsOff) {
    store_->Append(settings_, DailyForNow(), "提醒", "x");
    MakeDriver();
    driver_->Timer1Timer();
    gate_.monitoring = false;  // switched off during the suspension
    driver_->Timer3Timer();
    EXPECT_FALSE(driver_->timer1Running());
    gate_.monitoring = true;
    driver_->ApplyGate();
    EXPECT_TRUE(driver_->timer1Running());
}

TEST_F(TickDriverTest, RealTimersFireATaskOnceInItsMinute) {
    store_->Append(settings_, DailyForNow(), "提醒", "once only");
    TickDriver::Intervals fast;
    fast.tick = 50;  // many ticks inside the minute; the re-arm stays at 60 s
    MakeDriver(fast);
    PumpFor(1500);
    EXPECT_EQ(VisibleReminders().size(), 1u);
    EXPECT_TRUE(AnyReminderShows("once only"));
    EXPECT_TRUE(driver_->timer3Running());
}

TEST_F(TickDriverTest, ACountdownTaskHandsItsWordToTheCountdownAndStopsTheTick) {
    settings_.closeAll = 1;
    store_->Append(settings_, DailyForNow(), "待机计算机", "");
    MakeDriver();
    driver_->Timer1Timer();
    EXPECT_EQ(countdowns_, (std::vector<std::string>{"待机+"}));
    EXPECT_EQ(state_.pendingAction, "待机");
    EXPECT_TRUE(gate_.countingDown);
    EXPECT_FALSE(driver_->timer1Running());
    EXPECT_FALSE(driver_->timer3Running());
}

// A driver whose reminder executor runs messages for longer than one tick,
// as opening a file through a DDE server or dialling may.
class PumpingDriver : public TickDriver {
public:
    using TickDriver::TickDriver;
    int reminders = 0;
    int depth = 0, deepest = 0;
    void ShowReminder(const std::string&) override {
        ++reminders;
        deepest = std::max(deepest, ++depth);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 400) {
            PumpMessages();
            Sleep(5);
        }
        --depth;
    }
};

TEST_F(TickDriverTest, ATickNeverRunsInsideAnotherTick) {
    store_->Append(settings_, DailyForNow(), "提醒", "x");
    store_->Append(settings_, DailyForNow(), "提醒", "y");
    TickDriver::Intervals fast;
    fast.tick = 50;
    auto* driver = new PumpingDriver(window_.hwnd(), runner_, fast);
    UseDriver(driver);
    PumpFor(1200);
    EXPECT_EQ(driver->deepest, 1);
    // Each task once; the second still fires in the tick that found it due.
    EXPECT_EQ(driver->reminders, 2);
    EXPECT_TRUE(driver->timer3Running());
}

TEST_F(TickDriverTest, AQueuedTimerMessageAfterTheGateClosedRunsNoTick) {
    store_->Append(settings_, DailyForNow(), "提醒", "late");
    MakeDriver();
    gate_.settingsWindowsOpen = 1;
    driver_->ApplyGate();
    driver_->Timer1Timer();
    EXPECT_TRUE(VisibleReminders().empty());
}

}  // namespace
}  // namespace vantrel
