// Start-up time (process start until its message loop first waits, after
// the tray icon is added) and private memory of a program, over N starts:
//   startup_bench EXE CLASS N [TICKS]
// With TICKS, the program's window of CLASS gets that many tick timer
// messages and the private memory is measured again afterwards.
// Prints one line per start: start_ms private_kb private_after_ticks_kb
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

SIZE_T PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    // Wine leaves PrivateUsage at 0; PagefileUsage is the same private commit.
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}

struct FindData {
    DWORD pid;
    const char* cls;
    HWND found;
};

BOOL CALLBACK Find(HWND w, LPARAM p) {
    auto* d = reinterpret_cast<FindData*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = {0};
    GetClassNameA(w, cls, sizeof cls);
    if (pid == d->pid && std::string(cls) == d->cls) {
        d->found = w;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    int runs = std::atoi(argv[3]);
    int ticks = argc > 4 ? std::atoi(argv[4]) : 0;
    for (int r = 0; r < runs; ++r) {
        SIZE_T memory = 0, after = 0;
        std::string cmd = std::string("\"") + argv[1] + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1;
        WaitForInputIdle(pi.hProcess, 20000);
        QueryPerformanceCounter(&b);
        const double ms = 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
        Sleep(500);
        memory = PrivateBytes(pi.hProcess);
        FindData d = {pi.dwProcessId, argv[2], nullptr};
        EnumWindows(Find, reinterpret_cast<LPARAM>(&d));
        if (ticks > 0 && d.found) {
            for (int t = 0; t < ticks; ++t) SendMessageA(d.found, WM_TIMER, 1, 0);
            Sleep(200);
            after = PrivateBytes(pi.hProcess);
        }
        if (d.found) PostMessageA(d.found, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        std::printf("%.1f %lu %lu\n", ms, static_cast<unsigned long>(memory / 1024),
                    static_cast<unsigned long>(after / 1024));
    }
    return 0;
}
