#include "store/task_store.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "store/key_change.h"

namespace vantrel {

const char* const kProgramKeyPath = "\\Software\\Brelnix\\Vantrel";
const char* const kRunKeyPath = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kRunValueName = "Derera";

const char* const kValTaskNum = "TaskNum";
const char* const kValCountdown = "tishi";
const char* const kValCloseAll = "shutapp";
const char* const kValSoundPath = "soundpath";
const char* const kValGreeting = "kaiji";
const char* const kValCtrlHotkeys = "rejian";

namespace {

std::string WithNames(const std::string& error, const std::vector<std::string>& notRestored) {
    if (notRestored.empty()) return error;
    return error + "；未能恢复: " + NameList(notRestored);
}

}  // namespace

ChangeRefused::ChangeRefused(const std::string& error, std::vector<std::string> notRestored)
    : RegistryError(WithNames(error, notRestored)), error_(error), notRestored_(std::move(notRestored)) {}

std::string NameList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : "、") + name;
    return list;
}

SettingsChoice ShownChoice(const SettingsView& view) {
    SettingsChoice shown;
    shown.countdownSeconds = view.countdownSeconds;
    shown.greeting = view.greeting;
    shown.soundPath = view.soundPath;
    shown.closeAll = view.closeAll;
    shown.ctrlHotkeys = view.ctrlHotkeys;
    shown.runAtLogon = view.runAtLogon;
    return shown;
}

TaskStore::TaskStore(Registry& reg, std::string programKey, std::string runKey,
                     std::string runValue)
    : reg_(reg),
      programKey_(std::move(programKey)),
      runKey_(std::move(runKey)),
      runValue_(std::move(runValue)),
      runValueOnly_(reg_, nullptr, runKey_, runValue_),
      lock_(NewSharedStoreLock(programKey_)),
      policyKey_(kPolicyKeyPath) {}

TaskStore::~TaskStore() = default;

void TaskStore::UseLock(std::unique_ptr<StoreLock> lock) { lock_ = std::move(lock); }

TaskStore::WriteGuard::WriteGuard(TaskStore& store) : store_(store) {
    if (store_.lockDepth_ == 0 && !store_.lock_->Acquire(store_.lockWaitMs_)) throw StoreBusy();
    ++store_.lockDepth_;
}

TaskStore::WriteGuard::~WriteGuard() {
    if (--store_.lockDepth_ == 0) store_.lock_->Release();
}

namespace {

// The start-up load writes only the defaults that are missing, usually
// nothing: the lock is taken before its first write, and asked for once.
class LockOnFirstWrite {
public:
    explicit LockOnFirstWrite(TaskStore& store) : store_(store) {}
    void Take() {
        if (guard_) return;
        if (failed_) throw StoreBusy();
        try {
            guard_.reset(new TaskStore::WriteGuard(store_));
        } catch (const StoreBusy&) {
            failed_ = true;
            throw;
        }
    }

private:
    TaskStore& store_;
    std::unique_ptr<TaskStore::WriteGuard> guard_;
    bool failed_ = false;
};

// Adds an error once: a lock another writer keeps refuses every default
// that waits for it with the same words.
void Note(std::vector<std::string>& errors, const RegistryError& e) {
    if (std::find(errors.begin(), errors.end(), e.what()) == errors.end()) errors.push_back(e.what());
}

// Reads an integer setting into its copy when present, else stores the
// copy's default. A failure leaves the copy at its default and is reported.
void LoadOrDefault(Registry& reg, LockOnFirstWrite& lock, const char* name, std::int32_t& copy,
                   std::vector<std::string>& errors) {
    try {
        if (reg.ValueExists(name)) {
            copy = reg.ReadInteger(name);
        } else {
            lock.Take();
            reg.WriteInteger(name, copy);
        }
    } catch (const RegistryError& e) {
        Note(errors, e);
    }
}

const char kAboveCountNote[] = "：这些值不算任务，不会运行，下次增加或删除任务时删除";

}  // namespace

StartupResult TaskStore::StartupLoad(Settings& settings) {
    StartupResult result;
    settings.policies = ReadPolicies();
    result.policyProblems = settings.policies.ignored;
    LockOnFirstWrite lock(*this);
    OpenedKey key(reg_, programKey_);
    if (!key.ok()) {
        ApplyPolicies(settings);
        // Without the key every write would fail the same way: say it once.
        result.errors.push_back(FailedToSetData(kValCloseAll).what());
        return result;
    }
    LoadOrDefault(reg_, lock, kValCloseAll, settings.closeAll, result.errors);
    try {
        if (reg_.ValueExists(kValSoundPath)) {
            settings.soundPath = reg_.ReadString(kValSoundPath);
        } else {
            lock.Take();
            reg_.WriteString(kValSoundPath, settings.soundPath);
        }
    } catch (const RegistryError& e) {
        Note(result.errors, e);
    }
    LoadOrDefault(reg_, lock, kValCountdown, settings.countdownLength, result.errors);
    // The task count as its rule takes it (store/task_count.h). A missing
    // TaskNum is written as recovered; one of the wrong type is reported and,
    // like a negative or implausible one, left as stored until the next write
    // of the count mends it.
    try {
        if (!reg_.ValueExists(kValTaskNum)) {
            const std::int32_t recovered = TaskCount(reg_);
            lock.Take();
            reg_.WriteInteger(kValTaskNum, recovered);
        } else {
            reg_.ReadInteger(kValTaskNum);
        }
    } catch (const RegistryError& e) {
        Note(result.errors, e);
    }
    settings.taskCount = TaskCount(reg_);
    // Record values above the count are no task: said once here rather than
    // taken in by a later count.
    const std::vector<std::string> above = ValuesAboveCount(reg_, settings.taskCount);
    if (!above.empty()) result.errors.push_back(ValueAboveCountText(above.front(), settings.taskCount) + kAboveCountNote);
    try {
        if (!reg_.ValueExists(kValGreeting)) {
            lock.Take();
            reg_.WriteInteger(kValGreeting, 0);
        } else {
            result.greeting = reg_.ReadInteger(kValGreeting) == 1;
        }
    } catch (const RegistryError& e) {
        Note(result.errors, e);
    }
    LoadOrDefault(reg_, lock, kValCtrlHotkeys, settings.ctrlFlag, result.errors);
    LoadExtraSettings(settings, result.errors);
    // The policies over the user's own values, which start-up has written
    // when missing: a removed policy finds them there.
    ApplyPolicies(settings);
    if (const PolicyValue* p = settings.policies.Find(kValGreeting)) result.greeting = p->number == 1;
    return result;
}

SettingsView TaskStore::LoadSettings(const Settings& settings, const std::string& programPath) {
    SettingsView view;
    view.policies = ReadPolicies();
    OpenedKey key(reg_, programKey_);
    // A value that cannot be read shows as empty (or as its default) and is
    // reported once by the window; the rest of the list still appears, so no
    // task goes out of sight. A record whose schedule text cannot be read is
    // listed too, so that it can be mended or deleted.
    auto text = [&](const std::string& name, bool* unreadable) {
        try {
            return reg_.ReadString(name);
        } catch (const RegistryError& e) {
            view.errors.push_back(e.what());
            if (unreadable) *unreadable = true;
            return std::string();
        }
    };
    auto integer = [&](const char* name, std::int32_t fallback) {
        try {
            return reg_.ReadInteger(name);
        } catch (const RegistryError& e) {
            view.errors.push_back(e.what());
            return fallback;
        }
    };
    const int last = TaskCount(reg_);
    for (int n = 1; n <= last; ++n) {
        bool unreadable = false;
        std::string schedule = text(RecordValueName('A', n), &unreadable);
        if (schedule.empty() && !unreadable) continue;
        ListedTask row;
        row.number = n;
        row.record.schedule = schedule;
        row.record.action = text(RecordValueName('B', n), nullptr);
        row.record.parameter = text(RecordValueName('C', n), nullptr);
        row.record.enabled = text(RecordValueName('D', n), nullptr);
        view.tasks.push_back(std::move(row));
    }
    view.countdownSeconds = integer(kValCountdown, settings.countdownLength);
    view.closeAll = integer(kValCloseAll, settings.closeAll) != 0;
    view.greeting = integer(kValGreeting, 0) != 0;
    SettingsChoice copies;
    copies.soundPath = settings.soundPath;
    copies.ctrlHotkeys = settings.ctrlFlag != 0;
    const SettingsChoice stored = StoredOptions(copies);
    view.soundPath = stored.soundPath;
    view.ctrlHotkeys = stored.ctrlHotkeys;
    view.runAtLogon = (logonStart_ ? *logonStart_ : runValueOnly_).StartsThisCopy(programPath);
    // What a policy holds shows as the policy sets it.
    const Policies& held = view.policies;
    if (const PolicyValue* p = held.Find(kValCountdown)) view.countdownSeconds = p->number;
    if (const PolicyValue* p = held.Find(kValCloseAll)) view.closeAll = p->number != 0;
    if (const PolicyValue* p = held.Find(kValGreeting)) view.greeting = p->number != 0;
    if (const PolicyValue* p = held.Find(kValSoundPath)) view.soundPath = p->textValue;
    if (const PolicyValue* p = held.Find(kValCtrlHotkeys)) view.ctrlHotkeys = p->number != 0;
    return view;
}

SettingsChoice TaskStore::StoredOptions(const SettingsChoice& unreadable) {
    SettingsChoice stored = unreadable;
    const auto integer = [&](const char* name, std::int32_t& into) {
        if (reg_.TypeOf(name) == ValueType::DWord) into = reg_.ReadInteger(name);
    };
    std::int32_t greeting = stored.greeting, closeAll = stored.closeAll, ctrl = stored.ctrlHotkeys;
    integer(kValGreeting, greeting);
    integer(kValCountdown, stored.countdownSeconds);
    integer(kValCloseAll, closeAll);
    integer(kValCtrlHotkeys, ctrl);
    stored.greeting = greeting != 0;
    stored.closeAll = closeAll != 0;
    stored.ctrlHotkeys = ctrl != 0;
    if (reg_.TypeOf(kValSoundPath) == ValueType::String) stored.soundPath = reg_.ReadString(kValSoundPath);
    return stored;
}

namespace {

// An option the user left as the window showed it, whose stored value
// another writer (an import) changed since, keeps that stored value.
template <class T>
bool FollowsStored(const T& chosen, const T& shown, const T& stored) {
    return chosen == shown && stored != shown;
}

}  // namespace

void TaskStore::SaveSettings(Settings& settings, const SettingsChoice& choice,
                             const std::string& programPath, const SettingsChoice* shown) {
    Settings next = settings;
    // An option a policy holds is never written: the program key keeps the
    // user's own value for the day the policy goes.
    next.policies = ReadPolicies();
    const Policies& held = next.policies;
    Change([&](KeyChange& change) {
        const SettingsChoice& asShown = shown ? *shown : choice;
        const SettingsChoice stored = shown ? StoredOptions(*shown) : choice;
        if (held.Holds(kValGreeting)) {
        } else if (!FollowsStored(choice.greeting, asShown.greeting, stored.greeting)) {
            change.PutInteger(kValGreeting, choice.greeting ? 1 : 0);
        }
        if (held.Holds(kValCountdown)) {
        } else if (FollowsStored(choice.countdownSeconds, asShown.countdownSeconds, stored.countdownSeconds)) {
            next.countdownLength = stored.countdownSeconds;
        } else {
            next.countdownLength = choice.countdownSeconds;
            change.PutInteger(kValCountdown, next.countdownLength);
        }
        if (held.Holds(kValSoundPath)) {
        } else if (FollowsStored(choice.soundPath, asShown.soundPath, stored.soundPath)) {
            next.soundPath = stored.soundPath;
        } else if (choice.soundPath != settings.soundPath) {
            next.soundPath = choice.soundPath;
            change.PutText(kValSoundPath, next.soundPath);
        }
        if (held.Holds(kValCloseAll)) {
        } else if (FollowsStored(choice.closeAll, asShown.closeAll, stored.closeAll)) {
            next.closeAll = stored.closeAll ? 1 : 0;
        } else {
            next.closeAll = choice.closeAll ? 1 : 0;
            change.PutInteger(kValCloseAll, next.closeAll);
        }
        if (held.Holds(kValCtrlHotkeys)) {
        } else if (FollowsStored(choice.ctrlHotkeys, asShown.ctrlHotkeys, stored.ctrlHotkeys)) {
            next.ctrlFlag = stored.ctrlHotkeys ? 1 : 0;
        } else {
            next.ctrlFlag = choice.ctrlHotkeys ? 1 : 0;
            change.PutInteger(kValCtrlHotkeys, next.ctrlFlag);
        }
        return 0;
    });
    ApplyPolicies(next);
    settings = next;
    (logonStart_ ? *logonStart_ : runValueOnly_).Apply(choice.runAtLogon, programPath);
}

TaskRecord TaskStore::ReadRecord(int n) {
    OpenedKey key(reg_, programKey_);
    TaskRecord r;
    r.schedule = reg_.ReadString(RecordValueName('A', n));
    r.action = reg_.ReadString(RecordValueName('B', n));
    r.parameter = reg_.ReadString(RecordValueName('C', n));
    r.enabled = reg_.ReadString(RecordValueName('D', n));
    return r;
}

std::string TaskStore::ReadValue(char letter, int n) {
    OpenedKey key(reg_, programKey_);
    return reg_.ReadString(RecordValueName(letter, n));
}

std::string TaskStore::ReadValueOrEmpty(char letter, int n, std::string* error) {
    try {
        return ReadValue(letter, n);
    } catch (const RegistryError& e) {
        if (error && error->empty()) *error = e.what();
        return std::string();
    }
}

template <class Body>
auto TaskStore::Change(Body body, bool taskChange) -> decltype(body(std::declval<KeyChange&>())) {
    WriteGuard guard(*this);
    if (taskChange) RefuseTaskChange();
    OpenedKey key(reg_, programKey_);
    KeyChange change(reg_);
    try {
        return body(change);
    } catch (const RegistryError& e) {
        // A value that could not be read before the first write changed nothing.
        if (!change.wrote()) throw;
        throw ChangeRefused(e.what(), change.Undo());
    }
}

int TaskStore::Append(Settings& settings, const std::string& schedule, const std::string& action,
                      const std::string& parameter) {
    return AppendRecord(settings, TaskRecord{schedule, action, parameter, kEnabledText});
}

int TaskStore::AppendRecord(Settings& settings, const TaskRecord& record) {
    return TaskChange([&](KeyChange& change) {
        settings.taskCount = change.count();
        if (change.count() == INT32_MAX) throw FailedToSetData(kValTaskNum);
        const int n = change.count() + 1;
        TaskRecord whole = record;
        if (whole.enabled.empty()) whole.enabled = kEnabledText;
        change.PutRecord(n, whole);
        change.SetCount(n);
        settings.taskCount = n;
        return n;
    });
}

namespace {

// One value of a record as a list shows it: one that cannot be read is empty.
std::string ValueAsListed(Registry& reg, char letter, int n) {
    try {
        return reg.ReadString(RecordValueName(letter, n));
    } catch (const RegistryError&) {
        return std::string();
    }
}

// Rewrites A, B, C of record n; returns the enabled state it now has.
std::string RewriteIn(KeyChange& change, Registry& reg, int n, const std::string& schedule,
                      const std::string& action, const std::string& parameter) {
    // An enabled state of the wrong type is left as stored: the record keeps
    // its (never due) state, and the new texts are still written, so the
    // editor's OK never fails half way with the task's row already gone.
    bool readable = true;
    std::string enabled;
    try {
        enabled = reg.ReadString(RecordValueName('D', n));
    } catch (const RegistryError&) {
        readable = false;
    }
    if (readable && enabled.empty()) enabled = kEnabledText;
    change.PutRecord(n, TaskRecord{schedule, action, parameter, enabled}, readable);
    return enabled;
}

}  // namespace

bool TaskStore::StoredRecordIs(std::int32_t count, int n, const TaskRecord& seen) {
    if (n < 1 || n > count) return false;
    return ValueAsListed(reg_, 'A', n) == seen.schedule &&
           ValueAsListed(reg_, 'B', n) == seen.action &&
           ValueAsListed(reg_, 'C', n) == seen.parameter &&
           ValueAsListed(reg_, 'D', n) == seen.enabled;
}

bool TaskStore::RecordIs(int n, const TaskRecord& seen) {
    OpenedKey key(reg_, programKey_, false);
    return key.ok() && StoredRecordIs(TaskCount(reg_), n, seen);
}

std::string TaskStore::Rewrite(int n, const std::string& schedule, const std::string& action,
                               const std::string& parameter) {
    return TaskChange([&](KeyChange& change) { return RewriteIn(change, reg_, n, schedule, action, parameter); });
}

ChangeResult TaskStore::Rewrite(int n, const TaskRecord& seen, const std::string& schedule,
                                const std::string& action, const std::string& parameter,
                                std::string* enabled) {
    return TaskChange([&](KeyChange& change) {
        if (!StoredRecordIs(change.count(), n, seen)) return ChangeResult::RecordChanged;
        const std::string now = RewriteIn(change, reg_, n, schedule, action, parameter);
        if (enabled) *enabled = now;
        return ChangeResult::Done;
    });
}

bool TaskStore::Delete(Settings& settings, int k) {
    return TaskChange([&](KeyChange& change) { return DeleteIn(change, settings, k); });
}

ChangeResult TaskStore::Delete(Settings& settings, int k, const TaskRecord& seen) {
    return TaskChange([&](KeyChange& change) {
        settings.taskCount = change.count();
        if (!StoredRecordIs(change.count(), k, seen)) return ChangeResult::RecordChanged;
        return DeleteIn(change, settings, k) ? ChangeResult::Done : ChangeResult::RecordChanged;
    });
}

bool TaskStore::DeleteIn(KeyChange& change, Settings& settings, int k) {
    const int last = change.count();
    settings.taskCount = last;
    if (k < 1 || k > last) return false;
    // Every record that moves is read before the first write: a value that
    // cannot be read stops the delete with nothing changed.
    std::vector<TaskRecord> moved;
    for (int n = k + 1; n <= last; ++n) moved.push_back(TaskRecord{
        reg_.ReadString(RecordValueName('A', n)), reg_.ReadString(RecordValueName('B', n)),
        reg_.ReadString(RecordValueName('C', n)), reg_.ReadString(RecordValueName('D', n))});
    for (int n = k; n < last; ++n) change.MoveRecord(n + 1, n, moved[static_cast<std::size_t>(n - k)]);
    change.SetCount(last - 1);
    settings.taskCount = last - 1;
    return true;
}

void TaskStore::SetEnabled(int n, bool enabled) {
    TaskChange([&](KeyChange& change) {
        change.PutEnabled(n, enabled ? kEnabledText : kDisabledText);
        return 0;
    });
}

ChangeResult TaskStore::SetEnabled(int n, const TaskRecord& seen, bool enabled) {
    return TaskChange([&](KeyChange& change) {
        if (!StoredRecordIs(change.count(), n, seen)) return ChangeResult::RecordChanged;
        change.PutEnabled(n, enabled ? kEnabledText : kDisabledText);
        return ChangeResult::Done;
    });
}

void TaskStore::ReplaceTasks(Settings& settings, const std::vector<TaskRecord>& records) {
    Import(settings, records, true, {});
}

void TaskStore::Import(Settings& settings, const std::vector<TaskRecord>& records, bool replace,
                       const std::vector<SettingValue>& values) {
    TaskChange([&](KeyChange& change) {
        settings.taskCount = change.count();
        const std::int32_t first = replace ? 1 : change.count() + 1;
        if (static_cast<std::int64_t>(first) - 1 + static_cast<std::int64_t>(records.size()) > INT32_MAX)
            throw FailedToSetData(kValTaskNum);
        // Written over in place first, then the new numbers whole; the count
        // follows them, and only then goes what lies above it.
        std::int32_t n = first;
        for (const TaskRecord& r : records) change.PutRecord(n++, r);
        change.SetCount(n - 1);
        settings.taskCount = n - 1;
        for (const SettingValue& v : values) {
            if (v.isText)
                change.PutText(v.name, v.text);
            else
                change.PutInteger(v.name, v.number);
        }
        return 0;
    });
}

}  // namespace vantrel
