// Which schedule texts are valid: exactly those the task editor can store,
// the same for vantrelctl's add and import as for the editor. Each field is
// judged by the control it comes from:
// - a time picker (the hour and minute of a clock time): a decimal number
//   without leading zeros, 0-23 and 0-59;
// - a box that takes digits only (idle minutes, interval period, start-up
//   hours and minutes): one or more digits as typed, leading zeros and 0
//   included (空闲05分钟, 开机01时05分);
// - an editable drop-down box (weekday, day of the month, month): the text as
//   typed, an item of its list or not;
// - the date picker of the once kind: the date as the short date format
//   writes it.
// And the text reads back into the same fields: no field holds the byte that
// ends it, and nothing follows the last unit word.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vantrel {

// The date field as the editor's date picker would write the date it reads
// as; nullopt when it reads as no date. (The short date format belongs to
// the caller.)
using PickerDate = std::function<std::optional<std::string>(const std::string& dateField)>;

// Empty when the editor can store `schedule`; otherwise the reason in one
// phrase, starting with the text itself.
std::string ScheduleTextProblem(const std::string& schedule, const PickerDate& pickerDate);

}  // namespace vantrel
