// TForm1: the hidden main window. It hosts the runner (runner/runner.h),
// which owns the schedule: it turns the tray, hotkey, timer, power and
// session messages into the runner's events and the runner's effects into
// windows, and becomes visible only as the shutdown countdown window.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "actions/countdown_view_win.h"
#include "actions/power_actions_win.h"
#include "app/hotkeys_win.h"
#include "app/local_machine_win.h"
#include "app/tick_driver_win.h"
#include "app/shell_presence_win.h"
#include "app/tray_commands_win.h"
#include "app/tray_icon_win.h"
#include "app/tray_menu_win.h"
#include "runner/runner.h"
#include "scheduler/history_recorder.h"
#include "history/history_file_win.h"
#include "registry/key_watch_win.h"
#include "registry/registry.h"
#include "store/task_store.h"
#include "ui/settings_host.h"
#include "winui/form_win.h"

namespace vantrel {

class MainWindow : public Form, public SettingsHost, public RunnerView {
public:
    static constexpr UINT_PTR kTimer2 = 2;  // the countdown step
    static constexpr UINT_PTR kTimerRetry = ShellPresence::kTimerRetry;
    // At the start of each minute: a pause over, the quick timer due, the tip.
    static constexpr UINT_PTR kTimerStatus = 6;
    static const char* const kClassName;    // "TForm1"

    struct Options {
        std::string programKey;  // empty: the program key
        std::string runKey;      // empty: the system's Run key
        std::string runValue;    // empty: the program's Run value
        std::string policyKey;   // empty: the policy key
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
        UINT trayRetryMs = 3000;     // between tries to add a refused tray icon
        UINT trayMissingMs = 60000;  // refused this long, the history says so
        // The administrator test; nullptr: the one the store's lock asks
        // (tests answer it themselves, never changing the machine's accounts).
        bool (*isAdministrator)() = nullptr;
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
    void SwitchMonitoring() { runner_->SwitchMonitoring(); }  // n1
    void Timer2Timer() { runner_->Second(); }
    void BitBtn1Click() { runner_->ActNow(); }
    // 取消 also switches monitoring off, which the balloon says.
    void BitBtn2Click();
    void OnHotkey(WPARAM id);
    void OnTrayCallback(WPARAM wParam, LPARAM lParam);
    // WM_WTSSESSION_CHANGE: a session went to or from the console or a
    // remote connection.
    void OnSessionChange(WPARAM change, LPARAM session);
    // WM_POWERBROADCAST: a countdown stops when the computer goes to sleep
    // and shows again, whole, when it wakes up.
    void OnPowerBroadcast(WPARAM event);
    void OpenSettings();               // n4, also asked for by a second start

    // The start of each minute, the countdown's 推迟 and the warning's menu.
    void StatusTimer();                // kTimerStatus
    void ShowPostponeMenu();           // the 推迟(&P) button
    void ShowWarningMenu();

    // The registered message a second start sends to the running copy.
    static UINT OpenSettingsMessage();
    // The running copy's main window, if any.
    static HWND FindRunningCopy();

    // State, for the windows that share it and for tests.
    Registry& registry() { return *registry_; }
    TaskStore& store() override { return *store_; }
    Settings& settings() override { return runner_->settings(); }
    Runner& runner() { return *runner_; }
    TickDriver& driver() { return *driver_; }
    HistoryRecorder* history() { return history_.get(); }
    TrayIcon& tray() { return tray_; }
    TrayMenu& menu() { return menu_; }
    Hotkeys& hotkeys() { return hotkeys_; }
    CountdownView& view() { return view_; }
    const std::vector<std::string>& startupErrors() const { return startupErrors_; }
    void SetCountdownLength(std::int32_t seconds) override { runner_->SetCountdownLength(seconds); }

    // What the settings window and the task editor ask of the program.
    void HoldTick() override { runner_->HoldTick(); }
    void ReleaseTick() override { runner_->ReleaseTick(); }
    std::uint32_t SecondsSinceStart() override;
    unsigned SystemMajorVersion() override;
    bool MonitoringOn() override { return runner_->gate().monitoring; }
    bool MayChange() override { return Rights().May(ViewAction::ChangeSettings); }
    bool ChangeAsAdministrator() override;
    // What this user may do here: the menu greys and the countdown's
    // buttons follow it, and a refused command does nothing.
    ViewRights Rights() const;

    // What shows the runner's schedule (runner/runner.h).
    void ShowCountdown(const std::string& word, const std::string& remaining, bool closeAll) override;
    void StepCountdown(std::int32_t length, std::int32_t position, const std::string& remaining) override;
    void HideCountdown() override;
    void SetCountdownBar(std::int32_t length, std::int32_t position) override;
    void ShowBalloon(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    void StatusChanged() override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnClose() override;

private:
    void FormClose();
    void FormDestroy();
    // A tick or a cleanup returned: carries out a close that came while it ran.
    void AfterTick();
    void ResetDriver();
    void StartHistory();

    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Registry> tickRegistry_;  // the tick's own accessor, if the registry gives one
    Options options_;
    std::unique_ptr<StartAtLogon> startAtLogon_;
    std::unique_ptr<TaskStore> store_;
    // The policy key, looked at each minute and read only when it changed.
    std::unique_ptr<KeyWatch> policyWatch_;
    void PickUpPolicies();
    LocalMachine machine_;
    std::unique_ptr<Runner> runner_;
    std::unique_ptr<TickDriver> driver_;
    TrayIcon tray_;
    TrayMenu menu_;
    Hotkeys hotkeys_;
    TrayCommands commands_{nullptr};
    ShellPresence shell_{tray_, options_.trayRetryMs, options_.trayMissingMs};
    CountdownView view_;
    UINT taskbarCreated_ = 0;
    bool timer2_ = false;
    bool monitoringShown_ = true;  // what the icon and the menu's check show
    bool closed_ = false;
    bool closePending_ = false;  // a close came while a tick ran
    bool destroyed_ = false;
    bool administrator_ = true;
    std::vector<std::string> startupErrors_;
    std::unique_ptr<HistoryFile> historyFile_;
    std::unique_ptr<HistoryRecorder> history_;
    std::string historyFailure_;  // shown once, outside the tick that met it
};

// The one main window of the process (nullptr before Start and after the end).
MainWindow* TheMainWindow();

}  // namespace vantrel
