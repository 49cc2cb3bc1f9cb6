// A hostile registry under Wine: values of every wrong type, huge and
// malformed texts, corrupt counts, a missing key. Each case must leave the
// program running, lose no other task and show exactly the error boxes
// expected: one for a value it cannot read where it reads it, none elsewhere.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "scheduler/clock.h"
#include "registry/registry_win.h"
#include "tests/main_window_fixture_win.h"
#include "tests/recording_system_ops.h"
#include "tests/registry_fixture.h"
#include "ui/settings_window_win.h"
#include "ui/task_editor_win.h"

namespace vantrel {
namespace {

using testing::RawType;

const char kKey[] = "\\Software\\Brelnix\\VantrelHostileTest";

void Plant(const std::string& name, RawType type, const std::string& bytes) {
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey + 1, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

struct WrongType {
    RawType type;
    std::string bytes;
};

std::vector<WrongType> WrongTypesFor(bool isString) {
    std::vector<WrongType> all = {{testing::kRawBinary, "\x01\x02\x03"},
                                  {testing::kRawMultiSz, std::string("a\0b\0\0", 5)},
                                  {testing::kRawQword, std::string(8, '\x01')}};
    if (isString)
        all.push_back({testing::kRawDword, std::string("\x05\0\0\0", 4)});
    else
        all.push_back({testing::kRawSz, std::string("60\0", 3)});
    return all;
}

std::string DueNow() { return testing::DailyForNow(50); }

class HostileRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        WinRegistry::DeleteTree(kKey);
        SetMessageBoxHook([this](const char* text, const char*, UINT) {
            boxes_.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override {
        OwnedForms::ReleaseAll();
        main_.reset();
        SetMessageBoxHook(nullptr);
        WinRegistry::DeleteTree(kKey);
    }
    void Start() {
        main_ = testing::StartTestMainWindow(kKey);
        ASSERT_NE(main_, nullptr);
    }
    SettingsWindow* OpenSettings() { return testing::OpenSettingsFromMenu(*main_); }
    std::vector<std::string> Captions(SettingsWindow* w) { return testing::RowCaptions(w); }
    // The tick as the timer runs it; returns the reminders it asked for.
    size_t RemindersAfterATick() {
        size_t before = OwnedForms::Count();
        main_->driver().Timer1Timer();
        return OwnedForms::Count() - before;
    }
    void Restart() {
        OwnedForms::ReleaseAll();
        main_.reset();
        Start();
    }

    testing::RecordingSystemOps ops_;
    std::unique_ptr<MainWindow> main_;
    std::vector<std::string> boxes_;
};

TEST_F(HostileRegistry, EveryWrongTypeInEachSettingsValueAtStartUp) {
    // readBySettings: the settings window reads the value from the registry
    // (the others it takes from the program's copies).
    struct Setting {
        const char* name;
        bool isString;
        bool readBySettings;
    } settings[] = {{"shutapp", false, true}, {"soundpath", true, false}, {"tishi", false, true},
                    {"TaskNum", false, false}, {"kaiji", false, true},  {"rejian", false, false}};
    for (const Setting& s : settings) {
        for (const WrongType& w : WrongTypesFor(s.isString)) {
            WinRegistry::DeleteTree(kKey);
            testing::StoreRecords(kKey, {{"每天1时0分", "提醒", "a", "启用"}});
            Plant(s.name, w.type, w.bytes);
            Start();
            EXPECT_EQ(main_->startupErrors().size(), 1u) << s.name << " " << w.type;
            EXPECT_TRUE(main_->driver().timer1Running()) << s.name;
            EXPECT_TRUE(IsWindow(main_->hwnd()));
            // The settings window opens and lists what it can, with one box
            // for a bad value it reads.
            boxes_.clear();
            SettingsWindow* win = OpenSettings();
            ASSERT_NE(win, nullptr);
            EXPECT_EQ(boxes_.size(), s.readBySettings ? 1u : 0u) << s.name;
            // A TaskNum of the wrong type too: the count comes from the records.
            EXPECT_EQ(Captions(win), (std::vector<std::string>{"1"})) << s.name;
            win->Button2Click();
            OwnedForms::ReleaseAll();
            main_.reset();
        }
    }
}

TEST_F(HostileRegistry, WrongTypesInTaskValuesSkipThatTaskOnly) {
    for (const char* letter : {"A", "B", "C", "D"}) {
        for (const WrongType& w : WrongTypesFor(true)) {
            WinRegistry::DeleteTree(kKey);
            std::string due = DueNow();
            testing::StoreRecords(kKey, {{due, "提醒", "first", "启用"}, {due, "提醒", "second", "启用"}});
            Plant(std::string(letter) + "1", w.type, w.bytes);
            Start();
            boxes_.clear();
            EXPECT_EQ(RemindersAfterATick(), 1u) << letter << " " << w.type;
            EXPECT_TRUE(boxes_.empty());
            main_->driver().Timer3Timer();

            SettingsWindow* win = OpenSettings();
            EXPECT_EQ(Captions(win), (std::vector<std::string>{"1", "2"})) << letter;
            EXPECT_EQ(boxes_.size(), 1u) << letter;
            // Modifying the damaged task opens it in modify mode, and OK
            // rewrites it in place.
            boxes_.clear();
            win->SelectRow(0);
            TaskEditor* editor = testing::EditorOpenedBy([&] { win->Button5Click(); });
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(editor->mode(), EditorMode::Modify);
            // The editor loads A, B and C; a bad one of them is reported once.
            EXPECT_EQ(boxes_.size(), std::string(letter) == "D" ? 0u : 1u) << letter;
            SendMessageA(editor->control(TaskEditor::kRadioButton3), BM_CLICK, 0, 0);
            SendMessageA(editor->hwnd(), WM_COMMAND, TaskEditor::kButton2, 0);
            WinRegistry reg;
            reg.OpenKey(kKey, false);
            EXPECT_EQ(reg.ReadInteger("TaskNum"), 2) << letter;
            EXPECT_EQ(reg.TypeOf("A1"), ValueType::String) << letter;
            EXPECT_EQ(reg.ReadString("C2"), "second");
            reg.CloseKey();
            OwnedForms::ReleaseAll();
            main_.reset();
        }
    }
}

TEST_F(HostileRegistry, HugeUnterminatedAndMalformedTexts) {
    std::string due = DueNow();
    testing::StoreRecords(kKey, {{"", "提醒", "", "启用"},
                                 {"每天\x81", "提醒", "\x81", "启用"},
                                 {due, "提醒", "last", "启用"}});
    Plant("A1", testing::kRawSz, std::string(1024 * 1024, 'x') + '\0');
    Plant("C1", testing::kRawSz, "\xFF\xFE\x81");  // no terminating NUL, not GBK
    Start();
    EXPECT_EQ(RemindersAfterATick(), 1u);
    main_->driver().Timer3Timer();
    SettingsWindow* win = OpenSettings();
    EXPECT_EQ(Captions(win), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(boxes_.empty());
    win->SelectRow(1);
    TaskEditor* editor = testing::EditorOpenedBy([&] { win->Button5Click(); });
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->mode(), EditorMode::Modify);
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(HostileRegistry, CorruptTaskCounts) {
    // A TaskNum of 0 is plausible: the two records lie above it and are no
    // tasks (start-up says so), and the next add takes their place.
    struct Case {
        std::int32_t stored;
        int counted;
        size_t listed;
        size_t startupErrors;
    } cases[] = {{-1, 2, 2, 0}, {0, 0, 0, 1}, {2147483647, 2, 2, 0}};
    for (const Case& c : cases) {
        WinRegistry::DeleteTree(kKey);
        testing::StoreRecords(kKey, {{DueNow(), "提醒", "a", "启用"}, {"每天1时0分", "提醒", "b", "启用"}});
        {
            WinRegistry reg;
            reg.OpenKey(kKey, false);
            reg.WriteInteger("TaskNum", c.stored);
        }
        Start();
        EXPECT_EQ(main_->settings().taskCount, c.counted) << c.stored;
        EXPECT_EQ(main_->startupErrors().size(), c.startupErrors) << c.stored;
        EXPECT_EQ(RemindersAfterATick(), c.counted > 0 ? 1u : 0u) << c.stored;
        main_->driver().Timer3Timer();
        SettingsWindow* win = OpenSettings();
        EXPECT_EQ(static_cast<size_t>(win->RowCount()), c.listed) << c.stored;
        // A new task goes after the records TaskNum counts, and no task of
        // them is lost.
        int n = main_->store().Append(main_->settings(), "每天3时0分", "提醒", "new");
        EXPECT_EQ(n, c.counted + 1) << c.stored;
        WinRegistry reg;
        reg.OpenKey(kKey, false);
        EXPECT_EQ(reg.ReadInteger("TaskNum"), c.counted + 1);
        EXPECT_EQ(reg.ReadString("C1"), c.counted > 0 ? "a" : "new");
        EXPECT_EQ(reg.ReadString("C2"), c.counted > 0 ? "b" : "");
        EXPECT_TRUE(boxes_.empty()) << c.stored;
        reg.CloseKey();
        OwnedForms::ReleaseAll();
        main_.reset();
    }
}

TEST_F(HostileRegistry, TheProgramKeyMissingOrDeletedWhileRunning) {
    Start();  // a missing key is created with its defaults
    testing::StoreRecords(kKey, {{DueNow(), "提醒", "x", "启用"}});
    WinRegistry::DeleteTree(kKey);
    boxes_.clear();
    EXPECT_EQ(RemindersAfterATick(), 0u);
    EXPECT_TRUE(boxes_.empty());
    SettingsWindow* win = OpenSettings();
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->RowCount(), 0);
    EXPECT_EQ(boxes_.size(), 1u);  // the settings values it cannot read, once
    win->Button1Click();  // OK writes the options back
    EXPECT_TRUE(main_->driver().timer1Running());
    WinRegistry reg;
    EXPECT_TRUE(reg.OpenKey(kKey, false));
    EXPECT_EQ(reg.ReadInteger("tishi"), 60);
}

TEST_F(HostileRegistry, FieldsOutOfRangeAreNeverDueAndStillEditable) {
    std::vector<TaskRecord> records;
    for (const char* a : {"每天25时70分", "每月32日9时0分", "每年13月1日0时0分", "开机-1时0分",
                          "每隔0分开始0时0分", "一次9999/99/99日0时0分", "空闲99999999999分钟",
                          "每周9日0时0分"})
        records.push_back({a, "提醒", a, "启用"});
    testing::StoreRecords(kKey, records);
    Start();
    EXPECT_EQ(RemindersAfterATick(), 0u);
    SettingsWindow* win = OpenSettings();
    EXPECT_EQ(win->RowCount(), 8);
    for (int row = 0; row < 8; ++row) {
        win->SelectRow(0);  // the modified row moves to the end each time
        TaskEditor* editor = testing::EditorOpenedBy([&] { win->Button5Click(); });
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->mode(), EditorMode::Modify);
        SendMessageA(editor->control(TaskEditor::kRadioButton3), BM_CLICK, 0, 0);
        SendMessageA(editor->hwnd(), WM_COMMAND, TaskEditor::kButton2, 0);
    }
    EXPECT_TRUE(boxes_.empty());
    WinRegistry reg;
    reg.OpenKey(kKey, false);
    EXPECT_EQ(reg.ReadInteger("TaskNum"), 8);
}

}  // namespace
}  // namespace vantrel
