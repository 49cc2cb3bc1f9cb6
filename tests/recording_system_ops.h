// A SystemOps that records the calls instead of making them, installed for
// the lifetime of the object: tests never end the session, power off, arm a
// wake timer, start system programs, dial, switch the monitor off, or close
// other programs' windows. What the power manager says comes from fields:
// recorded answers of a machine of the test's choosing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "actions/system_ops.h"

namespace vantrel {
namespace testing {

// A task service kept in memory: the definitions registered, what the
// service hands back of each, each call recorded. Unavailable by default, as
// on Windows XP.
class RecordingTaskService : public TaskService {
public:
    bool available = false;
    std::map<std::string, RegisteredTask> tasks;     // as FindTask hands them back
    std::map<std::string, std::string> definitions;  // the XML each was registered with
    std::vector<std::string> calls;                  // "register NAME", "delete NAME"
    // What the service reads back from a definition it registers; by default
    // nothing of its actions or triggers, as Wine keeps it.
    std::function<RegisteredTask(const std::string& xml)> readBack = [](const std::string&) {
        return RegisteredTask{true, false, "", ""};
    };

    bool TaskServiceAvailable() override { return available; }
    bool FindTask(const std::string& name, RegisteredTask& task) override {
        auto found = tasks.find(name);
        if (!available || found == tasks.end()) return false;
        task = found->second;
        return true;
    }
    void RegisterTask(const std::string& name, const std::string& xml) override {
        calls.push_back("register " + name);
        definitions[name] = xml;
        tasks[name] = readBack(xml);
    }
    void DeleteTask(const std::string& name) override {
        calls.push_back("delete " + name);
        tasks.erase(name);
        definitions.erase(name);
    }
};

class RecordingSystemOps : public SystemOps {
public:
    RecordingSystemOps() { InstallSystemOps(this); }
    ~RecordingSystemOps() override { InstallSystemOps(nullptr); }

    std::vector<std::string> calls;
    std::vector<std::uint32_t> terminated;
    std::vector<ProcessStart> started;
    std::vector<void*> askedToClose;  // windows, in the order asked
    bool terminateResult = true;
    // What StartProcess answers; by default nothing starts.
    std::function<void*(const ProcessStart&)> onStart;

    bool TerminateProcessById(std::uint32_t pid) override {
        terminated.push_back(pid);
        calls.push_back("terminate " + std::to_string(pid));
        return terminateResult;
    }
    // What the power calls and the power manager answer: by default Windows
    // takes every request, on a computer that can sleep and hibernate.
    std::uint32_t powerResult = 0;
    std::vector<std::uint32_t> endSessionReasons;
    std::uint32_t EndSession(std::uint32_t flags, std::uint32_t reason) override {
        calls.push_back("ExitWindowsEx " + std::to_string(flags));
        endSessionReasons.push_back(reason);
        return powerResult;
    }
    std::uint32_t LogOffSession(std::uint32_t session) override {
        calls.push_back("WTSLogoffSession " + std::to_string(session));
        return powerResult;
    }
    std::uint32_t SetPowerState(bool suspend, bool force) override {
        calls.push_back(std::string("SetSystemPowerState ") + (suspend ? "1" : "0") + (force ? "1" : "0"));
        return powerResult;
    }
    std::uint32_t ShutdownSystem(int action) override {
        calls.push_back("NtShutdownSystem " + std::to_string(action));
        return powerResult;
    }
    PowerCapabilities powerCaps{true, false, true, true};
    bool ReadPowerCapabilities(PowerCapabilities& caps) override {
        caps = powerCaps;
        return true;
    }
    std::uint32_t armResult = 0;
    bool wakeTimerDue = false;
    std::uint32_t ArmWakeTimer(const WakePlan& at) override {
        calls.push_back("arm wake timer " + std::to_string(at.date.year) + "-" + std::to_string(at.date.month) +
                        "-" + std::to_string(at.date.day) + " " + std::to_string(at.hour) + ":" +
                        std::to_string(at.minute));
        return armResult;
    }
    void CancelWakeTimer() override {
        calls.push_back("cancel wake timer");
        wakeTimerDue = false;
    }
    bool WakeTimerCameDue() override { return wakeTimerDue; }
    std::vector<std::uint32_t> executionStates;  // apart from `calls`
    void SetExecutionState(std::uint32_t flags) override { executionStates.push_back(flags); }
    // Power requests, as from Windows 7 on, when `powerRequests`; each call
    // recorded apart from `calls`.
    bool powerRequests = false;
    std::vector<bool> powerRequestCalls;
    bool SetPowerRequest(bool on) override {
        powerRequestCalls.push_back(on);
        return powerRequests;
    }
    // The users logged on, by session, with their token's elevation type
    // (1, 2 or 3); views started are recorded, never started.
    std::map<std::uint32_t, std::uint32_t> sessionUsers;
    std::uint32_t startResult = 0;
    std::uint32_t SessionUserElevation(std::uint32_t session) override {
        const auto found = sessionUsers.find(session);
        return found == sessionUsers.end() ? 0 : found->second;
    }
    std::uint32_t StartAsSessionUser(std::uint32_t session, bool linkedToken, const std::string& commandLine) override {
        calls.push_back("start in session " + std::to_string(session) + (linkedToken ? " linked " : " ") + commandLine);
        return startResult;
    }
    bool resumedAutomatically = false;
    bool ResumedAutomatically() override { return resumedAutomatically; }
    UptimeClock uptime;
    UptimeClock ReadUptimeClock() override { return uptime; }
    void* StartProcess(const ProcessStart& start) override {
        started.push_back(start);
        calls.push_back("start " + start.program);
        return onStart ? onStart(start) : nullptr;
    }
    void OpenDocument(void* owner, const std::string& file, const std::string& folder) override {
        calls.push_back("open " + Hex(owner) + " " + file + " in " + folder);
    }
    void SendMci(const std::string& command, void* window) override {
        calls.push_back("mci " + command + " " + Hex(window));
    }
    void Broadcast(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        calls.push_back("broadcast " + Hex(message) + " " + Hex(wParam) + " " + Hex(static_cast<std::uintptr_t>(lParam)));
    }
    // What Autodial answers: 0, it dialled.
    std::uint32_t autodialResult = 0;
    std::uint32_t Autodial(std::uint32_t flags, void* window) override {
        calls.push_back("autodial " + std::to_string(flags) + " " + Hex(window));
        return autodialResult;
    }
    void AskToClose(void* window) override { askedToClose.push_back(window); }

    // The sessions as a test sets them (by default one user at the console
    // of session 1); the process list is the real one unless a test gives
    // one. The shell is the real one, but refuses the first `refuseAdds`
    // NIM_ADD calls.
    std::uint32_t ownSession = 1;
    std::uint32_t consoleSession = 1;
    std::vector<std::uint32_t> activeSessions{1};
    std::optional<std::vector<ProcessEntry>> processes;
    bool watchSessionsResult = true;
    std::vector<void*> watching;  // windows registered for session messages
    std::vector<std::uint32_t> allowedMessages;
    int refuseAdds = 0;
    int adds = 0;  // NIM_ADD calls, refused or not
    std::vector<ProcessEntry> Processes() override { return processes.value_or(SystemOps::Processes()); }
    std::uint32_t OwnSession() override { return ownSession; }
    std::uint32_t ConsoleSession() override { return consoleSession; }
    std::vector<std::uint32_t> ActiveSessions() override { return activeSessions; }
    bool WatchSessions(void* window) override {
        if (watchSessionsResult) watching.push_back(window);
        return watchSessionsResult;
    }
    void StopWatchingSessions(void* window) override {
        watching.erase(std::remove(watching.begin(), watching.end(), window), watching.end());
    }
    bool AllowMessageFromLowerIntegrity(void*, std::uint32_t message) override {
        allowedMessages.push_back(message);
        return true;
    }
    bool NotifyIcon(std::uint32_t operation, void* record) override {
        const bool add = operation == 0;  // NIM_ADD
        adds += add;
        if (add && refuseAdds > 0) return --refuseAdds, false;
        return SystemOps::NotifyIcon(operation, record);
    }

    // The machine's busy facts: never this machine's, so a test decides on
    // the sample it set.
    BusySample busy;
    BusySample BusyFacts() override { return busy; }

    RecordingTaskService taskService;
    bool TaskServiceAvailable() override { return taskService.TaskServiceAvailable(); }
    bool FindTask(const std::string& name, RegisteredTask& task) override {
        return taskService.FindTask(name, task);
    }
    void RegisterTask(const std::string& name, const std::string& xml) override {
        taskService.RegisterTask(name, xml);
    }
    void DeleteTask(const std::string& name) override { taskService.DeleteTask(name); }

    static std::string Hex(std::uintptr_t value) {
        std::ostringstream out;
        out << "0x" << std::hex << value;
        return out.str();
    }
    static std::string Hex(const void* p) { return Hex(reinterpret_cast<std::uintptr_t>(p)); }
};

}  // namespace testing
}  // namespace vantrel
