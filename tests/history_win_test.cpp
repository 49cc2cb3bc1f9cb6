// The run history on Windows: the file as the program writes it (in a
// scratch folder of the test's own, never the machine's), and the lines
// the tick's host, the countdown and the menu leave, with the system calls
// recorded.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "app/main_window_win.h"
#include "app/tick_driver_win.h"
#include "scheduler/clock.h"
#include "store/history_file_win.h"
#include "store/registry_win.h"
#include "tests/main_window_fixture_win.h"
#include "tests/recording_system_ops.h"
#include "winui/form_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelHistoryTest";

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(folder + "\\" + name);
            else
                DeleteFileA((folder + "\\" + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

HistoryEntry Line(int task, const std::string& detail = "") {
    HistoryEntry e;
    e.time = "2026-12-07 17:30:05";
    e.source = kSourceTick;
    e.task = task;
    e.schedule = "每天17时30分";
    e.action = "提醒";
    e.parameter = "开会";
    e.outcome = kOutcomeDone;
    e.detail = detail;
    return e;
}

class HistoryWin : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, temp);
        scratch_ = std::string(temp) + "vantrel history " + std::to_string(GetCurrentProcessId());
        RemoveTree(scratch_);
        CreateDirectoryA(scratch_.c_str(), nullptr);
        folder_ = scratch_ + "\\Vantrel";  // made by the writer
    }
    void TearDown() override { RemoveTree(scratch_); }

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
    EXPECT_EQ(Read("history.log"), (std::vector<HistoryEntry>{Line(1)}));  // the reader skips it
    HistoryFile file(folder_);
    file.Append(Line(2));
    EXPECT_EQ(FileBytes(folder_ + "\\history.log"),
              HistoryFileStart() + whole + FormatHistoryLine(Line(2)));
}

// A tick over real records through the program's host, with the system
// calls recorded: each task leaves its line.
class TimerWindow : public Form {
public:
    TimerWindow() { CreateForm("VantrelTestHistoryWindow", "", WS_OVERLAPPED, 0, 10, 10); }
};

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
    // Fires the tasks once through the driver.
    void Fire(const std::vector<TaskRecord>& records) {
        testing::StoreRecords(kKey, records);
        WinRegistry reg;
        TaskStore store(reg, kKey);
        Settings settings;
        store.StartupLoad(settings);
        TickState state;
        TickGate gate;
        TimerWindow window;
        HistoryFile file(folder_);
        HistoryRecorder recorder(file, LocalTimeNow);
        TickDriver driver(window.hwnd(), reg, kKey, settings, state, gate, nullptr);
        driver.SetHistory(&recorder);
        driver.ApplyGate();
        driver.Timer1Timer();
        driver.NetshTimer();
        EXPECT_FALSE(file.failed());
    }
    testing::RecordingSystemOps ops_;
};

TEST_F(HistoryTick, EachActionsOutcomeLandsAsOneLine) {
    const std::string due = testing::DailyForNow(45);
    const std::string missing = scratch_ + "\\没有这个文件.txt";
    ops_.autodialResult = ERROR_NOT_CONNECTED;
    // A netsh that has already ended: an event that is set stands in for it.
    ops_.onStart = [](const ProcessStart&) -> void* { return CreateEventA(nullptr, TRUE, TRUE, nullptr); };
    Fire({{due, "提醒", "开会", "启用"},
          {due, "打开文件", missing, "启用"},
          {due, "拨号连接", "", "启用"},
          {due, "禁用网卡", "本地连接", "启用"},
          {due, "关闭计算机", "", "启用"}});
    const std::vector<HistoryEntry> lines = Read("history.log");
    ASSERT_EQ(lines.size(), 6u);
    // The last line is netsh's end, found by the driver's watch.
    const char* outcomes[] = {"done", "error", "error", "started", "countdown", "done"};
    const int tasks[] = {1, 2, 3, 4, 5, 4};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(lines[i].task, tasks[i]);
        EXPECT_EQ(lines[i].source, "tick");
        EXPECT_EQ(lines[i].schedule, due);
        EXPECT_EQ(lines[i].outcome, outcomes[i]) << i;
        EXPECT_EQ(lines[i].time.size(), 19u);
        EXPECT_EQ(lines[i].outcome == "error", !lines[i].detail.empty()) << i;
    }
    EXPECT_EQ(lines[0].parameter, "开会");
    EXPECT_EQ(lines[1].parameter, missing);
    EXPECT_EQ(lines[3].action, "禁用网卡");
}

MainWindow::Options WithHistory(const std::string& folder) {
    MainWindow::Options options;
    options.programKey = kKey;
    options.runKey = testing::TestRunKey(kKey);
    options.runValue = testing::kTestRunValue;
    options.showStartupMessages = false;
    options.endsProgram = false;
    options.historyFolder = folder;
    options.version = "9.8.7.0";
    return options;
}

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

TEST_F(HistoryTick, TheCountdownsEndTheMenuAndTheProgramLeaveTheirLines) {
    testing::StoreRecords(kKey, {{testing::DailyForNow(45), "关闭计算机", "", "启用"}});
    {
        MainWindow main(std::unique_ptr<Registry>(new WinRegistry), WithHistory(folder_));
        ASSERT_TRUE(main.Start());
        main.driver().Timer1Timer();
        main.BitBtn2Click();     // cancel: monitoring goes off
        main.SwitchMonitoring();  // and on again by the menu
        main.OnCommand(kMenuPowerOff);
        main.OnCommand(kMenuOpenCd);
    }
    std::vector<std::string> got;
    for (const HistoryEntry& e : Read("history.log"))
        got.push_back(e.source + "|" + (e.task ? std::to_string(e.task) : "") + "|" + e.action +
                      "|" + e.outcome);
    EXPECT_EQ(got, (std::vector<std::string>{
                       "program||start|", "tick|1|关闭计算机|countdown",
                       "tick|1|关闭计算机|cancelled", "countdown||monitoring off|",
                       "menu||monitoring on|", "menu||关机|carried out", "menu||打开光驱|done",
                       "program||end|"}));
    EXPECT_EQ(Read("history.log").front().detail.find("Vantrel 9.8.7.0, Windows "), 0u);
    EXPECT_EQ(ops_.calls.front(), "ExitWindowsEx 12");  // the menu's command still acted
}

TEST_F(HistoryTick, AWakeTimeThatDoesNotConvertEndsTheCountdownsTaskWithItsError) {
    testing::StoreRecords(kKey, {{testing::DailyForNow(45), "休眠计算机", "第x天7时0分唤醒", "启用"}});
    ErrorBoxes boxes;
    {
        MainWindow main(std::unique_ptr<Registry>(new WinRegistry), WithHistory(folder_));
        ASSERT_TRUE(main.Start());
        main.driver().Timer1Timer();
        SendMessageA(main.hwnd(), WM_COMMAND, MAKEWPARAM(CountdownView::kActNowId, BN_CLICKED), 0);
    }
    ASSERT_EQ(boxes.texts.size(), 1u);  // as before: the error box
    std::vector<std::string> got;
    for (const HistoryEntry& e : Read("history.log"))
        if (e.task == 1) got.push_back(e.outcome + "|" + e.parameter + "|" + e.detail);
    EXPECT_EQ(got, (std::vector<std::string>{"countdown|第x天7时0分唤醒|", "act now|第x天7时0分唤醒|",
                                             "error|第x天7时0分唤醒|" + boxes.texts[0]}));
    EXPECT_TRUE(ops_.calls.empty());  // nothing suspended
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
        MainWindow main(std::unique_ptr<Registry>(new WinRegistry), WithHistory(folder));
        ASSERT_TRUE(main.Start());
        main.driver().Timer1Timer();
        EXPECT_TRUE(boxes.texts.empty());  // not inside start-up or the tick...
        main.SwitchMonitoring();
        PumpMessages();
        EXPECT_EQ(main.driver().lastReport().fired, (std::vector<int>{1, 2, 3}));
        EXPECT_TRUE(main.driver().timer3Running());  // suspended after the tasks, as always
        calls.push_back(ops_.calls);
        OwnedForms::ReleaseAll();
    }
    EXPECT_EQ(calls[0], calls[1]);
    ASSERT_EQ(boxes.texts.size(), 1u);  // ...but once, after them
    EXPECT_NE(boxes.texts[0].find("history.log"), std::string::npos) << boxes.texts[0];
}

}  // namespace
}  // namespace vantrel
