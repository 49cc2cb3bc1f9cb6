#include "ui/task_list_link_win.h"

namespace vantrel {

namespace {
EditorMode g_mode = EditorMode::New;
TaskListLink* g_list = nullptr;
}  // namespace

EditorMode& CurrentEditorMode() { return g_mode; }
TaskListLink* CurrentTaskList() { return g_list; }
void SetCurrentTaskList(TaskListLink* list) { g_list = list; }

}  // namespace vantrel
