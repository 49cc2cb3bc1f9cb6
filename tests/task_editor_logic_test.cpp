#include "ui/task_editor_logic.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/schedule_check.h"
#include "store/task_record.h"
#include "tests/cli_test_env.h"
#include "tests/schedule_text_cases.h"

namespace vantrel {
namespace {

const char kFormat[] = "yyyy/M/d";
const std::string kOpenPrompt = "可以打开mp3文件，程序，网址，电影视频等";
const std::string kClosePrompt = "在此输入程序的文件名或按浏览。";

struct ComposeCase {
    const char* name;
    ScheduleInputs inputs;
    std::string expected;  // under kFormat
};

std::vector<ComposeCase> ComposeCases() {
    std::vector<ComposeCase> cases;
    auto add = [&](const char* name, ScheduleKind kind, auto fill, const std::string& expected) {
        ScheduleInputs in;
        in.checked = kind;
        fill(in);
        cases.push_back({name, in, expected});
    };
    using K = ScheduleKind;
    add("idle", K::Idle, [](ScheduleInputs& in) { in.idleMinutes = "05"; }, "空闲05分钟");
    add("idle, empty box", K::Idle, [](ScheduleInputs&) {}, "<none>");
    add("once", K::Once, [](ScheduleInputs& in) { in.onceDate = {2018, 4, 13}; in.onceTime = {23, 5}; },
        "一次2018/4/13日23时5分");
    add("daily", K::Daily, [](ScheduleInputs& in) { in.dailyTime = {8, 0}; }, "每天8时0分");
    add("weekly, typed day", K::Weekly,
        [](ScheduleInputs& in) { in.weekday = "abc"; in.weeklyTime = {17, 30}; }, "每周abc日17时30分");
    add("monthly", K::Monthly, [](ScheduleInputs& in) { in.monthDay = "31"; in.monthlyTime = {9, 5}; },
        "每月31日9时5分");
    add("yearly", K::Yearly,
        [](ScheduleInputs& in) { in.yearMonth = "12"; in.yearDay = "25"; in.yearlyTime = {0, 59}; },
        "每年12月25日0时59分");
    add("start-up", K::Startup,
        [](ScheduleInputs& in) { in.startupHours = "01"; in.startupMinutes = "90"; }, "开机01时90分");
    add("start-up, empty boxes", K::Startup, [](ScheduleInputs&) {}, "开机0时0分");
    add("start-up, empty hours", K::Startup, [](ScheduleInputs& in) { in.startupMinutes = "7"; },
        "开机0时7分");
    add("interval", K::Interval,
        [](ScheduleInputs& in) { in.intervalMinutes = "45"; in.intervalStart = {8, 0}; },
        "每隔45分开始8时0分");
    add("interval, zero period", K::Interval, [](ScheduleInputs& in) { in.intervalMinutes = "0"; },
        "每隔0分开始0时0分");
    return cases;
}

TEST(TaskEditorCompose, EveryKind) {
    for (const ComposeCase& c : ComposeCases())
        EXPECT_EQ(ComposeScheduleText(c.inputs, kFormat).value_or("<none>"), c.expected) << c.name;
}

TEST(TaskEditorCompose, DateFollowsTheFormat) {
    ScheduleInputs in;
    in.checked = ScheduleKind::Once;
    in.onceDate = {2018, 4, 3};
    EXPECT_EQ(ComposeScheduleText(in, "yyyy-MM-dd").value_or(""), "一次2018-04-03日0时0分");
    EXPECT_EQ(ComposeScheduleText(in, "d.M.yyyy").value_or(""), "一次3.4.2018日0时0分");
}

TEST(TaskEditorCompose, NoRowOrNoIntervalPeriodGivesNothing) {
    ScheduleInputs in;
    in.idleMinutes = "30";
    in.intervalMinutes = "5";
    EXPECT_FALSE(ComposeScheduleText(in, kFormat).has_value());
    in.checked = ScheduleKind::Interval;
    in.intervalMinutes = "";
    EXPECT_FALSE(ComposeScheduleText(in, kFormat).has_value());
}

TEST(TaskEditorCompose, NormalisingFillsOnlyTheCheckedStartupBoxes) {
    ScheduleInputs in;
    in.checked = ScheduleKind::Startup;
    in.startupMinutes = "07";
    EXPECT_EQ(NormalisedInputs(in).startupHours, "0");
    EXPECT_EQ(NormalisedInputs(in).startupMinutes, "07");
    in.checked = ScheduleKind::Idle;
    EXPECT_EQ(NormalisedInputs(in).startupHours, "");
    EXPECT_EQ(NormalisedInputs(in).idleMinutes, "");
}

// ------------------------------------------------------------ parameter row

TEST(TaskEditorParameterRow, EveryAction) {
    const struct {
        int index;
        std::string label;
        std::size_t items;
        std::string text, hint;
        bool wake;
    } cases[] = {
        {kActRemind, "提醒语：", 5, "下班时间到。", "", false},
        {kActOpenFile, "文件:", 0, "", kOpenPrompt, false},
        {kActCloseProgram, "程序：", 0, "", kClosePrompt, false},
        {kActHangUp, "属性：", 0, "", "", false},
        {kActDial, "属性：", 0, "", "", false},
        {kActLogOff, "属性：", 0, "", "", false},
        {kActStandby, "属性：", 0, "", "", false},
        {kActHibernate, "自动开机：", 10, "不唤醒", "", true},
        {kActRestart, "属性：", 0, "", "", false},
        {kActShutDown, "属性：", 0, "", "", false},
        {kActFastRestart, "属性：", 0, "", "", false},
        {kActFastShutDown, "属性：", 0, "", "", false},
        {kActCleanJunk, "属性：", 0, "", "", false},
        {kActDisableAdapter, "属性：", 2, "本地连接", "", false},
        {kActEnableAdapter, "属性：", 2, "本地连接", "", false},
    };
    for (const auto& c : cases) {
        const ParameterRow row = RowFor(c.index, 6);
        EXPECT_EQ(row.label, c.label) << c.index;
        EXPECT_EQ(row.items.size(), c.items) << c.index;
        EXPECT_EQ(row.text, c.text) << c.index;
        EXPECT_EQ(row.hint, c.hint) << c.index;
        EXPECT_EQ(row.wakePicker, c.wake) << c.index;
    }
    EXPECT_EQ(RowFor(kActRemind, 6).items.back(), "放学了。");
    EXPECT_EQ(RowFor(kActHibernate, 6).items, WakeItems());
    EXPECT_EQ(WakeItems().back(), "第9天");
}

TEST(TaskEditorParameterRow, LabelColonsAreByteExact) {
    // "文件:" ends in an ASCII colon, the others in the full-width A3 BA.
    EXPECT_EQ(RowFor(kActOpenFile, 6).label, "\xCE\xC4\xBC\xFE:");
    EXPECT_EQ(RowFor(kActRemind, 6).label, "\xCC\xE1\xD0\xD1\xD3\xEF\xA3\xBA");
    EXPECT_EQ(RowFor(kActCloseProgram, 6).label, "\xB3\xCC\xD0\xF2\xA3\xBA");
    EXPECT_EQ(RowFor(kActHibernate, 6).label, "\xD7\xD4\xB6\xAF\xBF\xAA\xBB\xFA\xA3\xBA");
}

TEST(TaskEditorParameterRow, AdapterNameFollowsTheSystemVersion) {
    for (unsigned major : {5u, 6u, 9u, 10u, 11u}) {
        const std::string expected = major < 10 ? "本地连接" : "以太网";
        EXPECT_EQ(RowFor(kActDisableAdapter, major).text, expected) << major;
        EXPECT_EQ(RowFor(kActEnableAdapter, major).text, expected) << major;
    }
}

TEST(TaskEditorStoredParameter, WakeTimeOnlyForHibernateOtherThanNoWake) {
    const struct {
        int index;
        std::string text, expected;
    } cases[] = {
        {kActHibernate, "第3天", "第3天6时15分唤醒"},
        {kActHibernate, "不唤醒", "不唤醒"},
        {kActHibernate, "", "6时15分唤醒"},
        {kActHibernate, "不唤醒 ", "不唤醒 6时15分唤醒"},
        {kActRemind, "第3天", "第3天"},
        {kActShutDown, "", ""},
        {-1, "x", "x"},
    };
    for (const auto& c : cases) EXPECT_EQ(StoredParameter(c.index, c.text, 6, 15), c.expected) << c.text;
}

// ------------------------------------------------------------ OK's check

// OK stores a task only when the store's check takes it, and says why not
// in the words vantrelctl add uses for the same task: one check, so a task
// this machine stores is one another machine's import takes.
TEST(TaskEditorCheck, OkStoresWhatAddTakesAndSaysWhatAddSays) {
    const struct {
        const char* name;
        int action;         // -1: no 任务类型 chosen
        const char* typed;  // nullptr: the row as the action's change left it
        const char* says;   // empty: stored
    } cases[] = {
        {"open file, prompt left alone", kActOpenFile, nullptr, "打开文件 需要属性（文件）"},
        {"close program, prompt left alone", kActCloseProgram, nullptr, "关闭程序 需要属性（程序）"},
        {"close program, name typed", kActCloseProgram, "notepad.exe", ""},
        {"reminder, proposed text kept", kActRemind, nullptr, ""},
        {"reminder, text cleared", kActRemind, "", "提醒 需要属性（提醒语）"},
        {"shut down, nothing typed", kActShutDown, nullptr, ""},
        {"shut down, a parameter typed", kActShutDown, "abc", "关闭计算机 不带属性"},
        {"no action chosen", -1, nullptr, "任务“”不是以下之一："},
        {"hibernate, a day chosen", kActHibernate, "第3天", ""},
        {"hibernate, a day typed wrong", kActHibernate, "第10天", "第N天H时M分唤醒"},
        {"adapter, proposed name kept", kActDisableAdapter, nullptr, ""},
        {"adapter, a quote typed", kActEnableAdapter, "本地\"连接", "netsh"},
    };
    const std::string schedule = "每天8时0分";
    for (const auto& c : cases) {
        const std::string action = c.action < 0 ? "" : kActionNames[c.action];
        const std::string shown = c.typed ? c.typed : c.action < 0 ? "" : RowFor(c.action, 6).text;
        const std::string parameter = StoredParameter(c.action, shown, 6, 15);
        const std::string problem = EditorTaskProblem(schedule, action, parameter, kFormat, 2026);
        EXPECT_EQ(problem.empty(), std::string(c.says).empty()) << c.name << ": " << problem;
        EXPECT_NE(problem.find(c.says), std::string::npos) << c.name << ": " << problem;

        testing::TestEnv env;
        const testing::CliRun add = testing::Ctl(
            env, {"add", "--schedule", schedule, "--action", action, "--param", parameter, "--file", "t.reg"});
        EXPECT_EQ(add.status == 0, problem.empty()) << c.name << ": " << add.err;
        if (!problem.empty()) {
            EXPECT_EQ(add.err.rfind("vantrelctl: " + problem, 0), 0u) << c.name << ": " << add.err;
        }
    }
}

// The prompts of 打开文件 and 关闭程序 say what to type; a row never holds
// its own prompt as its text, whatever the action or the system.
TEST(TaskEditorCheck, NoRowProposesItsPromptAsTheValue) {
    for (unsigned major : {5u, 6u, 10u}) {
        for (int i = 0; i < kActionCount; ++i) {
            const ParameterRow row = RowFor(i, major);
            if (!row.hint.empty()) {
                EXPECT_NE(row.text, row.hint) << kActionNames[i];
            }
            for (const std::string& item : row.items) EXPECT_NE(item, row.hint) << kActionNames[i];
        }
    }
}

// A schedule the editor's pickers cannot write is refused like add refuses
// it (a hand-edited record loaded for a modify still goes through the
// pickers, so this guards the check's reach rather than the composing).
TEST(TaskEditorCheck, ScheduleProblemsComeFromTheGrammar) {
    for (const testing::ScheduleTextCase& c : testing::ScheduleTextCases()) {
        const std::string problem = EditorTaskProblem(c.text, "关闭计算机", "", kFormat, 2026);
        EXPECT_EQ(problem.empty(), c.stored) << c.text << ": " << problem;
        if (!c.stored) {
            EXPECT_NE(problem.find(c.says), std::string::npos) << c.text << ": " << problem;
        }
    }
}

// ------------------------------------------------------------ loading

TEST(TaskEditorLoad, ActionRowPerAction) {
    for (int i = -1; i < kActionCount; ++i) {
        const std::string name = i < 0 ? "shutdown" : kActionNames[i];
        const EditorLoad load = LoadForModify("每天1时2分", name, "p", kFormat, 2024);
        const int index = i < 0 ? 0 : i;
        EXPECT_EQ(load.actionIndex, index) << name;
        const std::string label = index == kActRemind        ? "提醒语："
                                  : index == kActOpenFile     ? "文件:"
                                  : index == kActCloseProgram ? "程序："
                                  : index == kActHibernate    ? "自动开机："
                                                              : "属性：";
        EXPECT_EQ(load.label, label) << name;
        const std::string hint = index == kActOpenFile ? kOpenPrompt
                                 : index == kActCloseProgram ? kClosePrompt
                                                             : "<unchanged>";
        EXPECT_EQ(load.hint.value_or("<unchanged>"), hint) << name;
        EXPECT_EQ(load.showWakePicker, index == kActHibernate) << name;
        EXPECT_EQ(load.parameterItems.size(), index == kActHibernate ? 10u : 0u) << name;
        // The stored parameter, not the action's proposal.
        EXPECT_EQ(load.parameterText, "p") << name;
    }
}

TEST(TaskEditorLoad, WakeChoices) {
    const struct {
        std::string stored, shown;
        std::optional<ClockTime> time;
    } cases[] = {
        {"不唤醒", "不唤醒", std::nullopt},
        {"", "", std::nullopt},
        {"第3天6时15分唤醒", "第3天", ClockTime{6, 15}},
        {"第3天", "第3天", std::nullopt},
        {"第3天25时0分唤醒", "第3天", std::nullopt},
        {"第3天6时x分唤醒", "第3天", std::nullopt},
        {"abc", "abc", std::nullopt},
    };
    for (const auto& c : cases) {
        const EditorLoad load = LoadForModify("", "休眠计算机", c.stored, kFormat, 2024);
        EXPECT_EQ(load.parameterText, c.shown) << c.stored;
        EXPECT_EQ(load.wakeTime.value_or(ClockTime{-1, -1}), c.time.value_or(ClockTime{-1, -1}))
            << c.stored;
        EXPECT_TRUE(load.showWakePicker);
    }
}

TEST(TaskEditorLoad, FieldsGoToTheirBoxes) {
    const ScheduleLoad weekly = LoadForModify("每周7日8时0分", "", "", kFormat, 2024).schedule;
    EXPECT_EQ(weekly.checked, ScheduleKind::Weekly);
    EXPECT_EQ(weekly.weekday.value_or(""), "0");  // Sunday comes back as 0
    EXPECT_EQ(weekly.weeklyTime.value_or(ClockTime{}), (ClockTime{8, 0}));
    EXPECT_FALSE(weekly.monthDay || weekly.dailyTime || weekly.idleMinutes || weekly.onceDate);

    const ScheduleLoad yearly = LoadForModify("每年12月25日8时0分", "", "", kFormat, 2024).schedule;
    EXPECT_EQ(yearly.yearMonth.value_or(""), "12");
    EXPECT_EQ(yearly.yearDay.value_or(""), "25");

    // Written under another date format, the date no longer reads; the time does.
    const ScheduleLoad once = LoadForModify("一次2018-04-13日9时0分", "", "", kFormat, 2024).schedule;
    EXPECT_EQ(once.checked, ScheduleKind::Once);
    EXPECT_FALSE(once.onceDate.has_value());
    EXPECT_EQ(once.onceTime.value_or(ClockTime{}), (ClockTime{9, 0}));
}

TEST(TaskEditorLoad, TextsOffTheGrammarLoadWhatReads) {
    const struct {
        std::string a;
        ScheduleKind checked;
    } cases[] = {
        {"", ScheduleKind::None},           {"x", ScheduleKind::None},
        {"\xC3", ScheduleKind::None},       {"hello", ScheduleKind::None},
        {"每天", ScheduleKind::Daily},      {"每天25时0分", ScheduleKind::Daily},
        {"每天8时", ScheduleKind::Daily},   {"每天8时x分", ScheduleKind::Daily},
        {"每天-1时0分", ScheduleKind::Daily}, {"一次日时分", ScheduleKind::Once},
        {"一次2018/13/40日99时9分", ScheduleKind::Once}, {"每隔45", ScheduleKind::Interval},
    };
    for (const auto& c : cases) {
        EditorLoad load;
        ASSERT_NO_THROW(load = LoadForModify(c.a, "nonsense", "\xC3", kFormat, 2024)) << c.a;
        EXPECT_EQ(load.schedule.checked, c.checked) << c.a;
        EXPECT_FALSE(load.schedule.dailyTime || load.schedule.onceTime || load.schedule.onceDate ||
                     load.schedule.intervalStart)
            << c.a;
    }
}

TEST(TaskEditorLoad, RandomTextsNeverThrow) {
    // Hand-edited or damaged records: kind words followed by random bytes,
    // the unit words' lead bytes among them, cut anywhere.
    const std::vector<std::string> starts = {"空闲", "一次", "每天", "每周", "每月",
                                             "每年", "开机", "每隔", "第", ""};
    const unsigned char alphabet[] = {'0', '1', '9', '-', '/', ' ', 'a',  0xB7, 0xD6, 0xCA,
                                      0xB1, 0xC8, 0xD5, 0xD4, 0xC2, 0xCC, 0xEC, 0xFF, 0x00};
    std::mt19937 random(12345);
    for (int i = 0; i < 3000; ++i) {
        std::string text = starts[random() % starts.size()];
        for (int k = static_cast<int>(random() % 16); k > 0; --k)
            text += static_cast<char>(alphabet[random() % sizeof alphabet]);
        EXPECT_NO_THROW(LoadForModify(text, "休眠计算机", text, kFormat, 2024)) << text;
        EXPECT_NO_THROW(LoadForModify(text, "提醒", text, "dd.MM.yy", 2024)) << text;
    }
}

// ------------------------------------------------------------ round trips

// What the window does with a load: fields it fills replace the inputs.
ScheduleInputs Reloaded(const ScheduleLoad& load) {
    ScheduleInputs in;
    in.checked = load.checked;
    in.idleMinutes = load.idleMinutes.value_or("?");
    in.intervalMinutes = load.intervalMinutes.value_or("?");
    in.startupHours = load.startupHours.value_or("?");
    in.startupMinutes = load.startupMinutes.value_or("?");
    in.weekday = load.weekday.value_or("?");
    in.monthDay = load.monthDay.value_or("?");
    in.yearMonth = load.yearMonth.value_or("?");
    in.yearDay = load.yearDay.value_or("?");
    in.onceDate = load.onceDate.value_or(Date{1, 1, 1});
    const ClockTime none{-1, -1};
    in.onceTime = load.onceTime.value_or(none);
    in.dailyTime = load.dailyTime.value_or(none);
    in.weeklyTime = load.weeklyTime.value_or(none);
    in.monthlyTime = load.monthlyTime.value_or(none);
    in.yearlyTime = load.yearlyTime.value_or(none);
    in.intervalStart = load.intervalStart.value_or(none);
    return in;
}

TEST(TaskEditorRoundTrip, ComposeThenLoadGivesTheSameText) {
    for (const char* format : {"yyyy/M/d", "yyyy-MM-dd", "dd.MM.yyyy"}) {
        for (const ComposeCase& c : ComposeCases()) {
            if (c.expected == "<none>") continue;  // nothing is stored to load
            const std::string text = *ComposeScheduleText(c.inputs, format);
            const EditorLoad load = LoadForModify(text, "提醒", "", format, 2024);
            EXPECT_EQ(load.schedule.checked, c.inputs.checked) << c.name;
            EXPECT_EQ(ComposeScheduleText(Reloaded(load.schedule), format).value_or("<none>"), text)
                << c.name << " in " << format;
        }
    }
}

// A text the editor can store is one that its load and OK give back
// unchanged, with the digit-only boxes holding digits; the same table
// decides what vantrelctl takes.
TEST(TaskEditorRoundTrip, StorableTextsAreExactlyTheSharedTablesStoredOnes) {
    for (const testing::ScheduleTextCase& c : testing::ScheduleTextCases()) {
        const EditorLoad load = LoadForModify(c.text, "提醒", "", kFormat, 2026);
        ScheduleInputs in = NormalisedInputs(Reloaded(load.schedule));
        // A Sunday loads as "0"; the list's own item for it is "7".
        if (in.weekday == "0" && std::string(c.text).find("每周7日") == 0) in.weekday = "7";
        std::vector<std::string> boxes;
        if (in.checked == ScheduleKind::Idle) boxes = {in.idleMinutes};
        if (in.checked == ScheduleKind::Interval) boxes = {in.intervalMinutes};
        if (in.checked == ScheduleKind::Startup) boxes = {in.startupHours, in.startupMinutes};
        bool digits = true;
        for (const std::string& box : boxes)
            digits = digits && box.find_first_not_of("0123456789") == std::string::npos;
        const bool stored = digits && ComposeScheduleText(in, kFormat) == std::optional<std::string>(c.text);
        EXPECT_EQ(stored, c.stored) << c.text;
        // The grammar's own judgement agrees with the editor.
        const std::string problem = ScheduleTextProblem(c.text, [](const std::string& field) {
            const std::optional<Date> date = ReadShortDate(field, kFormat, 2026);
            return date ? std::optional<std::string>(FormatShortDate(*date, kFormat)) : std::nullopt;
        });
        EXPECT_EQ(problem.empty(), c.stored) << c.text << ": " << problem;
    }
}

TEST(TaskEditorRoundTrip, WakeChoice) {
    for (int day = 1; day <= 9; ++day) {
        const std::string dayText = "第" + std::to_string(day) + "天";
        const std::string stored = StoredParameter(kActHibernate, dayText, day + 10, day * 6);
        const EditorLoad load = LoadForModify("", "休眠计算机", stored, kFormat, 2024);
        ASSERT_TRUE(load.wakeTime.has_value()) << stored;
        EXPECT_EQ(load.parameterText, dayText);
        EXPECT_EQ(StoredParameter(load.actionIndex, load.parameterText, load.wakeTime->hour,
                                  load.wakeTime->minute),
                  stored);
    }
}

TEST(TaskEditorUptime, HoursRunPastADay) {
    EXPECT_EQ(UptimeText(0), "已开机时间:0时0分0秒");
    EXPECT_EQ(UptimeText(26 * 3600 + 5 * 60 + 9), "已开机时间:26时5分9秒");
    EXPECT_EQ(UptimeText(4294967u), "已开机时间:1193时2分47秒");  // the tick count's last second
}

}  // namespace
}  // namespace vantrel
