#include "cli/task_check.h"

#include <optional>

#include "actions/utility_actions.h"
#include "scheduler/conversions.h"
#include "scheduler/matching.h"
#include "store/schedule_text.h"
#include "ui/task_editor_logic.h"

namespace vantrel {

namespace {

struct Range {
    const char* what;
    std::int32_t low;
    std::int32_t high;
};

const Range kHour = {"时", 0, 23};
const Range kMinute = {"分", 0, 59};
const Range kDay = {"日", 1, 31};
const Range kMonth = {"月", 1, 12};
const Range kWeekday = {"星期", 0, 7};
const Range kAtLeastOne = {"分钟数", 1, INT32_MAX};
const Range kNotNegative = {"开机时间", 0, INT32_MAX};

struct Problem {
    std::string text;
};

// The field as a number in its range, written as the editor writes numbers:
// decimal, without leading zeros or blanks.
std::int32_t Number(const std::string& field, const Range& range) {
    const std::optional<std::int32_t> v = TryStrToInt(field);
    if (!v || std::to_string(*v) != field)
        throw Problem{std::string(range.what) + "“" + field + "”不是不带前导零的数字"};
    if (*v < range.low || *v > range.high)
        throw Problem{std::string(range.what) + " " + field + " 超出范围 " + std::to_string(range.low) +
                      (range.high == INT32_MAX ? " 以上" : "-" + std::to_string(range.high))};
    return *v;
}

ClockTime Time(const MatchResult& fields) {
    return ClockTime{Number(fields.Field("H"), kHour), Number(fields.Field("M"), kMinute)};
}

// The editor's boxes and pickers set as the text's fields would set them.
ScheduleInputs InputsFor(ScheduleKind kind, const MatchResult& f, const std::string& format,
                         int currentYear) {
    ScheduleInputs in;
    in.checked = kind;
    switch (kind) {
        case ScheduleKind::Idle:
            Number(f.Field("N"), kAtLeastOne);
            in.idleMinutes = f.Field("N");
            break;
        case ScheduleKind::Once: {
            const std::optional<Date> date = ReadShortDate(f.Field("D"), format, currentYear);
            if (!date) throw Problem{"日期“" + f.Field("D") + "”不符合短日期格式 " + format};
            in.onceDate = *date;
            in.onceTime = Time(f);
            break;
        }
        case ScheduleKind::Daily:
            in.dailyTime = Time(f);
            break;
        case ScheduleKind::Weekly:
            Number(f.Field("W"), kWeekday);
            in.weekday = f.Field("W");
            in.weeklyTime = Time(f);
            break;
        case ScheduleKind::Monthly:
            Number(f.Field("D"), kDay);
            in.monthDay = f.Field("D");
            in.monthlyTime = Time(f);
            break;
        case ScheduleKind::Yearly:
            Number(f.Field("MO"), kMonth);
            Number(f.Field("D"), kDay);
            in.yearMonth = f.Field("MO");
            in.yearDay = f.Field("D");
            in.yearlyTime = Time(f);
            break;
        case ScheduleKind::Startup:
            // The start-up boxes take any digits: 开机1时90分 is 150 minutes.
            Number(f.Field("H"), kNotNegative);
            Number(f.Field("M"), kNotNegative);
            in.startupHours = f.Field("H");
            in.startupMinutes = f.Field("M");
            break;
        case ScheduleKind::Interval:
            Number(f.Field("N"), kAtLeastOne);
            in.intervalMinutes = f.Field("N");
            in.intervalStart = Time(f);
            break;
        case ScheduleKind::None:
            break;
    }
    return in;
}

}  // namespace

std::string ScheduleProblem(const std::string& schedule, const std::string& format,
                            int currentYear) {
    const ScheduleKind kind = KindFromWord(ScheduleKindOf(schedule));
    if (kind == ScheduleKind::None)
        return "时间“" + schedule + "”不以 空闲、一次、每天、每周、每月、每年、开机、每隔 开头";
    try {
        MatchEnv env;
        env.shortDateFormat = format;
        const MatchResult fields = MatchSchedule(kind, LocalTime(), schedule, env);
        ScheduleInputs inputs = InputsFor(kind, fields, format, currentYear);
        std::optional<std::string> composed = ComposeScheduleText(inputs, format);
        // The rule hands a Sunday back as "0"; the editor's list also writes "7".
        if (kind == ScheduleKind::Weekly && composed && *composed != schedule && inputs.weekday == "0") {
            inputs.weekday = "7";
            composed = ComposeScheduleText(inputs, format);
        }
        if (!composed || *composed != schedule)
            return "时间“" + schedule + "”不是任务窗口写出的格式" +
                   (composed ? "（应为 " + *composed + "）" : "");
    } catch (const Problem& p) {
        return "时间“" + schedule + "”: " + p.text;
    }
    return std::string();
}

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
            if (!NetshParameters(parameter, index == kActEnableAdapter))
                return "网卡名“" + parameter + "”含有 netsh 命令不接受的字符（\"、% 或控制字符）";
            return std::string();
        case kActHibernate: {
            if (parameter == kNoWakeText) return std::string();
            const WakeParts wake = ParseWakeChoice(parameter);
            const std::optional<std::int32_t> day = TryStrToInt(wake.n);
            const std::optional<std::int32_t> h = TryStrToInt(wake.hour);
            const std::optional<std::int32_t> m = TryStrToInt(wake.minute);
            const bool ok = day && *day >= 1 && *day <= 9 && h && *h >= 0 && *h <= 23 && m &&
                            *m >= 0 && *m <= 59 &&
                            StoredParameter(kActHibernate, wake.dayText, *h, *m) == parameter &&
                            wake.dayText == "第" + std::to_string(*day) + "天";
            if (!ok) return "休眠计算机的属性应是“不唤醒”或 第N天H时M分唤醒（N 为 1-9），不是“" + parameter + "”";
            return std::string();
        }
        default:
            if (!parameter.empty()) return action + " 不带属性";
            return std::string();
    }
}

}  // namespace vantrel
