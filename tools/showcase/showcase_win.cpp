// Lays the program's windows out side by side for the README's pictures:
// the settings window with a few tasks, the task editor modifying the first,
// the About window and the countdown. tools/docs-screenshots.sh runs it and
// photographs the screen; it writes where each window stands to
// %VANTREL_SHOWCASE%\windows.txt and keeps the windows up for 15 seconds.
//
// Everything it stores goes into a key of its own, deleted at the end, and
// nothing it shows can act on the machine: every system operation is
// replaced by one that does nothing.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "actions/system_ops.h"
#include "app/main_window_win.h"
#include "app/tray_menu_win.h"
#include "registry/registry_win.h"
#include "ui/about_window_win.h"
#include "ui/settings_window_win.h"
#include "ui/task_list_link_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelShowcase";

class NoSystemOps : public SystemOps {
public:
    bool TerminateProcessById(std::uint32_t) override { return false; }
    std::uint32_t EndSession(std::uint32_t, std::uint32_t) override { return 0; }
    std::uint32_t LogOffSession(std::uint32_t) override { return 0; }
    std::uint32_t SetPowerState(bool, bool) override { return 0; }
    std::uint32_t ShutdownSystem(int) override { return 0; }
    // Only read: the editor shows the machine's own time since it came on.
    UptimeClock ReadUptimeClock() override { return RealSystemOps().ReadUptimeClock(); }
    void* StartProcess(const ProcessStart&) override { return nullptr; }
    void OpenDocument(void*, const std::string&, const std::string&) override {}
    void SendMci(const std::string&, void*) override {}
    void Broadcast(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
    std::uint32_t Autodial(std::uint32_t, void*) override { return 0; }
    void AskToClose(void*) override {}
};

void Place(std::ofstream& out, const char* name, HWND w, int x, int y) {
    SetWindowPos(w, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    RECT r;
    GetWindowRect(w, &r);
    out << name << " " << r.left << " " << r.top << " " << (r.right - r.left) << " "
        << (r.bottom - r.top) << "\n";
}

void StoreTasks() {
    WinRegistry reg;
    reg.OpenKey(kKey, true);
    const char* rows[][4] = {{"每天17时30分", "提醒", "下班时间到。", "启用"},
                             {"一次2018/4/13日23时0分", "关闭计算机", "", "启用"},
                             {"空闲30分钟", "休眠计算机", "第2天7时30分唤醒", "禁用"},
                             {"每周1日9时0分", "禁用网卡", "本地连接", "启用"}};
    reg.WriteInteger("TaskNum", 4);
    for (int i = 0; i < 4; ++i) {
        for (int field = 0; field < 4; ++field)
            reg.WriteString(RecordValueName("ABCD"[field], i + 1), rows[i][field]);
    }
}

int Run() {
    NoSystemOps ops;
    InstallSystemOps(&ops);
    WinRegistry::DeleteTree(kKey);
    StoreTasks();
    int status = 1;
    {
        MainWindow::Options options;
        options.programKey = kKey;
        options.runKey = std::string(kKey) + "\\Run";
        options.showStartupMessages = false;
        options.endsProgram = false;
        MainWindow main(std::unique_ptr<Registry>(new WinRegistry), options);
        if (main.Start()) {
            main.OnCommand(kMenuSettings);
            auto* settings = static_cast<SettingsWindow*>(CurrentTaskList());
            settings->SelectRow(0);
            settings->Button5Click();
            HWND editor = FindWindowA("TForm5", nullptr);
            AboutWindow* about = ShowAboutWindow();
            main.runner().tickState().pendingAction = "关机";
            main.driver().StartCountdown("关机", false);
            main.Timer2Timer();

            const char* folder = std::getenv("VANTREL_SHOWCASE");
            std::ofstream out(std::string(folder ? folder : ".") + "\\windows.txt");
            if (ScreenDpi() == 96) {
                Place(out, "settings", settings->hwnd(), 20, 20);
                Place(out, "editor", editor, 620, 20);
                Place(out, "about", about->hwnd(), 20, 430);
                Place(out, "countdown", main.hwnd(), 380, 430);
            } else {
                // Above 96 DPI the windows are larger than the screen holds
                // side by side: the settings window and the countdown alone.
                ShowWindow(editor, SW_HIDE);
                about->Hide();
                Place(out, "settings", settings->hwnd(), 20, 20);
                RECT r;
                GetWindowRect(settings->hwnd(), &r);
                Place(out, "countdown", main.hwnd(), 20, r.bottom + 20);
            }
            out.close();
            DWORD start = GetTickCount();
            while (GetTickCount() - start < 15000) {
                PumpMessages();
                Sleep(50);
            }
            status = 0;
        }
        OwnedForms::ReleaseAll();
    }
    WinRegistry::DeleteTree(kKey);
    InstallSystemOps(nullptr);
    return status;
}

}  // namespace
}  // namespace vantrel

int main() { return vantrel::Run(); }
