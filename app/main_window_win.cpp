#include "app/main_window_win.h"

#include <shellapi.h>

#include <string.h>

#include "actions/system_ops.h"
#include "actions/utility_actions.h"
#include "actions/utility_actions_win.h"
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

namespace vantrel {

const char* const MainWindow::kClassName = "TForm1";

namespace {

const wchar_t kDownloadPage[] = L"http://www.brelnix.com/vantrel/";
const char kHelpFile[] = "Vantrel.CHM";
const char kInstanceProperty[] = "Brelnix.Vantrel";
const char kAdminFailed[] = "以管理员身份运行失败，某些功能如禁启用网卡功能或无效";
// Posted when the run history could not be written, so that the error box
// opens after the tick or command that met the failure, never inside it.
const UINT kHistoryFailedMessage = WM_APP + 20;

// "5.1.2600 Service Pack 3"
std::string WindowsVersionText() {
    const OSVERSIONINFOA& v = SystemVersion();
    std::string text = std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion) +
                       "." + std::to_string(v.dwBuildNumber);
    const std::string pack(v.szCSDVersion, strnlen(v.szCSDVersion, sizeof v.szCSDVersion));
    return pack.empty() ? text : text + " " + pack;
}

MainWindow* g_main = nullptr;

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
    if (options_.runKey.empty()) options_.runKey = kRunKeyPath;
    if (options_.runValue.empty()) options_.runValue = kRunValueName;
    if (!options_.tasks) options_.tasks = &SystemTasks();
    if (options_.logonTask.empty()) options_.logonTask = kLogonTaskName;
}

MainWindow::~MainWindow() {
    if (!closed_ && hwnd()) FormClose();
    if (!destroyed_ && hwnd()) FormDestroy();
    driver_.reset();
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

void MainWindow::SetCountdownLength(std::int32_t seconds) {
    settings_.countdownLength = seconds;
    model_.SetLength(seconds);
    view_.SetBar(model_.length(), model_.position());
}

void MainWindow::HoldTick() {
    gate_.HoldForWindow();
    if (driver_) driver_->ApplyGate();
}

void MainWindow::ReleaseTick() {
    gate_.ReleaseForWindow();
    if (!driver_) return;  // none after the program's close
    driver_->ApplyGate();
    // The window may have changed the tasks: the tip follows at the next tick.
    actionNames_.clear();
    driver_->WantTasksRead();
}

std::uint32_t MainWindow::SecondsSinceStart() { return vantrel::SecondsSinceStart(); }

unsigned MainWindow::SystemMajorVersion() { return SystemVersion().dwMajorVersion; }

bool MainWindow::Start() {
    // The countdown role: a fixed single border, the system menu only, on top.
    if (!CreateForm(kClassName, "正在关闭 Windows...", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                    WS_EX_TOPMOST, 401, 136, nullptr, LoadProgramIcon(L"MAINICON")))
        return false;
    g_main = this;
    // Set up before the first box of start-up: a second start during that
    // box opens a settings window, which holds the tick through this gate.
    gate_ = TickGate();
    SetPropW(hwnd(), Wide(kInstanceProperty).c_str(), reinterpret_cast<HANDLE>(1));
    view_.Attach(hwnd());

    EnableShutdownPrivilege();
    if (!IsAdministrator() && options_.showStartupMessages) ShowReminder(kAdminFailed);
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    SetTimer2(false);

    settings_ = Settings();
    store_.reset(
        new TaskStore(*registry_, options_.programKey, options_.runKey, options_.runValue));
    startAtLogon_.reset(new StartAtLogon(*registry_, options_.tasks, options_.runKey,
                                         options_.runValue, options_.logonTask));
    store_->UseStartAtLogon(startAtLogon_.get());
    StartupResult loaded = store_->StartupLoad(settings_);
    startupErrors_ = loaded.errors;
    // A value of the wrong type keeps its default; say so once and go on, so
    // the program never runs its scheduler without its tray icon and exit.
    if (options_.showStartupMessages)
        for (const std::string& e : startupErrors_) ReportError(e.c_str());

    if (auto greeting = UptimeGreeting(loaded.greeting, vantrel::SecondsSinceStart()))
        if (options_.showStartupMessages) ShowReminder(*greeting);

    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    // The program runs elevated and Explorer does not: without these, User
    // Interface Privilege Isolation drops both messages (they are above
    // WM_USER), and after Explorer restarts the icon would be gone for good
    // while the tasks go on.
    Sys().AllowMessageFromLowerIntegrity(hwnd(), taskbarCreated_);
    Sys().AllowMessageFromLowerIntegrity(hwnd(), TrayIcon::kCallbackMessage);
    tray_.Init(hwnd(), LoadProgramIcon(L"MAINICON"), kTipEnabled);
    ShowTrayIcon();

    SetCountdownLength(settings_.countdownLength);
    // Without SWP_NOACTIVATE this would activate the hidden window and take
    // the keyboard from whatever the user is typing into as the program
    // starts at logon.
    SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    hotkeys_.GetAtoms();
    hotkeys_.Register(hwnd(), settings_.ctrlFlag);
    menu_.SetHotkeyCaptions(MenuCaptionsFor(settings_.ctrlFlag, UserName()));

    // The tick reads through an accessor of its own: an executor may run
    // messages in the middle of its reads, and a window they open must not
    // close or move the key the tick reads.
    tickRegistry_ = registry_->NewAccessor();
    driver_.reset(new TickDriver(
        hwnd(), tickRegistry_ ? *tickRegistry_ : *registry_, options_.programKey, settings_,
        tickState_, gate_,
        [this](const std::string& word, bool closeAll) { TaskCountdown(word, closeAll); },
        options_.intervals));
    WatchSessions();
    driver_->SetSessionCheck([this](const LocalTime& now) {
        return session_->RunsTasksAt(now, [this] { return OtherSessionsNow(); });
    });
    driver_->ApplyGate();
    StartHistory();
    driver_->SetSkipCheck([this](int number, const std::string& schedule, const LocalTime& now) {
        for (const SkippedRun& s : skipped_)
            if (s.number == number && s.schedule == schedule && s.minute == MinuteNumber(now)) return true;
        return false;
    });
    driver_->SetTasksRead([this](const std::vector<SeenTask>& tasks, const LocalTime& now,
                                 const MatchEnv& env) { TasksRead(tasks, now, env); });
    CheckPauseAndTimer(true);
    LoadPostponed();
    SetTimer(hwnd(), kTimerStatus, MillisecondsToNextMinute(LocalTimeNow()), nullptr);
    return true;
}

void MainWindow::ShowTrayIcon() {
    trayShown_ = tray_.Add();
    if (trayShown_) {
        if (trayMissingRecorded_ && history_) history_->TrayIconShown(true);
        trayRefusedSince_ = 0;
        trayMissingRecorded_ = false;
    } else if (trayRefusedSince_ == 0) {
        // At logon the taskbar may not be there yet.
        trayRefusedSince_ = GetTickCount() | 1;
    }
    ArmRetry();
}

// Registers first and reads after, so that no change falls between the two.
void MainWindow::WatchSessions() {
    watchingSessions_ = Sys().WatchSessions(hwnd());
    ++sessionTries_;
    ReadSessions();
    ArmRetry();
}

void MainWindow::ReadSessions() {
    SystemOps& ops = Sys();
    const std::uint32_t own = ops.OwnSession();
    const std::uint32_t console = ops.ConsoleSession();
    bool active = own == console;
    if (!active)
        for (std::uint32_t s : ops.ActiveSessions()) active = active || s == own;
    session_.reset(new SessionRole(own, console, active));
    FollowSession();
}

void MainWindow::FollowSession() {
    gate_.sessionAway = !session_->Seen();
    if (driver_) driver_->ApplyGate();
}

void MainWindow::OnSessionChange(WPARAM change, LPARAM session) {
    if (!session_) return;
    session_->Told(static_cast<std::uint32_t>(change), static_cast<std::uint32_t>(session));
    FollowSession();
}

OtherSessions MainWindow::OtherSessionsNow() {
    SystemOps& ops = Sys();
    OtherSessions others;
    others.active = ops.ActiveSessions();
    others.withCopy = SessionsRunning(ops.Processes(), FileNamePart(ProgramPath()), ops.OwnSession());
    return others;
}

void MainWindow::RetryTimer() {
    if (!trayShown_) {
        ShowTrayIcon();
        if (!trayShown_ && !trayMissingRecorded_ &&
            GetTickCount() - trayRefusedSince_ >= options_.trayMissingMs) {
            if (history_) history_->TrayIconShown(false);
            trayMissingRecorded_ = true;
        }
    }
    // Read after registering, so that no change falls between the two: a
    // late registration reads afresh what it may have missed.
    if (!watchingSessions_ && sessionTries_ < kSessionTries) {
        ++sessionTries_;
        watchingSessions_ = Sys().WatchSessions(hwnd());
        if (watchingSessions_) ReadSessions();
    }
    ArmRetry();
}

void MainWindow::ArmRetry() {
    const bool needed =
        !closed_ && (!trayShown_ || (!watchingSessions_ && sessionTries_ < kSessionTries));
    if (needed && !retrying_) SetTimer(hwnd(), kTimerRetry, options_.trayRetryMs, nullptr);
    if (!needed && retrying_) KillTimer(hwnd(), kTimerRetry);
    retrying_ = needed;
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
    history_->ProgramStarted(options_.version, WindowsVersionText());
}

void MainWindow::Record(const char* source, const char* name, const ActionOutcome& outcome) {
    if (history_) history_->Command(source, name, outcome);
}

// The line says what came of the command, so it is written once the call
// has answered. Fast restart and fast shutdown do not come back when they
// work: their line is written first, and a failure adds a second.
void MainWindow::PowerCommand(const char* source, const char* name, PowerOutcome (*command)()) {
    const bool comesBack = command != FastRestartNow && command != FastShutdownNow;
    const ActionOutcome carriedOut{kOutcomeCarriedOut, std::string()};
    if (!comesBack) Record(source, name, carriedOut);
    const PowerOutcome outcome = command();
    if (!outcome.ok)
        Record(source, name, ActionOutcome::Error(outcome.text));
    else if (comesBack)
        Record(source, name, carriedOut);
}

void MainWindow::CleanJunkFromMenu() {
    if (!driver_) return;
    Record(kSourceMenu, kCommandCleanJunk, CleanupOutcomeOf(driver_->RunJunkCleanup(true)));
    AfterTick();  // a close that came while the batch ran
}

void MainWindow::SetTimer2(bool on) {
    if (on && !timer2_) {
        SetTimer(hwnd(), kTimer2, 1000, nullptr);
        // Idle sleep must not swallow the action the user is being warned of.
        Sys().SetExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
    }
    if (!on && timer2_) {
        KillTimer(hwnd(), kTimer2);
        Sys().SetExecutionState(ES_CONTINUOUS);
    }
    timer2_ = on;
}

void MainWindow::ShowMonitoring(bool on) {
    menu_.SetMonitorChecked(on);
    tray_.Set(LoadProgramIcon(on ? L"ENASHUT" : L"DISSHUT"), TipText());
    tray_.Modify();
}

void MainWindow::SwitchMonitoring() {
    // 启用监控 during a pause ends it at once.
    if (pausedUntil_) {
        EndPause(kSourceMenu);
        return;
    }
    gate_.monitoring = !menu_.MonitorChecked();
    driver_->ApplyGate();
    ShowMonitoring(gate_.monitoring);
    if (history_) history_->MonitoringSwitched(kSourceMenu, gate_.monitoring);
}

void MainWindow::StartCountdown(const std::string& word, bool closeAllWindows) {
    view_.ChangeCaption(word);
    // The first second shows this countdown's whole length, not what the
    // previous countdown showed last.
    view_.SetRemaining(model_.Full());
    SetTimer2(true);
    gate_.countingDown = true;
    driver_->ApplyGate();
    Show();
    // The cancel button, first in the tab order, has the focus, so Space
    // cancels as well as Enter and Esc.
    focus_ = view_.cancel();
    SetFocus(focus_);
    if (!settings_.soundPath.empty())
        PlaySoundOnDemand(settings_.soundPath.c_str(), SND_FILENAME | SND_LOOP | SND_ASYNC);
    if (closeAllWindows) CloseAllOtherWindows();
}

// Expiry and act now: the window goes, and the tick comes back through the
// 60-second re-arm, so a countdown shorter than a minute cannot fire the
// same task again in its minute.
void MainWindow::EndCountdown(bool carryOut) {
    model_.Reset();
    view_.SetBar(model_.length(), 0);
    Hide();
    SetTimer2(false);
    gate_.countingDown = false;
    driver_->Suspend();
    PostponedCountdownEnded();
    if (!carryOut) return;
    PowerOutcome outcome;
    try {
        outcome = CarryOutPowerWord(tickState_.pendingAction, tickState_.wakeChoice);
    } catch (const std::exception& e) {
        if (history_) history_->CountdownActionEnded(ActionOutcome::Error(e.what()));
        throw;  // shown by the window procedure, as before
    }
    if (!outcome.cannotWake.empty()) sleepWatch_.TellAfterWake(outcome.cannotWake);
    if (!history_ || !outcome.acted) return;
    if (!outcome.ok)
        history_->CountdownActionEnded(ActionOutcome::Error(outcome.text));
    else if (!outcome.cannotWake.empty())
        history_->CountdownActionEnded(ActionOutcome::Error(outcome.cannotWake));
    else
        history_->CountdownActionEnded(ActionOutcome{kOutcomeDone, outcome.text});
}

void MainWindow::InterruptCountdown() {
    SetTimer2(false);
    StopSound();
    model_.Reset();
    view_.SetBar(model_.length(), 0);
    Hide();
}

void MainWindow::OnPowerBroadcast(WPARAM event) {
    switch (event) {
        case PBT_APMSUSPEND:
            if (sleepWatch_.Suspending(timer2_)) InterruptCountdown();
            break;
        case PBT_APMRESUMEAUTOMATIC:
        case PBT_APMRESUMESUSPEND:
        case PBT_APMRESUMECRITICAL: {
            const bool byTimer = Sys().WakeTimerCameDue();
            // Spent: the timer stays signalled, and would pass every later
            // wake off as its own.
            if (byTimer) Sys().CancelWakeTimer();
            const SleepWatch::Waking waking = sleepWatch_.Resumed(byTimer);
            // After a wake by a timer Windows leaves the display off and
            // sleeps again within about two minutes, unless a program asks
            // for the system and the display; once is enough.
            if (waking.keepOn) Sys().SetExecutionState(ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
            if (waking.showCountdown) StartCountdown(tickState_.pendingAction, false);
            if (!waking.notice.empty()) ShowReminder(waking.notice);
            break;
        }
        default: break;
    }
}

void MainWindow::Timer2Timer() {
    if (!timer2_) return;
    CountdownModel::Step step = model_.Advance();
    view_.SetBar(model_.length(), step.expired ? model_.length() : model_.position());
    view_.SetRemaining(step.remaining);
    if (!step.expired) return;
    // The looping sound ends before the action, not with the next logon.
    StopSound();
    if (history_) history_->CountdownEnded(kOutcomeCarriedOut);
    EndCountdown(true);
}

void MainWindow::BitBtn1Click() {
    StopSound();
    if (history_) history_->CountdownEnded(kOutcomeActNow);
    EndCountdown(true);
}

void MainWindow::BitBtn2Click() {
    SetTimer2(false);
    gate_.countingDown = false;
    StopSound();
    model_.Reset();
    view_.SetBar(model_.length(), 0);
    gate_.monitoring = false;
    driver_->ApplyGate();
    Hide();
    PostponedCountdownEnded();
    ShowMonitoring(false);
    if (history_) {
        history_->CountdownEnded(kOutcomeCancelled);
        history_->MonitoringSwitched(kSourceCountdown, false);
    }
}

void MainWindow::OnHotkey(WPARAM id) {
    switch (hotkeys_.ActionFor(id)) {
        case HotkeyAction::LogOff: PowerCommand(kSourceHotkey, kCommandLogOff, LogOffNow); break;
        case HotkeyAction::Standby: PowerCommand(kSourceHotkey, kCommandStandby, StandbyNow); break;
        case HotkeyAction::FastRestart:
            PowerCommand(kSourceHotkey, kCommandFastRestart, FastRestartNow);
            break;
        case HotkeyAction::FastShutdown:
            PowerCommand(kSourceHotkey, kCommandFastShutdown, FastShutdownNow);
            break;
        case HotkeyAction::None: break;
    }
}

void MainWindow::OnTrayCallback(LPARAM mouseMessage) {
    if (mouseMessage == NIN_BALLOONUSERCLICK) {
        ShowWarningMenu();
        return;
    }
    if (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN) return;
    SetForegroundWindow(hwnd());
    POINT at;
    GetCursorPos(&at);
    PumpMessages();
    menu_.Popup(hwnd(), at);
}

void MainWindow::OpenSettings() {
    if (store_) SettingsWindow::Open(*this);  // not before start-up made the store
}

void MainWindow::OnCommand(UINT id) {
    switch (id) {
        case kMenuMonitor: SwitchMonitoring(); break;
        case kMenuSettings: OpenSettings(); break;
        case kMenuLogOff: PowerCommand(kSourceMenu, kCommandLogOff, LogOffNow); break;
        case kMenuStandby: PowerCommand(kSourceMenu, kCommandStandby, StandbyNow); break;
        case kMenuHibernate: PowerCommand(kSourceMenu, kCommandHibernate, HibernateNow); break;
        case kMenuRestart: PowerCommand(kSourceMenu, kCommandRestart, RestartNow); break;
        case kMenuPowerOff: PowerCommand(kSourceMenu, kCommandPowerOff, PowerOffNow); break;
        case kMenuOpenCd:
            OpenCdTray(hwnd());
            Record(kSourceMenu, kCommandOpenCd, ActionOutcome::Done());
            break;
        case kMenuCloseCd:
            CloseCdTray(hwnd());
            Record(kSourceMenu, kCommandCloseCd, ActionOutcome::Done());
            break;
        case kMenuMonitorOff:
            MonitorOff();
            Record(kSourceMenu, kCommandMonitorOff, ActionOutcome::Done());
            break;
        case kMenuCleanJunk: CleanJunkFromMenu(); break;
        case kMenuFastRestart:
            PowerCommand(kSourceMenu, kCommandFastRestart, FastRestartNow);
            break;
        case kMenuFastShutdown:
            PowerCommand(kSourceMenu, kCommandFastShutdown, FastShutdownNow);
            break;
        case kMenuUpdate:
            ShellExecuteW(nullptr, L"open", kDownloadPage, nullptr, nullptr, SW_SHOWNORMAL);
            break;
        case kMenuAbout: ShowAboutWindow(); break;
        case kMenuHelp:
            ShellExecuteW(hwnd(), nullptr, Wide(ProgramFolder() + kHelpFile).c_str(), L"", L"",
                          SW_SHOWNORMAL);
            break;
        case kMenuExit: PostMessageW(hwnd(), WM_CLOSE, 0, 0); break;
        case kMenuPause + 0: Pause(PauseChoice::OneHour); break;
        case kMenuPause + 1: Pause(PauseChoice::TwoHours); break;
        case kMenuPause + 2: Pause(PauseChoice::FourHours); break;
        case kMenuPause + 3: Pause(PauseChoice::Tomorrow); break;
        case kMenuQuickTimer + 0:
        case kMenuQuickTimer + 1:
        case kMenuQuickTimer + 2:
        case kMenuQuickTimer + 3: SetQuickTimer(kQuickTimerMinutes[id - kMenuQuickTimer]); break;
        case kMenuCancelTimer: SetQuickTimer(0); break;
        case kWarnSkipId: SkipWarnedRun(); break;
        case kWarnPostponeId + 0:
        case kWarnPostponeId + 1:
        case kWarnPostponeId + 2: PostponeWarnedRun(kPostponeMinutes[id - kWarnPostponeId]); break;
        case CountdownView::kActNowId: BitBtn1Click(); break;
        case CountdownView::kPostponeId: ShowPostponeMenu(); break;
        case CountdownView::kPostponeMenuId + 0:
        case CountdownView::kPostponeMenuId + 1:
        case CountdownView::kPostponeMenuId + 2:
            Postpone(kPostponeMinutes[id - CountdownView::kPostponeMenuId]);
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
    tray_.Delete();
    ArmRetry();
    // The tick no longer uses the registry accessor. A tick or a cleanup
    // still running (it ran the messages that brought this close) keeps its
    // driver until it returns; it only stops its timers now.
    if (driver_ && driver_->busy())
        driver_->StopTimers();
    else
        driver_.reset();
}

void MainWindow::AfterTick() {
    if (driver_ && !driver_->busy() && closed_) driver_.reset();
    if (closePending_) {
        closePending_ = false;
        OnClose();
    }
}

void MainWindow::FormDestroy() {
    destroyed_ = true;
    hotkeys_.Release(hwnd());
    if (watchingSessions_) Sys().StopWatchingSessions(hwnd());
    watchingSessions_ = false;
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
        if (!closed_) ShowTrayIcon();
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
                RetryTimer();
            }
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 || HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
            return 0;
        case WM_HOTKEY:
            OnHotkey(wParam);
            return 1;
        case TrayIcon::kCallbackMessage:
            OnTrayCallback(lParam);
            return 0;
        case WM_WTSSESSION_CHANGE:
            OnSessionChange(wParam, lParam);
            return 0;
        case WM_ACTIVATE:
            // The countdown keeps the button that had the focus when the
            // user switched away (the cancel button at first).
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && (focus == view_.cancel() || focus == view_.actNow() ||
                              focus == view_.postpone()))
                    focus_ = focus;
            } else if (IsWindowVisible(hwnd()) && focus_) {
                SetFocus(focus_);
                return 0;
            }
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
