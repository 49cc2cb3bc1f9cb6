// The settings window driven through its handlers and controls, on the real
// registry under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "actions/utility_actions_win.h"
#include "app/main_window_win.h"
#include "ui/more_settings_window_win.h"
#include "scheduler/conversions.h"
#include "scheduler/time_text.h"
#include "ui/settings_logic.h"
// windows.h names a drawing function TextOut; here it is vantrelctl's output.
#undef TextOut
#include "tests/cli_test_env.h"
#include "registry/registry_win.h"
#include "tests/main_window_fixture_win.h"
#include "tests/recording_system_ops.h"
#include "ui/settings_window_win.h"
#include "ui/task_editor_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelSettingsTest";

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        WinRegistry::DeleteTree(kKey);
        SetMessageBoxHook([this](const char* text, const char* caption, UINT) {
            boxes_.push_back(std::string(caption) + ": " + text);
            return IDOK;
        });
        realRunEntry_ = RealRunEntry();
    }
    void TearDown() override {
        OwnedForms::ReleaseAll();
        main_.reset();
        SetMessageBoxHook(nullptr);
        WinRegistry::DeleteTree(kKey);
        // The program's own start-at-logon entry is as the test found it.
        EXPECT_EQ(RealRunEntry(), realRunEntry_);
    }
    // The program's Run value as "exists: text", read only.
    static std::string RealRunEntry() {
        WinRegistry reg;
        if (!reg.OpenKey(kRunKeyPath, false) || !reg.ValueExists(kRunValueName)) return "missing";
        return "exists: " + reg.ReadString(kRunValueName);
    }
    // Stores the records, then starts the program's main window on them.
    void StartWith(const std::vector<TaskRecord>& records) {
        testing::StoreRecords(kKey, records);
        main_ = testing::StartTestMainWindow(kKey);
        ASSERT_NE(main_, nullptr);
    }
    SettingsWindow* Open() { return testing::OpenSettingsFromMenu(*main_); }
    std::vector<std::string> Captions(SettingsWindow* w) { return testing::RowCaptions(w); }
    std::string Str(const std::string& name) {
        WinRegistry reg;
        reg.OpenKey(kKey, false);
        return reg.ReadString(name);
    }
    bool Exists(const std::string& name) {
        WinRegistry reg;
        reg.OpenKey(kKey, false);
        return reg.ValueExists(name);
    }
    std::int32_t Int(const std::string& name) {
        WinRegistry reg;
        reg.OpenKey(kKey, false);
        return reg.ReadInteger(name);
    }

    testing::RecordingSystemOps ops_;
    std::unique_ptr<MainWindow> main_;
    std::vector<std::string> boxes_;
    std::string realRunEntry_;
};

TaskRecord Rec(const char* a, const char* b = "提醒", const char* c = "x", const char* d = "启用") {
    return TaskRecord{a, b, c, d};
}

TEST_F(SettingsWindowTest, OpeningListsRecordsWithAScheduleAndStopsTheTick) {
    StartWith({Rec("每天8时0分", "提醒", "早"), Rec(""), Rec("每周1日9时0分", "关闭计算机", "", "禁用")});
    SettingsWindow* w = Open();
    ASSERT_NE(w, nullptr);
    char cls[16] = {0};
    GetClassNameA(w->hwnd(), cls, sizeof cls);
    EXPECT_STREQ(cls, "TForm3");
    EXPECT_EQ(WindowText(w->hwnd()), "设置");
    RECT client;
    GetClientRect(w->hwnd(), &client);
    EXPECT_EQ(client.right, 568);
    EXPECT_EQ(client.bottom, 349);
    EXPECT_EQ(Captions(w), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(w->Cell(1, 1), "每周1日9时0分");
    EXPECT_EQ(w->Cell(1, 2), "关闭计算机");
    EXPECT_EQ(w->Cell(1, 4), "禁用");
    EXPECT_EQ(WindowText(w->control(SettingsWindow::kEdit5)), "1");
    EXPECT_EQ(GetFocus(), w->control(SettingsWindow::kButton2));
    EXPECT_FALSE(main_->driver().timer1Running());

    const HWND window = w->hwnd();
    w->Button2Click();
    EXPECT_FALSE(testing::Showing(window));
    EXPECT_TRUE(main_->driver().timer1Running());
}

TEST_F(SettingsWindowTest, ClosingRestartsTheTickOnlyWhileMonitoringIsOn) {
    StartWith({});
    main_->SwitchMonitoring();  // off
    SettingsWindow* w = Open();
    w->Button2Click();
    EXPECT_FALSE(main_->driver().timer1Running());
}

TEST_F(SettingsWindowTest, DeletingRowTwoOfFourRenumbersListAndRegistry) {
    StartWith({Rec("每天1时0分"), Rec("每天2时0分"), Rec("每天3时0分"), Rec("每天4时0分")});
    SettingsWindow* w = Open();
    w->SelectRow(1);
    w->Button6Click();
    EXPECT_EQ(Captions(w), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(w->Cell(1, 1), "每天3时0分");
    EXPECT_EQ(w->Cell(2, 1), "每天4时0分");
    EXPECT_EQ(Str("A2"), "每天3时0分");
    EXPECT_EQ(Str("A3"), "每天4时0分");
    EXPECT_FALSE(Exists("A4"));
    EXPECT_EQ(Int("TaskNum"), 3);
    EXPECT_EQ(main_->settings().taskCount, 3);

    w->SelectRow(2);  // the last row: no caption changes
    w->Button6Click();
    EXPECT_EQ(Captions(w), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(Int("TaskNum"), 2);
}

TEST_F(SettingsWindowTest, ModifyAndDeleteWithoutASelectionShowTheirErrors) {
    StartWith({Rec("每天1时0分")});
    SettingsWindow* w = Open();
    w->SelectRow(-1);
    w->Button5Click();
    w->Button6Click();
    EXPECT_EQ(boxes_, (std::vector<std::string>{"错误: 请选择要修改的任务", "错误: 请选择要删除的任务"}));
    EXPECT_EQ(Int("TaskNum"), 1);
}

TEST_F(SettingsWindowTest, TheEnableComboSwitchesTheRecordOfItsRowOnly) {
    StartWith({Rec("每天1时0分"), Rec("每天2时0分", "提醒", "", "禁用"), Rec("每天3时0分")});
    SettingsWindow* w = Open();
    w->SelectRow(1);
    w->ListView1Click();
    EXPECT_TRUE(IsWindowVisible(w->combo()));
    EXPECT_EQ(GetParent(w->combo()), w->list());
    EXPECT_EQ(SendMessageA(w->combo(), CB_GETCURSEL, 0, 0), 1);  // "禁用"
    RECT cell = {}, combo;
    cell.top = 4;
    cell.left = LVIR_BOUNDS;
    SendMessageA(w->list(), LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
    GetWindowRect(w->combo(), &combo);
    MapWindowPoints(nullptr, w->list(), reinterpret_cast<POINT*>(&combo), 2);
    EXPECT_EQ(combo.left, cell.left);
    EXPECT_EQ(combo.top, cell.top);

    SendMessageA(w->combo(), CB_SETCURSEL, 0, 0);
    SendMessageA(w->list(), WM_COMMAND, MAKEWPARAM(SettingsWindow::kComboBox1, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(w->combo()));
    EXPECT_EQ(Str("D2"), "启用");
    EXPECT_EQ(w->Cell(1, 4), "启用");
    EXPECT_EQ(Str("D1"), "启用");
    EXPECT_EQ(Str("D3"), "启用");

    // The selection moves away: the combo hides and can switch nothing.
    w->SelectRow(2);
    EXPECT_FALSE(IsWindowVisible(w->combo()));
    SendMessageA(w->combo(), CB_SETCURSEL, 1, 0);
    w->ComboBox1Change();
    EXPECT_EQ(Str("D2"), "启用");
    EXPECT_EQ(Str("D3"), "启用");
}

TEST_F(SettingsWindowTest, TheComboHidesWhenItsRowIsDeletedOrTheClickHitsNothing) {
    StartWith({Rec("每天1时0分"), Rec("每天2时0分"), Rec("每天3时0分")});
    SettingsWindow* w = Open();
    w->SelectRow(2);
    w->ListView1Click();
    ASSERT_TRUE(IsWindowVisible(w->combo()));
    w->Button6Click();
    EXPECT_FALSE(IsWindowVisible(w->combo()));
    w->SelectRow(0);
    w->ListView1Click();
    ASSERT_TRUE(IsWindowVisible(w->combo()));
    w->SelectRow(-1);
    w->ListView1Click();
    EXPECT_FALSE(IsWindowVisible(w->combo()));
}

TEST_F(SettingsWindowTest, OkStoresTheOptionsAndTheWaitInSeconds) {
    StartWith({});
    struct Case {
        const char* wait;
        std::int32_t seconds;
    } cases[] = {{"", 60}, {"0", 0}, {"1.5", 90}, {"0.375", 22}, {"0.125", 8}};
    for (const Case& c : cases) {
        SettingsWindow* w = Open();
        SetText(w->control(SettingsWindow::kEdit5), c.wait);
        const HWND window = w->hwnd();
        w->Button1Click();
        EXPECT_EQ(Int("tishi"), c.seconds) << c.wait;
        EXPECT_EQ(main_->settings().countdownLength, c.seconds);
        EXPECT_EQ(main_->view().BarMaximum(), c.seconds);
        EXPECT_FALSE(testing::Showing(window));
    }
    SettingsWindow* w = Open();
    EXPECT_EQ(WindowText(w->control(SettingsWindow::kEdit5)), "0.133333333333333");
}

// 更多设置…: the later settings as stored; a value out of range is named in
// a message and nothing is stored; OK stores them all with the running
// program's copies and gives the settings window back.
TEST_F(SettingsWindowTest, MoreSettingsAreCheckedAndStoredOnlyOnOk) {
    StartWith({});
    {
        WinRegistry reg;
        reg.OpenKey(kKey, true);
        reg.WriteInteger("mangxian", 30);
    }
    SettingsWindow* w = Open();
    SendMessageA(w->hwnd(), WM_COMMAND, SettingsWindow::kButton7, 0);
    auto* more = dynamic_cast<MoreSettingsWindow*>(Form::FromHandle(FindWindowA("TForm7", nullptr)));
    ASSERT_TRUE(more);
    EXPECT_FALSE(IsWindowEnabled(w->hwnd()));
    EXPECT_EQ(WindowText(more->Field("tiqian")), "5");
    EXPECT_EQ(WindowText(more->Field("mangxian")), "30");
    SetText(more->Field("tiqian"), "1441");
    CheckDlgButton(more->hwnd(), GetDlgCtrlID(more->Field("manglu")), BST_CHECKED);
    EXPECT_FALSE(more->OkClick());
    EXPECT_EQ(boxes_, (std::vector<std::string>{"错误: 提前提醒应为 0 到 1440 之间的整数（单位：分钟）"}));
    EXPECT_FALSE(Exists("tiqian") || Exists("manglu"));
    SetText(more->Field("tiqian"), "10");
    EXPECT_TRUE(more->OkClick());
    EXPECT_EQ(Int("tiqian"), 10);
    EXPECT_EQ(Int("manglu"), 1);
    EXPECT_EQ(main_->settings().warnMinutes, 10);
    EXPECT_EQ(main_->settings().busyWait, 1);
    EXPECT_TRUE(IsWindowEnabled(w->hwnd()));
    EXPECT_FALSE(IsWindowVisible(more->hwnd()));
}

// What an administrator sets by policy shows greyed and says so, in the
// settings window and 更多设置; under the policy against task changes 添加,
// 修改, 删除 and the enable combo are greyed. OK writes nothing a policy
// holds, and once the policy goes the controls are the user's again.
TEST_F(SettingsWindowTest, WhatAPolicyHoldsIsGreyedAndNeverWritten) {
    StartWith({Rec("每天8时0分")});
    const std::string policyKey = testing::TestPolicyKey(kKey);
    {
        WinRegistry reg;
        reg.OpenKey(policyKey, true);
        reg.WriteInteger("tishi", 120);
        reg.WriteInteger("suoding", 1);
        reg.WriteInteger("tiqian", 9);
    }
    const struct {
        int id;
        bool held;
    } controls[] = {{SettingsWindow::kEdit5, true},    {SettingsWindow::kButton4, true},
                    {SettingsWindow::kButton5, true},  {SettingsWindow::kButton6, true},
                    {SettingsWindow::kCheckBox5, false}, {SettingsWindow::kCheckBox1, false},
                    {SettingsWindow::kEdit8, false},   {SettingsWindow::kButton1, false}};
    SettingsWindow* w = Open();
    for (const auto& c : controls) {
        EXPECT_EQ(IsWindowEnabled(w->control(c.id)) != FALSE, !c.held) << c.id;
        if (c.held) EXPECT_EQ(w->Hint(w->control(c.id)), "由管理员通过策略设置") << c.id;
    }
    EXPECT_FALSE(IsWindowEnabled(w->combo()));
    EXPECT_EQ(WindowText(w->control(SettingsWindow::kEdit5)), "2");
    SendMessageA(w->hwnd(), WM_COMMAND, SettingsWindow::kButton7, 0);
    auto* more = dynamic_cast<MoreSettingsWindow*>(Form::FromHandle(FindWindowA("TForm7", nullptr)));
    ASSERT_TRUE(more);
    EXPECT_FALSE(IsWindowEnabled(more->Field("tiqian")));
    EXPECT_EQ(WindowText(more->Field("tiqian")), "9");
    EXPECT_TRUE(IsWindowEnabled(more->Field("mangxian")));
    EXPECT_TRUE(more->OkClick());
    EXPECT_FALSE(Exists("tiqian"));
    w->Button1Click();
    EXPECT_EQ(Int("tishi"), 60);  // the user's own, as start-up wrote it
    EXPECT_EQ(main_->settings().countdownLength, 120);

    WinRegistry::DeleteTree(policyKey);
    w = Open();
    for (const auto& c : controls) EXPECT_TRUE(IsWindowEnabled(w->control(c.id))) << c.id;
    EXPECT_EQ(WindowText(w->control(SettingsWindow::kEdit5)), "1");
}

TEST_F(SettingsWindowTest, AWaitThatIsNoNumberStoresNothing) {
    StartWith({});
    for (const char* bad : {".", "1..2", "99999999999"}) {
        SettingsWindow* w = Open();
        SetText(w->control(SettingsWindow::kEdit5), bad);
        CheckDlgButton(w->hwnd(), SettingsWindow::kCheckBox1, BST_CHECKED);
        boxes_.clear();
        // Through the window procedure, as a click would go.
        SendMessageA(w->hwnd(), WM_COMMAND, SettingsWindow::kButton1, 0);
        EXPECT_EQ(boxes_, (std::vector<std::string>{std::string("Vantrel: '") + bad +
                                                    "' is not a valid floating point value"}));
        EXPECT_TRUE(IsWindowVisible(w->hwnd()));
        EXPECT_EQ(Int("kaiji"), 0);
        EXPECT_EQ(Int("tishi"), 60);
        w->Button2Click();
    }
}

// A wait beyond the countdown's range (the one vantrelctl settings and import
// check) stores nothing either; its ends are taken.
TEST_F(SettingsWindowTest, AWaitOutOfRangeStoresNothing) {
    StartWith({});
    const struct {
        const char* wait;
        bool taken;
    } cases[] = {{"1440", true}, {"1440.01", false}, {"-0.02", false}, {"0", true}, {"35791394", false}};
    for (const auto& c : cases) {
        SettingsWindow* w = Open();
        SetText(w->control(SettingsWindow::kEdit5), c.wait);
        boxes_.clear();
        SendMessageA(w->hwnd(), WM_COMMAND, SettingsWindow::kButton1, 0);
        EXPECT_EQ(boxes_.empty(), c.taken) << c.wait;
        if (!c.taken) {
            EXPECT_NE(Int("tishi"), WaitTextToSeconds(c.wait)) << c.wait;
            EXPECT_TRUE(IsWindowVisible(w->hwnd())) << c.wait;
            w->Button2Click();
        } else {
            EXPECT_EQ(Int("tishi"), WaitTextToSeconds(c.wait)) << c.wait;
        }
    }
}

// A sound path typed with a character GBK has no form for would be stored
// as '?' and never play: nothing of the OK is stored.
TEST_F(SettingsWindowTest, ASoundPathGbkCannotHoldStoresNothing) {
    StartWith({});
    SettingsWindow* w = Open();
    SetWindowTextW(w->control(SettingsWindow::kEdit8), L"C:\\\x0E01.wav");
    CheckDlgButton(w->hwnd(), SettingsWindow::kCheckBox1, BST_CHECKED);
    boxes_.clear();
    w->Button1Click();
    EXPECT_EQ(boxes_, (std::vector<std::string>{std::string("错误: ") + kTextNotGbkText}));
    EXPECT_EQ(Int("kaiji"), 0);
    w->Button2Click();
}

TEST_F(SettingsWindowTest, TheWaitBoxTakesDigitsAndAPointOnly) {
    StartWith({});
    SettingsWindow* w = Open();
    HWND edit = w->control(SettingsWindow::kEdit5);
    SetText(edit, "");
    for (char c : std::string("1a.5-x\x16"))
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    EXPECT_EQ(WindowText(edit), "1.5");
}

TEST_F(SettingsWindowTest, StartAtLogonWritesExactlyTheQuotedProgramPath) {
    StartWith({});
    const std::string runKey = testing::TestRunKey(kKey);
    SettingsWindow* w = Open();
    CheckDlgButton(w->hwnd(), SettingsWindow::kCheckBox2, BST_CHECKED);
    w->Button1Click();
    WinRegistry reg;
    reg.OpenKey(runKey, false);
    EXPECT_EQ(reg.ReadString(testing::kTestRunValue), "\"" + ProgramPath() + "\"");
    reg.CloseKey();
    w = Open();
    EXPECT_EQ(IsDlgButtonChecked(w->hwnd(), SettingsWindow::kCheckBox2), BST_CHECKED);
    w->Button2Click();

    // The program's path in another letter case is the program's path, as
    // Windows compares paths; OK writes it again as the program's own.
    reg.OpenKey(runKey, false);
    std::string other = ProgramPath();
    for (char& ch : other) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    reg.WriteString(testing::kTestRunValue, other);
    reg.CloseKey();
    w = Open();
    EXPECT_EQ(IsDlgButtonChecked(w->hwnd(), SettingsWindow::kCheckBox2), BST_CHECKED);
    w->Button1Click();
    reg.OpenKey(runKey, false);
    EXPECT_EQ(reg.ReadString(testing::kTestRunValue), "\"" + ProgramPath() + "\"");
}

TEST_F(SettingsWindowTest, AnUnchangedSoundPathIsNotWritten) {
    StartWith({});
    {
        WinRegistry reg;
        reg.OpenKey(kKey, false);
        reg.DeleteValue("soundpath");
    }
    SettingsWindow* w = Open();
    CheckDlgButton(w->hwnd(), SettingsWindow::kCheckBox5, BST_CHECKED);
    CheckDlgButton(w->hwnd(), SettingsWindow::kCheckBox3, BST_CHECKED);
    w->Button1Click();
    EXPECT_FALSE(Exists("soundpath"));
    EXPECT_EQ(Int("shutapp"), 1);
    EXPECT_EQ(Int("rejian"), 1);
    EXPECT_EQ(main_->settings().closeAll, 1);
    EXPECT_EQ(main_->settings().ctrlFlag, 1);

    w = Open();
    EXPECT_EQ(IsDlgButtonChecked(w->hwnd(), SettingsWindow::kCheckBox3), BST_CHECKED);
    SetText(w->control(SettingsWindow::kEdit8), "C:\\声音\\ding.wav");
    w->Button1Click();
    EXPECT_EQ(Str("soundpath"), "C:\\声音\\ding.wav");
    EXPECT_EQ(main_->settings().soundPath, "C:\\声音\\ding.wav");
}

// The row keeps its place: a user who deletes by place deletes the task
// just modified, not its neighbour.
TEST_F(SettingsWindowTest, ModifyingTaskTwoOfThreeKeepsItsStateAndItsRow) {
    StartWith({Rec("每天1时0分"), Rec("每天2时0分", "提醒", "x", "禁用"), Rec("每天3时0分")});
    SettingsWindow* w = Open();
    w->SelectRow(1);
    TaskEditor* e = testing::EditorOpenedBy([&] { w->Button5Click(); });
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->mode(), EditorMode::Modify);
    EXPECT_EQ(e->record(), 2);
    // OK as the user would click it.
    SendMessageA(e->hwnd(), WM_COMMAND, MAKEWPARAM(TaskEditor::kButton2, BN_CLICKED), 0);
    EXPECT_EQ(Int("TaskNum"), 3);
    EXPECT_EQ(Str("D2"), "禁用");
    EXPECT_EQ(Str("A2"), "每天2时0分");
    EXPECT_EQ(Captions(w), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(w->Cell(1, 1), "每天2时0分");
    EXPECT_EQ(w->Cell(1, 4), "禁用");
    w->SelectRow(1);
    w->Button6Click();
    EXPECT_EQ(Str("A2"), "每天3时0分");
}

// Editors open side by side, the selection moving under them: each OK
// writes the record its editor was opened for, and nothing else.
TEST_F(SettingsWindowTest, EachEditorWritesItsOwnRecord) {
    struct Step {
        enum Kind { Add, Modify, Select, Delete, Ok, Cancel } kind;
        int arg;  // the row to modify, select or delete, or the editor (in opening order)
    };
    using S = Step;
    const struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> schedules;  // A1, A2, ... afterwards (TaskNum is their count)
        std::vector<std::string> captions;
        size_t boxes;  // "要修改的任务已被删除或更改"
    } cases[] = {
        {"add, then modify row 2, OK in the add first",
         {{S::Add, 0}, {S::Modify, 1}, {S::Ok, 0}, {S::Ok, 1}},
         {"每天1时0分", "每天22时30分", "每天3时0分", "每天22时30分"},
         {"1", "2", "3", "4"}, 0},
        {"modify row 2, the selection moved to row 1 before OK",
         {{S::Modify, 1}, {S::Select, 0}, {S::Ok, 0}},
         {"每天1时0分", "每天22时30分", "每天3时0分"}, {"1", "2", "3"}, 0},
        {"modify row 2, the selection cleared before OK",
         {{S::Modify, 1}, {S::Select, -1}, {S::Ok, 0}},
         {"每天1时0分", "每天22时30分", "每天3时0分"}, {"1", "2", "3"}, 0},
        {"Cancel in one modify leaves the other a modify",
         {{S::Modify, 0}, {S::Modify, 2}, {S::Cancel, 0}, {S::Ok, 1}},
         {"每天1时0分", "每天2时0分", "每天22时30分"}, {"1", "2", "3"}, 0},
        {"the record was deleted meanwhile",
         {{S::Modify, 2}, {S::Delete, 0}, {S::Ok, 0}},
         {"每天2时0分", "每天3时0分"}, {"1", "2"}, 1},
        {"the record was rewritten by another editor meanwhile",
         {{S::Modify, 1}, {S::Modify, 1}, {S::Ok, 0}, {S::Ok, 1}},
         {"每天1时0分", "每天22时30分", "每天3时0分"}, {"1", "2", "3"}, 1},  // the list read again
    };
    for (const Case& c : cases) {
        OwnedForms::ReleaseAll();
        main_.reset();
        WinRegistry::DeleteTree(kKey);
        boxes_.clear();
        StartWith({Rec("每天1时0分"), Rec("每天2时0分"), Rec("每天3时0分")});
        SettingsWindow* w = Open();
        std::vector<TaskEditor*> editors;
        std::vector<bool> refused;
        for (const Step& step : c.steps) {
            switch (step.kind) {
                case S::Add:
                    editors.push_back(testing::EditorOpenedBy([&] { w->Button4Click(); }));
                    break;
                case S::Modify:
                    w->SelectRow(step.arg);
                    editors.push_back(testing::EditorOpenedBy([&] { w->Button5Click(); }));
                    break;
                case S::Select: w->SelectRow(step.arg); break;
                case S::Delete:
                    w->SelectRow(step.arg);
                    w->Button6Click();
                    break;
                case S::Ok: {
                    TaskEditor* e = editors.at(step.arg);
                    ASSERT_NE(e, nullptr) << c.name;
                    SendMessageA(e->control(TaskEditor::kRadioButton3), BM_CLICK, 0, 0);
                    e->SetPickerTime(TaskEditor::kDateTimePicker3, 22, 30);
                    if (e->mode() == EditorMode::New) {  // an action, as OK asks for one
                        SendMessageA(e->control(TaskEditor::kComboBox5), CB_SETCURSEL, kActShutDown, 0);
                        e->ComboBox5Change();
                    }
                    const size_t before = boxes_.size();
                    const HWND window = e->hwnd();
                    e->Button2Click();
                    // A refused OK leaves its editor open for Cancel.
                    EXPECT_EQ(testing::Showing(window), boxes_.size() > before) << c.name;
                    break;
                }
                case S::Cancel: editors.at(step.arg)->Button3Click(); break;
            }
        }
        std::vector<std::string> schedules;
        for (int n = 1; n <= Int("TaskNum"); ++n) schedules.push_back(Str(RecordValueName('A', n)));
        EXPECT_EQ(schedules, c.schedules) << c.name;
        EXPECT_EQ(Captions(w), c.captions) << c.name;
        EXPECT_EQ(boxes_, std::vector<std::string>(c.boxes, "错误: 要修改的任务已被删除或更改"))
            << c.name;
    }
}

// Few rows or more than fit: no horizontal scroll bar, and the enable combo
// lies whole inside the list over the last row's cell.
TEST_F(SettingsWindowTest, TheListFitsTheWindowWithoutAHorizontalScrollBar) {
    for (int rows : {4, 30}) {
        OwnedForms::ReleaseAll();
        main_.reset();
        WinRegistry::DeleteTree(kKey);
        std::vector<TaskRecord> records;
        for (int i = 0; i < rows; ++i)
            records.push_back(Rec("一次2018/4/13日23时0分", "休眠计算机", "第2天7时30分唤醒", "禁用"));
        StartWith(records);
        SettingsWindow* w = Open();
        PumpMessages();
        RECT list, client;
        GetWindowRect(w->list(), &list);
        MapWindowPoints(nullptr, w->hwnd(), reinterpret_cast<POINT*>(&list), 2);
        GetClientRect(w->hwnd(), &client);
        EXPECT_EQ(list.left, 0);
        EXPECT_EQ(list.right, client.right);
        EXPECT_FALSE(GetWindowLongA(w->list(), GWL_STYLE) & WS_HSCROLL) << rows;
        EXPECT_EQ((GetWindowLongA(w->list(), GWL_STYLE) & WS_VSCROLL) != 0, rows > 4) << rows;
        RECT inside;
        GetClientRect(w->list(), &inside);
        w->SelectRow(rows - 1);
        SendMessageA(w->list(), LVM_ENSUREVISIBLE, rows - 1, FALSE);
        w->ListView1Click();
        RECT combo;
        GetWindowRect(w->combo(), &combo);
        MapWindowPoints(nullptr, w->list(), reinterpret_cast<POINT*>(&combo), 2);
        EXPECT_GE(combo.left, inside.left) << rows;
        EXPECT_LE(combo.right, inside.right) << rows;
        EXPECT_EQ(combo.right - combo.left, 70) << rows;
        // Back to rows that fit: the column gets its width back.
        while (w->RowCount() > 4) {
            w->SelectRow(0);
            w->Button6Click();
        }
        PumpMessages();
        EXPECT_EQ(SendMessageA(w->list(), LVM_GETCOLUMNWIDTH, 3, 0), 130) << rows;
    }
}

// The 下次运行 column says what vantrelctl next says for the same texts at
// the same minute (in the list's short form), and "—" for a disabled task;
// its longest text fits the column.
TEST_F(SettingsWindowTest, TheNextRunColumnAgreesWithVantrelctlNext) {
    testing::DailyForNow(50);  // the window and the commands see one minute
    const LocalTime now = LocalTimeNow(), tomorrow = AddMinutes(now, 1440);
    const std::string format = SystemShortDateFormat();
    const std::vector<std::string> schedules = {
        "每天" + std::to_string((now.hour + 1) % 24) + "时0分", "每周" + std::to_string(now.dayOfWeek) + "日0时0分",
        "每月1日12时0分", "每年" + std::to_string(now.month) + "月1日0时0分", "每隔45分开始8时0分",
        "一次" + FormatShortDate(Date{tomorrow.year, tomorrow.month, tomorrow.day}, format) + "日7时5分"};
    std::vector<TaskRecord> records = {Rec("每天8时0分", "提醒", "", "禁用")};
    for (const std::string& s : schedules) records.push_back(Rec(s.c_str()));
    StartWith(records);
    SettingsWindow* w = Open();
    EXPECT_EQ(w->Cell(0, 5), "—");
    for (size_t i = 0; i < schedules.size(); ++i) {
        testing::TestEnv env;
        const std::string line =
            testing::Ctl(env, {"next", schedules[i], "--from", FormatMinute(now), "--date-format", format}).out;
        std::string expected = line.empty() ? "—" : line.substr(0, line.size() - 1);
        if (expected.compare(0, 5, std::to_string(now.year) + "-") == 0) expected = expected.substr(5);
        EXPECT_EQ(w->Cell(static_cast<int>(i) + 1, 5), expected) << schedules[i];
    }
    EXPECT_EQ(FormatMinute(LocalTimeNow()), FormatMinute(now));
    const int width = static_cast<int>(
        SendMessageW(w->list(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(L"2027-12-07 23:00")));
    EXPECT_LE(width + 12, SendMessageW(w->list(), LVM_GETCOLUMNWIDTH, 5, 0));
}

TEST_F(SettingsWindowTest, HintsShowOnTheirControls) {
    StartWith({});
    SettingsWindow* w = Open();
    const std::pair<int, const char*> hints[] = {
        {SettingsWindow::kButton1, "仅对本机设置"},
        {SettingsWindow::kButton2, "取消本次操作"},
        {SettingsWindow::kButton3, "设置关机前声音提示的音频文件，仅支持wav文件。"},
        {SettingsWindow::kCheckBox5, "待机休眠前关闭应用程序"},
        {SettingsWindow::kCheckBox3, "是否在热键F8、F9、F10、F11前加Ctrl键，使用该键防止软件热键冲突。"},
        // Whom start at logon serves: administrators, not standard users.
        {SettingsWindow::kCheckBox2,
         "管理员登录 Windows 时启动 Vantrel，标准用户登录时不启动（Windows XP：每个用户登录时启动）。"},
        {SettingsWindow::kEdit5, ""},
    };
    for (const auto& h : hints) EXPECT_EQ(w->Hint(w->control(h.first)), h.second) << h.first;
}

}  // namespace
}  // namespace vantrel
