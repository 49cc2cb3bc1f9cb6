// TForm3: the settings window with the task list and the options. Task
// changes are written at once; option changes only by OK. The tick stays
// stopped while the window is open. The list shows each task's next run,
// computed from the record as listed, again each minute.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <string>

#include "ui/settings_host.h"
#include "ui/task_list_link_win.h"
#include "winui/form_win.h"
#include "winui/tooltips_win.h"

namespace vantrel {

// Shown when a change of a listed task was refused because another program
// changed the tasks since the list was read; the list is then read again.
extern const char* const kTasksChangedText;  // "任务已被其他程序更改，列表已重新读取"

// What OK says, and stores nothing, when start at logon is ticked but the
// program's path has a character GBK cannot hold.
extern const char* const kProgramPathNotGbkText;

class SettingsWindow : public Form, public TaskListLink {
public:
    enum Id {
        kListView1 = 101,
        kButton4 = 104,  // 添加(&A)
        kButton5 = 105,  // 修改(&M)
        kButton6 = 106,  // 删除(&D)
        kButton7 = 107,  // 更多设置…
        kComboBox1 = 110,
        kCheckBox2 = 122,
        kCheckBox5 = 125,
        kCheckBox1 = 121,
        kCheckBox3 = 123,
        kEdit8 = 138,
        kButton3 = 103,  // 浏览
        kEdit5 = 135,
        kButton1 = 201,  // 确定(&O)
        kButton2 = 202,  // 取消(&C), the default button
        kButton8 = 203,  // 以管理员身份更改, shown read-only only
    };

    explicit SettingsWindow(SettingsHost& host);
    ~SettingsWindow() override;

    // n4Click: stops the tick, creates, fills and shows a new window.
    static SettingsWindow* Open(SettingsHost& host);

    void Button1Click();   // OK
    void Button2Click();   // Cancel
    void Button3Click();   // browse for a sound
    void Button4Click();   // add
    void Button5Click();   // modify
    void Button6Click();   // delete
    void ListView1Click();
    void ComboBox1Change();

    HWND list() const { return list_; }
    HWND combo() const { return combo_; }
    const std::string& comboTaskNumber() const { return comboTask_; }
    // The hint shown over a control, empty for none.
    std::string Hint(HWND control) const { return tips_.Text(control); }
    int RowCount() const;
    std::string Cell(int row, int column) const;
    void SelectRow(int row);  // -1: none

    // The selected row's first column (its task number), empty when no row
    // is selected.
    std::string SelectedCaption();

    // TaskListLink
    void ReplaceRow(int number, const TaskRecord& shown, const TaskRecord& stored) override;
    void AppendRow(int number, const TaskRecord& shown, const TaskRecord& stored) override;
    void RemoveRow(int number);
    void ReadTasksAgain() override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDpiChanged() override;
    void OnClose() override;

private:
    bool Create();
    void Fill();
    void FillTasks(const SettingsView& view);
    void ShowPolicies(const Policies& policies);
    // A user who may not change anything: every input greyed, the list
    // still readable, 取消 still closing, and the shield button.
    void ShowReadOnly();
    // A change was refused: says so once and reads the list again.
    void TasksChanged();
    // The record as listed for row caption `number`; nullptr for none.
    const TaskRecord* Listed(int number) const;
    int SelectedRow() const;
    int RowOfCaption(const std::string& caption) const;
    void SetCell(int row, int column, const std::string& text);
    void HideCombo();
    void FitColumns();
    // The 下次运行 column of every row from its record as listed, at this
    // minute; once a minute while the window is open.
    void ShowNextRuns();
    // The 下次运行 cell of a record as stored, at this minute.
    std::string NextRunCell(const TaskRecord& stored);
    // Writes a row's cells and its record as listed.
    void FillRow(int row, int number, const TaskRecord& shown, const TaskRecord& stored);

    SettingsHost& host_;
    HWND list_ = nullptr;
    HWND combo_ = nullptr;
    Tooltips tips_;
    bool taskChangesHeld_ = false;  // the policy against task changes holds, or read-only
    Font font_;
    Font smallFont_;
    std::string comboTask_;
    std::map<int, TaskRecord> listed_;  // by number: each row's record as stored when listed
    SettingsChoice shown_;              // the options as the window showed them
    bool closed_ = false;
};

}  // namespace vantrel
