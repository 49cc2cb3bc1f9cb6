#include "app/view_window_win.h"

#include "actions/utility_actions_win.h"
#include "app/elevated_settings_win.h"
#include "app/main_window_win.h"
#include "app/shell_texts.h"
#include "app/startup_win.h"
#include "app/tray_protocol.h"
#include "runner/postponed.h"
#include "runner/tray_status.h"
#include "store/task_store.h"
#include "winui/popup_menu_win.h"

namespace vantrel {

namespace {

const DWORD kConnectWaitMs = 2000;
const wchar_t kInstanceProperty[] = L"Brelnix.Vantrel";

HICON LoadProgramIcon(const wchar_t* name) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

// The menu's items the view passes to the service, for greying.
const UINT kServiceItems[] = {kMenuMonitor, kMenuLogOff, kMenuStandby, kMenuHibernate, kMenuRestart,
                              kMenuPowerOff, kMenuFastRestart, kMenuFastShutdown, kMenuCleanJunk,
                              kMenuPause + 0, kMenuPause + 1, kMenuPause + 2, kMenuPause + 3,
                              kMenuQuickTimer + 0, kMenuQuickTimer + 1, kMenuQuickTimer + 2, kMenuQuickTimer + 3,
                              kMenuCancelTimer};

}  // namespace

std::optional<MenuChoice> ChoiceForMenuItem(UINT item, std::uint8_t trayFlags) {
    auto power = [](PowerOp op) { return MenuChoice{ViewAction::PowerCommand, static_cast<std::int32_t>(op)}; };
    switch (item) {
        case kMenuMonitor:
            // 启用监控 also ends a pause.
            return MenuChoice{(trayFlags & kTrayMonitoring) && !(trayFlags & kTrayPaused) ? ViewAction::MonitoringOff
                                                                                           : ViewAction::MonitoringOn,
                              0};
        case kMenuLogOff: return power(PowerOp::LogOff);
        case kMenuStandby: return power(PowerOp::Standby);
        case kMenuHibernate: return power(PowerOp::Hibernate);
        case kMenuRestart: return power(PowerOp::Restart);
        case kMenuPowerOff: return power(PowerOp::PowerOff);
        case kMenuFastRestart: return power(PowerOp::FastRestart);
        case kMenuFastShutdown: return power(PowerOp::FastShutdown);
        case kMenuCleanJunk: return MenuChoice{ViewAction::CleanJunk, 0};
        case kMenuCancelTimer: return MenuChoice{ViewAction::QuickTimer, 0};
        default: break;
    }
    if (item >= kMenuPause && item < kMenuPause + 4)
        return MenuChoice{ViewAction::Pause, static_cast<std::int32_t>(item - kMenuPause)};
    if (item >= kMenuQuickTimer && item < kMenuQuickTimer + 4)
        return MenuChoice{ViewAction::QuickTimer, kQuickTimerMinutes[item - kMenuQuickTimer]};
    return std::nullopt;
}

ViewWindow::ViewWindow(Options options) : options_(std::move(options)), side_(options_.session) {
    InitializeCriticalSection(&lock_);
    stop_ = Handle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    drop_ = Handle(CreateEventW(nullptr, FALSE, FALSE, nullptr));
}

ViewWindow::~ViewWindow() {
    StopReader();
    DeleteCriticalSection(&lock_);
}

void ViewWindow::StopReader() {
    if (stop_) SetEvent(stop_.get());
    if (reader_) WaitForSingleObject(reader_.get(), INFINITE);
    reader_ = Handle();
    EnterCriticalSection(&lock_);
    client_.reset();
    LeaveCriticalSection(&lock_);
}

bool ViewWindow::Start() {
    // The countdown's window, as the tray copy's: on top, a fixed border.
    if (!CreateForm("TForm1", "正在关闭 Windows...", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_TOPMOST, 401, 136,
                    nullptr, LoadProgramIcon(L"MAINICON")))
        return false;
    // The running copy's mark: the setup program closes this window before
    // it replaces the files, and a second start finds it and ends.
    SetPropW(hwnd(), kInstanceProperty, reinterpret_cast<HANDLE>(1));
    view_.Attach(hwnd());
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    tray_.Init(hwnd(), LoadProgramIcon(L"MAINICON"), kTipEnabled);
    tray_.Add();
    ReadOwnSettings();
    menu_.SetHotkeyCaptions(MenuCaptionsFor(ctrlFlag_, UserName()));
    if (options_.hotkeys) {
        hotkeys_.GetAtoms();
        hotkeys_.Register(hwnd(), ctrlFlag_);
    }
    GreyMenu();
    SetTimer(hwnd(), kTimerIdle, kIdleReportMs, nullptr);
    reader_ = Handle(CreateThread(nullptr, 0, ReaderMain, this, 0, nullptr));
    return reader_.get() != nullptr;
}

// The two settings the view itself uses, read once: a value missing or of
// the wrong type keeps its default.
void ViewWindow::ReadOwnSettings() {
    Registry* reg = options_.registry;
    if (!reg) return;
    try {
        if (!reg->OpenKey(options_.programKey.empty() ? kProgramKeyPath : options_.programKey, false)) return;
        if (reg->ValueExists(kValCtrlHotkeys)) ctrlFlag_ = reg->ReadInteger(kValCtrlHotkeys);
        if (reg->ValueExists(kValSoundPath)) soundPath_ = reg->ReadString(kValSoundPath);
    } catch (const std::exception&) {
        // The defaults: F8 to F11 and no sound.
    }
    reg->CloseKey();
}

// The hotkeys' power commands, carried out by the service.
void ViewWindow::OnHotkey(WPARAM id) {
    PowerOp op = PowerOp::None;
    switch (hotkeys_.ActionFor(id)) {
        case HotkeyAction::LogOff: op = PowerOp::LogOff; break;
        case HotkeyAction::Standby: op = PowerOp::Standby; break;
        case HotkeyAction::FastRestart: op = PowerOp::FastRestart; break;
        case HotkeyAction::FastShutdown: op = PowerOp::FastShutdown; break;
        case HotkeyAction::None: return;
    }
    Choose(ViewAction::PowerCommand, ChoiceSource::Hotkey, static_cast<std::int32_t>(op));
}

DWORD WINAPI ViewWindow::ReaderMain(void* self) {
    static_cast<ViewWindow*>(self)->Reader();
    return 0;
}

// Connects, says hello and hands every message to the window; after a
// broken pipe or a failed try, waits and tries again, until the window goes.
void ViewWindow::Reader() {
    const std::string hello = side_.Hello();  // the session only: fixed from the start
    const HWND window = hwnd();
    unsigned failures = 0;
    while (WaitForSingleObject(stop_.get(), 0) == WAIT_TIMEOUT) {
        bool connected = false;
        try {
            std::unique_ptr<PipeClient> client(
                new PipeClient(PipeClient::Connect(options_.pipeName, options_.expected, kConnectWaitMs)));
            client->Send(hello);
            PipeClient* reading = client.get();
            EnterCriticalSection(&lock_);
            client_ = std::move(client);
            LeaveCriticalSection(&lock_);
            connected = true;
            failures = 0;
            ResetEvent(drop_.get());
            while (WaitForSingleObject(stop_.get(), 0) == WAIT_TIMEOUT &&
                   WaitForSingleObject(drop_.get(), 0) == WAIT_TIMEOUT) {
                std::optional<std::string> body = reading->Receive(200);
                if (!body) continue;
                auto* posted = new std::string(std::move(*body));
                if (!PostMessageW(window, kReceivedMessage, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
            }
        } catch (const PipeError&) {
            // Gone, or never there: the service restarts, or is not yet up.
        }
        if (connected) {
            EnterCriticalSection(&lock_);
            client_.reset();
            LeaveCriticalSection(&lock_);
            PostMessageW(window, kLostMessage, 0, 0);
        }
        WaitForSingleObject(stop_.get(), ReconnectDelayMs(failures++));
    }
}

void ViewWindow::Send(const std::optional<std::string>& body) {
    if (!body) return;
    EnterCriticalSection(&lock_);
    try {
        if (client_) client_->Send(*body);
    } catch (const PipeError&) {
        // The reader meets the broken pipe too, and comes back.
    }
    LeaveCriticalSection(&lock_);
}

void ViewWindow::Choose(ViewAction action, ChoiceSource source, std::int32_t argument) {
    Send(side_.Choose(action, source, argument));
}

void ViewWindow::Take(const std::string& body) {
    ViewEffect effect;
    try {
        effect = side_.Take(body);
    } catch (const ProtocolError&) {
        // A service that speaks otherwise (another version mid-upgrade):
        // the reader ends this connection and comes back.
        SetEvent(drop_.get());
        return;
    }
    if (effect.trayChanged) ShowTray();
    if (effect.countdownChanged || effect.rightsChanged) ShowCountdown();
    if (effect.rightsChanged || effect.trayChanged) GreyMenu();
    if (effect.balloon) tray_.ShowBalloon("Vantrel", *effect.balloon);
    if (effect.notice) ShowReminder(*effect.notice);
    if (effect.reminder) ShowReminder(*effect.reminder);
    if (effect.openFile) {
        const std::string failure = OpenTaskFile(*effect.openFile);
        if (!failure.empty()) ShowReminder(failure);
    }
}

void ViewWindow::Lost() {
    side_.Lost();
    ShowCountdown();
    GreyMenu();
}

void ViewWindow::ShowTray() {
    const bool on = side_.trayFlags() & kTrayMonitoring;
    HICON icon = tray_.icon();
    if (on != monitoringShown_) icon = LoadProgramIcon(on ? L"ENASHUT" : L"DISSHUT");
    monitoringShown_ = on;
    tray_.Set(icon, side_.tip());
    tray_.Modify();
}

void ViewWindow::ShowCountdown() {
    const std::optional<ShownCountdown>& c = side_.countdown();
    if (!c) {
        if (countdownShown_) view_.Close(side_.barLength());
        countdownShown_ = 0;
        return;
    }
    if (countdownShown_ != c->id) {
        view_.Open(c->word, c->remaining, soundPath_, c->closeAll);
        countdownShown_ = c->id;
    }
    view_.Step(c->length, c->position, c->remaining);
    // Only the buttons this user may press show.
    ShowWindow(view_.cancel(), c->buttons.cancel ? SW_SHOWNA : SW_HIDE);
    ShowWindow(view_.postpone(), c->buttons.postpone ? SW_SHOWNA : SW_HIDE);
    ShowWindow(view_.actNow(), c->buttons.actNow ? SW_SHOWNA : SW_HIDE);
}

void ViewWindow::GreyMenu() {
    const std::uint8_t flags = side_.trayFlags();
    menu_.SetMonitorChecked(flags & kTrayMonitoring);
    menu_.SetCancelTimer(side_.timerCaption(), flags & kTrayQuickTimer);
    for (UINT item : kServiceItems) {
        const std::optional<MenuChoice> choice = ChoiceForMenuItem(item, flags);
        bool may = choice && side_.May(choice->action);
        if (item == kMenuCancelTimer) may = may && (flags & kTrayQuickTimer);
        EnableMenuItem(menu_.handle(), item, MF_BYCOMMAND | (may ? MF_ENABLED : MF_GRAYED));
    }
}

void ViewWindow::ShowPostponeMenu() {
    if (!side_.countdown() || !side_.countdown()->buttons.postpone) return;
    if (const UINT chosen = ChoosePostpone(hwnd(), view_.postpone())) OnCommand(chosen);
}

void ViewWindow::ShowWarningMenu() {
    if (!(side_.trayFlags() & kTrayWarningOpen) || !side_.May(ViewAction::SkipWarnedRun)) return;
    if (const UINT chosen = ChooseWarningAnswer(hwnd())) OnCommand(chosen);
}

// The milliseconds since this session's last input: the system counts it
// per session, so only a view can tell the service.
void ViewWindow::ReportIdle() {
    if (!side_.connected()) return;
    LASTINPUTINFO info = {};
    info.cbSize = sizeof info;
    if (!GetLastInputInfo(&info)) return;
    Send(side_.IdleReport(GetTickCount() - info.dwTime));
}

void ViewWindow::OnCommand(UINT id) {
    if (const std::optional<MenuChoice> choice = ChoiceForMenuItem(id, side_.trayFlags())) {
        Choose(choice->action, ChoiceSource::Menu, choice->argument);
        return;
    }
    switch (id) {
        case kMenuExit:
            Send(side_.Choose(ViewAction::CloseView, ChoiceSource::Menu, 0));
            PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            break;
        // The settings window in a copy of its own, with this view's rights:
        // it writes through the store as every writer does, and the service
        // takes the change up from the program key.
        case kMenuSettings: StartSettingsOnly(hwnd()); break;
        case kMenuOpenCd: OpenCdTray(hwnd()); break;
        case kMenuCloseCd: CloseCdTray(hwnd()); break;
        case kMenuMonitorOff: MonitorOff(); break;
        case kWarnSkipId: Choose(ViewAction::SkipWarnedRun, ChoiceSource::Balloon, 0); break;
        case kWarnPostponeId + 0:
        case kWarnPostponeId + 1:
        case kWarnPostponeId + 2:
            Choose(ViewAction::PostponeWarnedRun, ChoiceSource::Balloon, kPostponeMinutes[id - kWarnPostponeId]);
            break;
        case CountdownView::kActNowId: Choose(ViewAction::ActNow, ChoiceSource::Countdown, 0); break;
        case CountdownView::kPostponeId: ShowPostponeMenu(); break;
        case CountdownView::kPostponeMenuId + 0:
        case CountdownView::kPostponeMenuId + 1:
        case CountdownView::kPostponeMenuId + 2:
            Choose(ViewAction::PostponeCountdown, ChoiceSource::Countdown,
                   kPostponeMinutes[id - CountdownView::kPostponeMenuId]);
            break;
        case CountdownView::kCancelId:
        case IDCANCEL:
        case IDOK: {
            const std::optional<std::string> cancel =
                side_.Choose(ViewAction::CancelCountdown, ChoiceSource::Countdown, 0);
            Send(cancel);
            if (cancel) tray_.ShowBalloon(kCancelledBalloonTitle, kCancelledBalloonText);
            break;
        }
        default: break;
    }
}

void ViewWindow::OnTrayCallback(WPARAM wParam, LPARAM lParam) {
    const TrayCallback call = ReadTrayCallback(tray_.version(), wParam, lParam);
    if (call.request == TrayRequest::BalloonClicked) {
        ShowWarningMenu();
        return;
    }
    if (call.request != TrayRequest::Menu) return;
    SetForegroundWindow(hwnd());
    POINT at = {call.x, call.y};
    if (!call.atAnchor) GetCursorPos(&at);
    PumpMessages();
    menu_.Popup(hwnd(), at);
    MSG chosen;
    if (ReturnFocusAfterMenu(tray_.version(), PeekMessageW(&chosen, hwnd(), WM_COMMAND, WM_COMMAND, PM_NOREMOVE)))
        tray_.ReturnFocus();
}

LRESULT ViewWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        tray_.Add();
        return 0;
    }
    // A second start in this session asks for the settings window, as it
    // asks a tray copy that runs the tasks.
    if (msg == MainWindow::OpenSettingsMessage()) {
        StartSettingsOnly(hwnd());
        return 0;
    }
    switch (msg) {
        case kReceivedMessage: {
            std::unique_ptr<std::string> body(reinterpret_cast<std::string*>(lParam));
            Take(*body);
            return 0;
        }
        case kLostMessage: Lost(); return 0;
        case WM_TIMER:
            if (wParam == kTimerIdle) ReportIdle();
            return 0;
        case WM_HOTKEY: OnHotkey(wParam); return 1;
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 || HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
            return 0;
        case TrayIcon::kCallbackMessage: OnTrayCallback(wParam, lParam); return 0;
        case WM_ACTIVATE:
            if (view_.Activate(wParam)) return 0;
            break;
        case WM_DESTROY:
            KillTimer(hwnd(), kTimerIdle);
            if (options_.hotkeys) hotkeys_.Release(hwnd());
            RemovePropW(hwnd(), kInstanceProperty);
            StopReader();
            tray_.Delete();
            view_.Close(side_.barLength());
            if (options_.endsProgram) PostQuitMessage(0);
            return 0;
        default: break;
    }
    return Form::HandleMessage(msg, wParam, lParam);
}

}  // namespace vantrel
