// The scheduler tick's decision: which enabled task is due at this tick's
// snapshot of the local time, and what each due task makes the program do,
// in order. The program (or a test) supplies the effects through TickHost.
#pragma once

#include <string>
#include <vector>

#include "scheduler/matching.h"
#include "registry/registry.h"
#include "store/task_store.h"

namespace vantrel {

// A task the tick fired, as far as the tick read it: the parameter as the
// action used it (whole, also for 关闭程序), empty for an action that takes none.
struct FiredTask {
    int number = 0;
    std::string schedule;
    std::string action;
    std::string parameter;
    std::string error;  // the registry error that ended the task; empty when none
};

// The actions a task runs at once, carried out by the host; each reports
// its outcome to the history itself.
class TaskExecutors {
public:
    virtual ~TaskExecutors() = default;
    virtual void ShowReminder(const std::string& text) = 0;
    virtual void OpenTaskFile(const std::string& parameter) = 0;
    virtual void CloseProgramByName(const std::string& fileName) = 0;
    virtual void DialDefaultConnection() = 0;
    virtual void SetNetworkAdapter(const std::string& adapter, bool enable) = 0;
    // Returns when the cleanup has finished (or its wait timed out).
    virtual void CleanSystemJunk(bool showList) = 0;
    // After each task that fired, once its steps are done (or a value that
    // could not be read ended them): a host that keeps a history records it
    // with what its executor reported, and follows what the task started
    // (netsh). Nothing by default.
    virtual void TaskFired(const FiredTask&) {}
};

// What the tick can make the program do: the actions that run at once, and
// the countdown, the suspension and the skipped runs around them.
class TickHost : public TaskExecutors {
public:
    // Sets the countdown captions for `pendingAction`, starts the countdown
    // timer, stops the tick, shows the countdown window, starts the looping
    // sound, and, when `closeAllWindows`, asks the other programs' windows
    // to close. Returns false, having started nothing, when the computer
    // cannot do the action (a standby where there is no sleep state).
    virtual bool StartCountdown(const std::string& pendingAction, bool closeAllWindows) = 0;
    // Stops the tick and arms the 60-second re-arm timer.
    virtual void SuspendTick() = 0;
    // A due task whose run the user chose to skip (its warning's 跳过本次)
    // fires nothing this time. Asked of due tasks only; none by default.
    virtual bool SkipsRun(int /*number*/, const std::string& /*schedule*/, const LocalTime& /*now*/) {
        return false;
    }
};

// State the tick writes and the countdown reads.
struct TickState {
    std::string pendingAction;  // the countdown's power word, empty when none
    std::string wakeChoice;     // parameter of the last fired "休眠计算机" task
};

// A task as the tick read it, with a schedule text: what the tray's next
// task is found from, so that finding it reads nothing more.
struct SeenTask {
    int number = 0;
    std::string schedule;
    std::string enabled;
    bool operator==(const SeenTask& o) const {
        return number == o.number && schedule == o.schedule && enabled == o.enabled;
    }
};

struct TickReport {
    int tasksExamined = 0;
    std::vector<int> fired;                // task numbers, in order
    std::vector<std::string> skipped;      // "A3: Invalid data type for 'A3'"
};

// The countdown's word for a countdown action ("关闭计算机" -> "关机"), or
// nullptr when `actionName` is not one of the eight countdown actions.
const char* PendingWordFor(const std::string& actionName);

// One tick over the records 1 to the task count of `programKey`.
//
// A record whose values have the wrong registry type is skipped for this
// tick without a message: an error box every six seconds would stack up and
// no later task would run. A task count larger than the key can hold is
// bounded by the records that exist.
//
// A due task runs only as one version of it: its action and parameter are
// read, then its four values again, and a task another writer changed in
// between is read anew from its schedule text (a few times in one tick at
// most). Ticks where nothing is due read two values per task, no more.
//
// `seen`, when given, gets every task read with a schedule text.
TickReport RunTick(Registry& reg, const std::string& programKey, const LocalTime& now,
                   const MatchEnv& env, const Settings& settings, TickState& state,
                   TickHost& host, std::vector<SeenTask>* seen = nullptr);

}  // namespace vantrel
