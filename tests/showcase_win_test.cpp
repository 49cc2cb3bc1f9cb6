// Not a test: lays the program's windows out side by side for the README's
// pictures (tools/docs-screenshots.sh runs it and photographs the screen).
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <memory>

#include "app/main_window_win.h"
#include "store/registry_win.h"
#include "tests/main_window_fixture_win.h"
#include "tests/recording_system_ops.h"
#include "ui/about_window_win.h"
#include "ui/settings_window_win.h"
#include "ui/task_editor_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelShowcase";

void Place(std::ofstream& out, const char* name, HWND w, int x, int y) {
    SetWindowPos(w, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    RECT r;
    GetWindowRect(w, &r);
    out << name << " " << r.left << " " << r.top << " " << (r.right - r.left) << " "
        << (r.bottom - r.top) << "\n";
}

TEST(DISABLED_Showcase, WindowsForThePictures) {
    testing::RecordingSystemOps ops;
    WinRegistry::DeleteTree(kKey);
    {
        WinRegistry reg;
        reg.OpenKey(kKey, true);
        const char* rows[][4] = {{"每天17时30分", "提醒", "下班时间到。", "启用"},
                                 {"一次2018/4/13日23时0分", "关闭计算机", "", "启用"},
                                 {"空闲30分钟", "休眠计算机", "第2天7时30分唤醒", "禁用"},
                                 {"每周1日9时0分", "禁用网卡", "本地连接", "启用"}};
        reg.WriteInteger("TaskNum", 4);
        for (int i = 0; i < 4; ++i) {
            std::string n = std::to_string(i + 1);
            reg.WriteString("A" + n, rows[i][0]);
            reg.WriteString("B" + n, rows[i][1]);
            reg.WriteString("C" + n, rows[i][2]);
            reg.WriteString("D" + n, rows[i][3]);
        }
    }
    std::unique_ptr<MainWindow> started = testing::StartTestMainWindow(kKey);
    ASSERT_NE(started, nullptr);
    MainWindow& main = *started;
    main.OnCommand(kMenuSettings);
    auto* settings = static_cast<SettingsWindow*>(CurrentTaskList());
    settings->SelectRow(0);
    settings->Button5Click();
    HWND editor = FindWindowA("TForm5", nullptr);
    AboutWindow* about = ShowAboutWindow();
    main.tickState().pendingAction = "关机";
    main.driver().StartCountdown("关机", false);
    main.Timer2Timer();

    const char* folder = getenv("VANTREL_SHOWCASE");
    std::ofstream out(std::string(folder ? folder : ".") + "\\windows.txt");
    Place(out, "settings", settings->hwnd(), 20, 20);
    Place(out, "editor", editor, 520, 20);
    Place(out, "about", about->hwnd(), 20, 430);
    Place(out, "countdown", main.hwnd(), 380, 430);
    out.close();
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 15000) {
        PumpMessages();
        Sleep(50);
    }
    OwnedForms::ReleaseAll();
    WinRegistry::DeleteTree(kKey);
}

}  // namespace
}  // namespace vantrel
