#include "store/task_store.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "store/task_count_follow.h"

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

// The highest n <= limit for which a value <letter><n> exists, with a letter
// from `letters`; 0 when there is none. Only the names the key holds are
// looked at, so a stray number far above the records costs nothing.
int HighestNumbered(Registry& reg, const char* letters, std::int64_t limit) {
    int highest = 0;
    for (const std::string& name : reg.ValueNames()) {
        if (name.size() < 2 || name.size() > 11) continue;
        char letter = static_cast<char>(name[0] & ~0x20);  // value names ignore case
        if (std::string(letters).find(letter) == std::string::npos) continue;
        if (name[1] < '1' || name[1] > '9') continue;
        if (name.find_first_not_of("0123456789", 1) != std::string::npos) continue;
        long long n = std::atoll(name.c_str() + 1);
        if (n <= limit && n > highest) highest = static_cast<int>(n);
    }
    return highest;
}

// The highest record number that can belong to the records of the key: a
// record holds at least one value, so no record of a gap-free numbering lies
// above the number of values. Anything higher is a stray value, and walking
// up to it would read millions of missing values on every tick.
std::int64_t RecordBound(Registry& reg) {
    return std::min<std::int64_t>(reg.ValueCount(), INT32_MAX - 1);
}

// A count up to the number of values the key holds is plausible and is taken
// as it stands; a larger one is corrupt.
bool CountIsPlausible(Registry& reg, std::int32_t taskCount) {
    return taskCount <= RecordBound(reg);
}

// The task count recovered from the records the key holds, for a TaskNum
// that is missing, of the wrong type, negative or larger than the key can
// hold: the highest record number below the bound.
std::int32_t RecoveredTaskCount(Registry& reg) {
    return HighestNumbered(reg, "ABCD", RecordBound(reg));
}

const char kRecordLetters[] = {'A', 'B', 'C', 'D'};

}  // namespace

TaskStore::TaskStore(Registry& reg, std::string programKey, std::string runKey,
                     std::string runValue)
    : reg_(reg),
      programKey_(std::move(programKey)),
      runKey_(std::move(runKey)),
      runValue_(std::move(runValue)),
      runValueOnly_(reg_, nullptr, runKey_, runValue_),
      lock_(NewSharedStoreLock(programKey_)) {}

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
        errors.push_back(e.what());
    }
}

}  // namespace

StartupResult TaskStore::StartupLoad(Settings& settings) {
    StartupResult result;
    LockOnFirstWrite lock(*this);
    OpenedKey key(reg_, programKey_);
    if (!key.ok()) {
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
        result.errors.push_back(e.what());
    }
    LoadOrDefault(reg_, lock, kValCountdown, settings.countdownLength, result.errors);
    // The task count comes from the records themselves when TaskNum cannot be
    // trusted, so that a new task never lands on an existing record, no record
    // drops out of view, and the tick stays bounded:
    // - missing: the records found are counted and that count is written;
    // - of the wrong type: reported once and left as stored until the next
    //   add or delete writes it;
    // - negative, or more than the key can hold: the stored value is left
    //   alone until the next add or delete writes it.
    try {
        if (!reg_.ValueExists(kValTaskNum)) {
            settings.taskCount = RecoveredTaskCount(reg_);
            lock.Take();
            reg_.WriteInteger(kValTaskNum, settings.taskCount);
        } else {
            settings.taskCount = reg_.ReadInteger(kValTaskNum);
        }
    } catch (const RegistryError& e) {
        result.errors.push_back(e.what());
        settings.taskCount = -1;
    }
    if (settings.taskCount < 0 || !CountIsPlausible(reg_, settings.taskCount))
        settings.taskCount = RecoveredTaskCount(reg_);
    try {
        if (!reg_.ValueExists(kValGreeting)) {
            lock.Take();
            reg_.WriteInteger(kValGreeting, 0);
        } else {
            result.greeting = reg_.ReadInteger(kValGreeting) == 1;
        }
    } catch (const RegistryError& e) {
        result.errors.push_back(e.what());
    }
    LoadOrDefault(reg_, lock, kValCtrlHotkeys, settings.ctrlFlag, result.errors);
    LoadExtraSettings(settings, result.errors);
    return result;
}

SettingsView TaskStore::LoadSettings(const Settings& settings, const std::string& programPath) {
    SettingsView view;
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
    // The count as stored: a task another writer added since the copy was
    // taken is listed too.
    Settings current = settings;
    FollowStoredTaskCountInOpenKey(reg_, current);
    int last = LastRecordToScan(reg_, current.taskCount);
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
    view.soundPath = settings.soundPath;
    view.ctrlHotkeys = settings.ctrlFlag != 0;
    view.runAtLogon = (logonStart_ ? *logonStart_ : runValueOnly_).StartsThisCopy(programPath);
    return view;
}

void TaskStore::SaveSettings(Settings& settings, const SettingsChoice& choice,
                             const std::string& programPath) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    reg_.WriteInteger(kValGreeting, choice.greeting ? 1 : 0);
    settings.countdownLength = choice.countdownSeconds;
    reg_.WriteInteger(kValCountdown, settings.countdownLength);
    if (choice.soundPath != settings.soundPath) {
        settings.soundPath = choice.soundPath;
        reg_.WriteString(kValSoundPath, settings.soundPath);
    }
    settings.closeAll = choice.closeAll ? 1 : 0;
    reg_.WriteInteger(kValCloseAll, settings.closeAll);
    settings.ctrlFlag = choice.ctrlHotkeys ? 1 : 0;
    reg_.WriteInteger(kValCtrlHotkeys, settings.ctrlFlag);
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

int TaskStore::Append(Settings& settings, const std::string& schedule, const std::string& action,
                      const std::string& parameter) {
    return AppendRecord(settings, TaskRecord{schedule, action, parameter, kEnabledText});
}

int TaskStore::AppendRecord(Settings& settings, const TaskRecord& record) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    FollowStoredTaskCountInOpenKey(reg_, settings);
    // After the last record stored, also when TaskNum was lowered by hand or
    // is corrupt: a number that holds any value belongs to a record.
    std::int64_t n = std::max<std::int64_t>(settings.taskCount,
                                            HighestNumbered(reg_, "ABCD", RecordBound(reg_))) +
                     1;
    auto taken = [&](std::int64_t number) {
        for (char letter : kRecordLetters)
            if (reg_.ValueExists(RecordValueName(letter, static_cast<int>(number)))) return true;
        return false;
    };
    while (n <= INT32_MAX && taken(n)) ++n;
    if (n > INT32_MAX) throw FailedToSetData(kValTaskNum);
    const int number = static_cast<int>(n);
    reg_.WriteString(RecordValueName('A', number), record.schedule);
    reg_.WriteString(RecordValueName('B', number), record.action);
    reg_.WriteString(RecordValueName('C', number), record.parameter);
    reg_.WriteString(RecordValueName('D', number),
                     record.enabled.empty() ? std::string(kEnabledText) : record.enabled);
    reg_.WriteInteger(kValTaskNum, number);
    settings.taskCount = number;
    return number;
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

// Rewrites A, B, C of record n on the open key; returns the enabled state.
std::string RewriteOpen(Registry& reg, int n, const std::string& schedule,
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
    reg.WriteString(RecordValueName('A', n), schedule);
    reg.WriteString(RecordValueName('B', n), action);
    reg.WriteString(RecordValueName('C', n), parameter);
    if (readable && enabled.empty()) {
        enabled = kEnabledText;
        reg.WriteString(RecordValueName('D', n), enabled);
    }
    return enabled;
}

}  // namespace

Settings TaskStore::CountAsStored() {
    // A TaskNum that cannot be trusted counts up to the last record present.
    Settings current;
    current.taskCount = LastRecordToScan(reg_, INT32_MAX);
    FollowStoredTaskCountInOpenKey(reg_, current);
    return current;
}

bool TaskStore::StoredRecordIs(const Settings& current, int n, const TaskRecord& seen) {
    if (n < 1 || n > current.taskCount) return false;
    return ValueAsListed(reg_, 'A', n) == seen.schedule &&
           ValueAsListed(reg_, 'B', n) == seen.action &&
           ValueAsListed(reg_, 'C', n) == seen.parameter &&
           ValueAsListed(reg_, 'D', n) == seen.enabled;
}

bool TaskStore::RecordIs(int n, const TaskRecord& seen) {
    OpenedKey key(reg_, programKey_, false);
    return key.ok() && StoredRecordIs(CountAsStored(), n, seen);
}

std::string TaskStore::Rewrite(int n, const std::string& schedule, const std::string& action,
                               const std::string& parameter) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    return RewriteOpen(reg_, n, schedule, action, parameter);
}

ChangeResult TaskStore::Rewrite(int n, const TaskRecord& seen, const std::string& schedule,
                                const std::string& action, const std::string& parameter,
                                std::string* enabled) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    if (!StoredRecordIs(CountAsStored(), n, seen)) return ChangeResult::RecordChanged;
    std::string now = RewriteOpen(reg_, n, schedule, action, parameter);
    if (enabled) *enabled = now;
    return ChangeResult::Done;
}

bool TaskStore::Delete(Settings& settings, int k) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    FollowStoredTaskCountInOpenKey(reg_, settings);
    return DeleteHeld(settings, k);
}

ChangeResult TaskStore::Delete(Settings& settings, int k, const TaskRecord& seen) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    FollowStoredTaskCountInOpenKey(reg_, settings);
    if (!StoredRecordIs(settings, k, seen)) return ChangeResult::RecordChanged;
    return DeleteHeld(settings, k) ? ChangeResult::Done : ChangeResult::RecordChanged;
}

bool TaskStore::DeleteHeld(Settings& settings, int k) {
    if (k < 1 || k > settings.taskCount) return false;
    const int last = settings.taskCount;
    // Above the highest stored record every value is missing and would only
    // be copied as an empty text, so a corrupt count stops there.
    int copyLast = last;
    if (!CountIsPlausible(reg_, last))
        copyLast = static_cast<int>(
            std::min<std::int64_t>(last, HighestNumbered(reg_, "ABCD", RecordBound(reg_)) + 1LL));
    // Every value that moves is read before the first write: a value that
    // cannot be read stops the delete with nothing changed, rather than half
    // way with one record holding another's time and its own old action.
    std::vector<std::string> moved;
    for (std::int64_t n = static_cast<std::int64_t>(k) + 1; n <= copyLast; ++n)
        for (char letter : kRecordLetters)
            moved.push_back(reg_.ReadString(RecordValueName(letter, static_cast<int>(n))));
    std::size_t i = 0;
    for (std::int64_t n = static_cast<std::int64_t>(k) + 1; n <= copyLast; ++n)
        for (char letter : kRecordLetters)
            reg_.WriteString(RecordValueName(letter, static_cast<int>(n - 1)), moved[i++]);
    for (char letter : kRecordLetters) reg_.DeleteValue(RecordValueName(letter, last));
    --settings.taskCount;
    reg_.WriteInteger(kValTaskNum, settings.taskCount);
    return true;
}

void TaskStore::SetEnabled(int n, bool enabled) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    reg_.WriteString(RecordValueName('D', n), enabled ? kEnabledText : kDisabledText);
}

ChangeResult TaskStore::SetEnabled(int n, const TaskRecord& seen, bool enabled) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    if (!StoredRecordIs(CountAsStored(), n, seen)) return ChangeResult::RecordChanged;
    reg_.WriteString(RecordValueName('D', n), enabled ? kEnabledText : kDisabledText);
    return ChangeResult::Done;
}

void TaskStore::ReplaceTasks(Settings& settings, const std::vector<TaskRecord>& records) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    FollowStoredTaskCountInOpenKey(reg_, settings);
    const int before = settings.taskCount < 0 ? 0 : settings.taskCount;
    const int count = static_cast<int>(records.size());
    const auto write = [&](int n) {
        const TaskRecord& r = records[static_cast<std::size_t>(n - 1)];
        reg_.WriteString(RecordValueName('A', n), r.schedule);
        reg_.WriteString(RecordValueName('B', n), r.action);
        reg_.WriteString(RecordValueName('C', n), r.parameter);
        reg_.WriteString(RecordValueName('D', n), r.enabled);
    };
    for (int n = 1; n <= std::min(before, count); ++n) write(n);
    if (count > before) {
        // New numbers whole before the count shows them to the tick.
        for (int n = before + 1; n <= count; ++n) write(n);
        settings.taskCount = count;
        reg_.WriteInteger(kValTaskNum, count);
        return;
    }
    settings.taskCount = count;
    reg_.WriteInteger(kValTaskNum, count);
    for (int n = count + 1; n <= before; ++n)
        for (char letter : kRecordLetters) reg_.DeleteValue(RecordValueName(letter, n));
}

int LastRecordToScan(Registry& reg, std::int32_t taskCount) {
    if (taskCount <= 0) return 0;
    if (CountIsPlausible(reg, taskCount)) return taskCount;
    return HighestNumbered(reg, "A", RecordBound(reg));
}

}  // namespace vantrel
