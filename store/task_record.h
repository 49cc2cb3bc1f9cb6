// The task record: four texts stored as the values A<n>, B<n>, C<n>, D<n>,
// and the fixed words it is compared with.
#pragma once

#include <string>

namespace vantrel {

struct TaskRecord {
    std::string schedule;   // A<n>
    std::string action;     // B<n>
    std::string parameter;  // C<n>
    std::string enabled;    // D<n>

    bool operator==(const TaskRecord& o) const {
        return schedule == o.schedule && action == o.action && parameter == o.parameter &&
               enabled == o.enabled;
    }
};

extern const char* const kEnabledText;   // "启用"
extern const char* const kDisabledText;  // "禁用"

// Only the exact text "启用" counts; a trailing blank or an empty text does not.
bool IsEnabledText(const std::string& enabled);

// The fifteen action names in the order of the editor's list.
enum ActionIndex {
    kActRemind, kActOpenFile, kActCloseProgram, kActHangUp, kActDial, kActLogOff,
    kActStandby, kActHibernate, kActRestart, kActShutDown, kActFastRestart,
    kActFastShutDown, kActCleanJunk, kActDisableAdapter, kActEnableAdapter,
    kActionCount
};
extern const char* const kActionNames[kActionCount];

// Position of `name` in the list by exact comparison, or -1 for any other text.
int ActionIndexOf(const std::string& name);

// "A" + n in decimal without leading zeros.
std::string RecordValueName(char letter, int n);

// The wake choice of a "休眠计算机" task: "不唤醒", empty, or
// "第" N "天" H "时" M "分唤醒", read by bytes.
extern const char* const kNoWakeText;  // "不唤醒"
bool IsNoWake(const std::string& wake);

struct WakeParts {
    std::string dayText;  // "第" N "天": bytes up to and including the second byte of "天"
    std::string n;        // from byte 3 up to the first 0xCC
    std::string hour;     // two bytes after that 0xCC up to the first 0xCA
    std::string minute;   // two bytes after that 0xCA up to the first 0xB7
};
WakeParts ParseWakeChoice(const std::string& wake);

// 第N天 + H时M分唤醒, as the editor stores it.
std::string ComposeWakeChoice(const std::string& dayText, int hour, int minute);

}  // namespace vantrel
