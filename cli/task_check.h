// Whether a task is one the task editor could have written: the judge of
// vantrelctl add and of every task of a file to import. The schedule text is
// judged with the grammar (store/schedule_check.h); the action and its
// parameter follow the editor's action list and the executors' limits.
#pragma once

#include <string>

#include "store/task_record.h"

namespace vantrel {

// Empty when the task editor can store the schedule text, its once date
// written in `shortDateFormat` (see ScheduleTextProblem); otherwise the
// reason, in one phrase.
std::string ScheduleProblem(const std::string& schedule, const std::string& shortDateFormat,
                            int currentYear);

// Empty when `action` is one of the fifteen names and `parameter` is what it
// takes: a text for 提醒, 打开文件, 关闭程序; an adapter name that the netsh
// command accepts for the adapter actions; "不唤醒", the empty text or
// 第N天H时M分唤醒 for 休眠计算机; nothing for the others.
std::string ActionProblem(const std::string& action, const std::string& parameter);

}  // namespace vantrel
