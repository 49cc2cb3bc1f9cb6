#include <windows.h>

#include "actions/system_ops.h"

namespace vantrel {

namespace {

class RealSystemOps : public SystemOps {
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
};

RealSystemOps& Real() {
    static RealSystemOps real;
    return real;
}

SystemOps* g_installed = nullptr;

}  // namespace

SystemOps& Sys() { return g_installed ? *g_installed : Real(); }

void InstallSystemOps(SystemOps* ops) { g_installed = ops; }

}  // namespace vantrel
