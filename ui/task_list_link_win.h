// What the task editor needs of the settings window: its task list, which
// the editor edits directly (it rewrites the row of a modified task where it
// stands and appends the row of a new one, and has it read again when another writer
// changed the tasks), found as the settings window last opened.
#pragma once

#include "store/task_record.h"

namespace vantrel {

class TaskListLink {
public:
    virtual ~TaskListLink() = default;
    // Shows record `number`'s new texts in the row that shows it, which
    // keeps its place in the list (a user deletes by place); appended like
    // AppendRow when no row shows it.
    virtual void ReplaceRow(int number, const TaskRecord& shown, const TaskRecord& stored) = 0;
    // Appends a row: number, schedule text, action, parameter, enabled state
    // as shown, and the record as stored, which a later change of the row
    // names as the record it saw.
    virtual void AppendRow(int number, const TaskRecord& shown, const TaskRecord& stored) = 0;
    // Another writer changed the tasks: the list is read again.
    virtual void ReadTasksAgain() = 0;
};

// The settings window last opened (nullptr before the first one).
TaskListLink* CurrentTaskList();
void SetCurrentTaskList(TaskListLink* list);

}  // namespace vantrel
