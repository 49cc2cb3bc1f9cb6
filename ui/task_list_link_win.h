// What the settings window and the task editor share: the editor mode, and
// the task list of the settings window last opened, which the editor edits
// directly (it removes the row of a modified task and appends the new row).
#pragma once

#include <string>

#include "store/task_record.h"

namespace vantrel {

enum class EditorMode { New, Modify };

// The one editor mode of the program.
EditorMode& CurrentEditorMode();

class TaskListLink {
public:
    virtual ~TaskListLink() = default;
    // The selected row's first column (its task number), empty when no row
    // is selected.
    virtual std::string SelectedCaption() = 0;
    virtual void RemoveSelectedRow() = 0;
    // Appends a row: number, schedule text, action, parameter, enabled state.
    virtual void AppendRow(int number, const TaskRecord& shown) = 0;
};

// The settings window last opened (nullptr before the first one).
TaskListLink* CurrentTaskList();
void SetCurrentTaskList(TaskListLink* list);

}  // namespace vantrel
