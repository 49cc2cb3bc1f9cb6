// The program entry: one running copy, the hidden main window, the message loop.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "actions/system_ops.h"
#include "app/elevated_settings_win.h"
#include "app/main_window_win.h"
#include "app/service_setup_win.h"
#include "app/service_win.h"
#include "app/view_window_win.h"
#include "service/pipe_win.h"
#include "history/history_file_win.h"
#include "text/codepage_win.h"
#include "registry/registry_win.h"
#include "version.h"
#include "winui/on_demand_win.h"

// The runtime's own terminate handler prints the demangled type of an
// uncaught exception to a console this program does not have, and the
// demangler it links is a tenth of the file. Every exception is caught at
// the window procedure, so an escape here can only end the program.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    // The service (the SCM starts it so), and the setup program's commands
    // for it: no window, an exit code.
    std::string argument = commandLine ? commandLine : "";
    while (!argument.empty() && argument.back() == ' ') argument.pop_back();
    while (!argument.empty() && argument.front() == ' ') argument.erase(0, 1);
    if (argument == vantrel::kServiceArgument) return vantrel::RunService(VANTREL_VERSION_TEXT);
    if (argument == vantrel::kInstallServiceArgument || argument == vantrel::kRemoveServiceArgument ||
        argument == vantrel::kStopServiceArgument || argument == vantrel::kStartServiceArgument)
        return vantrel::RunSetupCommand(argument);
    // The elevated settings window a standard user's 以管理员身份更改 asked
    // for: beside the running copy, without its tasks, hotkeys or icon.
    if (vantrel::AsksForSettingsOnly(commandLine)) {
        vantrel::EnsureCommonControls();
        vantrel::UsePathForm(&vantrel::SystemComparablePath);
        vantrel::WinRegistry registry;
        return vantrel::RunSettingsOnly(registry);
    }

    // A second start asks the running copy to open its settings window and
    // ends, so tasks never fire twice and no second tray icon appears.
    HANDLE instance = CreateMutexW(nullptr, FALSE, L"Brelnix.Vantrel.Running");
    if (instance && GetLastError() == ERROR_ALREADY_EXISTS) {
        for (int i = 0; i < 50; ++i) {
            if (HWND running = vantrel::MainWindow::FindRunningCopy()) {
                PostMessageW(running, vantrel::MainWindow::OpenSettingsMessage(), 0, 0);
                break;
            }
            Sleep(100);  // the first copy may still be starting
        }
        CloseHandle(instance);
        return 0;
    }

    // The manifest asks for the common controls version 6, and Windows XP
    // then creates no button, static text or message box until they are
    // loaded: start-up's reminders and error boxes come before any window
    // that would load them on its own.
    vantrel::EnsureCommonControls();

    // Without code page 936 the Chinese texts cannot show: say so once, in
    // both languages, and go on.
    if (!vantrel::GbkInstalled())
        MessageBoxW(nullptr, vantrel::kGbkMissingText, L"Vantrel", MB_OK | MB_ICONWARNING);

    // Start at logon compares this copy's path with what starts at logon
    // as Windows compares paths.
    vantrel::UsePathForm(&vantrel::SystemComparablePath);

    int exitCode = 0;
    // While the service runs the machine's schedule, this copy is a view of
    // it and runs no task; without the service (the portable copy) it runs
    // them itself.
    if (vantrel::ServiceProcessId(vantrel::kServiceName) != 0) {
        DWORD session = 0;
        ProcessIdToSessionId(GetCurrentProcessId(), &session);
        vantrel::ViewWindow::Options options;
        options.session = session;
        options.expected = [] { return vantrel::ServiceProcessId(vantrel::kServiceName); };
        vantrel::WinRegistry registry;
        options.registry = &registry;
        vantrel::ViewWindow view(options);
        if (!view.Start()) return 1;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (vantrel::IsDialogKey(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (instance) CloseHandle(instance);
        return static_cast<int>(msg.wParam);
    }
    {
        vantrel::MainWindow::Options options;
        options.historyFolder = vantrel::HistoryFolder();
        options.version = VANTREL_VERSION_TEXT;
        vantrel::MainWindow main(std::unique_ptr<vantrel::Registry>(new vantrel::WinRegistry), options);
        if (!main.Start()) return 1;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (vantrel::IsDialogKey(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        exitCode = static_cast<int>(msg.wParam);
        vantrel::OwnedForms::ReleaseAll();
    }
    if (instance) CloseHandle(instance);
    return exitCode;
}
