// End to end, the slow case: a cleanup batch file that never ends. The tick
// waits for the batch with a ten-minute limit, so this test runs for about
// twelve minutes; it has a test entry and a Wine prefix of its own, and
// tools/run-tests.sh runs it beside the other suites.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <fstream>
#include <string>

#include "tests/e2e/e2e_support.h"

namespace vantrel {
namespace {

using namespace e2e;

// "每天H时M分" for the local time `minutes` from now.
std::string DailyAfter(int minutes) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    FILETIME f;
    SystemTimeToFileTime(&t, &f);
    ULARGE_INTEGER v;
    v.LowPart = f.dwLowDateTime;
    v.HighPart = f.dwHighDateTime;
    v.QuadPart += static_cast<ULONGLONG>(minutes) * 60 * 10000000ULL;
    f.dwLowDateTime = v.LowPart;
    f.dwHighDateTime = v.HighPart;
    FileTimeToSystemTime(&f, &t);
    return "每天" + std::to_string(t.wHour) + "时" + std::to_string(t.wMinute) + "分";
}

// Ends the batch's command processor and the sleepers it runs.
void EndTheBatch(DWORD vantrelPid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 p = {};
    p.dwSize = sizeof p;
    for (BOOL ok = Process32First(snapshot, &p); ok; ok = Process32Next(snapshot, &p)) {
        std::string name = p.szExeFile;
        bool batch = lstrcmpiA(name.c_str(), "cmd.exe") == 0 && p.th32ParentProcessID == vantrelPid;
        if (batch || lstrcmpiA(name.c_str(), "vantrel_test_sleeper.exe") == 0) {
            if (HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, p.th32ProcessID)) {
                TerminateProcess(h, 0);
                CloseHandle(h);
            }
        }
    }
    CloseHandle(snapshot);
}

bool SleeperRunning() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 p = {};
    p.dwSize = sizeof p;
    bool found = false;
    for (BOOL ok = Process32First(snapshot, &p); ok && !found; ok = Process32Next(snapshot, &p))
        found = lstrcmpiA(p.szExeFile, "vantrel_test_sleeper.exe") == 0;
    CloseHandle(snapshot);
    return found;
}

// The batch holds the tick: a reminder due while it runs never shows. After
// the limit the scheduler goes on (a later reminder shows) and the batch is
// left running, as it may still be deleting files.
TEST(EndToEndLong, ACleanupBatchThatNeverEndsHoldsTheTickForItsLimitOnly) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "vantrel_endless_batch\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(ExePath().c_str(), (folder + "Vantrel.exe").c_str(), FALSE));
    {
        std::ofstream batch(folder + "QLLJ.bat", std::ios::binary);
        batch << "@echo off\r\n:again\r\n\"" << FolderPart(ExePath())
              << "vantrel_test_sleeper.exe\"\r\ngoto again\r\n";
    }
    WinRegistry::DeleteTree(kKey);
    const std::string now = DailyForNextTicks();
    WriteTasks({{now, "清理系统垃圾", ""}, {DailyAfter(3), "提醒", "期间"}, {DailyAfter(11), "提醒", "之后"}},
               60);
    Vantrel v;
    ASSERT_TRUE(v.Start(folder + "Vantrel.exe"));
    ASSERT_TRUE(WaitFor(SleeperRunning, 20000));

    bool shownDuring = false;
    const bool shownAfter = WaitFor(
        [&] {
            shownDuring = shownDuring || ReminderShown(v.pid(), "期间");
            return ReminderShown(v.pid(), "之后");
        },
        13 * 60 * 1000);
    EXPECT_TRUE(shownAfter);
    EXPECT_FALSE(shownDuring);
    EXPECT_TRUE(SleeperRunning());
    EXPECT_TRUE(v.Running());
    const DWORD pid = v.pid();
    v.Stop();
    EndTheBatch(pid);
}

}  // namespace
}  // namespace vantrel
