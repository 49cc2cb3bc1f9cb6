#include "app/service_win.h"

#include <wtsapi32.h>

#include <exception>
#include <utility>

#include "actions/power_actions_win.h"
#include "actions/system_ops.h"
#include "actions/utility_actions_win.h"
#include "app/service_views_win.h"
#include "app/startup_win.h"
#include "app/view_launcher_win.h"
#include "registry/registry_win.h"
#include "scheduler/clock.h"
#include "scheduler/time_text.h"
#include "service/pipe_win.h"
#include "service/placement.h"
#include "service/view_hub.h"
#include "store/task_record.h"
#include "text/codepage_win.h"

namespace vantrel {

const char kServiceArgument[] = "/service";

DWORD AcceptedControls() {
    return SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_SESSIONCHANGE | SERVICE_ACCEPT_POWEREVENT;
}

// ---- timers ----

void WaitableTimers::Arm(UINT_PTR id, UINT ms, bool periodic) {
    if (id >= kTimerSlots) throw std::logic_error("timer id");
    Handle& timer = timers_[id];
    if (!timer) {
        // Auto-reset: each expiry is one event.
        timer = Handle(CreateWaitableTimerW(nullptr, FALSE, nullptr));
        if (!timer) throw std::runtime_error("CreateWaitableTimer");
    }
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(ms) * 10000;  // relative, in 100 ns
    SetWaitableTimer(timer.get(), &due, periodic ? static_cast<LONG>(ms) : 0, nullptr, nullptr, FALSE);
    running_[id] = true;
}

void WaitableTimers::StopTimer(UINT_PTR id) {
    if (id >= kTimerSlots || !timers_[id]) return;
    CancelWaitableTimer(timers_[id].get());
    // A cancelled timer keeps an expiry not yet waited for: spent here, so
    // that a stopped timer fires nothing.
    WaitForSingleObject(timers_[id].get(), 0);
    running_[id] = false;
}

void WaitableTimers::AddTo(std::vector<HANDLE>& handles, std::vector<UINT_PTR>& ids) const {
    for (UINT_PTR id = 0; id < kTimerSlots; ++id) {
        if (!timers_[id]) continue;
        handles.push_back(timers_[id].get());
        ids.push_back(id);
    }
}

// ---- what the service asks of the machine ----

class ServiceHost::Machine : public LocalMachine {
public:
    // 注销 from outside the user's session.
    PowerOutcome CarryOut(const std::string& word, const std::string& wakeChoice) override {
        return CarryOutPowerWordAsService(word, wakeChoice);
    }
};

// The tick's actions as the service carries them out: nothing that would
// open a window in its session, where nobody sees it. 提醒 and 打开文件 go
// to the screen user's view.
class ServiceHost::Driver : public TickDriver {
public:
    Driver(ServiceHost& host, TickTimers& timers, Runner& runner, TickIntervals intervals)
        : TickDriver(timers, nullptr, runner, intervals), host_(host) {}
    void UseHistory(HistoryRecorder* history) { SetHistory(history); }
    void ShowReminder(const std::string& text) override { host_.ForScreenUser(kActRemind, text); }
    void OpenTaskFile(const std::string& parameter) override { host_.ForScreenUser(kActOpenFile, parameter); }
    void CleanSystemJunk(bool) override { TickDriver::CleanSystemJunk(false); }

private:
    ServiceHost& host_;
};

// ---- the host ----

ServiceHost::ServiceHost(std::unique_ptr<Registry> registry, Options options)
    : registry_(std::move(registry)), options_(std::move(options)) {
    if (options_.programKey.empty()) options_.programKey = kProgramKeyPath;
    InitializeCriticalSection(&lock_);
    stop_ = Handle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    posted_ = Handle(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    keyChanged_ = Handle(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!stop_ || !posted_ || !keyChanged_) throw std::runtime_error("CreateEvent");
}

ServiceHost::~ServiceHost() {
    if (history_) history_->ProgramEnded();
    if (driver_) driver_->StopTimers();
    if (machine_) machine_->UseDriver(nullptr);
    driver_.reset();
    RouteReminders(nullptr);
    if (watchedKey_) RegCloseKey(watchedKey_);
    DeleteCriticalSection(&lock_);
}

void ServiceHost::WatchKey() {
    if (!watchedKey_) {
        // The same view of the registry as the store's: a 32-bit program's.
        const char* path = options_.programKey.c_str();
        while (*path == '\\') ++path;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_NOTIFY, &watchedKey_) != ERROR_SUCCESS) {
            watchedKey_ = nullptr;
            return;
        }
    }
    // Each notification is asked for anew, before the values are read, so
    // that a change made while they are read is told too.
    RegNotifyChangeKeyValue(watchedKey_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, keyChanged_.get(), TRUE);
}

void ServiceHost::KeyChanged() {
    WatchKey();
    Settings& settings = runner_->settings();
    StartupResult read = store_->StartupLoad(settings);
    runner_->SetCountdownLength(settings.countdownLength);
    runner_->WantTasksRead();
    if (history_)
        for (const std::string& e : read.errors) history_->ValueProblem(e);
    // baohu may have changed what each view may offer.
    if (hub_) hub_->Refresh();
}

void ServiceHost::Start() {
    // What would be a reminder window in a tray copy: the outcome that
    // carries the same text reaches the history.
    RouteReminders([](const std::string&) {});
    EnableShutdownPrivilege();
    store_.reset(new TaskStore(*registry_, options_.programKey));
    tickRegistry_ = registry_->NewAccessor();
    machine_.reset(new Machine);
    runner_.reset(new Runner(*store_, tickRegistry_ ? *tickRegistry_ : *registry_, options_.programKey, *machine_,
                             *this, LocalTimeNow));
    Settings& settings = runner_->settings();
    StartupResult loaded = store_->StartupLoad(settings);
    runner_->SetCountdownLength(settings.countdownLength);
    WatchKey();

    driver_.reset(new Driver(*this, timers_, *runner_, options_.intervals));
    machine_->UseDriver(driver_.get());
    if (!options_.historyFolder.empty()) {
        historyFile_.reset(new HistoryFile(options_.historyFolder));
        history_.reset(new HistoryRecorder(*historyFile_, LocalTimeNow));
        driver_->UseHistory(history_.get());
        runner_->UseHistory(history_.get());
        history_->ProgramStarted(options_.version, WindowsVersionText());
    }
    driver_->ApplyGate();
    std::vector<std::string> problems = loaded.errors;
    for (const std::string& e : runner_->Start()) problems.push_back(e);
    if (history_)
        for (const std::string& e : problems) history_->StartupProblem(e);
    timers_.StartOnce(kTimerMinute, MillisecondsToNextMinute(LocalTimeNow()));
}

void ServiceHost::Post(const ServiceControl& control) {
    Post([this, control](Runner&) { Control(control); });
}

void ServiceHost::Post(std::function<void(Runner&)> work) {
    EnterCriticalSection(&lock_);
    queue_.push_back([this, work] { work(*runner_); });
    LeaveCriticalSection(&lock_);
    SetEvent(posted_.get());
}

void ServiceHost::Stop() { SetEvent(stop_.get()); }

void ServiceHost::UseViews(ViewHub* hub, ViewLauncher* launcher) {
    hub_ = hub;
    launcher_ = hub ? launcher : nullptr;
    if (hub_) hub_->UseRunner(runner_.get());
    if (launcher_) timers_.StartOnce(kTimerLaunch, 15000);
    if (!driver_) return;
    if (!hub_) {
        driver_->UseLastInput(nullptr);
        return;
    }
    // The service's own session has no input: the idle time is the screen
    // user's, as their view reports it, or, with nobody logged on, the time
    // since the last user left (or the service started).
    userLeftTick_ = GetTickCount();
    driver_->UseLastInput([this](std::uint32_t now) {
        const MachineSessions machine = SessionsWithViews(Sys().ConsoleSession(), Sys().ActiveSessions(), hub_->Views());
        const ScreenUser screen = ScreenUserOf(machine);
        if (screen.user != UserKind::Nobody) userLeftTick_ = now;
        return MachineLastInput(machine, hub_->IdleOf(screen.session), now, userLeftTick_);
    });
}

void ServiceHost::StartMissingViews() {
    if (launcher_ && hub_) launcher_->StartMissing(hub_->Views(), MinuteNumber(LocalTimeNow()));
}

void ServiceHost::ShowCountdown(const std::string& word, const std::string& remaining, bool closeAll) {
    if (!timers_.Running(kTimerSecond)) timers_.StartTimer(kTimerSecond, 1000);
    if (hub_) hub_->ShowCountdown(word, remaining, closeAll);
}

void ServiceHost::StepCountdown(std::int32_t length, std::int32_t position, const std::string& remaining) {
    if (hub_) hub_->StepCountdown(length, position, remaining);
}

void ServiceHost::HideCountdown() {
    timers_.StopTimer(kTimerSecond);
    if (hub_) hub_->HideCountdown();
}

void ServiceHost::SetCountdownBar(std::int32_t length, std::int32_t position) {
    if (hub_) hub_->SetCountdownBar(length, position);
}

void ServiceHost::ShowBalloon(const std::string& text) {
    if (hub_) hub_->ShowBalloon(text);
}

void ServiceHost::ShowNotice(const std::string& text) {
    if (hub_) hub_->ShowNotice(text);
}

void ServiceHost::StatusChanged() {
    if (hub_) hub_->StatusChanged();
}

ActionOutcome ServiceHost::CleanJunkNow() { return CleanupOutcomeOf(driver_->RunJunkCleanup(false)); }

void ServiceHost::ForScreenUser(int action, const std::string& text) {
    Placement placement{RunsIn::Nowhere, kNoSession, kNoteNoView};
    if (hub_)
        placement =
            PlaceAction(action, SessionsWithViews(Sys().ConsoleSession(), Sys().ActiveSessions(), hub_->Views()));
    bool handed = false;
    if (placement.where == RunsIn::ScreenUser)
        handed = action == kActRemind ? hub_->ShowReminder(placement.session, text)
                                      : hub_->OpenFile(placement.session, text);
    if (!history_) return;
    if (handed)
        history_->Executed(ActionOutcome::Done());
    else if (placement.where == RunsIn::ScreenUser)
        // A file's name too long for one message: no other file is opened.
        history_->Executed(ActionOutcome::Error("文件名太长，无法交给用户的托盘"));
    else
        history_->Executed(ActionOutcome::Error(placement.note));
}

void ServiceHost::Handle1(UINT_PTR timer) {
    switch (timer) {
        case TickDriver::kTimer1: driver_->Timer1Timer(); break;
        case TickDriver::kTimer3: driver_->Timer3Timer(); break;
        case TickDriver::kTimerNetsh: driver_->NetshTimer(); break;
        case kTimerSecond: runner_->Second(); break;
        case kTimerLaunch:
            launching_ = true;
            StartMissingViews();
            break;
        case kTimerMinute:
            timers_.StartOnce(kTimerMinute, MillisecondsToNextMinute(LocalTimeNow()));
            runner_->Minute();
            // The tip counts down to the next task by the minute; a change
            // of baohu the runner has read changes the views' rights.
            if (hub_) {
                hub_->StatusChanged();
                hub_->Refresh();
            }
            if (launching_) StartMissingViews();
            break;
        default: break;
    }
}

void ServiceHost::Control(const ServiceControl& control) {
    if (control.control == SERVICE_CONTROL_POWEREVENT)
        LocalMachine::PowerEvent(*runner_, control.eventType);
    else if (control.control == SERVICE_CONTROL_SESSIONCHANGE) {
        runner_->SessionChanged(control.eventType, control.session);
        if (control.eventType == WTS_SESSION_LOGON && launcher_) {
            launcher_->LoggedOn(control.session);
            StartMissingViews();
        }
        // A session that became active shows the countdown; one that left
        // loses what only the screen's user may do.
        if (hub_) hub_->Refresh();
    }
}

std::uint64_t ServiceHost::Run() {
    std::uint64_t handled = 0;
    while (true) {
        std::vector<HANDLE> handles = {stop_.get(), posted_.get(), keyChanged_.get()};
        std::vector<UINT_PTR> ids = {0, 0, 0};
        timers_.AddTo(handles, ids);
        const DWORD w = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE);
        if (w == WAIT_OBJECT_0 || w == WAIT_FAILED) break;
        const DWORD index = w - WAIT_OBJECT_0;
        if (index >= handles.size()) continue;
        // Whatever one event throws is told and ends nothing: the next
        // timer or control comes as before.
        auto guarded = [this](const std::function<void()>& event) {
            try {
                event();
            } catch (const std::exception& e) {
                if (history_) history_->ValueProblem(e.what());
            }
        };
        if (index == 1) {
            while (true) {
                std::vector<std::function<void()>> work;
                EnterCriticalSection(&lock_);
                work.swap(queue_);
                LeaveCriticalSection(&lock_);
                if (work.empty()) break;
                for (const std::function<void()>& one : work) {
                    ++handled;
                    guarded(one);
                }
            }
        } else if (index == 2) {
            ++handled;
            guarded([this] { KeyChanged(); });
        } else {
            ++handled;
            guarded([this, &ids, index] { Handle1(ids[index]); });
        }
    }
    return handled;
}

// ---- the SCM's side ----

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
SERVICE_STATUS g_status = {};
CRITICAL_SECTION g_hostLock;
ServiceHost* g_host = nullptr;
std::string g_version;

void Report(DWORD state, DWORD exitCode, DWORD waitHint) {
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    // No control is taken while the service starts or stops.
    g_status.dwControlsAccepted = state == SERVICE_RUNNING ? AcceptedControls() : 0;
    g_status.dwWin32ExitCode = exitCode;
    // The SCM reads the service's own code only beside this one, and a
    // zero there would say nothing went wrong.
    g_status.dwServiceSpecificExitCode = exitCode == ERROR_SERVICE_SPECIFIC_ERROR ? 1 : 0;
    g_status.dwWaitHint = waitHint;
    g_status.dwCheckPoint = (state == SERVICE_RUNNING || state == SERVICE_STOPPED) ? 0 : g_status.dwCheckPoint + 1;
    SetServiceStatus(g_statusHandle, &g_status);
}

DWORD WINAPI Handler(DWORD control, DWORD eventType, LPVOID eventData, LPVOID) {
    switch (control) {
        case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            EnterCriticalSection(&g_hostLock);
            if (g_host) {
                Report(SERVICE_STOP_PENDING, NO_ERROR, 10000);
                g_host->Stop();
            }
            LeaveCriticalSection(&g_hostLock);
            return NO_ERROR;
        case SERVICE_CONTROL_SESSIONCHANGE:
        case SERVICE_CONTROL_POWEREVENT: {
            ServiceControl posted;
            posted.control = control;
            posted.eventType = eventType;
            if (control == SERVICE_CONTROL_SESSIONCHANGE && eventData)
                posted.session = static_cast<WTSSESSION_NOTIFICATION*>(eventData)->dwSessionId;
            EnterCriticalSection(&g_hostLock);
            if (g_host) g_host->Post(posted);
            LeaveCriticalSection(&g_hostLock);
            return NO_ERROR;
        }
        default: return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
    g_statusHandle = RegisterServiceCtrlHandlerExA(kServiceName, Handler, nullptr);
    if (!g_statusHandle) return;
    Report(SERVICE_START_PENDING, NO_ERROR, 10000);
    DWORD exitCode = NO_ERROR;
    try {
        ServiceHost::Options options;
        options.historyFolder = HistoryFolder();
        options.version = g_version;
        ServiceHost host(std::unique_ptr<Registry>(new WinRegistry), options);
        // The pipe's first instance before anything runs: a process that
        // holds the name could play the service to every view. What views
        // say meanwhile waits in the host's queue.
        wchar_t program[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        ServiceViews views(host, PipeServer::Options(), "\"" + Narrow(program) + "\"");
        views.Start();
        host.Start();
        views.Attach();
        EnterCriticalSection(&g_hostLock);
        g_host = &host;
        LeaveCriticalSection(&g_hostLock);
        Report(SERVICE_RUNNING, NO_ERROR, 0);
        host.Run();
        EnterCriticalSection(&g_hostLock);
        g_host = nullptr;
        LeaveCriticalSection(&g_hostLock);
        Report(SERVICE_STOP_PENDING, NO_ERROR, 10000);
        views.Stop();
    } catch (const PipeError& e) {
        exitCode = e.code() ? e.code() : ERROR_SERVICE_SPECIFIC_ERROR;
    } catch (const std::exception&) {
        exitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    }
    Report(SERVICE_STOPPED, exitCode, 0);
}

}  // namespace

int RunService(const std::string& version) {
    InitializeCriticalSection(&g_hostLock);
    g_version = version;
    std::string name = kServiceName;  // the table wants it writable
    SERVICE_TABLE_ENTRYA table[] = {{&name[0], ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table))
        return GetLastError() == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT ? kExitNotStartedByScm : 1;
    return 0;
}

}  // namespace vantrel
