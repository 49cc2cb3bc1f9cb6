// The task editor driven through its controls and handlers, on the real
// registry under Wine, with a task list that records what the editor does
// to it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "app/startup_win.h"
#include "scheduler/clock.h"
#include "registry/registry_win.h"
#include "tests/main_window_fixture_win.h"
#include "text/codepage_win.h"
#include "tests/recording_system_ops.h"
#include "ui/task_editor_win.h"
#include "ui/task_list_link_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelTaskEditorTest";
using E = TaskEditor;

// The settings window's list as the editor sees it.
class FakeTaskList : public TaskListLink {
public:
    std::vector<std::string> captions;  // rows present, in list order
    std::vector<std::pair<int, TaskRecord>> appended;
    std::vector<std::pair<int, TaskRecord>> written;  // every row appended or rewritten
    int readAgain = 0;
    std::function<void()> whileAppending;  // the editor is still there

    void ReplaceRow(int number, const TaskRecord& shown, const TaskRecord& stored) override {
        if (std::find(captions.begin(), captions.end(), std::to_string(number)) == captions.end()) {
            AppendRow(number, shown, stored);
            return;
        }
        written.push_back({number, shown});
    }
    void AppendRow(int number, const TaskRecord& shown, const TaskRecord&) override {
        captions.push_back(std::to_string(number));
        appended.push_back({number, shown});
        written.push_back({number, shown});
        if (whileAppending) whileAppending();
    }
    void ReadTasksAgain() override { ++readAgain; }
};

struct Box {
    std::string text, caption;
    UINT type;
};

class TaskEditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        WinRegistry::DeleteTree(kKey);
        SetMessageBoxHook([this](const char* text, const char* caption, UINT type) {
            boxes_.push_back({text, caption, type});
            return IDOK;
        });
        SetCurrentTaskList(&list_);
    }
    void TearDown() override {
        OwnedForms::ReleaseAll();
        main_.reset();
        SetCurrentTaskList(nullptr);
        SetMessageBoxHook(nullptr);
        WinRegistry::DeleteTree(kKey);
    }

    void StartWith(const std::vector<TaskRecord>& records) {
        testing::StoreRecords(kKey, records);
        for (size_t i = 0; i < records.size(); ++i) list_.captions.push_back(std::to_string(i + 1));
        main_ = testing::StartTestMainWindow(kKey);
        ASSERT_NE(main_, nullptr);
    }

    // What the settings window's add does.
    E* Add() {
        E* e = E::Open(*main_);
        EXPECT_NE(e, nullptr);
        e->SetPickersToNow(true);
        PumpMessages();
        return e;
    }
    // What the settings window's modify does for record n.
    E* Modify(int n) {
        E* e = E::Open(*main_);
        EXPECT_NE(e, nullptr);
        e->SetPickersToNow(false);
        const TaskRecord r = Record(n);
        e->LoadForModify(n, r);
        PumpMessages();
        return e;
    }

    static void Check(E* e, int radio) { SendMessageA(e->control(radio), BM_CLICK, 0, 0); }
    static bool Checked(E* e, int id) {
        return SendMessageA(e->control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    static void ChooseAction(E* e, int index) {
        SendMessageA(e->control(E::kComboBox5), CB_SETCURSEL, index, 0);
        e->ComboBox5Change();
    }
    static bool Shown(E* e, int id) {
        return (GetWindowLongA(e->control(id), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    static std::string Text(E* e, int id) { return WindowText(e->control(id)); }
    static std::vector<std::string> Items(E* e, int id) {
        std::vector<std::string> items;
        const int count = static_cast<int>(SendMessageA(e->control(id), CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t buffer[128] = {0};
            SendMessageW(e->control(id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
            items.push_back(Narrow(buffer));
        }
        return items;
    }

    TaskRecord Record(int n) {
        WinRegistry reg;
        reg.OpenKey(kKey, false);
        return {reg.ReadString(RecordValueName('A', n)), reg.ReadString(RecordValueName('B', n)),
                reg.ReadString(RecordValueName('C', n)), reg.ReadString(RecordValueName('D', n))};
    }
    std::int32_t TaskNum() {
        WinRegistry reg;
        reg.OpenKey(kKey, false);
        return reg.ReadInteger("TaskNum");
    }
    // Every value of the key with its text, to show that nothing changed.
    std::vector<std::string> Snapshot() {
        WinRegistry reg;
        reg.OpenKey(kKey, false);
        std::vector<std::string> out;
        for (const std::string& name : reg.ValueNames()) {
            out.push_back(name + "=" + (reg.TypeOf(name) == ValueType::DWord
                                            ? std::to_string(reg.ReadInteger(name))
                                            : reg.ReadString(name)));
        }
        return out;
    }

    testing::RecordingSystemOps ops_;
    std::unique_ptr<MainWindow> main_;
    FakeTaskList list_;
    std::vector<Box> boxes_;
};

const std::vector<TaskRecord> kThree = {
    {"每天17时30分", "提醒", "下班时间到。", "启用"},
    {"空闲30分钟", "关闭计算机", "", "禁用"},
    {"每周1日9时0分", "禁用网卡", "本地连接", "启用"},
};

// ------------------------------------------------------------ the window

TEST_F(TaskEditorWindow, OpensAsLaidDown) {
    StartWith({});
    E* e = Add();
    char cls[16] = {0};
    GetClassNameA(e->hwnd(), cls, sizeof cls);
    EXPECT_STREQ(cls, "TForm5");
    EXPECT_EQ(WindowText(e->hwnd()), "任务");
    RECT client;
    GetClientRect(e->hwnd(), &client);
    EXPECT_EQ(client.right, 422);
    // Taller by the prompt's label where no cue shows (common controls 5, XP).
    EXPECT_EQ(client.bottom, GetDlgItem(e->hwnd(), E::kLabel13) ? 338 + 16 : 338);
    const LONG style = GetWindowLongA(e->hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(e->IsVisible());

    const std::vector<std::pair<int, std::string>> texts = {
        {E::kRadioButton1, "空闲"}, {E::kRadioButton2, "一次"}, {E::kRadioButton3, "每天"},
        {E::kRadioButton4, "每周"}, {E::kRadioButton5, "每月"}, {E::kRadioButton6, "每年"},
        {E::kRadioButton7, "开机"}, {E::kRadioButton8, "每隔"}, {E::kLabel1, "分钟"},
        {E::kLabel10, "日"},        {E::kLabel3, "月"},         {E::kLabel7, "时"},
        {E::kLabel8, "分"},         {E::kLabel12, "开始"},      {E::kLabel5, "任务类型(&K):"},
        {E::kLabel6, "提醒语:"},    {E::kButton1, "浏览"},      {E::kButton2, "确定(&O)"},
        {E::kButton3, "取消(&C)"},  {E::kComboBox1, "1"},       {E::kComboBox4, "1"},
        {E::kEdit3, ""},            {E::kComboBox6, ""},
    };
    for (const auto& t : texts) EXPECT_EQ(Text(e, t.first), t.second) << t.first;
    for (int id = E::kRadioButton1; id <= E::kRadioButton8; ++id) EXPECT_FALSE(Checked(e, id));

    EXPECT_EQ(Items(e, E::kComboBox1).size(), 7u);
    EXPECT_EQ(Items(e, E::kComboBox2).back(), "31");
    EXPECT_EQ(Items(e, E::kComboBox3).back(), "12");
    EXPECT_TRUE(Items(e, E::kComboBox6).empty());
    const std::vector<std::string> actions = Items(e, E::kComboBox5);
    ASSERT_EQ(actions.size(), 15u);
    for (int i = 0; i < kActionCount; ++i) EXPECT_EQ(actions[i], kActionNames[i]);
    EXPECT_EQ(SendMessageA(e->control(E::kComboBox5), CB_GETCURSEL, 0, 0), CB_ERR);

    EXPECT_EQ(Text(e, E::kLabel9).rfind("已开机时间:", 0), 0u);
    EXPECT_FALSE(Shown(e, E::kDateTimePicker8));
    EXPECT_TRUE(Shown(e, E::kButton1));
    for (int id = E::kDateTimePicker3; id <= E::kDateTimePicker6; ++id)
        EXPECT_EQ(e->PickerTime(id), (ClockTime{0, 0})) << id;
}

TEST_F(TaskEditorWindow, ControlsNeitherOverlapNorLeaveTheWindow) {
    StartWith({});
    E* e = Add();
    ChooseAction(e, kActHibernate);  // the wake picker shown as well
    std::vector<std::pair<int, RECT>> rects;
    for (HWND c = GetWindow(e->hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!(GetWindowLongA(c, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, e->hwnd(), reinterpret_cast<POINT*>(&r), 2);
        rects.push_back({GetDlgCtrlID(c), r});
    }
    EXPECT_GE(rects.size(), 40u);
    RECT client;
    GetClientRect(e->hwnd(), &client);
    for (size_t i = 0; i < rects.size(); ++i) {
        RECT inside;
        IntersectRect(&inside, &rects[i].second, &client);
        EXPECT_TRUE(EqualRect(&inside, &rects[i].second)) << rects[i].first;
        for (size_t k = i + 1; k < rects.size(); ++k) {
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &rects[i].second, &rects[k].second))
                << rects[i].first << " overlaps " << rects[k].first;
        }
    }
}

TEST_F(TaskEditorWindow, RadioButtonsFormOneGroup) {
    StartWith({});
    E* e = Add();
    for (int id = E::kRadioButton1; id <= E::kRadioButton8; ++id) {
        Check(e, id);
        for (int other = E::kRadioButton1; other <= E::kRadioButton8; ++other)
            EXPECT_EQ(Checked(e, other), other == id) << id << " clicked, " << other;
    }
}

TEST_F(TaskEditorWindow, DigitFilterOfTheFourBoxes) {
    StartWith({});
    E* e = Add();
    for (int id : {E::kEdit1, E::kEdit2, E::kEdit3, E::kEdit4}) {
        HWND box = e->control(id);
        // The boxes are wide windows: a typed character reaches them as
        // UTF-16, a Chinese one among them.
        for (WPARAM c : {WPARAM('1'), WPARAM('a'), WPARAM('0'), WPARAM('-'), WPARAM('.'),
                         WPARAM(0x16) /* Ctrl+V */, WPARAM(0xD2), WPARAM(L'中'), WPARAM('9')})
            SendMessageW(box, WM_CHAR, c, 0);
        EXPECT_EQ(WindowText(box), "109") << id;
        SendMessageW(box, WM_CHAR, 8, 0);
        EXPECT_EQ(WindowText(box), "10") << id;
    }
}

// ------------------------------------------------------------ adding

TEST_F(TaskEditorWindow, AddComposesEveryKind) {
    StartWith({});
    const std::string date = FormatShortDate({2018, 4, 13}, SystemShortDateFormat());
    const struct {
        std::function<void(E*)> fill;
        std::string expected;
    } cases[] = {
        {[](E* e) { SetText(e->control(E::kEdit1), "30"); Check(e, E::kRadioButton1); },
         "空闲30分钟"},
        {[](E* e) {
             e->SetPickerDate({2018, 4, 13});
             e->SetPickerTime(E::kDateTimePicker2, 23, 5);
             Check(e, E::kRadioButton2);
         },
         "一次" + date + "日23时5分"},
        {[](E* e) { e->SetPickerTime(E::kDateTimePicker3, 17, 30); Check(e, E::kRadioButton3); },
         "每天17时30分"},
        {[](E* e) {
             SendMessageA(e->control(E::kComboBox1), CB_SETCURSEL, 4, 0);
             e->SetPickerTime(E::kDateTimePicker4, 8, 5);
             Check(e, E::kRadioButton4);
         },
         "每周5日8时5分"},
        {[](E* e) { SetText(e->control(E::kComboBox2), "15"); Check(e, E::kRadioButton5); },
         "每月15日0时0分"},
        {[](E* e) {
             SendMessageA(e->control(E::kComboBox3), CB_SETCURSEL, 11, 0);
             SendMessageA(e->control(E::kComboBox4), CB_SETCURSEL, 24, 0);
             e->SetPickerTime(E::kDateTimePicker6, 8, 0);
             Check(e, E::kRadioButton6);
         },
         "每年12月25日8时0分"},
        {[](E* e) {
             SetText(e->control(E::kEdit3), "1");
             SetText(e->control(E::kEdit4), "90");
             Check(e, E::kRadioButton7);
         },
         "开机1时90分"},
        {[](E* e) {
             SetText(e->control(E::kEdit2), "45");
             e->SetPickerTime(E::kDateTimePicker7, 8, 0);
             Check(e, E::kRadioButton8);
         },
         "每隔45分开始8时0分"},
    };
    int n = 0;
    for (const auto& c : cases) {
        E* e = Add();
        c.fill(e);
        ChooseAction(e, kActShutDown);
        const HWND window = e->hwnd();
        e->Button2Click();
        ++n;
        EXPECT_TRUE(boxes_.empty()) << c.expected;
        EXPECT_FALSE(testing::Showing(window)) << c.expected;
        EXPECT_EQ(TaskNum(), n);
        EXPECT_EQ(main_->settings().taskCount, n);
        EXPECT_EQ(Record(n), (TaskRecord{c.expected, "关闭计算机", "", "启用"}));
        ASSERT_EQ(list_.appended.size(), static_cast<size_t>(n));
        EXPECT_EQ(list_.appended.back().first, n);
        EXPECT_EQ(list_.appended.back().second, Record(n));
    }
}

TEST_F(TaskEditorWindow, StartupWithEmptyBoxesStoresZerosAndShowsThem) {
    StartWith({});
    E* e = Add();
    Check(e, E::kRadioButton7);
    ChooseAction(e, kActShutDown);
    std::string hours, minutes;
    list_.whileAppending = [&] {
        hours = Text(e, E::kEdit3);
        minutes = Text(e, E::kEdit4);
    };
    e->Button2Click();
    EXPECT_EQ(Record(1), (TaskRecord{"开机0时0分", "关闭计算机", "", "启用"}));
    EXPECT_EQ(hours, "0");
    EXPECT_EQ(minutes, "0");
}

TEST_F(TaskEditorWindow, OkWithoutATimeAsksForOneAndWritesNothing) {
    StartWith(kThree);
    const std::vector<std::string> before = Snapshot();
    E* e = Add();
    SetText(e->control(E::kEdit1), "30");
    ChooseAction(e, kActRemind);
    // A click on OK, through the window procedure.
    SendMessageA(e->hwnd(), WM_COMMAND, MAKEWPARAM(E::kButton2, BN_CLICKED), 0);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "请选择时间");
    EXPECT_EQ(boxes_[0].caption, "提示");
    EXPECT_EQ(boxes_[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(main_->settings().taskCount, 3);
    EXPECT_TRUE(list_.appended.empty());
    EXPECT_TRUE(e->IsVisible());
    EXPECT_EQ(Text(e, E::kEdit1), "30");
    EXPECT_EQ(Text(e, E::kComboBox6), "下班时间到。");
}

// A typed character GBK has no form for (here Thai) would be stored as '?'.
TEST_F(TaskEditorWindow, ATextGbkCannotHoldIsRefusedNotStoredAsQuestionMarks) {
    StartWith(kThree);
    const std::vector<std::string> before = Snapshot();
    E* e = Add();
    Check(e, E::kRadioButton3);
    ChooseAction(e, kActRemind);
    SetWindowTextW(e->control(E::kComboBox6), L"\x4F1A\x8BAE \x0E01");
    e->Button2Click();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, kTextNotGbkText);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(list_.appended.empty());
}

// A row whose minutes box is empty would store a task that is never due.
TEST_F(TaskEditorWindow, IdleOrIntervalWithoutMinutesAsksForATime) {
    const struct {
        int radio, box;
        const char* stored;
    } rows[] = {{E::kRadioButton1, E::kEdit1, "空闲5分钟"}, {E::kRadioButton8, E::kEdit2, "每隔5分开始"}};
    StartWith(kThree);
    int count = 3;
    for (const auto& row : rows) {
        const std::vector<std::string> before = Snapshot();
        boxes_.clear();
        E* e = Add();
        Check(e, row.radio);
        ChooseAction(e, kActShutDown);
        e->Button2Click();
        ASSERT_EQ(boxes_.size(), 1u) << row.stored;
        EXPECT_EQ(boxes_[0].text, "请选择时间");
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(list_.appended.size() == static_cast<size_t>(count - 3));
        EXPECT_TRUE(e->IsVisible());
        SetText(e->control(row.box), "5");
        e->Button2Click();
        EXPECT_EQ(TaskNum(), ++count);
        EXPECT_EQ(Record(count).schedule.rfind(row.stored, 0), 0u) << row.stored;
    }
}

// The editor has no default or cancel button: Enter and Esc, as the
// program's message loop hands them to the window, store and close nothing.
TEST_F(TaskEditorWindow, EnterAndEscPressNeitherButton) {
    StartWith(kThree);
    for (int round = 0; round < 2; ++round) {
        E* e = round == 0 ? Add() : Modify(2);
        if (round == 0) ChooseAction(e, kActShutDown);
        const std::vector<std::string> before = Snapshot();
        const size_t rows = list_.appended.size();
        SetText(e->control(E::kEdit1), "15");
        Check(e, E::kRadioButton1);
        for (int box : {E::kEdit1, E::kComboBox6}) {
            for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
                HWND target = e->control(box);
                if (box == E::kComboBox6) target = GetWindow(target, GW_CHILD);  // its edit field
                SetFocus(target);
                MSG msg = {target, WM_KEYDOWN, key, 0, 0, {0, 0}};
                IsDialogMessageA(e->hwnd(), &msg);
                PumpMessages();
                EXPECT_TRUE(e->IsVisible()) << round << " " << box << " " << key;
            }
        }
        EXPECT_EQ(Snapshot(), before) << round;
        EXPECT_EQ(list_.appended.size(), rows) << round;
        EXPECT_TRUE(boxes_.empty());
        // Its own accelerator still presses OK.
        const HWND window = e->hwnd();
        MSG alt = {window, WM_SYSCHAR, 'o', 1 << 29, 0, {0, 0}};
        IsDialogMessageA(window, &alt);
        EXPECT_FALSE(testing::Showing(window)) << round;
    }
    EXPECT_EQ(TaskNum(), 4);
    EXPECT_EQ(Record(4).schedule, "空闲15分钟");
    EXPECT_EQ(Record(2).schedule, "空闲15分钟");
}

// The prompts of 打开文件 and 关闭程序 are cues: the box stays empty, OK
// with it left so stores nothing and says why, and what is typed is stored.
TEST_F(TaskEditorWindow, AnUntouchedPromptStoresNothingAndSaysWhy) {
    const struct {
        int action;
        const char *prompt, *says, *typed;
    } cases[] = {
        {kActOpenFile, "可以打开mp3文件，程序，网址，电影视频等", "打开文件 需要属性（文件）", "C:\\a.mp3"},
        {kActCloseProgram, "在此输入程序的文件名或按浏览。", "关闭程序 需要属性（程序）", "notepad.exe"},
    };
    StartWith({});
    for (const auto& c : cases) {
        boxes_.clear();
        E* e = Add();
        ChooseAction(e, c.action);
        EXPECT_EQ(Text(e, E::kComboBox6), "");
        EXPECT_EQ(e->ParameterCue(), c.prompt);
        EXPECT_EQ(e->ParameterHint(), c.prompt);
        Check(e, E::kRadioButton3);
        const std::vector<std::string> before = Snapshot();
        e->Button2Click();
        ASSERT_EQ(boxes_.size(), 1u) << c.says;
        EXPECT_EQ(boxes_[0].text, c.says);
        EXPECT_EQ(Snapshot(), before) << c.says;
        EXPECT_TRUE(e->IsVisible());
        SetText(e->control(E::kComboBox6), c.typed);
        e->Button2Click();
        EXPECT_EQ(Record(TaskNum()).parameter, c.typed);
    }
    EXPECT_EQ(TaskNum(), 2);
    // Another action takes the cue away.
    E* e = Add();
    ChooseAction(e, kActOpenFile);
    ChooseAction(e, kActShutDown);
    EXPECT_EQ(e->ParameterCue(), "");
}

// What vantrelctl add and an import on another machine refuse, OK refuses
// with the same words and stores nothing.
TEST_F(TaskEditorWindow, OkRefusesWhatImportRefuses) {
    const struct {
        const char* name;
        std::function<void(E*)> fill;
        const char* says;
    } cases[] = {
        {"no action chosen", [](E*) {}, "任务“”不是以下之一："},
        {"a parameter for shutting down",
         [](E* e) {
             ChooseAction(e, kActShutDown);
             SetText(e->control(E::kComboBox6), "abc");
         },
         "关闭计算机 不带属性"},
        {"a reminder without text",
         [](E* e) {
             ChooseAction(e, kActRemind);
             SetText(e->control(E::kComboBox6), "");
         },
         "提醒 需要属性（提醒语）"},
    };
    StartWith(kThree);
    const std::vector<std::string> before = Snapshot();
    for (const auto& c : cases) {
        boxes_.clear();
        E* e = Add();
        Check(e, E::kRadioButton3);
        c.fill(e);
        e->Button2Click();
        ASSERT_EQ(boxes_.size(), 1u) << c.name;
        EXPECT_NE(boxes_[0].text.find(c.says), std::string::npos) << c.name << ": " << boxes_[0].text;
        EXPECT_EQ(Snapshot(), before) << c.name;
        EXPECT_TRUE(list_.written.empty()) << c.name;
        e->Button3Click();
    }
}

TEST_F(TaskEditorWindow, ActionChangeRebuildsTheParameterRow) {
    StartWith({});
    E* e = Add();
    ChooseAction(e, kActCloseProgram);
    EXPECT_EQ(e->ParameterHint(), "在此输入程序的文件名或按浏览。");
    // Through the list's own notice, as a user's pick arrives.
    SendMessageA(e->control(E::kComboBox5), CB_SETCURSEL, kActDisableAdapter, 0);
    SendMessageA(e->hwnd(), WM_COMMAND, MAKEWPARAM(E::kComboBox5, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(e->control(E::kComboBox5)));
    EXPECT_EQ(Text(e, E::kLabel6), "属性：");
    EXPECT_EQ(e->ParameterHint(), "");
    EXPECT_EQ(Items(e, E::kComboBox6), (std::vector<std::string>{"本地连接", "以太网"}));
    EXPECT_EQ(Text(e, E::kComboBox6), SystemVersion().dwMajorVersion < 10 ? "本地连接" : "以太网");
    ChooseAction(e, kActRemind);
    EXPECT_EQ(Items(e, E::kComboBox6).size(), 5u);  // replaced, not extended
}

TEST_F(TaskEditorWindow, HibernateStoresTheWakeTimeAndShowsTheDay) {
    StartWith({});
    E* e = Add();
    ChooseAction(e, kActHibernate);
    EXPECT_TRUE(Shown(e, E::kDateTimePicker8));
    EXPECT_FALSE(Shown(e, E::kButton1));
    EXPECT_EQ(Text(e, E::kComboBox6), "不唤醒");
    SendMessageA(e->control(E::kComboBox6), CB_SETCURSEL, 3, 0);
    e->SetPickerTime(E::kDateTimePicker8, 6, 15);
    Check(e, E::kRadioButton3);
    e->Button2Click();
    EXPECT_EQ(Record(1).parameter, "第3天6时15分唤醒");
    EXPECT_EQ(list_.appended.at(0).second.parameter, "第3天");

    E* e2 = Add();
    ChooseAction(e2, kActHibernate);
    Check(e2, E::kRadioButton3);
    e2->Button2Click();
    EXPECT_EQ(Record(2).parameter, "不唤醒");
}

TEST_F(TaskEditorWindow, LeavingHibernateBringsTheBrowseButtonBack) {
    StartWith({});
    E* e = Add();
    ChooseAction(e, kActHibernate);
    ChooseAction(e, kActOpenFile);
    EXPECT_TRUE(Shown(e, E::kButton1));
    EXPECT_FALSE(Shown(e, E::kDateTimePicker8));
    SetText(e->control(E::kComboBox6), "第3天");
    Check(e, E::kRadioButton3);
    e->Button2Click();
    EXPECT_EQ(Record(1).parameter, "第3天");  // no wake time for another action
}

// ------------------------------------------------------------ modifying

TEST_F(TaskEditorWindow, ModifyRewritesKeepsNumberAndEnabledState) {
    StartWith(kThree);
    E* e = Modify(2);
    EXPECT_TRUE(Checked(e, E::kRadioButton1));
    EXPECT_EQ(Text(e, E::kEdit1), "30");
    Check(e, E::kRadioButton3);
    e->SetPickerTime(E::kDateTimePicker3, 22, 45);
    ChooseAction(e, kActRestart);
    const HWND window = e->hwnd();
    e->Button2Click();
    EXPECT_EQ(Record(2), (TaskRecord{"每天22时45分", "重启计算机", "", "禁用"}));
    EXPECT_EQ(Record(1), kThree[0]);
    EXPECT_EQ(Record(3), kThree[2]);
    EXPECT_EQ(TaskNum(), 3);
    EXPECT_EQ(main_->settings().taskCount, 3);
    // The row stays where it was: a user deletes by place.
    EXPECT_EQ(list_.captions, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(list_.appended.empty());
    ASSERT_EQ(list_.written.size(), 1u);
    EXPECT_EQ(list_.written[0].second, Record(2));
    EXPECT_FALSE(testing::Showing(window));
}

// A modify whose record went or changed while its editor was open writes
// nothing and stays open; its record is not overwritten.
TEST_F(TaskEditorWindow, ModifyOfARecordChangedMeanwhileWritesNothing) {
    const struct {
        const char* name;
        std::function<void(MainWindow&)> meanwhile;
    } cases[] = {
        {"deleted", [](MainWindow& m) { m.store().Delete(m.settings(), 2); }},
        {"an earlier record deleted", [](MainWindow& m) { m.store().Delete(m.settings(), 1); }},
        {"schedule rewritten", [](MainWindow& m) { m.store().Rewrite(2, "每天1时0分", "关闭计算机", ""); }},
        {"action rewritten", [](MainWindow& m) { m.store().Rewrite(2, "空闲30分钟", "提醒", ""); }},
        // Three reminders at the same minute differ only in their texts.
        {"parameter rewritten",
         [](MainWindow& m) { m.store().Rewrite(2, "空闲30分钟", "关闭计算机", "other"); }},
        {"enabled", [](MainWindow& m) { m.store().SetEnabled(2, true); }},
    };
    for (const auto& c : cases) {
        WinRegistry::DeleteTree(kKey);
        OwnedForms::ReleaseAll();
        main_.reset();
        boxes_.clear();
        list_ = FakeTaskList();
        StartWith(kThree);
        E* e = Modify(2);
        c.meanwhile(*main_);
        const std::vector<std::string> before = Snapshot();
        Check(e, E::kRadioButton3);
        e->Button2Click();
        ASSERT_EQ(boxes_.size(), 1u) << c.name;
        EXPECT_EQ(boxes_[0].text, "要修改的任务已被删除或更改") << c.name;
        EXPECT_EQ(Snapshot(), before) << c.name;
        EXPECT_TRUE(list_.written.empty()) << c.name;
        EXPECT_EQ(list_.readAgain, 1) << c.name;
        EXPECT_TRUE(e->IsVisible()) << c.name;
        EXPECT_EQ(e->mode(), EditorMode::Modify) << c.name;
    }
}

// The same texts written again meanwhile: the record is still the one opened.
TEST_F(TaskEditorWindow, ModifyGoesOnWhenTheRecordWasWrittenUnchanged) {
    StartWith(kThree);
    E* e = Modify(2);
    main_->store().Rewrite(2, kThree[1].schedule, kThree[1].action, kThree[1].parameter);
    e->Button2Click();
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(Record(2), (TaskRecord{"空闲30分钟", "关闭计算机", "", kThree[1].enabled}));
}

TEST_F(TaskEditorWindow, CancelAfterModifyTouchesNothing) {
    StartWith(kThree);
    const std::vector<std::string> before = Snapshot();
    E* e = Modify(2);
    Check(e, E::kRadioButton3);
    const HWND window = e->hwnd();
    e->Button3Click();
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(testing::Showing(window));
    EXPECT_EQ(list_.captions.size(), 3u);
}

TEST_F(TaskEditorWindow, TitleBarCloseStoresNothingAndKeepsTheMode) {
    StartWith(kThree);
    const std::vector<std::string> before = Snapshot();
    E* e = Modify(2);
    const HWND window = e->hwnd();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(testing::Showing(window));
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(TaskEditorWindow, HibernateTasksLoadFully) {
    StartWith({{"每天23时0分", "休眠计算机", "不唤醒", "启用"},
               {"每天23时0分", "休眠计算机", "第2天7时30分唤醒", "启用"}});
    E* e = Modify(1);
    EXPECT_EQ(SendMessageA(e->control(E::kComboBox5), CB_GETCURSEL, 0, 0), kActHibernate);
    EXPECT_EQ(Text(e, E::kLabel6), "自动开机：");
    EXPECT_EQ(Text(e, E::kComboBox6), "不唤醒");
    EXPECT_TRUE(Shown(e, E::kDateTimePicker8));
    EXPECT_TRUE(Shown(e, E::kButton1));
    EXPECT_EQ(Items(e, E::kComboBox6).size(), 10u);
    EXPECT_TRUE(Checked(e, E::kRadioButton3));
    EXPECT_EQ(e->PickerTime(E::kDateTimePicker3), (ClockTime{23, 0}));

    E* wake = Modify(2);
    EXPECT_EQ(Text(wake, E::kComboBox6), "第2天");
    EXPECT_EQ(wake->PickerTime(E::kDateTimePicker8), (ClockTime{7, 30}));
    wake->Button2Click();
    EXPECT_EQ(Record(2).parameter, "第2天7时30分唤醒");
    EXPECT_EQ(list_.written.at(0).second.parameter, "第2天");
}

TEST_F(TaskEditorWindow, EveryKindLoadsAndStoresAgainUnchanged) {
    const std::string date = FormatShortDate({2018, 4, 13}, SystemShortDateFormat());
    const std::vector<std::string> texts = {
        "空闲05分钟",      "一次" + date + "日23时5分", "每天17时30分",       "每周5日17时30分",
        "每月1日9时0分",   "每年12月25日8时0分",        "开机0时10分",        "每隔45分开始8时0分",
        "每周0日8时0分",
    };
    std::vector<TaskRecord> records;
    for (const std::string& t : texts) records.push_back({t, "打开文件", "C:\\a.mp3", "禁用"});
    StartWith(records);
    for (size_t i = 0; i < texts.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        Modify(n)->Button2Click();
        EXPECT_EQ(Record(n), records[i]) << texts[i];
    }
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(TaskNum(), static_cast<int>(texts.size()));
}

TEST_F(TaskEditorWindow, RecordOffTheGrammarLoadsAndIsRewrittenNotCopied) {
    StartWith({kThree[0], {"每天x时99分", "bogus", "abc", "禁用"}, kThree[2]});
    E* e = Modify(2);
    EXPECT_TRUE(Checked(e, E::kRadioButton3));
    EXPECT_EQ(e->PickerTime(E::kDateTimePicker3), (ClockTime{0, 0}));
    EXPECT_EQ(SendMessageA(e->control(E::kComboBox5), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Text(e, E::kComboBox6), "abc");
    e->SetPickerTime(E::kDateTimePicker3, 6, 0);
    e->Button2Click();
    EXPECT_EQ(TaskNum(), 3);
    EXPECT_EQ(Record(2), (TaskRecord{"每天6时0分", "提醒", "abc", "禁用"}));
    EXPECT_EQ(Record(4), TaskRecord());
}

TEST_F(TaskEditorWindow, RecordWithoutAKindLoadsAndAsksForATime) {
    StartWith({{"hello", "快速关机", "", "启用"}});
    E* e = Modify(1);
    for (int id = E::kRadioButton1; id <= E::kRadioButton8; ++id) EXPECT_FALSE(Checked(e, id));
    EXPECT_EQ(Text(e, E::kLabel6), "属性：");
    e->Button2Click();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(Record(1).schedule, "hello");
    EXPECT_EQ(e->mode(), EditorMode::Modify);  // still this record's editor
    Check(e, E::kRadioButton3);
    e->Button2Click();
    EXPECT_EQ(TaskNum(), 1);
    EXPECT_EQ(Record(1).schedule, "每天0时0分");
}

}  // namespace
}  // namespace vantrel
