#include "cli/task_check.h"

#include "scheduler/conversions.h"

namespace vantrel {

std::string ScheduleProblem(const std::string& schedule, const std::string& format, int currentYear) {
    return ScheduleTextProblem(schedule, ShortDatePicker(format, currentYear));
}

}  // namespace vantrel
