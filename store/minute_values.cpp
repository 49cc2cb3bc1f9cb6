// The program key's minute values: the end of a pause and the quick timer.
// They are the running program's state rather than settings, so start-up
// writes no default for them: a missing value is "none".
#include "store/task_store.h"

namespace vantrel {

const char* const kValPauseUntil = "zanting";
const char* const kValQuickTimer = "dingshi";

std::string TaskStore::ReadMinuteValue(const char* name) {
    OpenedKey key(reg_, programKey_, false);
    return key.ok() ? reg_.ReadString(name) : std::string();
}

void TaskStore::WriteMinuteValue(const char* name, const std::string& minute) {
    WriteGuard guard(*this);
    OpenedKey key(reg_, programKey_);
    if (minute.empty())
        reg_.DeleteValue(name);
    else
        reg_.WriteString(name, minute);
}

}  // namespace vantrel
