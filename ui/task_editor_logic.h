// What the task editor decides without a window: the schedule text composed
// from the editor's boxes and pickers, the parameter row for each action, the
// stored action parameter, and the editor's fields filled from a stored
// record. The window only moves texts between these values and its controls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scheduler/conversions.h"
#include "store/schedule_text.h"

namespace vantrel {

// Hour and minute of a time picker.
struct ClockTime {
    int hour = 0;
    int minute = 0;

    bool operator==(const ClockTime& o) const { return hour == o.hour && minute == o.minute; }
};

// The schedule area of the editor as the user left it.
struct ScheduleInputs {
    ScheduleKind checked = ScheduleKind::None;  // the checked radio button
    std::string idleMinutes;                    // Edit1
    std::string intervalMinutes;                // Edit2
    std::string startupHours;                   // Edit3
    std::string startupMinutes;                 // Edit4
    std::string weekday;                        // ComboBox1
    std::string monthDay;                       // ComboBox2
    std::string yearMonth;                      // ComboBox3
    std::string yearDay;                        // ComboBox4
    Date onceDate;                              // DateTimePicker1
    ClockTime onceTime;                         // DateTimePicker2
    ClockTime dailyTime;                        // DateTimePicker3
    ClockTime weeklyTime;                       // DateTimePicker4
    ClockTime monthlyTime;                      // DateTimePicker5
    ClockTime yearlyTime;                       // DateTimePicker6
    ClockTime intervalStart;                    // DateTimePicker7
};

// The text of the notice shown when OK finds no usable schedule.
extern const char* const kChooseTimeText;  // "请选择时间"
extern const char* const kNoticeCaption;   // "提示"

// The inputs as OK sees them: with the start-up row checked, an empty hours
// or minutes box counts as "0", and the window shows that "0" in the box.
ScheduleInputs NormalisedInputs(const ScheduleInputs& inputs);

// The schedule text of the checked row, `shortDateFormat` writing the date of
// a one-time schedule. nullopt when no row is checked, and when the idle or
// the interval row has no minutes: such a record (空闲分钟, or an empty
// text) would be stored but never due, so OK asks for a time instead.
std::optional<std::string> ComposeScheduleText(const ScheduleInputs& inputs,
                                               const std::string& shortDateFormat);

// How the parameter row looks for one action (the list's change event).
struct ParameterRow {
    std::string label;               // Label6
    std::vector<std::string> items;  // ComboBox6's list
    std::string text;                // ComboBox6's text: a value, never a prompt
    // ComboBox6's prompt, empty for none: shown as a cue and a hint, never
    // as its text, so that nothing is stored that the user did not type.
    std::string hint;
    bool wakePicker = false;         // DateTimePicker8 shown and the browse button hidden
};

ParameterRow RowFor(int actionIndex, unsigned majorVersion);

// "不唤醒", "第1天" ... "第9天".
std::vector<std::string> WakeItems();

// The action parameter as stored: a hibernate task other than "不唤醒" gets
// the wake time appended to its day text.
std::string StoredParameter(int actionIndex, const std::string& text, int wakeHour,
                            int wakeMinute);

// Why OK stores nothing for this task, as stored (`parameter` as
// StoredParameter gives it); empty when it may be stored. The same check as
// vantrelctl add and import, with the same messages.
std::string EditorTaskProblem(const std::string& schedule, const std::string& action,
                              const std::string& parameter, const std::string& shortDateFormat,
                              int currentYear);

// The fields a stored schedule text fills; a field left empty keeps what the
// editor shows.
struct ScheduleLoad {
    ScheduleKind checked = ScheduleKind::None;
    std::optional<std::string> idleMinutes;
    std::optional<std::string> intervalMinutes;
    std::optional<std::string> startupHours;
    std::optional<std::string> startupMinutes;
    std::optional<std::string> weekday;
    std::optional<std::string> monthDay;
    std::optional<std::string> yearMonth;
    std::optional<std::string> yearDay;
    std::optional<Date> onceDate;
    std::optional<ClockTime> onceTime;
    std::optional<ClockTime> dailyTime;
    std::optional<ClockTime> weeklyTime;
    std::optional<ClockTime> monthlyTime;
    std::optional<ClockTime> yearlyTime;
    std::optional<ClockTime> intervalStart;
};

// Everything a stored record puts into the editor for a modify.
struct EditorLoad {
    int actionIndex = 0;                      // selected in ComboBox5
    std::string label;                        // Label6
    std::optional<std::string> hint;          // set only for the actions that change it
    std::string parameterText;                // ComboBox6's text
    std::vector<std::string> parameterItems;  // appended to ComboBox6's list
    bool showWakePicker = false;
    std::optional<ClockTime> wakeTime;        // DateTimePicker8, when the wake text has one
    ScheduleLoad schedule;
};

// Takes the record's schedule text `a`, action name `b` and parameter `c`
// apart. Texts that do not follow the grammar give whatever can be read and
// never an exception: the editor must still open, so that OK rewrites the
// record instead of leaving it unreachable.
EditorLoad LoadForModify(const std::string& a, const std::string& b, const std::string& c,
                         const std::string& shortDateFormat, int currentYear);

// "已开机时间:" H "时" M "分" S "秒" for whole seconds since start-up; the
// hours run on past 24.
std::string UptimeText(std::uint32_t seconds);

}  // namespace vantrel
