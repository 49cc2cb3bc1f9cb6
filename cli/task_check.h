// Whether a task is one the task editor could have written: the judge of
// vantrelctl add and of every task of a file to import, the same as the
// editor's (store/task_check.h), with the once date read in the short date
// format the command was given.
#pragma once

#include <string>

#include "store/task_check.h"

namespace vantrel {

// Empty when the task editor can store the schedule text, its once date
// written in `shortDateFormat` (see ScheduleTextProblem); otherwise the
// reason, in one phrase.
std::string ScheduleProblem(const std::string& schedule, const std::string& shortDateFormat,
                            int currentYear);

}  // namespace vantrel
