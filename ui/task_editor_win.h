// TForm5: the task editor. The settings window opens a new one for each add
// or modify, modeless; OK composes the schedule text, writes the record and
// appends its row to the settings window's list. Each editor keeps its own
// mode and record: several may be open at once, and the selection in the
// settings window may move while they are.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "scheduler/conversions.h"
#include "ui/settings_host.h"
#include "ui/task_editor_logic.h"
#include "winui/form_win.h"
#include "winui/tooltips_win.h"

namespace vantrel {

// What the editor's OK does: append a new record, or rewrite the one the
// editor was opened for.
enum class EditorMode { New, Modify };

// Shown when a modify's record was deleted or rewritten while its editor
// was open.
extern const char* const kRecordGoneText;  // "要修改的任务已被删除或更改"

class TaskEditor : public Form {
public:
    enum Id {
        kRadioButton1 = 101,  // 空闲; the eight radio ids run on without a gap
        kRadioButton2,        // 一次
        kRadioButton3,        // 每天
        kRadioButton4,        // 每周
        kRadioButton5,        // 每月
        kRadioButton6,        // 每年
        kRadioButton7,        // 开机
        kRadioButton8,        // 每隔
        kEdit1 = 111,         // idle minutes
        kEdit2,               // interval period
        kEdit3,               // start-up hours
        kEdit4,               // start-up minutes
        kComboBox1 = 121,     // weekday
        kComboBox2,           // day of the month
        kComboBox3,           // month of the year
        kComboBox4,           // day of that month
        kComboBox5,           // action
        kComboBox6,           // action parameter
        kDateTimePicker1 = 131,
        kDateTimePicker2,
        kDateTimePicker3,
        kDateTimePicker4,
        kDateTimePicker5,
        kDateTimePicker6,
        kDateTimePicker7,
        kDateTimePicker8,     // wake time
        kLabel1 = 141,
        kLabel2, kLabel3, kLabel4, kLabel5, kLabel6, kLabel7, kLabel8, kLabel9, kLabel10,
        kLabel11, kLabel12,
        kLabel13,             // the parameter's prompt, where no cue shows (XP)
        kButton1 = 161,       // 浏览
        // The editor has no default or cancel button: Enter and Esc (IDOK
        // and IDCANCEL from the dialog keys) press neither, so an Enter
        // typed into a box never stores a half-filled task. Alt+O and Alt+C
        // and a click still do.
        kButton2,             // 确定(&O)
        kButton3,             // 取消(&C)
    };

    explicit TaskEditor(SettingsHost& host);

    // FormCreate: a new editor owned by the application, with the uptime
    // shown, visible and modeless. nullptr when the window cannot be made.
    static TaskEditor* Open(SettingsHost& host);

    // Add sets the one-time date and time, the interval start and the wake
    // time to now; Modify leaves the wake time alone.
    void SetPickersToNow(bool includingWake);

    // Fills the editor from stored record `number` for a modify, `seen` as
    // the settings window listed it (an unreadable value as empty). From now
    // on OK rewrites that record, whatever row is selected then, as long as
    // it still holds exactly these four texts. Nothing here throws for texts
    // that do not follow the grammar, so the mode is always set.
    void LoadForModify(int number, const TaskRecord& seen);
    EditorMode mode() const { return mode_; }
    int record() const { return number_; }  // 0 for a new task

    void ComboBox5Change();  // the user picked an action
    void Button1Click();     // browse
    void Button2Click();     // OK
    void Button3Click();     // Cancel

    // The pickers as hour and minute (seconds are always 0) and the date of
    // DateTimePicker1.
    void SetPickerTime(int id, int hour, int minute);
    ClockTime PickerTime(int id) const;
    void SetPickerDate(const Date& date);
    Date PickerDate() const;

    // The schedule area as OK reads it.
    ScheduleInputs ReadInputs() const;
    // The hint shown over the parameter box, empty for none.
    std::string ParameterHint() const;
    // The prompt shown in or beside the empty parameter box, empty for none.
    std::string ParameterCue() const;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Destroys the editor (see the settings window's close).
    void OnClose() override;

private:
    bool Create();
    std::vector<HWND> ParameterTools() const;
    HWND ParameterField() const;  // the parameter box's edit field
    void SetParameterHint(const std::string& hint);
    void ShowWakePicker(bool wake);
    void ApplySchedule(const ScheduleLoad& load);

    SettingsHost& host_;
    bool cueLabel_ = false;  // the prompt in kLabel13 rather than as the box's cue
    EditorMode mode_ = EditorMode::New;
    int number_ = 0;
    TaskRecord seen_;  // the record a modify was opened for
    Font font_;
    Tooltips tips_;
};

}  // namespace vantrel
