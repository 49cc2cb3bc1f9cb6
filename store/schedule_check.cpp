#include "store/schedule_check.h"

#include <vector>

#include "store/schedule_text.h"

namespace vantrel {

namespace {

enum class Control { Hour, Minute, Digits, DropDown, Date };

struct FieldRule {
    const char* name;  // as the help and the messages call it
    unsigned char stop;
    std::size_t unitLength;  // bytes of the unit word after the field
    Control control;
};

const FieldRule kMinutes = {"分钟数", kStopMinute, 4, Control::Digits};
const FieldRule kHour = {"时", kStopHour, 2, Control::Hour};
const FieldRule kMinute = {"分", kStopMinute, 2, Control::Minute};

// The fields of each kind in grammar order, with the byte that ends each.
std::vector<FieldRule> FieldsOf(ScheduleKind kind) {
    switch (kind) {
        case ScheduleKind::Idle: return {kMinutes};
        case ScheduleKind::Once: return {{"日期", kStopDay, 2, Control::Date}, kHour, kMinute};
        case ScheduleKind::Daily: return {kHour, kMinute};
        case ScheduleKind::Weekly: return {{"星期", kStopDay, 2, Control::DropDown}, kHour, kMinute};
        case ScheduleKind::Monthly: return {{"日", kStopDay, 2, Control::DropDown}, kHour, kMinute};
        case ScheduleKind::Yearly:
            return {{"月", kStopMonth, 2, Control::DropDown}, {"日", kStopDay, 2, Control::DropDown}, kHour, kMinute};
        case ScheduleKind::Startup:
            return {{"开机小时数", kStopHour, 2, Control::Digits}, {"开机分钟数", kStopMinute, 2, Control::Digits}};
        case ScheduleKind::Interval:
            return {{"间隔分钟数", kStopMinute, 6, Control::Digits}, kHour, kMinute};
        case ScheduleKind::None: break;
    }
    return {};
}

// How the editor writes each kind, and one text it writes.
struct KindForm {
    const char* form;
    const char* example;
};

KindForm FormOf(ScheduleKind kind) {
    switch (kind) {
        case ScheduleKind::Idle: return {"空闲N分钟", "空闲30分钟"};
        case ScheduleKind::Once: return {"一次<短日期>日H时M分", "一次2026/12/25日8时0分"};
        case ScheduleKind::Daily: return {"每天H时M分", "每天23时0分"};
        case ScheduleKind::Weekly: return {"每周W日H时M分", "每周1日9时0分"};
        case ScheduleKind::Monthly: return {"每月D日H时M分", "每月1日9时0分"};
        case ScheduleKind::Yearly: return {"每年MO月D日H时M分", "每年12月25日8时0分"};
        case ScheduleKind::Startup: return {"开机H时M分", "开机0时10分"};
        case ScheduleKind::Interval: return {"每隔N分开始H时M分", "每隔60分开始8时0分"};
        case ScheduleKind::None: break;
    }
    return {"", ""};
}

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Empty when a time picker writes `field` for its part of a clock time.
std::string PickerProblem(const FieldRule& rule, const std::string& field) {
    const int high = rule.control == Control::Hour ? 23 : 59;
    if (!AllDigits(field) || (field.size() > 1 && field[0] == '0'))
        return std::string(rule.name) + "“" + field + "”不是不带前导零的数字";
    if (field.size() > 2 || (field.size() == 2 ? (field[0] - '0') * 10 + (field[1] - '0') : field[0] - '0') > high)
        return std::string(rule.name) + " " + field + " 超出范围 0-" + std::to_string(high);
    return std::string();
}

}  // namespace

std::string ScheduleTextProblem(const std::string& schedule, const PickerDate& pickerDate) {
    const std::string quoted = "时间“" + schedule + "”";
    const ScheduleKind kind = KindFromWord(ScheduleKindOf(schedule));
    if (kind == ScheduleKind::None) return quoted + "不以 空闲、一次、每天、每周、每月、每年、开机、每隔 开头";

    const std::vector<FieldRule> rules = FieldsOf(kind);
    std::vector<std::string> fields;
    std::size_t pos = 5;  // 1-based, right after the kind word
    for (const FieldRule& rule : rules) {
        const ScanResult scan = ScanField(schedule, pos, rule.stop);
        fields.push_back(scan.field);
        pos = scan.stop + rule.unitLength;
    }
    // Read back: the same fields must compose the same text.
    const std::string composed = ComposeSchedule(kind, fields);
    if (composed != schedule) {
        // Text after a whole schedule is named; anything else would only
        // echo the fields as the scan cut them, so the form is shown.
        if (schedule.compare(0, composed.size(), composed) == 0)
            return quoted + "在 " + composed + " 之后多了“" + schedule.substr(composed.size()) + "”";
        const KindForm form = FormOf(kind);
        return quoted + "不是任务窗口写出的格式，应写成 " + form.form + "，例如 " + form.example;
    }

    for (std::size_t i = 0; i < rules.size(); ++i) {
        const FieldRule& rule = rules[i];
        const std::string& field = fields[i];
        switch (rule.control) {
            case Control::Hour:
            case Control::Minute: {
                const std::string problem = PickerProblem(rule, field);
                if (!problem.empty()) return quoted + ": " + problem;
                break;
            }
            case Control::Digits:
                if (!AllDigits(field)) return quoted + ": " + rule.name + "“" + field + "”应是数字";
                break;
            case Control::DropDown:
                break;
            case Control::Date: {
                const std::optional<std::string> written = pickerDate ? pickerDate(field) : std::nullopt;
                if (!written) return quoted + ": 日期“" + field + "”不符合短日期格式";
                if (*written != field) {
                    std::vector<std::string> asWritten = fields;
                    asWritten[i] = *written;
                    return quoted + "不是任务窗口写出的格式（应为 " + ComposeSchedule(kind, asWritten) + "）";
                }
                break;
            }
        }
    }
    return std::string();
}

}  // namespace vantrel
