// The tick as the running program drives it: real timers on a real window,
// the real registry, and the real reminder windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>

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

class TickDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        OwnedForms::ReleaseAll();
        WinRegistry::DeleteTree(kKey);
        store_.reset(new TaskStore(reg_, kKey));
        store_->StartupLoad(settings_);
    }
    void TearDown() override {
        driver_.reset();
        OwnedForms::ReleaseAll();
        WinRegistry::DeleteTree(kKey);
    }
    void MakeDriver(TickDriver::Intervals intervals = TickDriver::Intervals()) {
        driver_.reset(new TickDriver(
            window_.hwnd(), reg_, kKey, settings_, state_, gate_,
            [this](const std::string& word, bool closeAll) {
                countdowns_.push_back(word + (closeAll ? "+" : ""));
            },
            intervals));
        window_.driver = driver_.get();
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
    std::unique_ptr<TaskStore> store_;
    Settings settings_;
    TickState state_;
    TickGate gate_;
    TimerWindow window_;
    std::unique_ptr<TickDriver> driver_;
    std::vector<std::string> countdowns_;
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
    auto* driver = new PumpingDriver(window_.hwnd(), reg_, kKey, settings_, state_, gate_,
                                     nullptr, fast);
    driver_.reset(driver);
    window_.driver = driver;
    driver->ApplyGate();
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
