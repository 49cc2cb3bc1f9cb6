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

// Reads an integer setting into its copy when present, else stores the
// copy's default. A failure leaves the copy at its default and is reported.
void LoadOrDefault(Registry& reg, const char* name, std::int32_t& copy,
                   std::vector<std::string>& errors) {
    try {
        if (reg.ValueExists(name))
            copy = reg.ReadInteger(name);
        else
            reg.WriteInteger(name, copy);
    } catch (const RegistryError& e) {
        errors.push_back(e.what());
    }
}

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
      runValueOnly_(reg_, nullptr, runKey_, runValue_) {}

StartupResult TaskStore::StartupLoad(Settings& settings) {
    StartupResult result;
    OpenedKey key(reg_, programKey_);
    if (!key.ok()) {
        // Without the key every write would fail the same way: say it once.
        result.errors.push_back(FailedToSetData(kValCloseAll).what());
        return result;
    }
    LoadOrDefault(reg_, kValCloseAll, settings.closeAll, result.errors);
    try {
        if (reg_.ValueExists(kValSoundPath))
            settings.soundPath = reg_.ReadString(kValSoundPath);
        else
            reg_.WriteString(kValSoundPath, settings.soundPath);
    } catch (const RegistryError& e) {
        result.errors.push_back(e.what());
    }
    LoadOrDefault(reg_, kValCountdown, settings.countdownLength, result.errors);
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
        if (!reg_.ValueExists(kValGreeting))
            reg_.WriteInteger(kValGreeting, 0);
        else
            result.greeting = reg_.ReadInteger(kValGreeting) == 1;
    } catch (const RegistryError& e) {
        result.errors.push_back(e.what());
    }
    LoadOrDefault(reg_, kValCtrlHotkeys, settings.ctrlFlag, result.errors);
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
    int last = LastRecordToScan(reg_, settings.taskCount);
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
    // Another writer (vantrelctl, while a settings window is open) may have
    // changed the stored count since the copy was taken: the new record goes
    // after the last stored one, never over it.
    FollowStoredTaskCount(reg_, programKey_, settings);
    OpenedKey key(reg_, programKey_);
    if (settings.taskCount < 0) settings.taskCount = 0;
    if (settings.taskCount == INT32_MAX) throw FailedToSetData(kValTaskNum);
    ++settings.taskCount;
    reg_.WriteInteger(kValTaskNum, settings.taskCount);
    int n = settings.taskCount;
    reg_.WriteString(RecordValueName('A', n), schedule);
    reg_.WriteString(RecordValueName('B', n), action);
    reg_.WriteString(RecordValueName('C', n), parameter);
    reg_.WriteString(RecordValueName('D', n), kEnabledText);
    return n;
}

std::string TaskStore::Rewrite(int n, const std::string& schedule, const std::string& action,
                               const std::string& parameter) {
    OpenedKey key(reg_, programKey_);
    // An enabled state of the wrong type is left as stored: the record keeps
    // its (never due) state, and the new texts are still written, so the
    // editor's OK never fails half way with the task's row already gone.
    bool readable = true;
    std::string enabled;
    try {
        enabled = reg_.ReadString(RecordValueName('D', n));
    } catch (const RegistryError&) {
        readable = false;
    }
    reg_.WriteString(RecordValueName('A', n), schedule);
    reg_.WriteString(RecordValueName('B', n), action);
    reg_.WriteString(RecordValueName('C', n), parameter);
    if (readable && enabled.empty()) {
        enabled = kEnabledText;
        reg_.WriteString(RecordValueName('D', n), enabled);
    }
    return enabled;
}

bool TaskStore::Delete(Settings& settings, int k) {
    if (k < 1 || k > settings.taskCount) return false;
    OpenedKey key(reg_, programKey_);
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
    OpenedKey key(reg_, programKey_);
    reg_.WriteString(RecordValueName('D', n), enabled ? kEnabledText : kDisabledText);
}

void TaskStore::ReplaceTasks(Settings& settings, const std::vector<TaskRecord>& records) {
    OpenedKey key(reg_, programKey_);
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
        settings.taskCount = count;
        reg_.WriteInteger(kValTaskNum, count);
        for (int n = before + 1; n <= count; ++n) write(n);
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
