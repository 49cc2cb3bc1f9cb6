// Every window as a keyboard and screen-reader user meets it, by the rules
// Windows applies: an input without text of its own is named by the nearest
// STATIC before it in z-order (the search stops at a group or tab-stop
// control); access keys are unique within a window and within a menu; Tab
// visits the controls in reading order.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "app/shell_texts.h"
#include "app/tray_menu_win.h"
#include "registry/registry_win.h"
#include "store/extra_settings.h"
#include "tests/main_window_fixture_win.h"
#include "tests/recording_system_ops.h"
#include "text/codepage_win.h"
#include "ui/about_window_win.h"
#include "ui/more_settings_window_win.h"
#include "ui/settings_window_win.h"
#include "ui/task_editor_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelAccessibleTest";

std::string ClassOf(HWND w) {
    char name[64] = {0};
    GetClassNameA(w, name, sizeof name);
    return name;
}

bool IsInput(HWND w) {
    const std::string c = ClassOf(w);
    return c == "Edit" || c == "ComboBox" || c == "SysDateTimePick32" || c == "SysListView32";
}

// A label's text as read out: "&&" is "&", a single "&" marks the access key.
std::string Spoken(HWND label) {
    const std::string text = WindowText(label);
    if (GetWindowLongA(label, GWL_STYLE) & SS_NOPREFIX) return text;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

// The name the rule gives an input without text of its own.
std::string NameByRule(HWND input) {
    for (HWND w = GetWindow(input, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
        if (ClassOf(w) == "Static") return Spoken(w);
        const LONG style = GetWindowLongA(w, GWL_STYLE);
        const bool groupBox = ClassOf(w) == "Button" && (style & 0x0F) == BS_GROUPBOX;
        if (groupBox || (style & (WS_GROUP | WS_TABSTOP))) return "";
    }
    return "";
}

// The access key a caption offers: the character after a single '&',
// folded to upper case; 0 without one.
char AccessKey(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return static_cast<char>(toupper(static_cast<unsigned char>(caption[i + 1])));
        ++i;
    }
    return 0;
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> all;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all.push_back(c);
    return all;
}

RECT RectIn(HWND window, HWND c) {
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The tab stops a user can reach, in reading order: rows from the top, a
// control joining a row when its middle lies within the row's first
// control's height; left to right within a row.
std::vector<HWND> ReadingOrder(HWND window) {
    std::vector<HWND> stops;
    for (HWND c : Children(window))
        if ((GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(c) && IsWindowEnabled(c))
            stops.push_back(c);
    std::sort(stops.begin(), stops.end(), [&](HWND a, HWND b) { return RectIn(window, a).top < RectIn(window, b).top; });
    std::vector<HWND> ordered;
    for (size_t i = 0; i < stops.size();) {
        const RECT first = RectIn(window, stops[i]);
        size_t end = i;
        while (end < stops.size()) {
            const RECT r = RectIn(window, stops[end]);
            const LONG middle = (r.top + r.bottom) / 2;
            if (middle < first.top || middle > first.bottom) break;
            ++end;
        }
        std::vector<HWND> row(stops.begin() + i, stops.begin() + end);
        std::sort(row.begin(), row.end(), [&](HWND a, HWND b) { return RectIn(window, a).left < RectIn(window, b).left; });
        ordered.insert(ordered.end(), row.begin(), row.end());
        i = end;
    }
    return ordered;
}

std::vector<HWND> TabSequence(HWND window) {
    std::vector<HWND> seen;
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND c = first; c && seen.size() < 100; c = GetNextDlgTabItem(window, c, FALSE)) {
        if (!seen.empty() && c == first) break;
        seen.push_back(c);
    }
    // Started from wherever Windows begins: rotate to the reading order's
    // first control, since Tab cycles.
    const std::vector<HWND> reading = ReadingOrder(window);
    if (!reading.empty()) {
        auto at = std::find(seen.begin(), seen.end(), reading.front());
        if (at != seen.end()) std::rotate(seen.begin(), at, seen.end());
    }
    return seen;
}

std::string Describe(const std::vector<HWND>& controls) {
    std::string out;
    for (HWND c : controls) out += ClassOf(c) + "(" + std::to_string(GetDlgCtrlID(c)) + ") ";
    return out;
}

// Names every input of `window` by the rule, with the words that follow an
// input on its right (its units) gathered on the way.
struct Named {
    std::map<int, std::string> names;  // control id -> name
    std::set<std::string> units;
};
Named NamesOf(HWND window) {
    Named n;
    const std::vector<HWND> all = Children(window);
    for (size_t i = 0; i < all.size(); ++i) {
        if (!IsInput(all[i])) continue;
        n.names[GetDlgCtrlID(all[i])] = NameByRule(all[i]);
        if (i + 1 == all.size() || ClassOf(all[i + 1]) != "Static" || !IsWindowVisible(all[i + 1])) continue;
        // A unit stands to the right of its box, on its row.
        const RECT box = RectIn(window, all[i]), after = RectIn(window, all[i + 1]);
        const LONG middle = (after.top + after.bottom) / 2;
        if (after.left >= box.right && middle >= box.top && middle <= box.bottom) n.units.insert(Spoken(all[i + 1]));
    }
    return n;
}

// What every window must hold, whatever its table says: names, keys, order.
void CheckWindow(HWND window, const std::map<int, std::string>& expected, const std::string& what) {
    const Named n = NamesOf(window);
    for (const auto& entry : n.names) {
        EXPECT_FALSE(entry.second.empty()) << what << " control " << entry.first << " has no name";
        EXPECT_EQ(n.units.count(entry.second), 0u) << what << " control " << entry.first << " is named by a unit";
    }
    for (const auto& e : expected) {
        auto found = n.names.find(e.first);
        ASSERT_NE(found, n.names.end()) << what << " control " << e.first;
        EXPECT_EQ(found->second, e.second) << what << " control " << e.first;
    }
    std::map<char, std::string> keys;
    for (HWND c : Children(window)) {
        if (!IsWindowVisible(c) || ClassOf(c) == "Edit" || ClassOf(c) == "ComboBox") continue;
        const char key = AccessKey(WindowText(c));
        if (!key) continue;
        EXPECT_EQ(keys.count(key), 0u) << what << ": &" << key << " in \"" << keys[key] << "\" and \"" << WindowText(c) << "\"";
        keys[key] = WindowText(c);
    }
    const std::vector<HWND> reading = ReadingOrder(window);
    EXPECT_EQ(TabSequence(window), reading) << what << "\n tab:     " << Describe(TabSequence(window))
                                          << "\n reading: " << Describe(reading);
}

void CheckMenu(HMENU menu, const std::string& what) {
    std::map<char, std::string> keys;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t buffer[256] = {0};
        GetMenuStringW(menu, i, buffer, 256, MF_BYPOSITION);
        const std::string caption = Narrow(buffer);
        if (const char key = AccessKey(caption)) {
            EXPECT_EQ(keys.count(key), 0u) << what << ": &" << key << " in \"" << keys[key] << "\" and \"" << caption << "\"";
            keys[key] = caption;
        }
        if (HMENU sub = GetSubMenu(menu, i)) CheckMenu(sub, what + " > " + caption);
    }
}

class AccessibleWindows : public ::testing::Test {
protected:
    void SetUp() override {
        WinRegistry::DeleteTree(kKey);
        SetMessageBoxHook([](const char*, const char*, UINT) { return IDOK; });
        testing::StoreRecords(kKey, {});
        main_ = testing::StartTestMainWindow(kKey);
        ASSERT_NE(main_, nullptr);
    }
    void TearDown() override {
        OwnedForms::ReleaseAll();
        main_.reset();
        SetMessageBoxHook(nullptr);
        WinRegistry::DeleteTree(kKey);
    }
    testing::RecordingSystemOps ops_;
    std::unique_ptr<MainWindow> main_;
};

TEST_F(AccessibleWindows, SettingsAndMoreSettings) {
    SettingsWindow* w = testing::OpenSettingsFromMenu(*main_);
    ASSERT_TRUE(w);
    CheckWindow(w->hwnd(),
                {{SettingsWindow::kEdit5, "关机前等待(W):"},
                 {SettingsWindow::kEdit8, "关机前声音提示(V):"},
                 {SettingsWindow::kListView1, "任务列表"}},
                "settings");
    EXPECT_EQ(GetFocus(), w->control(SettingsWindow::kButton2));

    SendMessageA(w->hwnd(), WM_COMMAND, SettingsWindow::kButton7, 0);
    auto* more = dynamic_cast<MoreSettingsWindow*>(Form::FromHandle(FindWindowA("TForm7", nullptr)));
    ASSERT_TRUE(more);
    CheckWindow(more->hwnd(), {}, "more settings");
    // Each box is named by its own setting's label, and every row offers a
    // key that reaches its box.
    int boxes = 0;
    for (const ExtraSetting& s : ExtraSettings()) {
        HWND field = more->Field(s.name);
        if (ClassOf(field) == "Edit") {
            ++boxes;
            EXPECT_EQ(NameByRule(field).rfind(s.label, 0), 0u) << s.name << ": " << NameByRule(field);
            EXPECT_NE(AccessKey(WindowText(GetWindow(field, GW_HWNDPREV))), 0) << s.name;
        } else {
            EXPECT_NE(AccessKey(WindowText(field)), 0) << s.name;
        }
    }
    EXPECT_GT(boxes, 0);
}

// Every schedule kind and the wake picker of hibernation shown.
TEST_F(AccessibleWindows, EditorInEachScheduleKind) {
    using E = TaskEditor;
    const std::map<int, std::string> names = {
        {E::kEdit1, "空闲分钟数"},       {E::kDateTimePicker1, "一次的日期"},  {E::kDateTimePicker2, "一次的时间"},
        {E::kDateTimePicker3, "每天的时间"}, {E::kComboBox1, "每周的第几日"}, {E::kDateTimePicker4, "每周的时间"},
        {E::kComboBox2, "每月的第几日"}, {E::kDateTimePicker5, "每月的时间"},  {E::kComboBox3, "每年的月份"},
        {E::kComboBox4, "每年的第几日"}, {E::kDateTimePicker6, "每年的时间"},  {E::kEdit3, "开机后小时数"},
        {E::kEdit4, "开机后分钟数"},     {E::kEdit2, "每隔分钟数"},         {E::kDateTimePicker7, "每隔的开始时间"},
        {E::kDateTimePicker8, "唤醒时间"},  {E::kComboBox5, "任务类型(K):"},
    };
    E* e = E::Open(*main_);
    ASSERT_TRUE(e);
    for (int radio = E::kRadioButton1; radio <= E::kRadioButton8; ++radio) {
        SendMessageA(e->control(radio), BM_CLICK, 0, 0);
        PumpMessages();
        std::map<int, std::string> expected = names;
        expected[E::kComboBox6] = WindowText(e->control(E::kLabel6));
        CheckWindow(e->hwnd(), expected, "editor, kind " + std::to_string(radio - E::kRadioButton1));
    }
    const int hibernate = 7;
    SendMessageA(e->control(E::kComboBox5), CB_SETCURSEL, hibernate, 0);
    e->ComboBox5Change();
    ASSERT_TRUE(IsWindowVisible(e->control(E::kDateTimePicker8)));
    CheckWindow(e->hwnd(), names, "editor, hibernate");
}

TEST_F(AccessibleWindows, AboutCountdownAndTheTrayMenu) {
    AboutWindow* about = ShowAboutWindow();
    ASSERT_TRUE(about);
    CheckWindow(about->hwnd(), {}, "About");

    main_->runner().tickState().pendingAction = "关机";
    main_->driver().StartCountdown("关机", false);
    ASSERT_TRUE(IsWindowVisible(main_->hwnd()));
    CheckWindow(main_->hwnd(), {}, "countdown");
    EXPECT_EQ(GetFocus(), main_->view().cancel());
    // Every button is a tab stop, so each can be reached without a mouse.
    const std::vector<HWND> stops = TabSequence(main_->hwnd());
    for (HWND b : {main_->view().actNow(), main_->view().postpone(), main_->view().cancel()})
        EXPECT_NE(std::find(stops.begin(), stops.end(), b), stops.end());

    for (std::int32_t ctrl : {0, 1}) {
        main_->menu().SetHotkeyCaptions(MenuCaptionsFor(ctrl, "someone"));
        CheckMenu(main_->menu().handle(), "tray menu");
    }
}

// The windows that were told of a change of the system's colours.
std::set<HWND>* g_told = nullptr;
LRESULT CALLBACK SeeColourChange(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && g_told && m->message == WM_SYSCOLORCHANGE) g_told->insert(m->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// High Contrast switched on: Windows tells the top-level windows only, and
// each passes it on so that its common controls (the list, the date and
// time pickers) take the new colours.
TEST_F(AccessibleWindows, AChangeOfSystemColoursReachesEveryControl) {
    SettingsWindow* settings = testing::OpenSettingsFromMenu(*main_);
    ASSERT_TRUE(settings);
    TaskEditor* editor = TaskEditor::Open(*main_);
    ASSERT_TRUE(editor);
    std::set<HWND> told;
    g_told = &told;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, SeeColourChange, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    for (HWND window : {settings->hwnd(), editor->hwnd()}) {
        SendMessageW(window, WM_SYSCOLORCHANGE, 0, 0);
        for (HWND c : Children(window)) EXPECT_EQ(told.count(c), 1u) << ClassOf(c) << " " << GetDlgCtrlID(c);
    }
    UnhookWindowsHookEx(hook);
    g_told = nullptr;
}

}  // namespace
}  // namespace vantrel
