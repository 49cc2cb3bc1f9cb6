// The settings window driven through its handlers and controls, on the real
// registry under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "actions/utility_actions_win.h"
#include "app/main_window_win.h"
#include "store/registry_win.h"
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
        {
            WinRegistry reg;
            reg.OpenKey(kRunKeyPath, true);
            reg.DeleteValue(kRunValueName);
        }
    }
    void TearDown() override {
        OwnedForms::ReleaseAll();
        main_.reset();
        SetMessageBoxHook(nullptr);
        WinRegistry::DeleteTree(kKey);
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
};

TaskRecord Rec(const char* a, const char* b = "提醒", const char* c = "", const char* d = "启用") {
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
    EXPECT_EQ(client.right, 458);
    EXPECT_EQ(client.bottom, 349);
    EXPECT_EQ(Captions(w), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(w->Cell(1, 1), "每周1日9时0分");
    EXPECT_EQ(w->Cell(1, 2), "关闭计算机");
    EXPECT_EQ(w->Cell(1, 4), "禁用");
    EXPECT_EQ(WindowText(w->control(SettingsWindow::kEdit5)), "1");
    EXPECT_EQ(GetFocus(), w->control(SettingsWindow::kButton2));
    EXPECT_FALSE(main_->driver().timer1Running());
    EXPECT_EQ(CurrentEditorMode(), EditorMode::New);

    w->Button2Click();
    EXPECT_FALSE(IsWindowVisible(w->hwnd()));
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
        w->Button1Click();
        EXPECT_EQ(Int("tishi"), c.seconds) << c.wait;
        EXPECT_EQ(main_->settings().countdownLength, c.seconds);
        EXPECT_EQ(main_->view().BarMaximum(), c.seconds);
        EXPECT_FALSE(IsWindowVisible(w->hwnd()));
    }
    SettingsWindow* w = Open();
    EXPECT_EQ(WindowText(w->control(SettingsWindow::kEdit5)), "0.133333333333333");
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

TEST_F(SettingsWindowTest, TheWaitBoxTakesDigitsAndAPointOnly) {
    StartWith({});
    SettingsWindow* w = Open();
    HWND edit = w->control(SettingsWindow::kEdit5);
    SetText(edit, "");
    for (char c : std::string("1a.5-x\x16"))
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    EXPECT_EQ(WindowText(edit), "1.5");
}

TEST_F(SettingsWindowTest, StartAtLogonWritesExactlyTheProgramPath) {
    StartWith({});
    SettingsWindow* w = Open();
    CheckDlgButton(w->hwnd(), SettingsWindow::kCheckBox2, BST_CHECKED);
    w->Button1Click();
    WinRegistry reg;
    reg.OpenKey(kRunKeyPath, false);
    EXPECT_EQ(reg.ReadString(kRunValueName), ProgramPath());
    reg.CloseKey();
    w = Open();
    EXPECT_EQ(IsDlgButtonChecked(w->hwnd(), SettingsWindow::kCheckBox2), BST_CHECKED);
    w->Button2Click();

    // Another letter case is not the program's path.
    reg.OpenKey(kRunKeyPath, false);
    std::string other = ProgramPath();
    for (char& ch : other) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    reg.WriteString(kRunValueName, other);
    reg.CloseKey();
    w = Open();
    EXPECT_EQ(IsDlgButtonChecked(w->hwnd(), SettingsWindow::kCheckBox2), BST_UNCHECKED);
    w->Button1Click();
    reg.OpenKey(kRunKeyPath, false);
    EXPECT_FALSE(reg.ValueExists(kRunValueName));
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

TEST_F(SettingsWindowTest, ModifyingTaskTwoOfThreeKeepsItsStateAndMovesItsRowToTheEnd) {
    StartWith({Rec("每天1时0分"), Rec("每天2时0分", "提醒", "x", "禁用"), Rec("每天3时0分")});
    SettingsWindow* w = Open();
    w->SelectRow(1);
    w->Button5Click();
    EXPECT_EQ(CurrentEditorMode(), EditorMode::Modify);
    HWND editorWindow = nullptr;
    for (HWND e = FindWindowA("TForm5", nullptr); e; e = FindWindowExA(nullptr, e, "TForm5", nullptr))
        if (IsWindowVisible(e)) editorWindow = e;
    ASSERT_NE(editorWindow, nullptr);
    // OK as the user would press it.
    SendMessageA(editorWindow, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(Int("TaskNum"), 3);
    EXPECT_EQ(Str("D2"), "禁用");
    EXPECT_EQ(Str("A2"), "每天2时0分");
    EXPECT_EQ(Captions(w), (std::vector<std::string>{"1", "3", "2"}));
    EXPECT_EQ(w->Cell(2, 4), "禁用");
    EXPECT_EQ(CurrentEditorMode(), EditorMode::New);
}

}  // namespace
}  // namespace vantrel
