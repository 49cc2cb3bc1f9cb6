#include "app/main_window_win.h"

#include <shellapi.h>

#include <string.h>

#include "actions/system_ops.h"
#include "actions/utility_actions.h"
#include "actions/utility_actions_win.h"
#include "app/elevated_settings_win.h"
#include "app/shell_texts.h"
#include "app/startup_win.h"
#include "store/store_lock_win.h"
#include "scheduler/clock.h"
#include "scheduler/time_text.h"
#include "text/codepage_win.h"
#include "text/gbk_text.h"
#include "ui/about_window_win.h"
#include "ui/settings_window_win.h"
#include "winui/on_demand_win.h"
#include "winui/popup_menu_win.h"

namespace vantrel {

const char* const MainWindow::kClassName = "TForm1";

namespace {

const char kInstanceProperty[] = "Brelnix.Vantrel";
// A standard user's copy shows the schedule; the store refuses its writes.
const char kNotAdministrator[] =
    "Vantrel以标准用户身份运行：任务和设置只能查看，更改需要管理员（设置窗口中的“以管理员身份更改”）";
// Posted when the run history could not be written, so that the error box
// opens after the tick or command that met the failure, never inside it.
const UINT kHistoryFailedMessage = WM_APP + 20;

MainWindow* g_main = nullptr;

// The problems start-up found, in one reminder.
std::string StartupProblemsText(const std::vector<std::string>& problems) {
    std::string text = "启动时发现以下问题，任务照常运行：";
    for (std::size_t i = 0; i < problems.size(); ++i) text += (i ? "；" : "") + problems[i];
    return text;
}

// The tray shows small icons: load the image drawn for that size rather than
// letting the shell shrink the 32-pixel one.
HICON LoadProgramIcon(const wchar_t* name) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

void StopSound() { StopSoundOnDemand(); }

}  // namespace

MainWindow* TheMainWindow() { return g_main; }

MainWindow::MainWindow(std::unique_ptr<Registry> registry)
    : MainWindow(std::move(registry), Options()) {}

MainWindow::MainWindow(std::unique_ptr<Registry> registry, const Options& options)
    : registry_(std::move(registry)), options_(options) {
    if (options_.programKey.empty()) options_.programKey = kProgramKeyPath;
    if (options_.policyKey.empty()) options_.policyKey = kPolicyKeyPath;
    if (options_.runKey.empty()) options_.runKey = kRunKeyPath;
    if (options_.runValue.empty()) options_.runValue = kRunValueName;
    if (!options_.tasks) options_.tasks = &SystemTasks();
    if (options_.logonTask.empty()) options_.logonTask = kLogonTaskName;
}

MainWindow::~MainWindow() {
    if (!closed_ && hwnd()) FormClose();
    if (!destroyed_ && hwnd()) FormDestroy();
    ResetDriver();
    if (g_main == this) g_main = nullptr;
}

UINT MainWindow::OpenSettingsMessage() {
    static UINT message = RegisterWindowMessageW(L"Brelnix.Vantrel.OpenSettings");
    return message;
}

namespace {

// Other programs may name a window class TForm1 too: the running copy's main
// window also carries the program's property.
BOOL CALLBACK FindMainWindow(HWND w, LPARAM out) {
    wchar_t cls[16] = {0};
    GetClassNameW(w, cls, sizeof cls / sizeof cls[0]);
    if (Narrow(cls) == MainWindow::kClassName && GetPropW(w, Wide(kInstanceProperty).c_str())) {
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND MainWindow::FindRunningCopy() {
    HWND found = nullptr;
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::uint32_t MainWindow::SecondsSinceStart() { return vantrel::SecondsSinceStart(); }

unsigned MainWindow::SystemMajorVersion() { return SystemVersion().dwMajorVersion; }

bool MainWindow::Start() {
    // The countdown role: a fixed single border, the system menu only, on top.
    if (!CreateForm(kClassName, "正在关闭 Windows...", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                    WS_EX_TOPMOST, 401, 136, nullptr, LoadProgramIcon(L"MAINICON")))
        return false;
    g_main = this;
    commands_ = TrayCommands(hwnd());
    SetPropW(hwnd(), Wide(kInstanceProperty).c_str(), reinterpret_cast<HANDLE>(1));
    view_.Attach(hwnd());

    EnableShutdownPrivilege();
    administrator_ = options_.isAdministrator ? options_.isAdministrator() : IsAdministrator();
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);

    store_.reset(
        new TaskStore(*registry_, options_.programKey, options_.runKey, options_.runValue));
    startAtLogon_.reset(new StartAtLogon(*registry_, options_.tasks, options_.runKey,
                                         options_.runValue, options_.logonTask));
    store_->UseStartAtLogon(startAtLogon_.get());
    store_->UsePolicyKey(options_.policyKey);
    // Watched from before the first read: a change while start-up reads is
    // picked up at the next minute.
    policyWatch_.reset(new KeyWatch(options_.policyKey));
    // The tick reads through an accessor of its own: an executor may run
    // messages in the middle of its reads, and a window they open must not
    // close or move the key the tick reads.
    tickRegistry_ = registry_->NewAccessor();
    runner_.reset(new Runner(*store_, tickRegistry_ ? *tickRegistry_ : *registry_, options_.programKey,
                             machine_, *this, LocalTimeNow));
    Settings& settings = runner_->settings();
    StartupResult loaded = store_->StartupLoad(settings);
    startupErrors_ = loaded.errors;

    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    // The program runs elevated and Explorer does not: without these, User
    // Interface Privilege Isolation drops both messages (they are above
    // WM_USER), and after Explorer restarts the icon would be gone for good
    // while the tasks go on.
    Sys().AllowMessageFromLowerIntegrity(hwnd(), taskbarCreated_);
    Sys().AllowMessageFromLowerIntegrity(hwnd(), TrayIcon::kCallbackMessage);
    tray_.Init(hwnd(), LoadProgramIcon(L"MAINICON"), kTipEnabled);
    shell_.Attach(hwnd(), [this] { LocalMachine::ReadSessions(*runner_); });
    shell_.ShowIcon();

    runner_->SetCountdownLength(settings.countdownLength);
    // Without SWP_NOACTIVATE this would activate the hidden window and take
    // the keyboard from whatever the user is typing into as the program
    // starts at logon.
    SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    hotkeys_.GetAtoms();
    hotkeys_.Register(hwnd(), settings.ctrlFlag);
    menu_.SetHotkeyCaptions(MenuCaptionsFor(settings.ctrlFlag, UserName()));

    driver_.reset(new TickDriver(hwnd(), *runner_, options_.intervals));
    commands_.SetDriver(driver_.get());
    machine_.UseDriver(driver_.get());
    shell_.WatchSessions();
    driver_->ApplyGate();
    StartHistory();
    for (const std::string& e : runner_->Start()) startupErrors_.push_back(e);
    // What this user may not do is greyed from the first time the menu opens.
    menu_.SetPolicies(settings.policies.alwaysOn, settings.policies.noExit, runner_->gate().monitoring, Rights(),
                      runner_->pausedUntil().has_value());
    SetTimer(hwnd(), kTimerStatus, MillisecondsToNextMinute(LocalTimeNow()), nullptr);

    // What start-up found is told once it runs, in windows that hold
    // nothing: started at logon on a machine nobody sits at, the tasks run
    // from the first tick all the same. A value of the wrong type keeps its
    // default.
    if (history_) {
        for (const std::string& e : startupErrors_) history_->StartupProblem(e);
        // A policy value ignored goes to the history only: the user at the
        // screen can do nothing about it.
        for (const std::string& e : loaded.policyProblems) history_->StartupProblem(e);
    }
    if (options_.showStartupMessages) {
        if (!administrator_) ShowReminder(kNotAdministrator);
        if (!startupErrors_.empty()) ShowReminder(StartupProblemsText(startupErrors_));
        if (auto greeting = UptimeGreeting(loaded.greeting, vantrel::SecondsSinceStart())) ShowReminder(*greeting);
    }
    return true;
}

void MainWindow::OnSessionChange(WPARAM change, LPARAM session) {
    if (runner_) runner_->SessionChanged(static_cast<std::uint32_t>(change), static_cast<std::uint32_t>(session));
}

void MainWindow::StartHistory() {
    if (options_.historyFolder.empty()) return;
    historyFile_.reset(new HistoryFile(options_.historyFolder));
    const HWND window = hwnd();
    historyFile_->OnFirstFailure([this, window](const std::string& message) {
        historyFailure_ = message;
        PostMessageA(window, kHistoryFailedMessage, 0, 0);
    });
    history_.reset(new HistoryRecorder(*historyFile_, LocalTimeNow));
    driver_->SetHistory(history_.get());
    runner_->UseHistory(history_.get());
    commands_.SetHistory(history_.get());
    history_->ProgramStarted(options_.version, WindowsVersionText());
    shell_.SetHistory(history_.get());  // after the start: it may tell of the icon
}

void MainWindow::StatusTimer() {
    SetTimer(hwnd(), kTimerStatus, MillisecondsToNextMinute(LocalTimeNow()), nullptr);
    PickUpPolicies();
    runner_->Minute();
}

void MainWindow::ShowPostponeMenu() {
    if (!runner_->counting()) return;
    // The countdown goes on while the menu is open; a choice made after it
    // ran out finds no countdown to postpone.
    if (const UINT chosen = ChoosePostpone(hwnd(), view_.postpone())) OnCommand(chosen);
}

void MainWindow::ShowWarningMenu() {
    if (!runner_->WarningOpen()) return;
    if (const UINT chosen = ChooseWarningAnswer(hwnd())) OnCommand(chosen);
}

// ---- what the runner asks ----

// Timer2 steps the countdown while it shows.
void MainWindow::ShowCountdown(const std::string& word, const std::string& remaining, bool closeAll) {
    if (!timer2_) SetTimer(hwnd(), kTimer2, 1000, nullptr);
    timer2_ = true;
    view_.Open(word, remaining, runner_->settings().soundPath, closeAll);
    // A standard user under baohu has neither 取消 nor 推迟.
    const CountdownButtons buttons = ButtonsFor(Rights());
    for (HWND b : {view_.cancel(), view_.postpone()}) {
        const bool offered = b == view_.cancel() ? buttons.cancel : buttons.postpone;
        EnableWindow(b, offered);
        ShowWindow(b, offered ? SW_SHOW : SW_HIDE);
    }
    // No button keeps the focus then: a stray Space or Enter must not act now.
    if (!buttons.cancel && GetFocus() == view_.cancel()) SetFocus(hwnd());
}

void MainWindow::StepCountdown(std::int32_t length, std::int32_t position, const std::string& remaining) {
    view_.Step(length, position, remaining);
}

void MainWindow::HideCountdown() {
    if (timer2_) KillTimer(hwnd(), kTimer2);
    timer2_ = false;
    view_.Close(runner_->countdown().length());
}

void MainWindow::SetCountdownBar(std::int32_t length, std::int32_t position) { view_.SetBar(length, position); }

void MainWindow::ShowBalloon(const std::string& text) { tray_.ShowBalloon("Vantrel", text); }

void MainWindow::BitBtn2Click() {
    runner_->Cancel();
    // Under the policy that keeps monitoring on, it stays on: nothing to say.
    if (!runner_->gate().monitoring) tray_.ShowBalloon(kCancelledBalloonTitle, kCancelledBalloonText);
}

void MainWindow::ShowNotice(const std::string& text) { ShowReminder(text); }

// Within a minute of a change of the policy key: its values over the
// copies (a removed one gives the user's own back), the menu's items, and
// one history line for each value newly ignored. Nothing is read while the
// key stays as it was.
void MainWindow::PickUpPolicies() {
    if (!policyWatch_ || !policyWatch_->Changed()) return;
    Settings& settings = runner_->settings();
    bool changed = false;
    const std::vector<std::string> told = store_->RefreshPolicies(settings, &changed);
    if (history_)
        for (const std::string& e : told) history_->StartupProblem(e);
    if (!changed) return;
    runner_->SetCountdownLength(settings.countdownLength);
    StatusChanged();
}

// The tip is kept to 63 characters, which every layout of the record holds.
void MainWindow::StatusChanged() {
    if (closed_ || !runner_) return;
    const bool on = runner_->gate().monitoring;
    menu_.SetMonitorChecked(on);
    menu_.SetPolicies(runner_->settings().policies.alwaysOn, runner_->settings().policies.noExit, on, Rights(),
                      runner_->pausedUntil().has_value());
    const LocalTime now = LocalTimeNow();
    menu_.SetCancelTimer(CancelTimerCaption(runner_->quickTimer(), now), runner_->quickTimer().has_value());
    HICON icon = tray_.icon();
    if (on != monitoringShown_) icon = LoadProgramIcon(on ? L"ENASHUT" : L"DISSHUT");
    monitoringShown_ = on;
    tray_.Set(icon, runner_->TipText(63));
    tray_.Modify();
}

void MainWindow::OnPowerBroadcast(WPARAM event) { LocalMachine::PowerEvent(*runner_, event); }

void MainWindow::OnHotkey(WPARAM id) { commands_.Hotkey(hotkeys_.ActionFor(id)); }

void MainWindow::OnTrayCallback(WPARAM wParam, LPARAM lParam) {
    const TrayCallback call = ReadTrayCallback(tray_.version(), wParam, lParam);
    if (call.request == TrayRequest::BalloonClicked) {
        ShowWarningMenu();
        return;
    }
    if (call.request != TrayRequest::Menu) return;
    SetForegroundWindow(hwnd());
    POINT at = {call.x, call.y};  // the icon, when the keyboard opened it
    if (!call.atAnchor) GetCursorPos(&at);
    PumpMessages();
    menu_.Popup(hwnd(), at);
    // A chosen item waits as WM_COMMAND; Esc leaves none.
    MSG chosen;
    if (ReturnFocusAfterMenu(tray_.version(), PeekMessageW(&chosen, hwnd(), WM_COMMAND, WM_COMMAND, PM_NOREMOVE)))
        tray_.ReturnFocus();
}

ViewRights MainWindow::Rights() const {
    ViewClient client;
    client.administrator = administrator_;
    client.atScreen = true;  // this copy's windows show to its own user
    return ViewRights::For(client, runner_ ? runner_->settings().adminChoices : 1);
}

bool MainWindow::ChangeAsAdministrator() { return StartElevatedSettings(hwnd()); }

void MainWindow::OpenSettings() {
    if (store_) SettingsWindow::Open(*this);  // not before start-up made the store
}

void MainWindow::OnCommand(UINT id) {
    // A greyed item, a hotkey or a key of the countdown asking for what this
    // user may not do does nothing.
    const ViewRights rights = Rights();
    const CountdownButtons buttons = ButtonsFor(rights);
    const std::optional<ViewAction> action = TrayMenu::ActionOf(id, runner_ && runner_->gate().monitoring,
                                                                  runner_ && runner_->pausedUntil().has_value());
    if (action && !rights.May(*action)) return;
    if (!buttons.cancel && (id == CountdownView::kCancelId || id == IDCANCEL || id == IDOK)) return;
    if (!buttons.postpone && (id == CountdownView::kPostponeId ||
                              (id >= CountdownView::kPostponeMenuId && id < CountdownView::kPostponeMenuId + 3)))
        return;
    if (commands_.Run(id)) {
        if (id == kMenuCleanJunk) AfterTick();  // a close that came while the batch ran
        return;
    }
    switch (id) {
        case kMenuMonitor: SwitchMonitoring(); break;
        case kMenuSettings: OpenSettings(); break;
        case kMenuAbout: ShowAboutWindow(); break;
        case kMenuExit:
            if (!runner_->settings().policies.noExit) PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            break;
        case kMenuPause + 0: runner_->Pause(PauseChoice::OneHour); break;
        case kMenuPause + 1: runner_->Pause(PauseChoice::TwoHours); break;
        case kMenuPause + 2: runner_->Pause(PauseChoice::FourHours); break;
        case kMenuPause + 3: runner_->Pause(PauseChoice::Tomorrow); break;
        case kMenuQuickTimer + 0:
        case kMenuQuickTimer + 1:
        case kMenuQuickTimer + 2:
        case kMenuQuickTimer + 3: runner_->SetQuickTimer(kQuickTimerMinutes[id - kMenuQuickTimer]); break;
        case kMenuCancelTimer: runner_->SetQuickTimer(0); break;
        case kWarnSkipId: runner_->SkipWarnedRun(); break;
        case kWarnPostponeId + 0:
        case kWarnPostponeId + 1:
        case kWarnPostponeId + 2: runner_->PostponeWarnedRun(kPostponeMinutes[id - kWarnPostponeId]); break;
        case CountdownView::kActNowId: BitBtn1Click(); break;
        case CountdownView::kPostponeId: ShowPostponeMenu(); break;
        case CountdownView::kPostponeMenuId + 0:
        case CountdownView::kPostponeMenuId + 1:
        case CountdownView::kPostponeMenuId + 2:
            runner_->Postpone(kPostponeMinutes[id - CountdownView::kPostponeMenuId]);
            break;
        case CountdownView::kCancelId:
        case IDCANCEL: BitBtn2Click(); break;
        case IDOK: BitBtn2Click(); break;  // Enter with no other button focused
        default: break;
    }
}

void MainWindow::FormClose() {
    closed_ = true;
    if (history_) history_->ProgramEnded();
    StopSound();
    KillTimer(hwnd(), kTimerStatus);
    shell_.Close();
    // The tick no longer uses the registry accessor. A tick or a cleanup
    // still running (it ran the messages that brought this close) keeps its
    // driver until it returns; it only stops its timers now.
    if (driver_ && driver_->busy())
        driver_->StopTimers();
    else
        ResetDriver();
}

void MainWindow::ResetDriver() {
    commands_.SetDriver(nullptr);
    machine_.UseDriver(nullptr);
    driver_.reset();
}

void MainWindow::AfterTick() {
    if (driver_ && !driver_->busy() && closed_) ResetDriver();
    if (closePending_) {
        closePending_ = false;
        OnClose();
    }
}

void MainWindow::FormDestroy() {
    destroyed_ = true;
    hotkeys_.Release(hwnd());
    shell_.StopWatching();
    RemovePropW(hwnd(), Wide(kInstanceProperty).c_str());
}

void MainWindow::OnClose() {
    // A close that arrives while a tick or a cleanup runs (it ran messages:
    // the tray's 退出, the setup program closing this copy) waits for it to
    // return; ending now would free what it is using.
    if (driver_ && driver_->busy()) {
        closePending_ = true;
        return;
    }
    if (!closed_) FormClose();
    DestroyWindow(hwnd());
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        // Explorer came back: the icon returns as it was, icon and tip.
        shell_.ShowIcon();
        return 0;
    }
    if (msg == kHistoryFailedMessage) {
        ReportError(historyFailure_.c_str());
        return 0;
    }
    if (msg == OpenSettingsMessage()) {
        OpenSettings();
        return 0;
    }
    switch (msg) {
        case WM_TIMER:
            if (!driver_) return 0;
            if (wParam == TickDriver::kTimer1) {
                driver_->Timer1Timer();
                AfterTick();
            } else if (wParam == TickDriver::kTimer3) {
                driver_->Timer3Timer();
            } else if (wParam == kTimer2) {
                Timer2Timer();
            } else if (wParam == kTimerStatus) {
                StatusTimer();
            } else if (wParam == TickDriver::kTimerNetsh) {
                driver_->NetshTimer();
            } else if (wParam == kTimerRetry) {
                shell_.RetryTimer();
            }
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 || HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
            return 0;
        case WM_HOTKEY:
            OnHotkey(wParam);
            return 1;
        case TrayIcon::kCallbackMessage:
            OnTrayCallback(wParam, lParam);
            return 0;
        case WM_WTSSESSION_CHANGE:
            OnSessionChange(wParam, lParam);
            return 0;
        case WM_ACTIVATE:
            if (view_.Activate(wParam)) return 0;
            break;
        case WM_POWERBROADCAST:
            OnPowerBroadcast(wParam);
            break;  // answered as by default: a query to suspend is granted
        case WM_SETTINGCHANGE:
            if (driver_) driver_->RefreshDateFormat();
            break;
        case WM_ENDSESSION:
            if (wParam && !closed_) FormClose();
            return 0;
        case WM_DESTROY:
            FormDestroy();
            if (options_.endsProgram) PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return Form::HandleMessage(msg, wParam, lParam);
}

}  // namespace vantrel
