// Vantrel.exe as the machine's service. Started by the Service Control
// Manager with kServiceArgument in its command line, it runs the runner
// whoever is logged on, or nobody: the same tick and registry reads as the
// tray copy, on waitable timers, since a service has no window (session 0
// has no user, and under Wine a service's windows would show on the user's
// desktop). Power and session events come from the SCM's handler; 注销 logs
// off the console's session. What the runner would show goes to the views,
// every user's tray copy connected over the pipe (app/service_views_win.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "actions/handle_win.h"
#include "app/local_machine_win.h"
#include "app/tick_driver_win.h"
#include "history/history_file_win.h"
#include "registry/registry.h"
#include "runner/runner.h"
#include "scheduler/history_recorder.h"
#include "store/task_store.h"

namespace vantrel {

class ViewHub;
class ViewLauncher;

extern const char kServiceArgument[];  // "/service"
// Vantrel.exe /service started by hand, not by the SCM.
constexpr int kExitNotStartedByScm = 3;

// Runs the service: hands this process to the SCM and returns when the
// service has stopped. kExitNotStartedByScm when no SCM started it.
// `version`: the program's, for the history's start line.
int RunService(const std::string& version);

// The controls the service accepts: stop, shutdown, session changes and
// power events (all four known from XP on).
DWORD AcceptedControls();

// One periodic (or one-shot) waitable timer per id (below kTimerSlots),
// waited on by the service's thread.
class WaitableTimers : public TickTimers {
public:
    static constexpr UINT_PTR kTimerSlots = 8;
    void StartTimer(UINT_PTR id, UINT ms) override { Arm(id, ms, true); }
    void StartOnce(UINT_PTR id, UINT ms) { Arm(id, ms, false); }
    void StopTimer(UINT_PTR id) override;
    bool Running(UINT_PTR id) const { return id < kTimerSlots && running_[id]; }
    // The timers to wait on, and their ids, in the same order.
    void AddTo(std::vector<HANDLE>& handles, std::vector<UINT_PTR>& ids) const;

private:
    void Arm(UINT_PTR id, UINT ms, bool periodic);
    Handle timers_[kTimerSlots];
    bool running_[kTimerSlots] = {};
};

// A control the SCM's handler passed on, for the service's thread.
struct ServiceControl {
    DWORD control = 0;    // SERVICE_CONTROL_SESSIONCHANGE or _POWEREVENT
    DWORD eventType = 0;  // WTS_* or PBT_*
    std::uint32_t session = 0;
};

class ServiceHost : public RunnerView {
public:
    static constexpr UINT_PTR kTimerSecond = 2;  // the countdown's step
    static constexpr UINT_PTR kTimerLaunch = 5;  // once, the views' first start
    static constexpr UINT_PTR kTimerMinute = 6;  // the start of each minute

    struct Options {
        std::string programKey;     // empty: the program key
        std::string historyFolder;  // empty: no history
        std::string version;
        TickIntervals intervals;
    };

    ServiceHost(std::unique_ptr<Registry> registry, Options options);
    ~ServiceHost() override;
    ServiceHost(const ServiceHost&) = delete;
    ServiceHost& operator=(const ServiceHost&) = delete;

    // Reads the program key and starts the runner and its timers, on the
    // thread that will call Run. A change of the key's values by any writer
    // is read again as it happens (RegNotifyChangeKeyValue), not by more
    // reads each tick.
    void Start();
    // Carries out timers and controls until Stop; returns the number of
    // events it handled.
    std::uint64_t Run();
    // Any thread: carried out on the service's thread, in order.
    void Post(const ServiceControl& control);
    void Post(std::function<void(Runner&)> work);
    void Stop();

    Runner& runner() { return *runner_; }
    // The run history, once Start made it (none without a folder).
    HistoryRecorder* history() { return history_.get(); }
    HistorySink* historySink() { return historyFile_.get(); }
    // The junk cleanup a view asked for, without its list (nobody would
    // see it in the service's session).
    ActionOutcome CleanJunkNow();

    // The views, on the service's thread after Start: what the runner shows
    // goes to them, 提醒 and 打开文件 go to the screen user's view, and a
    // change of the sessions tells them their rights again.
    // With a launcher, the host starts the views that are missing: 15
    // seconds after it starts (the views of its last run come back by
    // themselves first), at each logon and at the start of each minute.
    void UseViews(ViewHub* hub, ViewLauncher* launcher = nullptr);

    // RunnerView: nothing shows in the service itself; the views show it.
    void ShowCountdown(const std::string& word, const std::string& remaining, bool closeAll) override;
    void StepCountdown(std::int32_t length, std::int32_t position, const std::string& remaining) override;
    void HideCountdown() override;
    void SetCountdownBar(std::int32_t length, std::int32_t position) override;
    void ShowBalloon(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    void StatusChanged() override;

private:
    class Machine;
    class Driver;
    void Handle1(UINT_PTR timer);
    void Control(const ServiceControl& control);
    // 提醒 (kActRemind) or 打开文件 in the screen user's session, through
    // the view there; the history says where it went or why it did not.
    void ForScreenUser(int action, const std::string& text);
    void StartMissingViews();
    // Asks to be told of the next change of the program key's values.
    void WatchKey();
    // Another writer (vantrelctl settings, a settings window) changed them.
    void KeyChanged();

    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Registry> tickRegistry_;
    Options options_;
    std::unique_ptr<TaskStore> store_;
    std::unique_ptr<Machine> machine_;
    std::unique_ptr<Runner> runner_;
    std::unique_ptr<Driver> driver_;
    std::unique_ptr<HistoryFile> historyFile_;
    std::unique_ptr<HistoryRecorder> history_;
    ViewHub* hub_ = nullptr;
    ViewLauncher* launcher_ = nullptr;
    bool launching_ = false;  // the first start of the views is past
    std::uint32_t userLeftTick_ = 0;  // the tick count when a user was last at the screen
    WaitableTimers timers_;
    Handle stop_, posted_, keyChanged_;
    HKEY watchedKey_ = nullptr;
    CRITICAL_SECTION lock_;
    std::vector<std::function<void()>> queue_;
};

}  // namespace vantrel
