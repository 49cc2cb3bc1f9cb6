// The settings added after the first five: each an integer value at the top
// of the program key with its default and range. A missing value is its
// default and is not written, so older copies, which ignore these values,
// see the key as they always did.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/task_store.h"

namespace vantrel {

struct ExtraSetting {
    const char* name;    // the value's name ("tiqian")
    const char* label;   // as the windows and vantrelctl show it ("提前提醒")
    const char* unit;    // "分钟", "%", ""; a range of 0..1 is a switch
    std::int32_t defaultValue;
    std::int32_t minimum;
    std::int32_t maximum;
    std::int32_t Settings::*copy;  // the running program's copy
    const char* hint;              // what it means, as the window's tooltip says it
};

// Every setting of the program key as vantrelctl shows and sets it: the
// five first ones, then the later ones. A text setting (the sound file) has
// no range.
struct SettingEntry {
    const char* name;
    const char* label;
    const char* unit;
    bool text;
    std::int32_t defaultValue, minimum, maximum;
};
const std::vector<SettingEntry>& AllSettings();
// By value name (in any letter case, as the registry compares names) or
// label (the settings window's words; vantrelctl's former labels too);
// nullptr for none.
const SettingEntry* FindSetting(const std::string& nameOrLabel);
// The value the running program goes by for a stored integer: itself when
// it lies in the setting's range; otherwise a later setting's default, a
// countdown that cannot be negative, a switch on only as the program tests it.
std::int32_t SettingInEffect(const SettingEntry& setting, std::int32_t stored);
// Every setting as "name（label）", in list order, for a message naming
// the valid ones.
std::string SettingNames();
// An integer setting of the range 0..1: shown as 开 and 关.
bool IsSwitch(const SettingEntry& setting);
// CheckExtraSetting's rule for an integer setting.
std::string CheckSettingNumber(const SettingEntry& setting, const std::string& text, std::int32_t& value);

// In the order the windows list them.
const std::vector<ExtraSetting>& ExtraSettings();
// By value name (any letter case) or label; nullptr for none.
const ExtraSetting* FindExtraSetting(const std::string& nameOrLabel);

// A value typed by the user: a decimal within the setting's range, without
// leading zeros. Returns the empty text and sets `value`, or the message
// that says what is wrong.
std::string CheckExtraSetting(const ExtraSetting& setting, const std::string& text,
                              std::int32_t& value);

}  // namespace vantrel
