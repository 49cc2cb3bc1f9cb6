// Vantrel.exe as the machine's service. Started by the Service Control
// Manager with kServiceArgument in its command line, it runs the runner
// whoever is logged on, or nobody: the same tick and registry reads as the
// tray copy, on waitable timers, since a service has no window (session 0
// has no user, and under Wine a service's windows would show on the user's
// desktop). Power and session events come from the SCM's handler; 注销 logs
// off the console's session. What the runner would show goes nowhere yet:
// the views connect over the pipe.
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

    // RunnerView: nothing shows in the service itself.
    void ShowCountdown(const std::string& word, const std::string& remaining, bool closeAll) override;
    void StepCountdown(std::int32_t, std::int32_t, const std::string&) override {}
    void HideCountdown() override;
    void SetCountdownBar(std::int32_t, std::int32_t) override {}
    void ShowBalloon(const std::string&) override {}
    void ShowNotice(const std::string&) override {}
    void StatusChanged() override {}

private:
    class Machine;
    class Driver;
    void Handle1(UINT_PTR timer);
    void Control(const ServiceControl& control);
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
    WaitableTimers timers_;
    Handle stop_, posted_, keyChanged_;
    HKEY watchedKey_ = nullptr;
    CRITICAL_SECTION lock_;
    std::vector<std::function<void()>> queue_;
};

}  // namespace vantrel
