#include "cli/task_check.h"

#include <optional>

#include "actions/utility_actions.h"
#include "scheduler/conversions.h"
#include "store/schedule_check.h"

namespace vantrel {

std::string ScheduleProblem(const std::string& schedule, const std::string& format, int currentYear) {
    return ScheduleTextProblem(schedule, [&](const std::string& field) -> std::optional<std::string> {
        const std::optional<Date> date = ReadShortDate(field, format, currentYear);
        if (!date) return std::nullopt;
        return FormatShortDate(*date, format);
    });
}

namespace {

// A wake time as the editor's time picker writes it.
bool PickerNumber(const std::string& text, int high, int& value) {
    const std::optional<std::int32_t> v = TryStrToInt(text);
    if (!v || *v < 0 || *v > high || std::to_string(*v) != text) return false;
    value = *v;
    return true;
}

}  // namespace

std::string ActionProblem(const std::string& action, const std::string& parameter) {
    const int index = ActionIndexOf(action);
    if (index < 0) {
        std::string names;
        for (const char* name : kActionNames) names += std::string(names.empty() ? "" : "、") + name;
        return "任务“" + action + "”不是以下之一: " + names;
    }
    switch (index) {
        case kActRemind:
        case kActOpenFile:
        case kActCloseProgram:
            if (parameter.empty()) return action + " 需要属性（--param）";
            return std::string();
        case kActDisableAdapter:
        case kActEnableAdapter:
            if (parameter.empty()) return action + " 需要网卡名（--param）";
            if (!AdapterNameIsSafe(parameter))
                return "网卡名“" + parameter + "”含有 netsh 命令不接受的字符（\"、% 或控制字符）";
            return std::string();
        case kActHibernate: {
            // An empty wake choice arranges no wake-up, as "不唤醒" does.
            if (parameter.empty() || parameter == kNoWakeText) return std::string();
            const WakeParts wake = ParseWakeChoice(parameter);
            const std::optional<std::int32_t> day = TryStrToInt(wake.n);
            int h = 0, m = 0;
            const bool ok = day && *day >= 1 && *day <= 9 && wake.dayText == "第" + std::to_string(*day) + "天" &&
                            PickerNumber(wake.hour, 23, h) && PickerNumber(wake.minute, 59, m) &&
                            ComposeWakeChoice(wake.dayText, h, m) == parameter;
            if (!ok) return "休眠计算机的属性应是“不唤醒”、空或 第N天H时M分唤醒（N 为 1-9），不是“" + parameter + "”";
            return std::string();
        }
        default:
            if (!parameter.empty()) return action + " 不带属性";
            return std::string();
    }
}

}  // namespace vantrel
