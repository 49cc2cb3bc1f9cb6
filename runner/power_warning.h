// The warning some minutes before a power task: which tasks it names and
// what the tray's balloon says. Decided from the tasks as the tick last read
// them, so that it costs the tick nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scheduler/matching.h"
#include "scheduler/tick.h"

namespace vantrel {

struct PowerWarning {
    int number = 0;
    std::string schedule;
    std::string word;  // the countdown's word, "关机"
    LocalTime at;      // the task's next run
    std::int64_t minutesAhead = 0;
};

// The countdown word of the seven power actions ("关闭计算机" -> "关机");
// nullptr for every other action, the hang-up included.
const char* WarningWordFor(const std::string& actionName);

// The enabled power tasks whose next run after the minute of `now` comes
// within `minutes` (0: none); only tasks whose next run can be known ahead.
// `actionOf` gives a task's action name; it is asked only of the tasks
// whose run falls in that time.
std::vector<PowerWarning> WarningsDue(const std::vector<SeenTask>& tasks, const LocalTime& now,
                                      const MatchEnv& env, int minutes,
                                      const std::function<std::string(int)>& actionOf);

// "5分钟后将关机（每天23时0分）"
std::string WarningText(const PowerWarning& warning);

}  // namespace vantrel
