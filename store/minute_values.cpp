// The program key's minute values: the end of a pause, the quick timer and
// a postponed power action.
// They are the running program's state rather than settings, so start-up
// writes no default for them: a missing value is "none".
#include "store/task_store.h"

#include "text/gbk_text.h"

namespace vantrel {

const char* const kValPauseUntil = "zanting";
const char* const kValQuickTimer = "dingshi";
const char* const kValPostponed = "tuichi";
const char* const kValSkipped = "tiaoguo";

bool IsPendingValue(const std::string& name) {
    for (const char* pending : {kValPauseUntil, kValQuickTimer, kValPostponed, kValSkipped})
        if (AsciiUpper(name) == AsciiUpper(pending)) return true;
    return false;
}

std::string TaskStore::ReadMinuteValue(const char* name) {
    OpenedKey key(reg_, programKey_, false);
    return key.ok() ? reg_.ReadString(name) : std::string();
}

void TaskStore::WriteMinuteValue(const char* name, const std::string& minute) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    // A delete the registry refuses is an error: the running program would
    // read the value again and act on it.
    if (minute.empty())
        DeleteValueOrThrow(reg_, name);
    else
        reg_.WriteString(name, minute);
}

bool TaskStore::TakeMinuteValue(const char* name, const std::function<bool(const std::string&)>& stillThere) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_, false);
    if (!key.ok() || !stillThere(reg_.ReadString(name))) return false;
    if (!reg_.DeleteValue(name)) throw RegistryError("无法删除 " + std::string(name));
    return true;
}

}  // namespace vantrel
