// The registry layout of the program: the settings values with their
// defaults, the Run entry, and the task records numbered 1 to TaskNum without
// gaps. Every operation opens the program key afresh and closes it when done.
//
// Which records exist is the task count's one rule (store/task_count.h); the
// order in which an operation writes and removes values, so that the tick
// (which takes no lock) never sees a state no writer meant, and how a write
// refused part way is put back, is the key change's (store/key_change.h).
//
// Several writers share the key (the settings window, vantrelctl, a copy of
// the program in another session): every operation that writes holds the
// store's lock (store/store_lock.h) from its first read to its last write,
// takes the task count as stored rather than a copy made earlier, and a
// change to a record the caller listed names that record as it was listed,
// so that it never lands on another task that took its number meanwhile.
// An operation either completes or, when the registry refuses a write part
// way, puts back what it wrote and raises ChangeRefused.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "autostart/logon_start.h"
#include "registry/registry.h"
#include "store/policy.h"
#include "store/store_lock.h"
#include "store/task_count.h"
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
// Beyond those settings, two values the tray menu writes and deletes, each a
// local minute "YYYY-MM-DD HH:MM", missing when not in use.
extern const char* const kValPauseUntil;  // "zanting": the end of a pause
extern const char* const kValQuickTimer;  // "dingshi": the quick timer's shutdown
// A power action postponed from its countdown: its minute, word and wake
// choice (runner/postponed.h), missing when none waits.
extern const char* const kValPostponed;   // "tuichi"
// Runs of tasks skipped from their warning (runner/postponed.h), so that
// whichever copy runs the tasks honours a choice made in another.
extern const char* const kValSkipped;     // "tiaoguo"
// The values above: this machine's own pending state, never a setting to
// carry to another machine. Value names compare in any letter case.
bool IsPendingValue(const std::string& name);

// The in-memory copies the running program keeps; the tick, the countdown
// and the hotkeys use only these.
struct Settings {
    std::int32_t countdownLength = 60;
    std::int32_t closeAll = 0;
    std::string soundPath;
    std::int32_t ctrlFlag = 0;
    std::int32_t taskCount = 0;
    // The settings added later (store/extra_settings.h).
    std::int32_t warnMinutes = 5;  // tiqian: minutes of warning before a power task; 0 off
    std::int32_t busyWait = 0;     // manglu: 1, a power task's countdown waits while the machine is busy
    std::int32_t busyLimitMinutes = 120;     // mangxian: the longest such wait
    std::int32_t busyProcessorPercent = 80;  // mangcpu: busy above this; 0 not looked at
    std::int32_t busyNetworkKBps = 100;      // mangwang: busy above this; 0 not looked at
    std::int32_t adminChoices = 0;  // baohu: 1, cancelling and postponing a countdown need an administrator
    // What the policy key held when the copies were last taken: the copies
    // of the settings it holds are its values.
    Policies policies;
};

struct ExtraSetting;
struct SettingEntry;

struct StartupResult {
    bool greeting = false;            // kaiji reads exactly 1
    std::vector<std::string> errors;  // one message per value that could not be read
    // Values of the policy key that are ignored: for the history only, as
    // the user at the screen can do nothing about them.
    std::vector<std::string> policyProblems;
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
    // The policies as read when the window opened: the options they hold
    // show their values and are never written.
    Policies policies;
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

// The options as the window showed them when it opened.
SettingsChoice ShownChoice(const SettingsView& view);

// A settings value an import writes as it stands.
struct SettingValue {
    std::string name;
    bool isText = false;  // soundpath; the others are integers
    std::string text;
    std::int32_t number = 0;
};

// What a change that names a record found: it was made, or the stored
// record is no longer the one the caller listed (another writer deleted,
// moved or changed it) and nothing was written.
enum class ChangeResult { Done, RecordChanged };

// An operation the registry refused part way (a write refused, a value that
// would not go): what it had written is put back first. `error` is the
// registry's own message; `notRestored` names the values that are still not
// as they were (empty: the key is exactly as before). what() gives both.
class ChangeRefused : public RegistryError {
public:
    ChangeRefused(const std::string& error, std::vector<std::string> notRestored);
    const std::string& error() const { return error_; }
    const std::vector<std::string>& notRestored() const { return notRestored_; }

private:
    std::string error_;
    std::vector<std::string> notRestored_;
};

// "A1、D1": value names as a message lists them.
std::string NameList(const std::vector<std::string>& names);

class KeyChange;

class TaskStore {
public:
    // The program's own key, Run key and Run value unless told otherwise;
    // tests name keys and a value of their own, so that they never touch
    // the program's. Writes take the lock every process shares for the key
    // (NewSharedStoreLock) unless UseLock gives another.
    explicit TaskStore(Registry& reg, std::string programKey = kProgramKeyPath,
                       std::string runKey = kRunKeyPath, std::string runValue = kRunValueName);
    ~TaskStore();
    TaskStore(const TaskStore&) = delete;
    TaskStore& operator=(const TaskStore&) = delete;

    // A store on a registry file, which only its own command writes, takes
    // NewProcessStoreLock instead.
    void UseLock(std::unique_ptr<StoreLock> lock);
    // How long a write waits for another writer to finish (5 seconds).
    void set_lock_wait(std::uint32_t ms) { lockWaitMs_ = ms; }

    // Holds the lock for as long as it lives, so that several operations
    // (an import that replaces the list, then writes settings) run as one
    // change; the operations inside take it again at no cost. Raises
    // StoreBusy, with nothing held, when another writer keeps it longer than
    // the store waits.
    class WriteGuard {
    public:
        explicit WriteGuard(TaskStore& store);
        ~WriteGuard();
        WriteGuard(const WriteGuard&) = delete;
        WriteGuard& operator=(const WriteGuard&) = delete;

    private:
        TaskStore& store_;
    };

    // Creates the program key when missing; reads each settings value that
    // exists into its copy and writes the default of each that is missing.
    // A value of the wrong type is reported in `errors`, left as stored, and
    // its copy keeps the default, so start-up can go on. The task count is
    // taken as its rule says (a missing TaskNum written as recovered), and
    // record values above it are reported, once. A lock another writer
    // keeps is reported once, however many defaults wait for it.
    StartupResult StartupLoad(Settings& settings);

    // Start at logon is read and set through `logonStart` (the program gives
    // the way of its system); until one is given, through the Run value of
    // this store alone. The caller keeps ownership.
    void UseStartAtLogon(StartAtLogon* logonStart) { logonStart_ = logonStart; }

    // The sound path and the Ctrl flag as stored (another writer, an
    // import, may have changed them since start-up); their copies where
    // they cannot be read, which start-up has reported.
    SettingsView LoadSettings(const Settings& settings, const std::string& programPath);
    // Writes kaiji, tishi, soundpath (only when it differs from the copy),
    // shutapp, rejian, then sets start at logon. With `shown` (the options
    // as the window showed them), an option the user left as shown follows
    // the stored value when another writer changed it since: it is not
    // written back over that change, and its copy takes the stored value.
    void SaveSettings(Settings& settings, const SettingsChoice& choice,
                      const std::string& programPath, const SettingsChoice* shown = nullptr);

    TaskRecord ReadRecord(int n);
    // One value of record n as text: letter 'A' the schedule text, 'B' the
    // action, 'C' the parameter, 'D' the enabled state. A missing value reads
    // as empty; one that cannot be read raises its registry error.
    std::string ReadValue(char letter, int n);
    // The same, but a value that cannot be read gives the empty text and its
    // error message in `error` (when given and still empty), so that a
    // caller can show a damaged record and report it once.
    std::string ReadValueOrEmpty(char letter, int n, std::string* error);
    // Appends the record with the enabled state "启用"; returns its number.
    int Append(Settings& settings, const std::string& schedule, const std::string& action,
               const std::string& parameter);
    // Appends `record` with its own enabled state (an empty one is written
    // "启用") as record TaskNum + 1, the count as stored, whatever the copy
    // says; values above the count are no record and are written over or
    // removed. The four values are written first and TaskNum (and the copy)
    // raised last.
    int AppendRecord(Settings& settings, const TaskRecord& record);

    // Rewrites A, B, C of record n; D keeps its text and becomes "启用" only
    // when it was empty. Returns the enabled state the record now has.
    std::string Rewrite(int n, const std::string& schedule, const std::string& action,
                        const std::string& parameter);
    // The same for a record the caller listed as `seen`: written only while
    // record n still holds exactly those four texts (an unreadable value
    // counts as empty, as the list shows it). `enabled`, when given, gets
    // the enabled state the record now has.
    ChangeResult Rewrite(int n, const TaskRecord& seen, const std::string& schedule,
                         const std::string& action, const std::string& parameter,
                         std::string* enabled = nullptr);

    // Moves records k+1..count down by one, lowers the count, the count as
    // stored, and removes the values of the old last number (and any other
    // above the count). Returns false (nothing done) for a k outside
    // 1..count. Every value that moves is read before anything is written:
    // one that cannot be read raises its error with nothing changed.
    bool Delete(Settings& settings, int k);
    // The same for a record the caller listed as `seen`.
    ChangeResult Delete(Settings& settings, int k, const TaskRecord& seen);

    void SetEnabled(int n, bool enabled);
    // The same for a record the caller listed as `seen`.
    ChangeResult SetEnabled(int n, const TaskRecord& seen, bool enabled);

    // Whether record n (within the stored count) holds exactly `seen`, an
    // unreadable value counting as empty.
    bool RecordIs(int n, const TaskRecord& seen);

    // Puts `records` (all four texts as given) in place of the task list:
    // records 1.. are written over in place, new numbers appended (the count
    // raised after them), and only then the count lowered and every value
    // above it removed.
    void ReplaceTasks(Settings& settings, const std::vector<TaskRecord>& records);

    // vantrelctl import as one change: `records` appended after the list
    // (each with its own enabled state, the count raised once after all of
    // them) or, with `replace`, put in its place; then `values` written.
    void Import(Settings& settings, const std::vector<TaskRecord>& records, bool replace,
                const std::vector<SettingValue>& values);
    // A minute value (kValPauseUntil, kValQuickTimer) as stored, empty when
    // it is missing; one of another type raises its registry error.
    std::string ReadMinuteValue(const char* name);
    // Writes it, or deletes it for an empty text.
    void WriteMinuteValue(const char* name, const std::string& minute);
    // Deletes the value if what is stored is still what `stillThere` says
    // it read, all under the lock: of two copies that read the same quick
    // timer, one takes it. False, with nothing changed, otherwise.
    bool TakeMinuteValue(const char* name, const std::function<bool(const std::string&)>& stillThere);

    // The later settings (store/extra_settings.h): one as stored (its
    // default when missing or out of range; a value of another type raises
    // its registry error), and one written with its copy.
    std::int32_t ReadExtraSetting(const ExtraSetting& setting);
    void WriteExtraSetting(Settings& settings, const ExtraSetting& setting, std::int32_t value);
    // Any setting (store/extra_settings.h) as text: an integer in decimal,
    // its default when missing; one of another type raises its registry
    // error. Written only when it is a valid value (CheckSettingNumber).
    std::string ReadSetting(const SettingEntry& setting);
    void WriteSetting(const SettingEntry& setting, const std::string& value);

    const std::string& programKey() const { return programKey_; }

    // The key policies are read from: kPolicyKeyPath unless told otherwise
    // (a test's own; empty for none, as for a task file, which no
    // machine's policy binds).
    void UsePolicyKey(std::string key) { policyKey_ = std::move(key); }
    const std::string& policyKey() const { return policyKey_; }
    Policies ReadPolicies();
    // The machine's own account (a Group Policy startup script, a
    // management tool) changes the tasks also under kPolNoTaskChanges.
    void set_task_policy_exempt(bool exempt) { taskPolicyExempt_ = exempt; }
    // Reads the policy key again; when it changed, the copies are taken
    // again from the program key and the policies laid over them, so that
    // a removed policy brings the user's own value back. Returns the
    // messages of the values newly ignored (each told once), and whether
    // anything changed in `changed`.
    std::vector<std::string> RefreshPolicies(Settings& settings, bool* changed = nullptr);
    // A setting as the program key holds it, as text (nullopt when
    // missing); one of another type raises its registry error.
    std::optional<std::string> ReadStoredSetting(const SettingEntry& setting);

private:
    // Raises PolicyRefused when a policy forbids changing the tasks.
    void RefuseTaskChange();
    // Raises PolicyRefused when a policy holds `setting`.
    void RefuseHeldSetting(const SettingEntry& setting, const Policies& policies);
    // The copies of the settings the program key holds, read again without
    // writing anything (RefreshPolicies).
    void ReadOwnCopies(Settings& settings);
    // At start-up, with the key open: those present into their copies.
    void LoadExtraSettings(Settings& settings, std::vector<std::string>& errors);
    // Runs `body` on a KeyChange of the open key under the lock; a registry
    // error puts back what it wrote and becomes ChangeRefused.
    // A change of the tasks is first refused under kPolNoTaskChanges.
    template <class Body>
    auto Change(Body body, bool taskChange = false) -> decltype(body(std::declval<KeyChange&>()));
    template <class Body>
    auto TaskChange(Body body) -> decltype(body(std::declval<KeyChange&>())) {
        return Change(body, true);
    }
    bool StoredRecordIs(std::int32_t count, int n, const TaskRecord& seen);
    bool DeleteIn(KeyChange& change, Settings& settings, int k);
    // The options as stored, each one that cannot be read as in `unreadable`.
    SettingsChoice StoredOptions(const SettingsChoice& unreadable);

    Registry& reg_;
    std::string programKey_;
    std::string runKey_;
    std::string runValue_;
    StartAtLogon runValueOnly_;
    StartAtLogon* logonStart_ = nullptr;
    std::unique_ptr<StoreLock> lock_;
    std::uint32_t lockWaitMs_ = 5000;
    int lockDepth_ = 0;  // guards alive; the lock is held while above 0
    std::string policyKey_;
    bool taskPolicyExempt_ = false;
};

// Lays the values `settings.policies` holds over the copies.
void ApplyPolicies(Settings& settings);

}  // namespace vantrel
