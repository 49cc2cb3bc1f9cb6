// The tick's decision over every registry of the build, with a fake clock.
#include <gtest/gtest.h>

#include <functional>

#include "scheduler/tick.h"
#include "tests/registry_fixture.h"

namespace vantrel {
namespace {

using testing::AllBackends;
using testing::BackendFactory;
using testing::RegistryBackend;

const char kKey[] = "\\Software\\Brelnix\\VantrelTickTest";

// Records what the tick asks for, one line per call.
class RecordingHost : public TickHost {
public:
    std::vector<std::string> calls;
    std::function<void()> onReminder;

    void ShowReminder(const std::string& text) override {
        calls.push_back("reminder " + text);
        if (onReminder) onReminder();
    }
    void OpenTaskFile(const std::string& p) override { calls.push_back("open " + p); }
    void CloseProgramByName(const std::string& f) override { calls.push_back("close " + f); }
    void DialDefaultConnection() override { calls.push_back("dial"); }
    void SetNetworkAdapter(const std::string& a, bool enable) override {
        calls.push_back(std::string(enable ? "enable " : "disable ") + a);
    }
    void CleanSystemJunk(bool showList) override {
        calls.push_back(showList ? "clean+list" : "clean");
    }
    bool StartCountdown(const std::string& word, bool closeAll) override {
        calls.push_back("countdown " + word + (closeAll ? " +closeall" : ""));
        return true;
    }
    void SuspendTick() override { calls.push_back("suspend"); }
    int skip = 0;  // the task whose run is skipped
    bool SkipsRun(int n, const std::string&, const LocalTime&) override { return n == skip; }
};

LocalTime At(int hour, int minute, int second = 0) {
    LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 7;
    t.dayOfWeek = 1;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

class Tick : public ::testing::TestWithParam<std::pair<std::string, BackendFactory>> {
protected:
    void SetUp() override {
        backend_ = GetParam().second();
        backend_->DeleteKey(kKey);
        store_.reset(new TaskStore(reg(), kKey));
        store_->StartupLoad(settings_);
    }
    void TearDown() override {
        reg().CloseKey();
        backend_->DeleteKey(kKey);
    }
    Registry& reg() { return backend_->registry(); }

    int Add(const std::string& schedule, const std::string& action, const std::string& param,
            const std::string& enabled = "启用") {
        int n = store_->Append(settings_, schedule, action, param);
        if (enabled != "启用") {
            OpenedKey key(reg(), kKey);
            reg().WriteString(RecordValueName('D', n), enabled);
        }
        return n;
    }
    TickReport RunAt(const LocalTime& t) {
        return RunTick(reg(), kKey, t, env_, settings_, state_, host_);
    }

    std::unique_ptr<RegistryBackend> backend_;
    std::unique_ptr<TaskStore> store_;
    Settings settings_;
    MatchEnv env_;
    TickState state_;
    RecordingHost host_;
};

TEST_P(Tick, NoTasksNoCalls) {
    TickReport r = RunAt(At(17, 30));
    EXPECT_EQ(r.tasksExamined, 0);
    EXPECT_TRUE(host_.calls.empty());
}

TEST_P(Tick, ADailyReminderIsDueThroughoutItsMinuteOnly) {
    Add("每天17时30分", "提醒", "下班时间到。");
    struct Case {
        LocalTime t;
        bool due;
    } cases[] = {{At(17, 29, 59), false}, {At(17, 30, 0), true}, {At(17, 30, 59), true},
                 {At(17, 31, 0), false}, {At(5, 30, 0), false}};
    for (const Case& c : cases) {
        host_.calls.clear();
        RunAt(c.t);
        if (c.due)
            EXPECT_EQ(host_.calls, (std::vector<std::string>{"reminder 下班时间到。", "suspend"}));
        else
            EXPECT_TRUE(host_.calls.empty()) << c.t.hour << ":" << c.t.minute << ":" << c.t.second;
    }
}

// Drives the tick the way the timers do: every 6 seconds, and after a
// suspension the next tick comes 66 seconds later.
TEST_P(Tick, ASuspendingTaskFiresOnceInItsMinute) {
    Add("每天17时30分", "提醒", "x");
    int reminders = 0;
    int second = 17 * 3600 + 29 * 60 + 57;  // a tick phase that does not start on the minute
    while (second < 17 * 3600 + 33 * 60) {
        host_.calls.clear();
        RunAt(At(second / 3600, second / 60 % 60, second % 60));
        bool suspended = false;
        for (const auto& c : host_.calls) {
            if (c.rfind("reminder", 0) == 0) ++reminders;
            if (c == "suspend") suspended = true;
        }
        second += suspended ? 66 : 6;
    }
    EXPECT_EQ(reminders, 1);
}

// A skipped run fires nothing and reads nothing more of its task; the task
// after it runs in the same tick.
TEST_P(Tick, ASkippedRunFiresNothingAndTheNextTaskRuns) {
    Add("每天17时30分", "关闭计算机", "");
    Add("每天17时30分", "提醒", "x");
    host_.skip = 1;
    EXPECT_EQ(RunAt(At(17, 30)).fired, std::vector<int>{2});
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"reminder x", "suspend"}));
}

TEST_P(Tick, OnlyTheExactEnabledTextFires) {
    Add("每天8时0分", "提醒", "disabled", "禁用");
    Add("每天8时0分", "提醒", "trailing blank", "启用 ");
    Add("每天8时0分", "提醒", "leading blank", " 启用");
    Add("每天8时0分", "提醒", "empty", "");
    Add("每天8时0分", "提醒", "on");
    RunAt(At(8, 0));
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"reminder on", "suspend"}));
}

TEST_P(Tick, TextsWithoutAKindAreNeverDue) {
    for (const char* text : {"每", "每日8时0分", "8时0分", "x每天8时0分", "空"}) Add(text, "提醒", text);
    Add("", "提醒", "empty schedule");
    TickReport r = RunAt(At(8, 0));
    EXPECT_TRUE(host_.calls.empty());
    EXPECT_TRUE(r.fired.empty());
    EXPECT_EQ(r.tasksExamined, 6);
}

TEST_P(Tick, SeveralAtOnceTasksRunInTaskOrderInOneTick) {
    Add("每天9时15分", "提醒", "first");
    Add("每天9时15分", "打开文件", "C:\\docs\\报告.doc");
    Add("每天9时15分", "关闭程序", "C:\\Program Files\\App\\Notepad.EXE");
    Add("每天9时15分", "拨号连接", "");
    Add("每天9时15分", "禁用网卡", "本地连接");
    Add("每天9时15分", "启用网卡", "以太网 2");
    state_.pendingAction = "关机";  // left by an earlier, cancelled countdown
    RunAt(At(9, 15, 30));
    EXPECT_EQ(host_.calls,
              (std::vector<std::string>{"reminder first", "suspend", "open C:\\docs\\报告.doc",
                                        "suspend", "close Notepad.EXE", "suspend", "dial",
                                        "suspend", "disable 本地连接", "suspend",
                                        "enable 以太网 2", "suspend"}));
    EXPECT_TRUE(state_.pendingAction.empty());
}

TEST_P(Tick, EachCountdownActionSetsItsWord) {
    const std::pair<const char*, const char*> words[] = {
        {"断开拨号", "断开拨号"}, {"注销计算机", "注销"}, {"待机计算机", "待机"},
        {"休眠计算机", "休眠"},   {"重启计算机", "重启"}, {"关闭计算机", "关机"},
        {"快速重启", "快速重启"}, {"快速关机", "快速关机"},
    };
    for (int closeAll : {0, 1}) {
        settings_.closeAll = closeAll;
        for (const auto& w : words) {
            SetUp();
            settings_.closeAll = closeAll;
            Add("每周1日22时0分", w.first, "第2天7时30分唤醒");
            host_.calls.clear();
            RunAt(At(22, 0));
            bool closes = closeAll == 1 && (std::string(w.second) == "待机" ||
                                            std::string(w.second) == "休眠");
            EXPECT_EQ(host_.calls, (std::vector<std::string>{std::string("countdown ") + w.second +
                                                             (closes ? " +closeall" : "")}));
            EXPECT_EQ(state_.pendingAction, w.second);
            TearDown();
        }
    }
}

TEST_P(Tick, HibernateCarriesItsWakeChoice) {
    state_.wakeChoice = "old";
    Add("每天23时0分", "休眠计算机", "第2天7时30分唤醒");
    RunAt(At(23, 0));
    EXPECT_EQ(state_.wakeChoice, "第2天7时30分唤醒");
    state_.wakeChoice = "old";
    Add("每天23时1分", "关闭计算机", "第3天1时1分唤醒");
    RunAt(At(23, 1));
    EXPECT_EQ(state_.wakeChoice, "old");  // only a hibernate task sets it
}

TEST_P(Tick, CleanupRunsWithoutListAndSuspendsTheTick) {
    Add("每天3时0分", "清理系统垃圾", "");
    state_.pendingAction = "关机";  // left by an earlier, cancelled countdown
    RunAt(At(3, 0));
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"clean", "suspend"}));
    EXPECT_EQ(state_.pendingAction, "关机");
}

TEST_P(Tick, ACountdownKeepsItsActionWhenAnAtOnceTaskFollows) {
    Add("每天22时0分", "关闭计算机", "");
    Add("每天22时0分", "提醒", "later");
    RunAt(At(22, 0));
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"countdown 关机", "reminder later", "suspend"}));
    EXPECT_EQ(state_.pendingAction, "关机");
}

TEST_P(Tick, ALaterCountdownReplacesAnEarlierOne) {
    Add("每天22时0分", "提醒", "first");
    Add("每天22时0分", "关闭计算机", "");
    Add("每天22时0分", "注销计算机", "");
    state_.pendingAction = "stale";
    RunAt(At(22, 0));
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"reminder first", "suspend", "countdown 关机",
                                                     "countdown 注销"}));
    EXPECT_EQ(state_.pendingAction, "注销");
}

TEST_P(Tick, AnUnknownActionFiresNothing) {
    Add("每天22时0分", "关机", "");
    Add("每天22时0分", "", "");
    TickReport r = RunAt(At(22, 0));
    EXPECT_TRUE(host_.calls.empty());
    EXPECT_EQ(r.fired, (std::vector<int>{1, 2}));
}

TEST_P(Tick, TheParameterIsReadJustBeforeItIsUsed) {
    Add("每天6时0分", "提醒", "one");
    Add("每天6时0分", "提醒", "two");
    host_.onReminder = [this] {
        // The first reminder's action rewrites the second task's parameter
        // while the tick still has the key open.
        reg().WriteString("C2", "rewritten");
    };
    RunAt(At(6, 0));
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"reminder one", "suspend", "reminder rewritten",
                                                     "suspend"}));
}

TEST_P(Tick, ARecordOfTheWrongTypeIsSkippedAndLaterTasksStillRun) {
    Add("每天7时0分", "提醒", "first");
    Add("每天7时0分", "提醒", "second");
    Add("每天7时0分", "提醒", "third");
    Add("每天7时0分", "提醒", "fourth");
    std::string dword("\x07\0\0\0", 4);
    backend_->PlantRaw(kKey, "A1", testing::kRawDword, dword);
    backend_->PlantRaw(kKey, "D2", testing::kRawBinary, "xx");
    backend_->PlantRaw(kKey, "C3", testing::kRawMultiSz, std::string("a\0\0", 3));
    TickReport r = RunAt(At(7, 0));
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"reminder fourth", "suspend"}));
    ASSERT_EQ(r.skipped.size(), 3u);
    EXPECT_EQ(r.skipped[0], "#1: Invalid data type for 'A1'");
    EXPECT_EQ(r.skipped[2], "#3: Invalid data type for 'C3'");
}

TEST_P(Tick, FieldsThatDoNotConvertAreNotDueAndDoNotStopTheTick) {
    Add("空闲分钟", "提醒", "a");
    Add("每隔0分开始7时0分", "提醒", "b");
    Add("每周x日7时0分", "提醒", "c");
    Add("每天7时0分", "提醒", "d");
    RunAt(At(7, 0));
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"reminder d", "suspend"}));
}

TEST_P(Tick, ACorruptTaskCountIsBoundedByTheStoredRecords) {
    Add("每天7时0分", "提醒", "one");
    Add("每天7时0分", "提醒", "two");
    settings_.taskCount = 2147483647;
    TickReport r = RunAt(At(7, 0));
    EXPECT_EQ(r.tasksExamined, 2);
    EXPECT_EQ(host_.calls.size(), 4u);
    settings_.taskCount = -1;
    host_.calls.clear();
    EXPECT_EQ(RunAt(At(7, 0)).tasksExamined, 0);
    EXPECT_TRUE(host_.calls.empty());
}

TEST_P(Tick, AnUnreadableWakeChoiceChangesNoPendingAction) {
    // An earlier countdown of the same tick keeps its action; without one the
    // pending action stays as it was, never a stale "休眠".
    struct Case {
        bool earlierCountdown;
        std::vector<std::string> calls;
        const char* pending;
    };
    const Case cases[] = {{true, {"countdown 关机"}, "关机"}, {false, {}, ""}};
    for (const Case& c : cases) {
        SetUp();
        if (c.earlierCountdown) Add("每天22时0分", "关闭计算机", "");
        int n = Add("每天22时0分", "休眠计算机", "第2天7时30分唤醒");
        backend_->PlantRaw(kKey, RecordValueName('C', n), testing::kRawDword,
                           std::string("\x01\0\0\0", 4));
        host_.calls.clear();
        state_ = TickState();
        TickReport r = RunAt(At(22, 0));
        EXPECT_EQ(host_.calls, c.calls);
        EXPECT_EQ(state_.pendingAction, c.pending);
        EXPECT_EQ(r.skipped.size(), 1u);
        TearDown();
    }
}

// TaskNum as a hand or another program may leave it, with records A1-D3
// due now: start-up recovers the count from the records.
struct StoredCount {
    const char* name;
    testing::RawType type;  // 0: missing
    std::string bytes;
    bool reported;          // one error box at start-up
};

std::vector<StoredCount> DamagedCounts() {
    return {{"missing", testing::RawType(0), "", false},
            {"text", testing::kRawSz, std::string("3\0", 2), true},
            {"binary", testing::kRawBinary, std::string("\x03\0\0\0", 4), true},
            {"negative", testing::kRawDword, std::string("\xff\xff\xff\xff", 4), false},
            {"huge", testing::kRawDword, std::string("\xff\xff\xff\x7f", 4), false}};
}

// With a stray record value far above the records too, no scan walks up to
// it, and a loop index never runs past its end.
TEST_P(Tick, ADamagedTaskCountIsRecoveredFromTheRecords) {
    for (const char* stray : {"", "A100000001", "A2147483647"}) {
        for (const StoredCount& c : DamagedCounts()) {
            SetUp();
            for (const char* text : {"one", "two", "three"}) Add("每天7时0分", "提醒", text);
            if (*stray) backend_->PlantRaw(kKey, stray, testing::kRawSz, std::string("每天7时0分\0", 11));
            {
                OpenedKey key(reg(), kKey);
                reg().DeleteValue("TaskNum");
            }
            if (c.type) backend_->PlantRaw(kKey, "TaskNum", c.type, c.bytes);
            const std::string what = std::string(stray) + " " + c.name;
            settings_ = Settings();
            StartupResult loaded = store_->StartupLoad(settings_);
            // The stray value lies above the count: reported once too.
            EXPECT_EQ(loaded.errors.size(), (c.reported ? 1u : 0u) + (*stray ? 1u : 0u)) << what;
            EXPECT_EQ(settings_.taskCount, 3) << what;
            {
                OpenedKey key(reg(), kKey);
                // A missing count is written; any other is left until the next write.
                if (!c.type) {
                    EXPECT_EQ(reg().ReadInteger("TaskNum"), 3);
                } else {
                    EXPECT_EQ(reg().TypeOf("TaskNum") == ValueType::DWord,
                              c.type == testing::kRawDword) << what;
                }
            }
            TickReport r = RunAt(At(7, 0));
            EXPECT_EQ(r.tasksExamined, 3) << what;
            EXPECT_EQ(r.fired, (std::vector<int>{1, 2, 3})) << what;
            EXPECT_EQ(store_->LoadSettings(settings_, "").tasks.size(), 3u) << what;
            // A count copy corrupted after start-up is bounded the same way.
            Settings corrupt = settings_;
            corrupt.taskCount = 2147483647;
            EXPECT_EQ(RunTick(reg(), kKey, At(7, 0), env_, corrupt, state_, host_).tasksExamined, 3)
                << what;
            EXPECT_EQ(store_->LoadSettings(corrupt, "").tasks.size(), 3u) << what;
            EXPECT_EQ(store_->Append(settings_, "每天8时0分", "提醒", "four"), 4) << what;
            EXPECT_EQ(store_->ReadRecord(3).parameter, "three") << what;
            {
                OpenedKey key(reg(), kKey);
                EXPECT_EQ(reg().ReadInteger("TaskNum"), 4) << what;
            }
            TearDown();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Registries, Tick, ::testing::ValuesIn(AllBackends()),
                         [](const ::testing::TestParamInfo<Tick::ParamType>& info) {
                             return info.param.first;
                         });

}  // namespace
}  // namespace vantrel
