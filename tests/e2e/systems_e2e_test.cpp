// The first start on each Windows the program names. The ctest entries
// vantrel_e2e_winxp, _win7 and _win10 run this suite in a fresh prefix each:
// a 32-bit one that reports Windows XP, where the program key has no
// redirection, and 64-bit ones that report Windows 7 and 10, where the key
// of a 32-bit program lies under Wow6432Node. They say what to expect in
// VANTREL_EXPECT_WINDOWS ("5.1") and VANTREL_EXPECT_KEY (the key as the
// 64-bit view of HKEY_LOCAL_MACHINE shows it).
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "store/task_store.h"
#include "tests/e2e/e2e_support.h"

namespace vantrel {
namespace {

using namespace e2e;

std::string ReportedWindows() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto get = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW v = {};
    v.dwOSVersionInfoSize = sizeof v;
    if (!get || get(&v) != 0) return "?";
    return std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion);
}

// The number of values of a key of HKEY_LOCAL_MACHINE as it lies in the
// registry (the 64-bit view, where there is one); -1 when it is missing.
int ValuesAt(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return -1;
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(key);
    return static_cast<int>(values);
}

// Whether the shell holds the program's tray icon: changing nothing of an
// icon succeeds only for an icon that was added.
bool TrayIconPresent(HWND main) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = main;
    data.uID = 100;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

bool Loaded(DWORD pid, const char* module) {
    auto modules = ModulesOf(pid);
    return std::find(modules.begin(), modules.end(), module) != modules.end();
}

TEST(EndToEndSystems, FirstStartTrayIconCommonControlsAndAReminder) {
    const char* windows = std::getenv("VANTREL_EXPECT_WINDOWS");
    const char* key = std::getenv("VANTREL_EXPECT_KEY");
    if (!windows || !key) GTEST_SKIP() << "run by the ctest entries vantrel_e2e_win*";
    ASSERT_EQ(ReportedWindows(), windows);
    const std::string elsewhere = std::string(key).find("Wow6432Node") == std::string::npos
                                      ? "Software\\Wow6432Node\\Brelnix\\Vantrel"
                                      : "Software\\Brelnix\\Vantrel";
    ASSERT_EQ(ValuesAt(key), -1) << "the prefix is not fresh";
    {
        Vantrel v;
        ASSERT_TRUE(v.Start());
        EXPECT_TRUE(WaitFor([&] { return ValuesAt(key) == 6; }, 10000)) << key;
        EXPECT_EQ(ValuesAt(elsewhere), -1) << elsewhere;
        EXPECT_TRUE(WaitFor([&] { return TrayIconPresent(v.MainWindow()); }, 5000));
        // Loaded before the first window, so that XP can create any.
        EXPECT_TRUE(Loaded(v.pid(), "comctl32.dll"));
        // The menu key on the icon opens the menu, whichever notify-icon
        // version this system gave (3 on XP, 4 later), and Esc closes it.
        PostMessageA(v.MainWindow(), WM_USER + 1, MAKEWPARAM(200, 200), WM_CONTEXTMENU);
        EXPECT_TRUE(WaitFor([] { return FindWindowA("#32768", nullptr) != nullptr; }, 5000));
        keybd_event(VK_ESCAPE, 0, 0, 0);
        keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
        EXPECT_TRUE(WaitFor([] {
            HWND menu = FindWindowA("#32768", nullptr);
            return !menu || !IsWindowVisible(menu);
        }, 5000));
    }
    WriteTasks({{DailyForNextTicks(), "提醒", "系统提醒"}}, 60);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    EXPECT_TRUE(WaitFor([&] { return ReminderShown(v.pid(), "系统提醒"); }, 15000));
}

std::string RunValue() {
    WinRegistry reg;
    if (!reg.OpenKey(kRunKeyPath, false) || !reg.ValueExists(kRunValueName)) return "<missing>";
    return reg.ReadString(kRunValueName);
}

// Opens the settings window as a second start of the program asks for it.
HWND OpenSettings(const Vantrel& v) {
    PostMessageA(v.MainWindow(), RegisterWindowMessageA("Brelnix.Vantrel.OpenSettings"), 0, 0);
    HWND settings = nullptr;
    WaitFor([&] {
        auto shown = Visible(WindowsOf("TForm3", v.pid()));
        return (settings = shown.empty() ? nullptr : shown[0]) != nullptr;
    }, 5000);
    return settings;
}

// Sets the start-at-logon box and presses OK.
void SetBoxAndConfirm(HWND settings, bool ticked) {
    const int kCheckBox2 = 122, kButton1 = 201;
    SendMessageA(GetDlgItem(settings, kCheckBox2), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(GetDlgItem(settings, kButton1), BM_CLICK, 0, 0);
    WaitFor([&] { return !IsWindowVisible(settings); }, 5000);
}

// The box sets what this Windows honours: from Vista on a task in Task
// Scheduler (Wine keeps only its settings, not its trigger, principal or
// command), on XP the quoted Run value.
TEST(EndToEndSystems, TheStartAtLogonBoxRegistersATaskFromVistaOnAndTheQuotedRunValueOnXp) {
    const char* windows = std::getenv("VANTREL_EXPECT_WINDOWS");
    if (!windows) GTEST_SKIP() << "run by the ctest entries vantrel_e2e_win*";
    const bool xp = std::string(windows) == "5.1";
    ASSERT_EQ(StoredTask("Vantrel"), "") << "the prefix is not fresh";
    Vantrel v;
    ASSERT_TRUE(v.Start());
    HWND settings = OpenSettings(v);
    ASSERT_NE(settings, nullptr);
    SetBoxAndConfirm(settings, true);
    if (xp) {
        EXPECT_EQ(RunValue(), "\"" + ExePath() + "\"");
        EXPECT_EQ(StoredTask("Vantrel"), "");
        settings = OpenSettings(v);
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(IsDlgButtonChecked(settings, 122), BST_CHECKED);
    } else {
        EXPECT_EQ(RunValue(), "<missing>");
        const std::string task = StoredTask("Vantrel");
        for (const char* setting :
             {"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>", "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
              "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>", "<Priority>4</Priority>",
              "<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"})
            EXPECT_NE(task.find(setting), std::string::npos) << setting << " in " << task;
        settings = OpenSettings(v);
        ASSERT_NE(settings, nullptr);
    }
    SetBoxAndConfirm(settings, false);
    EXPECT_EQ(RunValue(), "<missing>");
    EXPECT_EQ(StoredTask("Vantrel"), "");
}

}  // namespace
}  // namespace vantrel
