// TForm5: the task editor. The settings window opens a new one for each add
// or modify, modeless; OK composes the schedule text, writes the record and
// appends its row to the settings window's list.
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
        kButton1 = 161,       // 浏览
        kButton2 = IDOK,      // 确定(&O): Enter presses it
        kButton3 = IDCANCEL,  // 取消(&C): so does Esc
    };

    explicit TaskEditor(SettingsHost& host);

    // FormCreate: a new editor owned by the application, with the uptime
    // shown, visible and modeless. nullptr when the window cannot be made.
    static TaskEditor* Open(SettingsHost& host);

    // Add sets the one-time date and time, the interval start and the wake
    // time to now; Modify leaves the wake time alone.
    void SetPickersToNow(bool includingWake);

    // Fills the editor from a stored record for a modify. The caller then
    // sets the editor mode to modify; nothing here throws for texts that do
    // not follow the grammar, so that the mode is always set.
    void LoadForModify(const std::string& a, const std::string& b, const std::string& c);

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

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool Create();
    std::vector<HWND> ParameterTools() const;
    void SetParameterHint(const std::string& hint);
    void ShowWakePicker(bool wake);
    void ApplySchedule(const ScheduleLoad& load);

    SettingsHost& host_;
    Font font_;
    Tooltips tips_;
};

}  // namespace vantrel
