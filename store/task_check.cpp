#include "store/task_check.h"

#include <cstdint>

namespace vantrel {

namespace {

// Within double quotes cmd takes & | < > ^ ( ) literally; what still reaches
// its parser from inside quotes is the quote itself (it ends the quoted name),
// "%" (variable expansion) and control characters (a line break ends the
// command). GBK trail bytes are never in this set, so a byte-wise test is exact.
bool UnsafeForCmdQuotes(unsigned char b) {
    return b == '"' || b == '%' || b < 0x20 || b == 0x7F;
}

// A whole number as a time picker writes it: decimal, no sign, no leading
// zero, 0 to `high`.
bool PickerNumber(const std::string& text, int high, int& value) {
    if (text.empty() || text.size() > 2 || (text.size() > 1 && text[0] == '0')) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value <= high;
}

bool WakeChoiceIsValid(const std::string& parameter) {
    const WakeParts wake = ParseWakeChoice(parameter);
    int day = 0, h = 0, m = 0;
    return wake.n.size() == 1 && PickerNumber(wake.n, 9, day) && day >= 1 &&
           wake.dayText == "第" + wake.n + "天" && PickerNumber(wake.hour, 23, h) &&
           PickerNumber(wake.minute, 59, m) && ComposeWakeChoice(wake.dayText, h, m) == parameter;
}

}  // namespace

bool AdapterNameIsSafe(const std::string& adapter) {
    for (char c : adapter) {
        if (UnsafeForCmdQuotes(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

std::string ActionProblem(const std::string& action, const std::string& parameter) {
    const int index = ActionIndexOf(action);
    if (index < 0) {
        std::string names;
        for (const char* name : kActionNames) names += std::string(names.empty() ? "" : "、") + name;
        return "任务“" + action + "”不是以下之一：" + names;
    }
    switch (index) {
        case kActRemind:
            if (parameter.empty()) return action + " 需要属性（提醒语）";
            return std::string();
        case kActOpenFile:
            if (parameter.empty()) return action + " 需要属性（文件）";
            return std::string();
        case kActCloseProgram:
            if (parameter.empty()) return action + " 需要属性（程序）";
            return std::string();
        case kActDisableAdapter:
        case kActEnableAdapter:
            if (parameter.empty()) return action + " 需要属性（网卡名）";
            if (!AdapterNameIsSafe(parameter))
                return "网卡名“" + parameter + "”含有 netsh 命令不接受的字符（\"、% 或控制字符）";
            return std::string();
        case kActHibernate:
            // An empty wake choice arranges no wake-up, as "不唤醒" does.
            if (parameter.empty() || parameter == kNoWakeText || WakeChoiceIsValid(parameter))
                return std::string();
            return "休眠计算机的属性应是“不唤醒”、空或 第N天H时M分唤醒（N 为 1-9），不是“" + parameter + "”";
        default:
            if (!parameter.empty()) return action + " 不带属性，不是“" + parameter + "”";
            return std::string();
    }
}

std::string TaskProblem(const TaskRecord& task, const PickerDate& pickerDate) {
    const std::string schedule = ScheduleTextProblem(task.schedule, pickerDate);
    return schedule.empty() ? ActionProblem(task.action, task.parameter) : schedule;
}

}  // namespace vantrel
