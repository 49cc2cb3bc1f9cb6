// The running program's copy of the task count follows the stored TaskNum,
// so that a task that vantrelctl (or another copy of the settings) adds or
// deletes while the program runs is seen at the next tick, and the settings
// window's next add takes the number after it instead of overwriting it.
#pragma once

#include <string>

#include "registry/registry.h"
#include "store/task_store.h"

namespace vantrel {

// Takes TaskNum into `settings.taskCount` when it reads as a count the key
// can hold (0 up to its number of values); a missing, wrong-typed or corrupt
// one leaves the copy as the start-up load made it.
void FollowStoredTaskCount(Registry& reg, const std::string& programKey, Settings& settings);
// The same on the key the accessor has open (a writer that holds the store's
// lock and reads the count it is about to change).
void FollowStoredTaskCountInOpenKey(Registry& reg, Settings& settings);

}  // namespace vantrel
