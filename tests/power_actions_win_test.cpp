// The power operations with the session-ending calls recorded, the wake
// timer, and the close-all step against windows of another process.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "actions/power_actions_win.h"
#include "actions/system_ops_win.h"
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
        {"注销", "ExitWindowsEx 20"},         {"待机", "SetSystemPowerState 11"},
        {"休眠", "SetSystemPowerState 10"},  {"重启", "ExitWindowsEx 22"},
        {"关机", "ExitWindowsEx 28"},        {"快速重启", "NtShutdownSystem 1"},
        {"快速关机", "NtShutdownSystem 2"},
    };
    for (const Case& c : cases) {
        testing::RecordingSystemOps ops;
        CarryOutPowerWord(c.word, "不唤醒");
        EXPECT_EQ(ops.calls, (std::vector<std::string>{c.call})) << c.word;
    }
    testing::RecordingSystemOps ops;
    for (const char* other : {"", "关闭计算机", "stale"}) EXPECT_FALSE(CarryOutPowerWord(other, "").acted);
    EXPECT_TRUE(ops.calls.empty());
}

// Where Modern Standby replaces sleep, 待机 switches the display off, as the
// power button does; the rest of what the machine cannot do stays refused.
TEST(PowerWords, StandbyOnModernStandbyIsTheDisplayOff) {
    testing::RecordingSystemOps ops;
    ops.powerCaps = PowerCapabilities{false, true, true, true};
    const std::string displayOff = "broadcast 0x112 0xf170 0x2";
    EXPECT_TRUE(CarryOutPowerWord("待机", "不唤醒").ok);
    EXPECT_TRUE(StandbyNow().ok);
    EXPECT_EQ(ops.calls, (std::vector<std::string>{displayOff, displayOff}));
    EXPECT_EQ(PowerRefusalNow(NeedOfWord("休眠")), "这台计算机使用现代待机（S0 低功耗空闲），程序不能让它待机");
}

// ExitWindowsEx only starts a shutdown; the other calls carry theirs out.
TEST(PowerWords, OnlyTheSessionEndIsStarted) {
    testing::RecordingSystemOps ops;
    for (const char* word : {"注销", "重启", "关机"}) EXPECT_TRUE(CarryOutPowerWord(word, "不唤醒").started) << word;
    for (const char* word : {"待机", "快速关机"}) EXPECT_FALSE(CarryOutPowerWord(word, "不唤醒").started) << word;
}

TEST(WakeTimerTest, ArmsForTheChosenDayBeforeTheSuspend) {
    testing::RecordingSystemOps ops;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const Date tomorrow = AddDays(Date{now.wYear, now.wMonth, now.wDay}, 1);
    SuspendWithWakeTimer("第2天7时30分唤醒");
    EXPECT_EQ(ops.calls, (std::vector<std::string>{
                             "arm wake timer " + std::to_string(tomorrow.year) + "-" +
                                 std::to_string(tomorrow.month) + "-" + std::to_string(tomorrow.day) + " 7:30",
                             "SetSystemPowerState 10"}));
}

// A zone an hour east of UTC with daylight saving from the last Sunday of
// March (2026-03-29) to the last Sunday of October (2026-10-25): a wake on
// either side of each change takes that side's bias, whatever today's is.
TEST(WakeTimerTest, TheWakeTakesTheBiasOfItsOwnSeason) {
    TIME_ZONE_INFORMATION zone = {};
    zone.Bias = -60;
    zone.DaylightBias = -60;
    zone.StandardDate.wMonth = 10;
    zone.StandardDate.wDay = 5;  // the last Sunday
    zone.StandardDate.wHour = 3;
    zone.DaylightDate.wMonth = 3;
    zone.DaylightDate.wDay = 5;
    zone.DaylightDate.wHour = 2;
    const struct {
        Date date;
        int utcHour;
    } cases[] = {
        {{2026, 3, 28}, 6}, {{2026, 3, 30}, 5}, {{2026, 10, 24}, 5}, {{2026, 10, 26}, 6},
    };
    for (const auto& c : cases) {
        WakePlan at;
        at.armTimer = true;
        at.date = c.date;
        at.hour = 7;
        FILETIME utc;
        ASSERT_TRUE(WakeTimeUtc(at, &zone, utc)) << c.date.month << "-" << c.date.day;
        SYSTEMTIME got;
        ASSERT_TRUE(FileTimeToSystemTime(&utc, &got));
        EXPECT_EQ(got.wDay * 100 + got.wHour, c.date.day * 100 + c.utcHour) << c.date.month << "-" << c.date.day;
    }
}

TEST(WakeTimerTest, ImpossibleTimesStillSuspendWithoutATimer) {
    testing::RecordingSystemOps ops;
    SuspendWithWakeTimer("第1天25时0分唤醒");
    SuspendWithWakeTimer("不唤醒");
    EXPECT_EQ(ops.calls, (std::vector<std::string>(2, "SetSystemPowerState 10")));
}

// The real timer, armed for a moment already past: due at once, it wakes
// nothing. Wine may answer that it cannot wake the computer; armed either way.
TEST(WakeTimerTest, TheRealTimerComesDueAndIsSpentByItsCancel) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    WakePlan past;
    past.date = AddDays(Date{now.wYear, now.wMonth, now.wDay}, -1);
    const std::uint32_t armed = RealSystemOps().ArmWakeTimer(past);
    EXPECT_TRUE(armed == 0 || armed == ERROR_NOT_SUPPORTED) << armed;
    EXPECT_TRUE(RealSystemOps().WakeTimerCameDue());
    RealSystemOps().CancelWakeTimer();
    EXPECT_FALSE(RealSystemOps().WakeTimerCameDue());
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
