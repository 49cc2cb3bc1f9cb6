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
    }
    WriteTasks({{DailyForNextTicks(), "提醒", "系统提醒"}}, 60);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    EXPECT_TRUE(WaitFor([&] { return ReminderShown(v.pid(), "系统提醒"); }, 15000));
}

}  // namespace
}  // namespace vantrel
