#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "actions/system_ops.h"
#include "autostart/logon_task_win.h"
#include "text/codepage_win.h"
#include "winui/on_demand_win.h"

namespace vantrel {

namespace {

// How long a broadcast waits for one window that is slow but not yet hung.
const UINT kBroadcastWaitMs = 500;

class RealOps : public SystemOps {
public:
    bool TerminateProcessById(std::uint32_t pid) override {
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        if (!process) return false;
        BOOL ok = TerminateProcess(process, 0);
        CloseHandle(process);
        return ok != FALSE;
    }

    void EndSession(std::uint32_t flags) override { ExitWindowsEx(flags, 0); }

    void SetPowerState(bool suspend, bool force) override {
        SetSystemPowerState(suspend ? TRUE : FALSE, force ? TRUE : FALSE);
    }

    void ShutdownSystem(int action) override {
        // Looked up at run time: ntdll exports it on every NT system, but it
        // is not part of the import libraries.
        typedef LONG(WINAPI * ShutdownFn)(int);
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        if (!ntdll) return;
        auto fn = reinterpret_cast<ShutdownFn>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "NtShutdownSystem")));
        if (fn) fn(action);
    }

    void* StartProcess(const ProcessStart& start) override {
        // CreateProcessW may write into the command line.
        WideText commandLine = Wide(start.commandLine);
        const WideText folder = Wide(start.folder);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION info = {};
        if (!CreateProcessW(Wide(start.program).c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                            start.idlePriority ? IDLE_PRIORITY_CLASS : 0, nullptr,
                            start.folder.empty() ? nullptr : folder.c_str(), &startup, &info))
            return nullptr;
        CloseHandle(info.hThread);
        return info.hProcess;
    }

    void OpenDocument(void* owner, const std::string& file, const std::string& folder) override {
        ShellExecuteW(static_cast<HWND>(owner), L"open", Wide(file).c_str(), L"",
                      Wide(folder).c_str(), SW_SHOWNORMAL);
    }

    void SendMci(const std::string& command, void* window) override {
        MciSendStringOnDemand(command.c_str(), static_cast<HWND>(window));
    }

    void Broadcast(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        // SendMessage would wait for every top-level window of every program:
        // one hung window would stop this thread, and the tick with it, for
        // good. A hung window is passed over at once, a slow one after a
        // short wait.
        DWORD_PTR result = 0;
        SendMessageTimeoutA(HWND_BROADCAST, message, wParam, lParam,
                            SMTO_ABORTIFHUNG | SMTO_NORMAL, kBroadcastWaitMs, &result);
    }

    std::uint32_t Autodial(std::uint32_t flags, void* window) override {
        typedef BOOL(WINAPI * AutodialFn)(DWORD, HWND);
        // Never unloaded: wininet may keep threads of its own.
        HMODULE wininet = LoadSystemLibrary("wininet.dll");
        if (!wininet) return GetLastError();
        auto autodial = reinterpret_cast<AutodialFn>(
            reinterpret_cast<void*>(GetProcAddress(wininet, "InternetAutodial")));
        if (!autodial) return ERROR_PROC_NOT_FOUND;
        SetLastError(0);
        if (autodial(flags, static_cast<HWND>(window))) return 0;
        const DWORD code = GetLastError();
        return code != 0 ? code : ERROR_GEN_FAILURE;
    }

    void AskToClose(void* window) override {
        PostMessageA(static_cast<HWND>(window), WM_CLOSE, 0, 0);
    }

    bool TaskServiceAvailable() override { return SystemTaskServiceAvailable(); }
    bool FindTask(const std::string& name, RegisteredTask& task) override {
        return FindSystemTask(name, task);
    }
    void RegisterTask(const std::string& name, const std::string& xml) override {
        RegisterSystemTask(name, xml);
    }
    void DeleteTask(const std::string& name) override { DeleteSystemTask(name); }

    std::string ComparablePath(const std::string& path) override {
        const WideText wide = Wide(path);
        // GetLongPathNameW fails for a path that does not exist: then the path
        // as given, in the case Windows compares in.
        std::vector<wchar_t> longer(32768);
        const DWORD n = GetLongPathNameW(wide.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
        if (n == 0 || n >= longer.size())
            longer.assign(wide.c_str(), wide.c_str() + wide.length());
        else
            longer.resize(n);
        if (!longer.empty()) CharUpperBuffW(longer.data(), static_cast<DWORD>(longer.size()));
        return Narrow(longer.data(), static_cast<int>(longer.size()));
    }
};

class TasksInForce : public TaskService {
public:
    bool TaskServiceAvailable() override { return Sys().TaskServiceAvailable(); }
    bool FindTask(const std::string& name, RegisteredTask& task) override {
        return Sys().FindTask(name, task);
    }
    void RegisterTask(const std::string& name, const std::string& xml) override {
        Sys().RegisterTask(name, xml);
    }
    void DeleteTask(const std::string& name) override { Sys().DeleteTask(name); }
};

SystemOps* g_installed = nullptr;

}  // namespace

SystemOps& RealSystemOps() {
    static RealOps real;
    return real;
}

SystemOps& Sys() { return g_installed ? *g_installed : RealSystemOps(); }

void InstallSystemOps(SystemOps* ops) { g_installed = ops; }

TaskService& SystemTasks() {
    static TasksInForce tasks;
    return tasks;
}

std::string SystemComparablePath(const std::string& path) { return Sys().ComparablePath(path); }

}  // namespace vantrel
