#include "ui/task_editor_logic.h"

#include "scheduler/matching.h"
#include "store/task_check.h"
#include "store/task_record.h"

namespace vantrel {

const char* const kChooseTimeText = "请选择时间";
const char* const kNoticeCaption = "提示";

namespace {

const char* const kOpenFilePrompt = "可以打开mp3文件，程序，网址，电影视频等";
const char* const kCloseProgramPrompt = "在此输入程序的文件名或按浏览。";
const char* const kAttributeLabel = "属性：";

std::vector<std::string> TimeFields(const ClockTime& t) {
    return {std::to_string(t.hour), std::to_string(t.minute)};
}

std::vector<std::string> WithTime(std::vector<std::string> fields, const ClockTime& t) {
    for (std::string& f : TimeFields(t)) fields.push_back(std::move(f));
    return fields;
}

// A picker can only show a time of day; a stored hour or minute outside it,
// or one that is no number, leaves the picker as it is.
std::optional<ClockTime> ReadTime(const MatchResult& fields) {
    const std::optional<std::int32_t> h = TryStrToInt(fields.Field("H"));
    const std::optional<std::int32_t> m = TryStrToInt(fields.Field("M"));
    if (!h || !m || *h < 0 || *h > 23 || *m < 0 || *m > 59) return std::nullopt;
    return ClockTime{*h, *m};
}

ScheduleLoad LoadSchedule(const std::string& a, const std::string& shortDateFormat,
                          int currentYear) {
    ScheduleLoad load;
    const ScheduleKind kind = KindFromWord(ScheduleKindOf(a));
    if (kind == ScheduleKind::None) return load;
    MatchEnv env;
    env.shortDateFormat = shortDateFormat;
    // Only the fields are wanted; the rules hand them back whatever the clock
    // says, and none of them throws.
    const MatchResult fields = MatchSchedule(kind, LocalTime(), a, env);
    load.checked = kind;
    switch (kind) {
        case ScheduleKind::Idle:
            load.idleMinutes = fields.Field("N");
            break;
        case ScheduleKind::Once:
            load.onceDate = ReadShortDate(fields.Field("D"), shortDateFormat, currentYear);
            load.onceTime = ReadTime(fields);
            break;
        case ScheduleKind::Daily:
            load.dailyTime = ReadTime(fields);
            break;
        case ScheduleKind::Weekly:
            load.weekday = fields.Field("W");
            load.weeklyTime = ReadTime(fields);
            break;
        case ScheduleKind::Monthly:
            load.monthDay = fields.Field("D");
            load.monthlyTime = ReadTime(fields);
            break;
        case ScheduleKind::Yearly:
            load.yearMonth = fields.Field("MO");
            load.yearDay = fields.Field("D");
            load.yearlyTime = ReadTime(fields);
            break;
        case ScheduleKind::Startup:
            load.startupHours = fields.Field("H");
            load.startupMinutes = fields.Field("M");
            break;
        case ScheduleKind::Interval:
            load.intervalMinutes = fields.Field("N");
            load.intervalStart = ReadTime(fields);
            break;
        case ScheduleKind::None:
            break;
    }
    return load;
}

}  // namespace

ScheduleInputs NormalisedInputs(const ScheduleInputs& inputs) {
    ScheduleInputs out = inputs;
    if (out.checked == ScheduleKind::Startup) {
        if (out.startupHours.empty()) out.startupHours = "0";
        if (out.startupMinutes.empty()) out.startupMinutes = "0";
    }
    return out;
}

std::optional<std::string> ComposeScheduleText(const ScheduleInputs& given,
                                               const std::string& shortDateFormat) {
    const ScheduleInputs in = NormalisedInputs(given);
    switch (in.checked) {
        case ScheduleKind::None:
            return std::nullopt;
        case ScheduleKind::Idle:
            if (in.idleMinutes.empty()) return std::nullopt;
            return ComposeSchedule(ScheduleKind::Idle, {in.idleMinutes});
        case ScheduleKind::Once:
            return ComposeSchedule(
                ScheduleKind::Once,
                WithTime({FormatShortDate(in.onceDate, shortDateFormat)}, in.onceTime));
        case ScheduleKind::Daily:
            return ComposeSchedule(ScheduleKind::Daily, TimeFields(in.dailyTime));
        case ScheduleKind::Weekly:
            return ComposeSchedule(ScheduleKind::Weekly, WithTime({in.weekday}, in.weeklyTime));
        case ScheduleKind::Monthly:
            return ComposeSchedule(ScheduleKind::Monthly, WithTime({in.monthDay}, in.monthlyTime));
        case ScheduleKind::Yearly:
            return ComposeSchedule(ScheduleKind::Yearly,
                                   WithTime({in.yearMonth, in.yearDay}, in.yearlyTime));
        case ScheduleKind::Startup:
            return ComposeSchedule(ScheduleKind::Startup, {in.startupHours, in.startupMinutes});
        case ScheduleKind::Interval:
            if (in.intervalMinutes.empty()) return std::nullopt;
            return ComposeSchedule(ScheduleKind::Interval,
                                   WithTime({in.intervalMinutes}, in.intervalStart));
    }
    return std::nullopt;
}

std::vector<std::string> WakeItems() {
    std::vector<std::string> items = {kNoWakeText};
    for (int day = 1; day <= 9; ++day) items.push_back("第" + std::to_string(day) + "天");
    return items;
}

ParameterRow RowFor(int actionIndex, unsigned majorVersion) {
    ParameterRow row;
    row.label = kAttributeLabel;
    switch (actionIndex) {
        case kActRemind:
            row.label = "提醒语：";
            row.items = {"下班时间到。", "要去上班啰。", "该吃饭了。", "该休息一下了。", "放学了。"};
            row.text = row.items.front();
            break;
        case kActOpenFile:
            row.label = "文件:";
            row.hint = kOpenFilePrompt;
            break;
        case kActCloseProgram:
            row.label = "程序：";
            row.hint = kCloseProgramPrompt;
            break;
        case kActDisableAdapter:
        case kActEnableAdapter:
            row.items = {"本地连接", "以太网"};
            // Windows 10 renamed the wired connection.
            row.text = majorVersion < 10 ? row.items[0] : row.items[1];
            break;
        case kActHibernate:
            row.label = "自动开机：";
            row.items = WakeItems();
            row.text = kNoWakeText;
            row.wakePicker = true;
            break;
        default:
            break;
    }
    return row;
}

std::string StoredParameter(int actionIndex, const std::string& text, int wakeHour,
                            int wakeMinute) {
    // Only the exact "不唤醒" is left alone; an empty day text still gets the
    // time, which then reads as a wake choice without a day.
    if (actionIndex == kActHibernate && text != kNoWakeText)
        return ComposeWakeChoice(text, wakeHour, wakeMinute);
    return text;
}

std::string EditorTaskProblem(const std::string& schedule, const std::string& action,
                              const std::string& parameter, const std::string& shortDateFormat,
                              int currentYear) {
    return TaskProblem(TaskRecord{schedule, action, parameter, kEnabledText},
                       ShortDatePicker(shortDateFormat, currentYear));
}

EditorLoad LoadForModify(const std::string& a, const std::string& b, const std::string& c,
                         const std::string& shortDateFormat, int currentYear) {
    EditorLoad load;
    const int index = ActionIndexOf(b);
    load.actionIndex = index < 0 ? 0 : index;
    load.parameterText = c;
    switch (load.actionIndex) {
        case kActRemind:
            load.label = "提醒语：";
            break;
        case kActOpenFile:
            load.label = "文件:";
            load.hint = kOpenFilePrompt;
            break;
        case kActCloseProgram:
            load.label = "程序：";
            load.hint = kCloseProgramPrompt;
            break;
        case kActHibernate: {
            load.label = "自动开机：";
            load.showWakePicker = true;
            load.parameterItems = WakeItems();
            if (!IsNoWake(c)) {
                const WakeParts wake = ParseWakeChoice(c);
                load.parameterText = wake.dayText;
                const std::optional<std::int32_t> h = TryStrToInt(wake.hour);
                const std::optional<std::int32_t> m = TryStrToInt(wake.minute);
                if (h && m && *h >= 0 && *h <= 23 && *m >= 0 && *m <= 59)
                    load.wakeTime = ClockTime{*h, *m};
            }
            break;
        }
        default:
            load.label = kAttributeLabel;
            break;
    }
    load.schedule = LoadSchedule(a, shortDateFormat, currentYear);
    return load;
}

std::string UptimeText(std::uint32_t seconds) {
    return "已开机时间:" + std::to_string(seconds / 3600) + "时" +
           std::to_string(seconds % 3600 / 60) + "分" + std::to_string(seconds % 60) + "秒";
}

}  // namespace vantrel
