// Whether a task is one the task editor could have written: the one judge of
// the editor's OK, of vantrelctl add and of every task of a file to import.
// The schedule text is judged with the grammar (schedule_check.h); the
// action and its parameter follow the editor's action list and the
// executors' limits.
#pragma once

#include <string>

#include "store/schedule_check.h"
#include "store/task_record.h"

namespace vantrel {

// Whether an adapter name can reach netsh through cmd.exe as one quoted
// argument: no double quote, "%" or control character.
bool AdapterNameIsSafe(const std::string& adapter);

// Empty when `action` is one of the fifteen names and `parameter` is what it
// takes: a text for 提醒, 打开文件, 关闭程序; an adapter name that the netsh
// command accepts for the adapter actions; "不唤醒", the empty text or
// 第N天H时M分唤醒 for 休眠计算机; nothing for the others. Otherwise the
// reason in one phrase, naming the field as the editor labels it.
std::string ActionProblem(const std::string& action, const std::string& parameter);

// The schedule's problem (ScheduleTextProblem), else the action's; empty for
// a task every writer may store. The enabled text is not judged.
std::string TaskProblem(const TaskRecord& task, const PickerDate& pickerDate);

}  // namespace vantrel
