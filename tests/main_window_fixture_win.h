// Shared by the window tests: a schedule due in the current minute, records
// stored under a test key, and the program's main window started on that key
// as the tests need it (no start-up boxes, and closing it does not end the
// test program).
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "scheduler/clock.h"
#include "registry/registry_win.h"
#include "tests/recording_system_ops.h"
#include "store/task_record.h"
#include "ui/settings_window_win.h"
#include "ui/task_editor_win.h"

namespace vantrel {
namespace testing {

// A daily schedule text for the current minute. Past `latestSecond` it waits
// for the next minute, so the test has the rest of the minute to finish in.
inline std::string DailyForNow(int latestSecond) {
    LocalTime t = LocalTimeNow();
    while (t.second > latestSecond) {
        Sleep(1000);
        t = LocalTimeNow();
    }
    return "每天" + std::to_string(t.hour) + "时" + std::to_string(t.minute) + "分";
}

inline void StoreRecords(const char* key, const std::vector<TaskRecord>& records) {
    WinRegistry reg;
    reg.OpenKey(key, true);
    reg.WriteInteger("TaskNum", static_cast<std::int32_t>(records.size()));
    for (size_t i = 0; i < records.size(); ++i) {
        int n = static_cast<int>(i) + 1;
        reg.WriteString(RecordValueName('A', n), records[i].schedule);
        reg.WriteString(RecordValueName('B', n), records[i].action);
        reg.WriteString(RecordValueName('C', n), records[i].parameter);
        reg.WriteString(RecordValueName('D', n), records[i].enabled);
    }
}

// The start-at-logon entry of a test: a key and a value of its own, inside
// the test's key, so a test never touches the program's Run entry.
inline std::string TestRunKey(const char* key) { return std::string(key) + "\\Run"; }
const char kTestRunValue[] = "VantrelTest";

// Whether a form's window is there and shown. Safe after a form that
// destroys itself when closed is gone: it asks only the window handle.
inline bool Showing(HWND window) { return IsWindow(window) && IsWindowVisible(window); }

// The task service of the test main windows: never the system's, so a test
// registers no task on the machine it runs on. Without a service, as on XP,
// unless a test makes it available.
inline RecordingTaskService& TestTaskService() {
    static RecordingTaskService service;
    return service;
}

// nullptr when the window could not be started. With a history folder, it
// keeps its run history there and names itself `version` in it; with
// `startupMessages`, its start-up shows the boxes the program's would.
inline std::string TestPolicyKey(const char* key) { return std::string(key) + "\\Policy"; }

inline std::unique_ptr<MainWindow> StartTestMainWindow(const char* key, const std::string& historyFolder = "",
                                                       const std::string& version = "",
                                                       bool startupMessages = false,
                                                       bool (*isAdministrator)() = nullptr) {
    MainWindow::Options options;
    options.isAdministrator = isAdministrator;
    options.historyFolder = historyFolder;
    options.version = version;
    options.programKey = key;
    options.runKey = TestRunKey(key);
    options.runValue = kTestRunValue;
    // Policies of the test's own, below its key: deleted with it.
    options.policyKey = TestPolicyKey(key);
    options.tasks = &TestTaskService();
    options.showStartupMessages = startupMessages;
    options.endsProgram = false;
    std::unique_ptr<MainWindow> main(new MainWindow(std::unique_ptr<Registry>(new WinRegistry), options));
    if (!main->Start()) return nullptr;
    return main;
}

// Opens a settings window as the tray menu's "设置(&S)" does.
inline SettingsWindow* OpenSettingsFromMenu(MainWindow& main) {
    main.OnCommand(kMenuSettings);
    return static_cast<SettingsWindow*>(CurrentTaskList());
}

// The task editors of the program, shown or not.
inline std::set<HWND> EditorWindows() {
    std::set<HWND> all;
    for (HWND e = FindWindowA("TForm5", nullptr); e; e = FindWindowExA(nullptr, e, "TForm5", nullptr))
        all.insert(e);
    return all;
}

// The editor that `open` (an add or a modify) opened; nullptr for none.
inline TaskEditor* EditorOpenedBy(const std::function<void()>& open) {
    const std::set<HWND> before = EditorWindows();
    open();
    for (HWND e : EditorWindows())
        if (!before.count(e)) return dynamic_cast<TaskEditor*>(Form::FromHandle(e));
    return nullptr;
}

// The first column of every row: the task numbers the list shows.
inline std::vector<std::string> RowCaptions(SettingsWindow* w) {
    std::vector<std::string> out;
    for (int r = 0; r < w->RowCount(); ++r) out.push_back(w->Cell(r, 0));
    return out;
}

}  // namespace testing
}  // namespace vantrel
