// TForm1: the hidden main window that owns the program-wide state, receives
// the tray, hotkey and timer messages, and becomes visible only as the
// shutdown countdown window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "actions/countdown_model.h"
#include "actions/countdown_view_win.h"
#include "actions/power_actions_win.h"
#include "actions/power_state.h"
#include "app/hotkeys_win.h"
#include "app/tick_driver_win.h"
#include "app/tray_icon_win.h"
#include "app/tray_menu_win.h"
#include "scheduler/history_recorder.h"
#include "scheduler/tick.h"
#include "scheduler/tick_gate.h"
#include "history/history_file_win.h"
#include "registry/registry.h"
#include "store/task_store.h"
#include "ui/settings_host.h"
#include "winui/form_win.h"

namespace vantrel {

class MainWindow : public Form, public SettingsHost {
public:
    static constexpr UINT_PTR kTimer2 = 2;  // the countdown step
    static const char* const kClassName;    // "TForm1"

    struct Options {
        std::string programKey;  // empty: the program key
        std::string runKey;      // empty: the system's Run key
        std::string runValue;    // empty: the program's Run value
        // Start at logon's task: the system's task service and the program's
        // task unless told otherwise (tests give a recorder).
        TaskService* tasks = nullptr;
        std::string logonTask;
        TickDriver::Intervals intervals;
        bool showStartupMessages = true;  // reminders and error boxes of start-up
        bool endsProgram = true;          // destroying the window ends the message loop
        // The folder of the run history (history.log); empty: no history.
        std::string historyFolder;
        std::string version;  // the program's, for the history's start line
    };

    explicit MainWindow(std::unique_ptr<Registry> registry);
    MainWindow(std::unique_ptr<Registry> registry, const Options& options);
    ~MainWindow() override;

    // FormCreate: the start-up sequence. Returns false when the window could
    // not be created.
    bool Start();

    // Menu and countdown handlers, public so that the message handlers and
    // the tests reach the same code.
    void OnCommand(UINT id);
    void SwitchMonitoring();           // n1
    void Timer2Timer();
    void BitBtn1Click();               // act now
    void BitBtn2Click();               // cancel
    void StartCountdown(const std::string& word, bool closeAllWindows);
    void OnHotkey(WPARAM id);
    void OnTrayCallback(LPARAM mouseMessage);
    // WM_POWERBROADCAST: a countdown stops when the computer goes to sleep
    // and shows again, whole, when it wakes up.
    void OnPowerBroadcast(WPARAM event);
    void OpenSettings();               // n4, also asked for by a second start

    // The registered message a second start sends to the running copy.
    static UINT OpenSettingsMessage();
    // The running copy's main window, if any.
    static HWND FindRunningCopy();

    // State, for the windows that share it and for tests.
    Registry& registry() { return *registry_; }
    TaskStore& store() override { return *store_; }
    Settings& settings() override { return settings_; }
    TickState& tickState() { return tickState_; }
    TickGate& gate() { return gate_; }
    TickDriver& driver() { return *driver_; }
    HistoryRecorder* history() { return history_.get(); }
    TrayIcon& tray() { return tray_; }
    TrayMenu& menu() { return menu_; }
    Hotkeys& hotkeys() { return hotkeys_; }
    CountdownView& view() { return view_; }
    CountdownModel& countdown() { return model_; }
    bool timer2Running() const { return timer2_; }
    const std::vector<std::string>& startupErrors() const { return startupErrors_; }
    // Sets the countdown length and the bar's maximum together.
    void SetCountdownLength(std::int32_t seconds) override;

    // What the settings window and the task editor ask of the program.
    void HoldTick() override;
    void ReleaseTick() override;
    std::uint32_t SecondsSinceStart() override;
    unsigned SystemMajorVersion() override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnClose() override;

private:
    void FormClose();
    void FormDestroy();
    // A tick or a cleanup returned: carries out a close that came while it ran.
    void AfterTick();
    void EndCountdown(bool carryOut);
    // Stops a countdown for a sleep; the tick stays held until it shows again.
    void InterruptCountdown();
    // Timer2 runs exactly while a countdown counts, and the computer is kept
    // awake (and its display on) for as long.
    void SetTimer2(bool on);
    void ShowMonitoring(bool on);
    // A command of the tray menu or a hotkey, for the run history.
    void Record(const char* source, const char* name, const ActionOutcome& outcome);
    // An immediate power command and its line in the run history.
    void PowerCommand(const char* source, const char* name, PowerOutcome (*command)());
    void CleanJunkFromMenu();
    void StartHistory();

    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Registry> tickRegistry_;  // the tick's own accessor, if the registry gives one
    Options options_;
    std::unique_ptr<StartAtLogon> startAtLogon_;
    std::unique_ptr<TaskStore> store_;
    Settings settings_;
    TickState tickState_;
    TickGate gate_;
    std::unique_ptr<TickDriver> driver_;
    TrayIcon tray_;
    TrayMenu menu_;
    Hotkeys hotkeys_;
    CountdownView view_;
    CountdownModel model_;
    SleepWatch sleepWatch_;
    HWND focus_ = nullptr;  // the countdown button that has, or last had, the focus
    UINT taskbarCreated_ = 0;
    bool timer2_ = false;
    bool closed_ = false;
    bool closePending_ = false;  // a close came while a tick ran
    bool destroyed_ = false;
    std::vector<std::string> startupErrors_;
    std::unique_ptr<HistoryFile> historyFile_;
    std::unique_ptr<HistoryRecorder> history_;
    std::string historyFailure_;  // shown once, outside the tick that met it
};

// The one main window of the process (nullptr before Start and after the end).
MainWindow* TheMainWindow();

}  // namespace vantrel
