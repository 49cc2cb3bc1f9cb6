// The registry layout of the program: the settings values with their
// defaults, the Run entry, and the task records numbered 1 to TaskNum without
// gaps. Every operation opens the program key afresh and closes it when done.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/logon_start.h"
#include "store/registry.h"
#include "store/task_record.h"

namespace vantrel {

extern const char* const kProgramKeyPath;  // "\Software\Brelnix\Vantrel"
extern const char* const kRunKeyPath;      // "\Software\Microsoft\Windows\CurrentVersion\Run"
extern const char* const kRunValueName;    // "Derera"

extern const char* const kValTaskNum;
extern const char* const kValCountdown;   // "tishi"
extern const char* const kValCloseAll;    // "shutapp"
extern const char* const kValSoundPath;   // "soundpath"
extern const char* const kValGreeting;    // "kaiji"
extern const char* const kValCtrlHotkeys; // "rejian"

// The in-memory copies the running program keeps; the tick, the countdown
// and the hotkeys use only these.
struct Settings {
    std::int32_t countdownLength = 60;
    std::int32_t closeAll = 0;
    std::string soundPath;
    std::int32_t ctrlFlag = 0;
    std::int32_t taskCount = 0;
};

struct StartupResult {
    bool greeting = false;            // kaiji reads exactly 1
    std::vector<std::string> errors;  // one message per value that could not be read
};

struct ListedTask {
    int number = 0;
    TaskRecord record;
};

// What the settings window shows when it opens.
struct SettingsView {
    std::vector<ListedTask> tasks;  // records with a schedule text, in number order
    std::int32_t countdownSeconds = 0;
    bool closeAll = false;
    bool greeting = false;
    std::string soundPath;
    bool ctrlHotkeys = false;
    bool runAtLogon = false;
    std::vector<std::string> errors;  // values that could not be read
};

// What the settings window's OK stores.
struct SettingsChoice {
    std::int32_t countdownSeconds = 60;
    bool greeting = false;
    std::string soundPath;
    bool closeAll = false;
    bool ctrlHotkeys = false;
    bool runAtLogon = false;
};

class TaskStore {
public:
    // The program's own key, Run key and Run value unless told otherwise;
    // tests name keys and a value of their own, so that they never touch
    // the program's.
    explicit TaskStore(Registry& reg, std::string programKey = kProgramKeyPath,
                       std::string runKey = kRunKeyPath, std::string runValue = kRunValueName);

    // Creates the program key when missing; reads each settings value that
    // exists into its copy and writes the default of each that is missing.
    // A value of the wrong type is reported in `errors`, left as stored, and
    // its copy keeps the default, so start-up can go on. The task count is
    // the exception: a TaskNum that is missing (then written), of the wrong
    // type, negative or larger than the key can hold is recovered from the
    // records that exist.
    StartupResult StartupLoad(Settings& settings);

    // Start at logon is read and set through `logonStart` (the program gives
    // the way of its system); until one is given, through the Run value of
    // this store alone. The caller keeps ownership.
    void UseStartAtLogon(StartAtLogon* logonStart) { logonStart_ = logonStart; }

    SettingsView LoadSettings(const Settings& settings, const std::string& programPath);
    // Writes kaiji, tishi, soundpath (only when it differs from the copy),
    // shutapp, rejian, then sets start at logon.
    void SaveSettings(Settings& settings, const SettingsChoice& choice,
                      const std::string& programPath);

    TaskRecord ReadRecord(int n);
    // One value of record n as text: letter 'A' the schedule text, 'B' the
    // action, 'C' the parameter, 'D' the enabled state. A missing value reads
    // as empty; one that cannot be read raises its registry error.
    std::string ReadValue(char letter, int n);
    // The same, but a value that cannot be read gives the empty text and its
    // error message in `error` (when given and still empty), so that a
    // caller can show a damaged record and report it once.
    std::string ReadValueOrEmpty(char letter, int n, std::string* error);
    // Raises the task count (copy and TaskNum) first, then writes the record
    // with the enabled state "启用"; returns the new number. The copy first
    // follows a plausible stored TaskNum, so a record another writer appended
    // meanwhile is never overwritten.
    int Append(Settings& settings, const std::string& schedule, const std::string& action,
               const std::string& parameter);
    // Rewrites A, B, C of record n; D keeps its text and becomes "启用" only
    // when it was empty. Returns the enabled state the record now has.
    std::string Rewrite(int n, const std::string& schedule, const std::string& action,
                        const std::string& parameter);
    // Moves records k+1..count down by one, deletes the values of the last
    // number and lowers the count. Returns false (nothing done) for a k
    // outside 1..count. Every value that moves is read before anything is
    // written: one that cannot be read raises its error with nothing changed.
    bool Delete(Settings& settings, int k);
    void SetEnabled(int n, bool enabled);
    // Puts `records` (all four texts as given) in place of the task list,
    // writing before it removes: records 1.. are overwritten in place, new
    // numbers appended (the count raised first), and only then the count
    // lowered and the values of the numbers above it deleted. A write that
    // fails part way never leaves fewer records than before.
    void ReplaceTasks(Settings& settings, const std::vector<TaskRecord>& records);

    const std::string& programKey() const { return programKey_; }

private:
    Registry& reg_;
    std::string programKey_;
    std::string runKey_;
    std::string runValue_;
    StartAtLogon runValueOnly_;
    StartAtLogon* logonStart_ = nullptr;
};

// The highest record number worth reading for a task count: the count
// itself, unless it exceeds what the open key can hold (a corrupt or
// hand-edited TaskNum), in which case the highest n with a value A<n> that
// is not above the number of values the key holds. So a loop up to it reads
// no more records than the key has values, whatever stray number is stored.
// The program key must be open.
int LastRecordToScan(Registry& reg, std::int32_t taskCount);

}  // namespace vantrel
