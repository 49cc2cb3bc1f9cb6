#include "store/task_count_follow.h"

namespace vantrel {

void FollowStoredTaskCountInOpenKey(Registry& reg, Settings& settings) {
    std::int32_t stored = 0;
    try {
        stored = reg.ReadInteger(kValTaskNum);
    } catch (const RegistryError&) {
        return;
    }
    if (stored < 0 || static_cast<std::uint32_t>(stored) > reg.ValueCount()) return;
    settings.taskCount = stored;
}

void FollowStoredTaskCount(Registry& reg, const std::string& programKey, Settings& settings) {
    OpenedKey key(reg, programKey, false);
    if (!key.ok()) return;
    FollowStoredTaskCountInOpenKey(reg, settings);
}

}  // namespace vantrel
