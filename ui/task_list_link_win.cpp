#include "ui/task_list_link_win.h"

namespace vantrel {

namespace {
TaskListLink* g_list = nullptr;
}  // namespace

TaskListLink* CurrentTaskList() { return g_list; }
void SetCurrentTaskList(TaskListLink* list) { g_list = list; }

}  // namespace vantrel
