// A user who is not an administrator, with the administrator test answered
// "no" (the machine's accounts stay as they are): the settings window
// read-only with its shield button, the menu's refused items greyed, and
// under baohu a countdown without 取消 and 推迟.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "app/elevated_settings_win.h"
#include "app/main_window_win.h"
#include "registry/registry_win.h"
#include "tests/main_window_fixture_win.h"
#include "tests/recording_system_ops.h"
#include "text/codepage_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelStandardUserTest";

bool NotAdministrator() { return false; }
bool Administrator() { return true; }

class StandardUserTest : public ::testing::Test {
protected:
    void SetUp() override { WinRegistry::DeleteTree(kKey); }
    void TearDown() override {
        main_.reset();
        OwnedForms::ReleaseAll();
        WinRegistry::DeleteTree(kKey);
    }
    void Start(bool administrator, std::int32_t baohu) {
        {
            WinRegistry reg;
            reg.OpenKey(kKey, true);
            reg.WriteInteger("tishi", 60);
            reg.WriteInteger("baohu", baohu);
        }
        testing::StoreRecords(kKey, {{"每天1时2分", "提醒", "早", "启用"}});
        main_ = testing::StartTestMainWindow(kKey, "", "", false,
                                             administrator ? &Administrator : &NotAdministrator);
        ASSERT_NE(main_, nullptr);
    }
    testing::RecordingSystemOps ops_;
    std::unique_ptr<MainWindow> main_;
};

std::string Text(HWND w) {
    wchar_t buffer[256] = {0};
    GetWindowTextW(w, buffer, 256);
    return Narrow(buffer);
}

// Each row: a menu item and whether a standard user finds it enabled (with
// monitoring on). An administrator finds every one enabled.
struct MenuRow {
    UINT item;
    bool standardUser;
};
const MenuRow kMenuRows[] = {
    {kMenuMonitor, false},  // on: choosing it switches monitoring off
    {kMenuSettings, true},  // opens read-only
    {kMenuPause + 0, false},      {kMenuPause + 3, false},
    {kMenuQuickTimer + 0, false}, {kMenuQuickTimer + 3, false},
    {kMenuCleanJunk, false},
    {kMenuLogOff, true},          {kMenuStandby, true},   {kMenuRestart, true},
    {kMenuPowerOff, true},        {kMenuFastShutdown, true},
    {kMenuAbout, true},           {kMenuHelp, true},      {kMenuExit, true},
};

TEST_F(StandardUserTest, TheMenuGreysWhatTheUserMayNotDo) {
    for (bool administrator : {false, true}) {
        SCOPED_TRACE(administrator ? "administrator" : "standard user");
        Start(administrator, 0);
        for (const MenuRow& row : kMenuRows)
            EXPECT_EQ(main_->menu().Enabled(row.item), administrator || row.standardUser)
                << main_->menu().Caption(row.item);
        // A greyed item's command, sent anyway, does nothing.
        main_->OnCommand(kMenuPause + 0);
        EXPECT_EQ(main_->runner().pausedUntil().has_value(), administrator);
        main_.reset();
        WinRegistry::DeleteTree(kKey);
    }
}

TEST_F(StandardUserTest, SwitchingMonitoringBackOnStaysOpen) {
    Start(false, 0);
    // Off as an administrator left it; the standard user may switch it on.
    main_->runner().SwitchMonitoring();
    EXPECT_FALSE(main_->runner().gate().monitoring);
    EXPECT_TRUE(main_->menu().Enabled(kMenuMonitor));
    main_->OnCommand(kMenuMonitor);
    EXPECT_TRUE(main_->runner().gate().monitoring);
    EXPECT_FALSE(main_->menu().Enabled(kMenuMonitor));
}

// A pause an administrator began: switching monitoring on would end it, which
// needs what pausing needs.
TEST_F(StandardUserTest, APauseStaysForAStandardUser) {
    Start(false, 0);
    main_->runner().Pause(PauseChoice::OneHour);
    ASSERT_TRUE(main_->runner().pausedUntil().has_value());
    EXPECT_FALSE(main_->menu().Enabled(kMenuMonitor));
    main_->OnCommand(kMenuMonitor);
    EXPECT_TRUE(main_->runner().pausedUntil().has_value());
}

const int kInputs[] = {SettingsWindow::kButton4,   SettingsWindow::kButton5,   SettingsWindow::kButton6,
                       SettingsWindow::kCheckBox2, SettingsWindow::kEdit5,     SettingsWindow::kCheckBox5,
                       SettingsWindow::kEdit8,     SettingsWindow::kButton3,   SettingsWindow::kCheckBox1,
                       SettingsWindow::kCheckBox3, SettingsWindow::kButton1,   SettingsWindow::kButton7};

TEST_F(StandardUserTest, TheSettingsWindowOpensReadOnlyWithTheShieldButton) {
    for (bool administrator : {false, true}) {
        SCOPED_TRACE(administrator ? "administrator" : "standard user");
        Start(administrator, 0);
        SettingsWindow* w = testing::OpenSettingsFromMenu(*main_);
        ASSERT_NE(w, nullptr);
        const HWND window = w->hwnd();
        for (int id : kInputs)
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(window, id)) != FALSE, administrator) << id;
        EXPECT_EQ(IsWindowEnabled(w->combo()) != FALSE, administrator);
        // The list is still there to read, and 取消 still closes.
        EXPECT_TRUE(IsWindowEnabled(w->list()));
        EXPECT_EQ(w->RowCount(), 1);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, SettingsWindow::kButton2)));
        const HWND change = GetDlgItem(window, SettingsWindow::kButton8);
        EXPECT_EQ(change != nullptr, !administrator);
        if (change) {
            EXPECT_EQ(Text(change), "以管理员身份更改");
            EXPECT_TRUE(IsWindowVisible(change));
            EXPECT_TRUE(IsWindowEnabled(change));
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, SettingsWindow::kButton1)));
        }
        // The enable combo, reached anyway, changes nothing.
        if (!administrator) {
            w->SelectRow(0);
            w->ListView1Click();
            SendMessageW(w->combo(), CB_SETCURSEL, 1, 0);
            w->ComboBox1Change();
            EXPECT_EQ(main_->store().ReadValue('D', 1), "启用");
        }
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(SettingsWindow::kButton2, BN_CLICKED), 0);
        EXPECT_FALSE(IsWindow(window));
        main_.reset();
        WinRegistry::DeleteTree(kKey);
    }
}

// Each row: who, baohu, and whether the countdown offers 取消 and 推迟.
struct CountdownRow {
    bool administrator;
    std::int32_t baohu;
    bool offered;
};
const CountdownRow kCountdownRows[] = {
    {false, 1, false},
    {false, 0, true},
    {true, 1, true},
};

TEST_F(StandardUserTest, UnderBaohuAStandardUsersCountdownHasNeitherCancelNorPostpone) {
    for (const CountdownRow& row : kCountdownRows) {
        SCOPED_TRACE(std::string(row.administrator ? "administrator" : "standard user") + " baohu " +
                     std::to_string(row.baohu));
        Start(row.administrator, row.baohu);
        main_->runner().tickState().pendingAction = "关机";
        main_->driver().StartCountdown("关机", false);
        for (HWND b : {main_->view().cancel(), main_->view().postpone()}) {
            EXPECT_EQ(IsWindowVisible(b) != FALSE, row.offered);
            EXPECT_EQ(IsWindowEnabled(b) != FALSE, row.offered);
        }
        EXPECT_TRUE(IsWindowVisible(main_->view().actNow()));
        // Without 取消, no button has the focus: Space must not act now.
        EXPECT_EQ(GetFocus() == main_->view().cancel(), row.offered);
        EXPECT_NE(GetFocus(), main_->view().actNow());
        // Esc (and Enter) cancel only where 取消 is offered.
        main_->OnCommand(IDCANCEL);
        EXPECT_EQ(main_->runner().counting(), !row.offered);
        EXPECT_TRUE(ops_.calls.empty());
        main_.reset();
        OwnedForms::ReleaseAll();
        WinRegistry::DeleteTree(kKey);
    }
}

TEST(SettingsOnlyArgument, IsTheWholeFirstWord) {
    const struct {
        const char* line;
        bool asks;
    } rows[] = {
        {"/settings", true}, {"  /SETTINGS", true}, {"/settings more", true},
        {"", false},         {"/settingsx", false}, {"settings", false}, {"x /settings", false},
        {nullptr, false},
    };
    for (const auto& r : rows) EXPECT_EQ(AsksForSettingsOnly(r.line), r.asks) << (r.line ? r.line : "null");
}

}  // namespace
}  // namespace vantrel
