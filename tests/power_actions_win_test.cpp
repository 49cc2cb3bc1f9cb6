// The power operations with the session-ending calls recorded, the wake
// timer, and the close-all step against windows of another process.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "actions/power_actions_win.h"
#include "actions/utility_actions_win.h"
#include "scheduler/conversions.h"
#include "tests/recording_system_ops.h"

namespace vantrel {
namespace {

TEST(PowerWords, EachWordCallsItsOperation) {
    struct Case {
        const char* word;
        const char* call;
    } cases[] = {
        {"注销", "ExitWindowsEx 4"},         {"待机", "SetSystemPowerState 11"},
        {"休眠", "SetSystemPowerState 10"},  {"重启", "ExitWindowsEx 6"},
        {"关机", "ExitWindowsEx 12"},        {"快速重启", "NtShutdownSystem 1"},
        {"快速关机", "NtShutdownSystem 2"},
    };
    for (const Case& c : cases) {
        testing::RecordingSystemOps ops;
        CarryOutPowerWord(c.word, "不唤醒");
        EXPECT_EQ(ops.calls, (std::vector<std::string>{c.call})) << c.word;
    }
    testing::RecordingSystemOps ops;
    for (const char* other : {"", "关闭计算机", "stale"}) CarryOutPowerWord(other, "");
    EXPECT_TRUE(ops.calls.empty());
}

TEST(WakeTimerTest, ArmsForTheChosenDayAndReplacesTheEarlierTimer) {
    testing::RecordingSystemOps ops;
    SYSTEMTIME now;
    GetLocalTime(&now);
    SuspendWithWakeTimer("第1天23时59分唤醒");
    ASSERT_TRUE(WakeTimer::IsArmed());
    SYSTEMTIME at = WakeTimer::ArmedFor();
    EXPECT_EQ(at.wYear, now.wYear);
    EXPECT_EQ(at.wMonth, now.wMonth);
    EXPECT_EQ(at.wDay, now.wDay);
    EXPECT_EQ(at.wHour, 23);
    EXPECT_EQ(at.wMinute, 59);
    EXPECT_EQ(ops.calls, (std::vector<std::string>{"SetSystemPowerState 10"}));

    SuspendWithWakeTimer("第2天7时30分唤醒");
    at = WakeTimer::ArmedFor();
    FILETIME a, b;
    SYSTEMTIME today = now;
    today.wHour = 7;
    today.wMinute = 30;
    today.wSecond = today.wMilliseconds = 0;
    SystemTimeToFileTime(&today, &a);
    SystemTimeToFileTime(&at, &b);
    ULARGE_INTEGER ua, ub;
    ua.LowPart = a.dwLowDateTime;
    ua.HighPart = a.dwHighDateTime;
    ub.LowPart = b.dwLowDateTime;
    ub.HighPart = b.dwHighDateTime;
    EXPECT_EQ(ub.QuadPart - ua.QuadPart, 24ull * 3600 * 10000000);  // tomorrow
    WakeTimer::Cancel();
    EXPECT_FALSE(WakeTimer::IsArmed());
}

TEST(WakeTimerTest, ImpossibleTimesStillSuspendWithoutATimer) {
    testing::RecordingSystemOps ops;
    WakeTimer::Cancel();
    SuspendWithWakeTimer("第1天25时0分唤醒");
    EXPECT_FALSE(WakeTimer::IsArmed());
    SuspendWithWakeTimer("不唤醒");
    EXPECT_FALSE(WakeTimer::IsArmed());
    EXPECT_EQ(ops.calls.size(), 2u);
}

TEST(WakeTimerTest, ANonNumericWakeChoiceRaisesAndDoesNotSuspend) {
    testing::RecordingSystemOps ops;
    EXPECT_THROW(CarryOutPowerWord("休眠", "第x天7时0分唤醒"), ConversionError);
    EXPECT_TRUE(ops.calls.empty());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(CloseAllWindows, OnlyOrdinaryWindowsOfOtherProgramsAreAskedToClose) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "vantrel_close_all";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* f : {"ready", "closed-normal", "closed-tool", "closed-owned", "closed-untitled",
                          "closed-hidden", "closed-minimised"})
        DeleteFileA((folder + "\\" + f).c_str());

    std::string cmd = "\"" + ProgramFolder() + "vantrel_test_window_maker.exe\" \"" + folder + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    for (int i = 0; i < 200 && !Exists(folder + "\\ready"); ++i) Sleep(50);
    ASSERT_TRUE(Exists(folder + "\\ready"));

    // A window of our own, visible and titled: left alone as well.
    HWND own = CreateWindowA("STATIC", "Own window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100,
                             100, nullptr, nullptr, nullptr, nullptr);
    // The step asks through the recorded interface; only the helper's
    // windows are then really asked, so no other program of the machine is.
    {
        testing::RecordingSystemOps ops;
        CloseAllOtherWindows();
        for (void* w : ops.askedToClose) {
            DWORD pid = 0;
            GetWindowThreadProcessId(static_cast<HWND>(w), &pid);
            if (pid == pi.dwProcessId) RealSystemOps().AskToClose(w);
        }
    }
    for (int i = 0; i < 100 && !(Exists(folder + "\\closed-normal") &&
                                 Exists(folder + "\\closed-minimised"));
         ++i)
        Sleep(50);
    Sleep(300);
    EXPECT_TRUE(Exists(folder + "\\closed-normal"));
    EXPECT_TRUE(Exists(folder + "\\closed-minimised"));
    EXPECT_FALSE(Exists(folder + "\\closed-tool"));
    EXPECT_FALSE(Exists(folder + "\\closed-owned"));
    EXPECT_FALSE(Exists(folder + "\\closed-untitled"));
    EXPECT_FALSE(Exists(folder + "\\closed-hidden"));
    EXPECT_TRUE(IsWindow(own));
    DestroyWindow(own);
    TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace
}  // namespace vantrel
