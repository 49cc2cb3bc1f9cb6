// The run history on Windows: the file as the program writes it (in a
// scratch folder of the test's own, never the machine's), and the lines
// the tick's host, the countdown and the menu leave, with the system calls
// recorded.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "actions/utility_actions_win.h"
#include "app/main_window_win.h"
#include "app/startup_win.h"
#include "history/history_file_win.h"
#include "registry/registry_win.h"
#include "scheduler/time_text.h"
#include "tests/main_window_fixture_win.h"
#include "tests/recording_system_ops.h"
#include "tests/reminder_probe_win.h"
#include "text/system_error_win.h"
#include "winui/form_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelHistoryTest";

// The scratch folder holds only what the tests put there.
void RemoveScratch(const std::string& scratch) {
    for (const char* name : {"Vantrel\\history.log", "Vantrel\\history.1.log", "Vantrel", "a file"}) {
        DeleteFileA((scratch + "\\" + name).c_str());
        RemoveDirectoryA((scratch + "\\" + name).c_str());
    }
    RemoveDirectoryA(scratch.c_str());
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

HistoryEntry Line(int task, const std::string& detail = "") {
    return {"2026-12-07 17:30:05", kSourceTick, task, "每天17时30分", "提醒", "开会", kOutcomeDone, detail};
}

class HistoryWin : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, temp);
        scratch_ = std::string(temp) + "vantrel history " + std::to_string(GetCurrentProcessId());
        RemoveScratch(scratch_);
        CreateDirectoryA(scratch_.c_str(), nullptr);
        folder_ = scratch_ + "\\Vantrel";  // made by the writer
    }
    void TearDown() override { RemoveScratch(scratch_); }

    std::vector<HistoryEntry> Read(const char* name) const {
        return ReadHistoryLines(FileBytes(folder_ + "\\" + name));
    }

    std::string scratch_, folder_;
};

TEST_F(HistoryWin, LinesGoToANewFileWithItsHeaderAndPastTheLimitToTheOldOne) {
    HistoryFile file(folder_, 1000);
    std::vector<HistoryEntry> written;
    for (int n = 1; n <= 12; ++n) {
        written.push_back(Line(n, std::string(40, 'x')));
        file.Append(written.back());
    }
    EXPECT_FALSE(file.failed());
    const std::string current = FileBytes(folder_ + "\\history.log");
    ASSERT_EQ(current.compare(0, HistoryFileStart().size(), HistoryFileStart()), 0);
    EXPECT_LE(current.size(), 1000u);
    // Every line is in one of the two files, in order, none twice: the old
    // file was the current one until a line would have passed the limit.
    std::vector<HistoryEntry> both = Read("history.1.log");
    ASSERT_FALSE(both.empty());
    for (const HistoryEntry& e : Read("history.log")) both.push_back(e);
    EXPECT_EQ(both, written);
}

TEST_F(HistoryWin, ALineACrashCutShortIsCutOffBeforeTheNextRunAppends) {
    CreateDirectoryA(folder_.c_str(), nullptr);
    const std::string whole = FormatHistoryLine(Line(1));
    {
        std::ofstream out(folder_ + "\\history.log", std::ios::binary);
        out << HistoryFileStart() << whole << whole.substr(0, 20);
    }
    HistoryFile file(folder_);
    file.Append(Line(2));
    EXPECT_EQ(FileBytes(folder_ + "\\history.log"),
              HistoryFileStart() + whole + FormatHistoryLine(Line(2)));
}

// Two copies (two sessions) append 10,000 lines each at once past a limit
// crossed once: one header a file, a full old file, every line once in order.
TEST_F(HistoryWin, TwoCopiesAppendingAtOnceLoseNoLineAndStartNoSecondHeader) {
    const int kLines = 10000;
    const std::size_t longest = FormatHistoryLine({"2026-12-07 17:30:05", "B", kLines, "每天", "提醒", "", "done", ""}).size();
    const std::uint64_t limit = 2 * kLines * longest * 3 / 4;
    const std::string event = "Vantrel.Test.HistoryGo." + std::to_string(GetCurrentProcessId());
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
    std::vector<HANDLE> copies;
    for (const char* tag : {"A", "B"}) {
        const std::string writer = ProgramFolder() + "vantrel_test_history_writer.exe";
        std::string line = "w \"" + folder_ + "\" " + std::to_string(limit) + " " + tag + " " + std::to_string(kLines) + " " + event;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        ASSERT_TRUE(CreateProcessA(writer.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
        CloseHandle(info.hThread);
        copies.push_back(info.hProcess);
    }
    SetEvent(go);
    for (HANDLE copy : copies) {
        DWORD code = 1;
        EXPECT_EQ(WaitForSingleObject(copy, 120000), static_cast<DWORD>(WAIT_OBJECT_0));
        EXPECT_TRUE(GetExitCodeProcess(copy, &code) && code == 0);
        CloseHandle(copy);
    }
    CloseHandle(go);
    const std::string older = FileBytes(folder_ + "\\history.1.log"), header = HistoryFileStart();
    EXPECT_GT(older.size() + longest, limit) << "the old file was not full";
    std::map<std::string, std::vector<int>> tasks;
    for (const std::string& file : {older, FileBytes(folder_ + "\\history.log")}) {
        EXPECT_EQ(file.find(header), 0u);
        EXPECT_EQ(file.find(header.substr(3), header.size()), std::string::npos) << "a second header";
        for (const HistoryEntry& e : ReadHistoryLines(file)) tasks[e.source].push_back(e.task);
    }
    std::vector<int> all;
    while (all.size() < kLines) all.push_back(static_cast<int>(all.size()) + 1);
    EXPECT_EQ(tasks, (std::map<std::string, std::vector<int>>{{"A", all}, {"B", all}}));
}

// The program's main window on records of the test's own, with the system
// calls recorded.
class HistoryTick : public HistoryWin {
protected:
    void SetUp() override {
        HistoryWin::SetUp();
        OwnedForms::ReleaseAll();
        WinRegistry::DeleteTree(kKey);
    }
    void TearDown() override {
        OwnedForms::ReleaseAll();
        WinRegistry::DeleteTree(kKey);
        HistoryWin::TearDown();
    }
    testing::RecordingSystemOps ops_;
};

// The error boxes the window procedure shows, instead of showing them.
struct ErrorBoxes {
    std::vector<std::string> texts;
    ErrorBoxes() {
        SetMessageBoxHook([this](const char* text, const char*, UINT) {
            texts.push_back(text);
            return IDOK;
        });
    }
    ~ErrorBoxes() { SetMessageBoxHook(nullptr); }
};

// Each action's outcome as its executor reported it, the countdown's end, the
// menu's commands, the monitoring switch and the program's start and end.
TEST_F(HistoryTick, EveryEventLandsAsOneLine) {
    const std::string due = testing::DailyForNow(45);
    const std::string missing = scratch_ + "\\没有这个文件.txt";
    ops_.autodialResult = ERROR_NOT_CONNECTED;
    // A netsh that has already ended: an event that is set stands in for it.
    ops_.onStart = [](const ProcessStart&) -> void* { return CreateEventA(nullptr, TRUE, TRUE, nullptr); };
    testing::StoreRecords(kKey, {{due, "提醒", "开会", "启用"},
                                 {due, "打开文件", missing, "启用"},
                                 {due, "拨号连接", "", "启用"},
                                 {due, "禁用网卡", "本地连接", "启用"},
                                 {due, "关闭计算机", "", "启用"}});
    {
        auto main = testing::StartTestMainWindow(kKey, folder_, "9.8.7.0");
        ASSERT_TRUE(main);
        main->driver().Timer1Timer();
        main->driver().NetshTimer();
        main->BitBtn2Click();      // cancel: monitoring goes off
        main->SwitchMonitoring();  // and on again by the menu
        main->OnCommand(kMenuPowerOff);
        main->OnCommand(kMenuOpenCd);
        OwnedForms::ReleaseAll();
    }
    std::vector<std::string> got;  // of an error's text only whether there is one
    for (const HistoryEntry& e : Read("history.log")) {
        EXPECT_EQ(e.schedule, e.task ? due : "");
        const std::string text = e.outcome != kOutcomeError ? "" : e.detail.empty() ? "|" : "|text";
        got.push_back(e.source + "|" + (e.task ? std::to_string(e.task) : "") + "|" + e.action + "|" +
                      e.parameter + "|" + e.outcome + text);
    }
    EXPECT_EQ(got, (std::vector<std::string>{
                       "program||start||", "tick|1|提醒|开会|done", "tick|2|打开文件|" + missing + "|error|text",
                       "tick|3|拨号连接||error|text", "tick|4|禁用网卡|本地连接|started",
                       "tick|5|关闭计算机||countdown",
                       "tick|4|禁用网卡|本地连接|done",  // netsh's end, by the driver's watch
                       "tick|5|关闭计算机||cancelled", "countdown||monitoring off||", "menu||monitoring on||",
                       "menu||关机||carried out", "menu||打开光驱||done", "program||end||"}));
    EXPECT_EQ(Read("history.log").front().detail.find("Vantrel 9.8.7.0, Windows "), 0u);
    const auto& calls = ops_.calls;  // the menu's command still acted
    EXPECT_NE(std::find(calls.begin(), calls.end(), "ExitWindowsEx 28"), calls.end());
}

// The menu's pause and its end by 启用监控, the quick timer armed and
// cancelled, one whose minute passed beyond the grace and one that came (its countdown and
// the countdown's end): a line each, between the program's start and end.
TEST_F(HistoryTick, PauseAndQuickTimerLeaveTheirLines) {
    testing::DailyForNow(50);
    const std::string now = FormatMinute(LocalTimeNow()),
                      past = FormatMinute(AddMinutes(LocalTimeNow(), -(kGraceMinutes + 1)));
    std::string until, armed;
    {
        auto main = testing::StartTestMainWindow(kKey, folder_);
        ASSERT_TRUE(main);
        main->OnCommand(kMenuPause + 1);
        until = FormatMinute(*main->runner().pausedUntil());
        main->OnCommand(kMenuMonitor);
        main->OnCommand(kMenuQuickTimer + 1);
        armed = FormatMinute(*main->runner().quickTimer());
        main->OnCommand(kMenuCancelTimer);
        for (const std::string& at : {past, now}) {
            main->store().WriteMinuteValue(kValQuickTimer, at);
            main->StatusTimer();
        }
        main->BitBtn2Click();
    }
    std::vector<std::string> got;
    for (const HistoryEntry& e : Read("history.log"))
        got.push_back(e.source + "|" + e.action + "|" + e.outcome + (e.action == kEventStart ? "" : "|" + e.detail));
    EXPECT_EQ(got, (std::vector<std::string>{"program|start|", "menu|pause||" + until, "menu|pause end||",
                                             "menu|quick timer||" + armed, "menu|quick timer off||",
                                             "timer|quick timer off||" + past + " 已错过", "timer|定时关机|countdown|",
                                             "timer|定时关机|cancelled|", "countdown|monitoring off||", "program|end||"}));
}

// 推迟 5分钟 in a due task's countdown: the window goes, monitoring stays on,
// the program key keeps the action through a restart (and the tip shows
// it); in its minute the same action counts down again, and its end clears
// the value. Each step is a line of the history.
TEST_F(HistoryTick, APostponedCountdownComesBackAfterARestart) {
    const std::string due = testing::DailyForNow(45);
    testing::StoreRecords(kKey, {{due, "关闭计算机", "", "启用"}});
    std::string at;
    {
        auto main = testing::StartTestMainWindow(kKey, folder_);
        ASSERT_TRUE(main);
        main->driver().Timer1Timer();
        ASSERT_TRUE(IsWindowVisible(main->hwnd()));
        main->OnCommand(CountdownView::kPostponeMenuId + 0);
        EXPECT_FALSE(IsWindowVisible(main->hwnd()));
        EXPECT_FALSE(main->runner().counting());
        EXPECT_TRUE(main->menu().MonitorChecked());
        ASSERT_TRUE(main->runner().postponed());
        EXPECT_GE(MinuteNumber(main->runner().postponed()->at) - MinuteNumber(LocalTimeNow()), 5);
        at = FormatMinute(main->runner().postponed()->at);
        EXPECT_EQ(main->store().ReadMinuteValue(kValPostponed), at + " 关机");
    }
    {
        auto main = testing::StartTestMainWindow(kKey, folder_);
        ASSERT_TRUE(main && main->runner().postponed());
        EXPECT_EQ(FormatMinute(main->runner().postponed()->at), at);
        EXPECT_NE(main->tray().tip().find("推迟："), std::string::npos);
        main->StatusTimer();  // not yet
        EXPECT_FALSE(main->runner().counting());
        main->store().WriteMinuteValue(kValPostponed, FormatMinute(LocalTimeNow()) + " 关机");
    }
    {
        auto main = testing::StartTestMainWindow(kKey, folder_);
        ASSERT_TRUE(main);
        main->StatusTimer();
        EXPECT_TRUE(main->runner().counting());
        EXPECT_EQ(main->runner().tickState().pendingAction, "关机");
        main->BitBtn1Click();
        EXPECT_FALSE(main->runner().postponed());
        EXPECT_EQ(main->store().ReadMinuteValue(kValPostponed), "");
    }
    EXPECT_EQ(ops_.calls, (std::vector<std::string>{"ExitWindowsEx 28"}));
    std::vector<std::string> got;
    for (const HistoryEntry& e : Read("history.log"))
        if (e.source != kSourceProgram) got.push_back(e.source + "|" + e.action + "|" + e.outcome + "|" + e.detail);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0], "tick|关闭计算机|countdown|");
    EXPECT_EQ(got[1], "countdown|关闭计算机|postponed|" + at);
    EXPECT_EQ(got[2].find("timer|关机|countdown|推迟至 "), 0u);
    EXPECT_EQ(got[3], "timer|关机|act now|");
    // ExitWindowsEx only starts a shutdown: a program may still stop it.
    EXPECT_EQ(got[4], "timer|关机|started|");
}

// 提前提醒 before a 关机 task: one balloon and one line however often its
// minute is looked at, and 跳过本次 a line of its own.
TEST_F(HistoryTick, AWarningBeforeAPowerTaskAndItsSkipAreLines) {
    testing::DailyForNow(45);
    const LocalTime run = AddMinutes(LocalTimeNow(), 3);
    const std::string schedule = "每天" + std::to_string(run.hour) + "时" + std::to_string(run.minute) + "分";
    testing::StoreRecords(kKey, {{schedule, "关闭计算机", "", "启用"}});
    {
        WinRegistry reg;
        reg.OpenKey(kKey, true);
        reg.WriteInteger("tiqian", 5);
    }
    {
        auto main = testing::StartTestMainWindow(kKey, folder_);
        ASSERT_TRUE(main);
        main->driver().Timer1Timer();
        main->StatusTimer();
        main->StatusTimer();
        EXPECT_EQ(main->tray().lastBalloon(), "3分钟后将关机（" + schedule + "）\n单击此处可跳过本次或推迟");
        main->OnCommand(kWarnSkipId);
    }
    std::vector<std::string> got;
    for (const HistoryEntry& e : Read("history.log"))
        if (e.task) got.push_back(e.source + "|" + e.action + "|" + e.outcome + "|" + e.detail);
    EXPECT_EQ(got, (std::vector<std::string>{"balloon|关闭计算机|warning|3分钟后将关机（" + schedule + "）",
                                             "balloon|关闭计算机|skipped|" + FormatMinute(run)}));
}

// 忙时推迟 with a full-screen window in front: a due 关机 task does not count
// down and the history says why; once the window is gone, the next minute's
// look starts its countdown.
TEST_F(HistoryTick, ABusyMachineHoldsAPowerCountdownUntilItIsFree) {
    testing::StoreRecords(kKey, {{testing::DailyForNow(45), "关闭计算机", "", "启用"}});
    {
        WinRegistry reg;
        reg.OpenKey(kKey, true);
        reg.WriteInteger("manglu", 1);
        reg.WriteInteger("tiqian", 0);
    }
    ops_.busy.foreground.present = true;
    ops_.busy.foreground.window = ops_.busy.foreground.monitor = {0, 0, 1280, 1024};
    {
        auto main = testing::StartTestMainWindow(kKey, folder_);
        ASSERT_TRUE(main);
        main->driver().Timer1Timer();
        EXPECT_FALSE(IsWindowVisible(main->hwnd()));
        EXPECT_FALSE(main->runner().counting());
        EXPECT_TRUE(main->runner().waitingWhileBusy());
        EXPECT_TRUE(main->driver().timer3Running());  // the other tasks go on after the re-arm
        main->StatusTimer();
        EXPECT_FALSE(main->runner().counting());
        ops_.busy = BusySample();
        main->StatusTimer();
        EXPECT_TRUE(main->runner().counting());
        EXPECT_EQ(main->runner().tickState().pendingAction, "关机");
        main->BitBtn2Click();
    }
    std::vector<std::string> got;
    for (const HistoryEntry& e : Read("history.log"))
        if (e.source != kSourceProgram && e.source != kSourceCountdown)
            got.push_back(e.source + "|" + e.action + "|" + e.outcome + "|" + e.detail);
    EXPECT_EQ(got, (std::vector<std::string>{"timer|关机|waiting|全屏程序", "tick|关闭计算机|countdown|",
                                             "timer|关机|wait end|不再忙", "tick|关闭计算机|cancelled|"}));
}

TEST_F(HistoryTick, AWakeTimeThatDoesNotConvertEndsTheCountdownsTaskWithItsError) {
    testing::StoreRecords(kKey, {{testing::DailyForNow(45), "休眠计算机", "第x天7时0分唤醒", "启用"}});
    ErrorBoxes boxes;
    {
        auto main = testing::StartTestMainWindow(kKey, folder_);
        ASSERT_TRUE(main);
        main->driver().Timer1Timer();
        SendMessageA(main->hwnd(), WM_COMMAND, MAKEWPARAM(CountdownView::kActNowId, BN_CLICKED), 0);
    }
    ASSERT_EQ(boxes.texts.size(), 1u);  // as before: the error box
    std::vector<std::string> got;
    for (const HistoryEntry& e : Read("history.log"))
        if (e.task == 1) got.push_back(e.outcome + "|" + e.detail);
    EXPECT_EQ(got, (std::vector<std::string>{"countdown|", "act now|", "error|" + boxes.texts[0]}));
    EXPECT_TRUE(ops_.calls.empty());  // nothing suspended
}

// The lines of one task, or of the menu's commands (task 0).
std::vector<std::string> LinesOf(const std::vector<HistoryEntry>& lines, int task) {
    std::vector<std::string> got;
    for (const HistoryEntry& e : lines)
        if (e.task == task && e.source != kSourceProgram)
            got.push_back(e.action + "|" + e.outcome + "|" + e.detail);
    return got;
}

// Windows refuses every power call, there is no sleep state and
// hibernation is switched off: each is shown with its reason and recorded
// as failed, and what the computer cannot do is not tried.
TEST_F(HistoryTick, APowerCallThatFailsIsShownAndRecordedAsFailed) {
    ops_.powerResult = ERROR_ACCESS_DENIED;
    ops_.powerCaps = PowerCapabilities{false, false, false, false};
    const std::string due = testing::DailyForNow(45);
    testing::StoreRecords(kKey, {{due, "关闭计算机", "", "启用"}, {due, "待机计算机", "", "启用"}});
    auto main = testing::StartTestMainWindow(kKey, folder_);
    ASSERT_TRUE(main);
    main->driver().Timer1Timer();
    main->BitBtn1Click();  // the shutdown's countdown: the standby never began one
    main->OnCommand(kMenuHibernate);
    main->OnCommand(kMenuFastShutdown);
    const std::string denied = SystemErrorText(ERROR_ACCESS_DENIED);
    const auto lines = Read("history.log");
    EXPECT_EQ(LinesOf(lines, 1), (std::vector<std::string>{"关闭计算机|countdown|", "关闭计算机|act now|",
                                                            "关闭计算机|error|关机失败：" + denied}));
    EXPECT_EQ(LinesOf(lines, 2), (std::vector<std::string>{
                                     "待机计算机|error|这台计算机不能待机：Windows 报告睡眠状态 S1、S2、S3 都不可用"}));
    EXPECT_EQ(LinesOf(lines, 0), (std::vector<std::string>{"休眠|error|休眠已关闭，可用 powercfg /h on 打开",
                                                            "快速关机|carried out|",
                                                            "快速关机|error|快速关机失败：" + denied}));
    EXPECT_EQ(testing_win::VisibleReminders().size(), 4u);  // each error as it came
    EXPECT_EQ(ops_.calls, (std::vector<std::string>{"ExitWindowsEx 28", "NtShutdownSystem 2"}));
    // Planned, other, other: never an unplanned shutdown of no known cause.
    EXPECT_EQ(ops_.endSessionReasons, (std::vector<std::uint32_t>{0x80000000}));
    OwnedForms::ReleaseAll();
}

// 休眠计算机 with 自动开机 where the timer cannot wake the computer: it still
// sleeps, and the wake the user brings about tells them. The program's own
// wake holds the computer and its display on: a power request where the
// system has them, the thread's continuous state where it does not.
TEST_F(HistoryTick, AWakeTimerThatCannotWakeIsToldAfterTheWake) {
    ops_.armResult = ERROR_NOT_SUPPORTED;
    testing::StoreRecords(kKey, {{testing::DailyForNow(45), "休眠计算机", "第1天23时59分唤醒", "启用"}});
    auto main = testing::StartTestMainWindow(kKey, folder_);
    ASSERT_TRUE(main);
    main->driver().Timer1Timer();
    main->BitBtn1Click();
    const std::string notice =
        "这台计算机不能由定时器唤醒，自动开机没有生效：" + SystemErrorText(ERROR_NOT_SUPPORTED);
    EXPECT_EQ(ops_.calls.back(), "SetSystemPowerState 10");  // slept all the same
    EXPECT_TRUE(testing_win::VisibleReminders().empty());    // nobody is there yet
    EXPECT_EQ(LinesOf(Read("history.log"), 1).back(), "休眠计算机|error|" + notice);
    ops_.executionStates.clear();
    ops_.powerRequestCalls.clear();
    for (bool byTimer : {false, true}) {
        ops_.wakeTimerDue = byTimer;
        for (WPARAM resume : {PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND})
            SendMessageA(main->hwnd(), WM_POWERBROADCAST, resume, 0);
    }
    const std::vector<HWND> told = testing_win::VisibleReminders();
    EXPECT_TRUE(told.size() == 1 && testing_win::ReminderText(told[0]) == notice);
    EXPECT_EQ(ops_.executionStates,
              (std::vector<std::uint32_t>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED}));
    EXPECT_EQ(ops_.powerRequestCalls, std::vector<bool>{true});  // tried first, refused as on XP
    EXPECT_EQ(ops_.calls.back(), "cancel wake timer");
    // A countdown takes over from the hold, and its end releases both.
    main->driver().StartCountdown("关机", false);
    main->BitBtn2Click();
    EXPECT_EQ(ops_.powerRequestCalls.back(), false);
    EXPECT_EQ(ops_.executionStates.back(), static_cast<std::uint32_t>(ES_CONTINUOUS));
    // With power requests (Windows 7 on), the request alone holds it.
    ops_.powerRequests = true;
    ops_.executionStates.clear();
    ops_.powerRequestCalls.clear();
    ops_.wakeTimerDue = true;
    SendMessageA(main->hwnd(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_EQ(ops_.powerRequestCalls, std::vector<bool>{true});
    EXPECT_TRUE(ops_.executionStates.empty());
    OwnedForms::ReleaseAll();
}

// A folder that cannot be made (its parent is a file): the program runs the
// same tasks with the same system calls, and says so once, after the tick.
TEST_F(HistoryTick, AnUnwritableHistoryChangesNothingElseAndIsReportedOnce) {
    const std::string due = testing::DailyForNow(45);
    testing::StoreRecords(kKey, {{due, "提醒", "一", "启用"},
                                 {due, "启用网卡", "本地连接", "启用"},
                                 {due, "提醒", "二", "启用"}});
    { std::ofstream(scratch_ + "\\a file"); }
    ErrorBoxes boxes;
    std::vector<std::vector<std::string>> calls;
    for (const std::string& folder : {folder_, scratch_ + "\\a file\\Vantrel"}) {
        ops_.calls.clear();
        auto main = testing::StartTestMainWindow(kKey, folder);
        ASSERT_TRUE(main);
        main->driver().Timer1Timer();
        EXPECT_TRUE(boxes.texts.empty());  // not inside start-up or the tick...
        main->SwitchMonitoring();
        PumpMessages();
        EXPECT_EQ(main->driver().lastReport().fired, (std::vector<int>{1, 2, 3}));
        EXPECT_TRUE(main->driver().timer3Running());  // suspended after the tasks, as always
        calls.push_back(ops_.calls);
        OwnedForms::ReleaseAll();
    }
    EXPECT_EQ(calls[0], calls[1]);
    ASSERT_EQ(boxes.texts.size(), 1u);  // ...but once, after them
    EXPECT_NE(boxes.texts[0].find("history.log"), std::string::npos) << boxes.texts[0];
}

// The tray's messages pass the filter of the elevated program; an icon (or
// session messages) refused at logon is asked for again until it holds, and
// a minute of refusals is one line of the history.
TEST_F(HistoryTick, ARefusedTrayIconIsAddedAgainAndAMinuteOfRefusalsIsOneLine) {
    ops_.refuseAdds = 1000;
    ops_.watchSessionsResult = false;
    MainWindow::Options options;
    options.programKey = kKey;
    options.tasks = &testing::TestTaskService();
    options.showStartupMessages = options.endsProgram = false;
    options.historyFolder = folder_;
    options.trayRetryMs = 10;
    options.trayMissingMs = 40;  // the minute, shortened
    {
        MainWindow main(std::unique_ptr<Registry>(new WinRegistry), options);
        ASSERT_TRUE(main.Start());
        EXPECT_EQ(ops_.allowedMessages,
                  (std::vector<std::uint32_t>{RegisterWindowMessageA("TaskbarCreated"), TrayIcon::kCallbackMessage}));
        ASSERT_TRUE(testing_win::PumpUntil([&] { return ops_.adds >= 10; }, 5000));
        EXPECT_TRUE(ops_.watching.empty());
        ops_.refuseAdds = 0;  // the taskbar is there, and Terminal Services
        ops_.watchSessionsResult = true;
        NOTIFYICONDATAW probe = main.tray().record();  // a change succeeds only for a held icon
        ASSERT_TRUE(testing_win::PumpUntil([&] { return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE; }, 5000));
        const int adds = ops_.adds;
        testing_win::PumpUntil([] { return false; }, 100);
        EXPECT_EQ(ops_.adds, adds) << "no NIM_ADD once the icon is there";
        EXPECT_EQ(ops_.watching, std::vector<void*>{main.hwnd()});
    }
    std::vector<std::string> got;
    for (const HistoryEntry& e : Read("history.log")) got.push_back(e.action + "|" + e.outcome);
    EXPECT_EQ(got, (std::vector<std::string>{"start|", "tray icon|error", "tray icon|done", "end|"}));
}

// A copy whose GUID belongs to a copy in another folder shows its icon by
// window and id, and the history says so once, not at each add again.
TEST_F(HistoryTick, AnIconWhoseGuidIsRefusedShowsByWindowAndSaysSoOnce) {
    const OSVERSIONINFOA& v = SystemVersion();
    if (!TrayProtocolFor(v.dwMajorVersion, v.dwMinorVersion).byGuid) GTEST_SKIP() << "no GUID before Windows 7";
    struct GuidOfAnotherCopy : testing::RecordingSystemOps {
        bool NotifyIcon(std::uint32_t operation, void* record) override {
            if (static_cast<NOTIFYICONDATAW*>(record)->uFlags & 0x20) return false;  // NIF_GUID
            return testing::RecordingSystemOps::NotifyIcon(operation, record);
        }
    } ops;
    MainWindow::Options options;
    options.programKey = kKey;
    options.tasks = &testing::TestTaskService();
    options.showStartupMessages = options.endsProgram = false;
    options.historyFolder = folder_;
    {
        MainWindow main(std::unique_ptr<Registry>(new WinRegistry), options);
        ASSERT_TRUE(main.Start());
        EXPECT_TRUE(main.tray().guidRefused());
        NOTIFYICONDATAW probe = main.tray().record();
        EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the icon is there by window and id";
        SendMessageW(main.hwnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);  // Explorer restarted
        EXPECT_TRUE(main.tray().guidRefused());
    }
    std::vector<std::string> got;
    for (const HistoryEntry& e : Read("history.log")) got.push_back(e.action + "|" + e.outcome);
    EXPECT_EQ(got, (std::vector<std::string>{"start|", "tray icon|done", "end|"}));
}

}  // namespace
}  // namespace vantrel
