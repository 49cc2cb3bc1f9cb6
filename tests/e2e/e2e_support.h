// What the end-to-end tests share: finding the program's windows from the
// outside, one running Vantrel.exe, and writing tasks into its registry key.
#pragma once

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "text/codepage_win.h"
#include "text/gbk_text.h"
#include "registry/registry_win.h"

namespace vantrel {
namespace e2e {

inline constexpr char kKey[] = "\\Software\\Brelnix\\Vantrel";

// These tests start the real program on its real registry key, which they
// delete and rewrite, so they run only under Wine, in a prefix the test run
// made for them; on Windows they would take the user's tasks.
inline bool RefuseOutsideWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll && GetProcAddress(ntdll, "wine_get_version")) return false;
    std::fputs("vantrel_e2e: the end-to-end tests run only under Wine; they rewrite the program's "
               "registry key\n",
               stderr);
    std::exit(2);
}
inline const bool kRefusedOutsideWine = RefuseOutsideWine();

inline std::string ExePath() {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return FolderPart(path) + "Vantrel.exe";
}

// The file in which Task Scheduler keeps the task `name`, with its tags as
// plain text (the file is UTF-16); empty when there is none. A 32-bit
// program reaches the 64-bit system folder as Sysnative.
inline std::string StoredTask(const std::string& name) {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    char windowsFolder[MAX_PATH] = {0};
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    const std::string path =
        std::string(windowsFolder) + (wow64 ? "\\Sysnative" : "\\System32") + "\\Tasks\\" + name;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text;
    for (char c : bytes)
        if (c != '\0') text += c;
    return text;
}

// Through the W call, so the text reads the same whatever the ANSI code page
// of the system the tests run on.
inline std::string Text(HWND w) {
    wchar_t buffer[512] = {0};
    GetWindowTextW(w, buffer, sizeof buffer / sizeof buffer[0]);
    return Narrow(buffer);
}

inline std::string ClassOf(HWND w) {
    char buffer[64] = {0};
    GetClassNameA(w, buffer, sizeof buffer);
    return buffer;
}

struct Collect {
    std::string cls;
    DWORD pid;
    std::vector<HWND> found;
};

inline BOOL CALLBACK CollectWindows(HWND w, LPARAM p) {
    auto* c = reinterpret_cast<Collect*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (ClassOf(w) == c->cls && (c->pid == 0 || pid == c->pid)) c->found.push_back(w);
    return TRUE;
}

inline std::vector<HWND> WindowsOf(const std::string& cls, DWORD pid = 0) {
    Collect c{cls, pid, {}};
    EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&c));
    return c.found;
}

inline std::vector<HWND> Visible(const std::vector<HWND>& windows) {
    std::vector<HWND> out;
    for (HWND w : windows)
        if (IsWindowVisible(w)) out.push_back(w);
    return out;
}

inline HWND ChildWithText(HWND parent, const std::string& text) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (Text(c) == text) return c;
    return nullptr;
}

// Whether a visible reminder window of the process shows `text`.
inline bool ReminderShown(DWORD pid, const std::string& text) {
    for (HWND w : Visible(WindowsOf("TForm6", pid)))
        if (ChildWithText(w, text)) return true;
    return false;
}

template <typename Pred>
inline bool WaitFor(Pred pred, DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        if (pred()) return true;
        Sleep(100);
    }
    return pred();
}

// One running Vantrel.exe, ended by a close request.
class Vantrel {
public:
    bool Start(const std::string& exe = ExePath()) { return Start(Wide(exe).c_str()); }
    // A program whose path GBK cannot hold.
    bool Start(const wchar_t* exe) {
        std::vector<wchar_t> cmd = {L'"'};
        for (const wchar_t* c = exe; *c; ++c) cmd.push_back(*c);
        cmd.push_back(L'"');
        cmd.push_back(L'\0');
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi_))
            return false;
        return WaitFor([this] { return MainWindow() != nullptr; }, 20000);
    }
    HWND MainWindow() const {
        auto w = WindowsOf("TForm1", pi_.dwProcessId);
        return w.empty() ? nullptr : w[0];
    }
    DWORD pid() const { return pi_.dwProcessId; }
    bool Running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
    void Stop() {
        if (!pi_.hProcess) return;
        if (HWND w = MainWindow()) PostMessageA(w, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi_.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
        pi_ = PROCESS_INFORMATION();
    }
    ~Vantrel() { Stop(); }

private:
    PROCESS_INFORMATION pi_ = {};
};

inline std::string DailyForNextTicks() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    // Leave the first tick (6 s after start) and its slack inside the minute.
    while (t.wSecond > 40) {
        Sleep(1000);
        GetLocalTime(&t);
    }
    return "每天" + std::to_string(t.wHour) + "时" + std::to_string(t.wMinute) + "分";
}

inline void WriteTasks(const std::vector<std::vector<std::string>>& tasks, int tishi,
                       const std::string& soundPath = "") {
    WinRegistry reg;
    reg.OpenKey(kKey, true);
    reg.WriteString("soundpath", soundPath);
    reg.WriteInteger("TaskNum", static_cast<std::int32_t>(tasks.size()));
    reg.WriteInteger("tishi", tishi);
    for (size_t i = 0; i < tasks.size(); ++i) {
        std::string n = std::to_string(i + 1);
        reg.WriteString("A" + n, tasks[i][0]);
        reg.WriteString("B" + n, tasks[i][1]);
        reg.WriteString("C" + n, tasks[i][2]);
        reg.WriteString("D" + n, "启用");
    }
}

// Runs vantrelctl.exe with `arguments`; its exit status, -1 when it cannot
// start. The wide command line: the Chinese arguments arrive whatever the
// ANSI code page. With `output`, what it writes to its standard output and
// error, as bytes.
inline int RunVantrelctl(const std::string& arguments, std::string* output = nullptr) {
    WideText cmd = Wide("\"" + FolderPart(ExePath()) + "vantrelctl.exe\" " + arguments);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string outPath = std::string(temp) + "vantrel_e2e_ctl_" + std::to_string(GetCurrentProcessId());
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = INVALID_HANDLE_VALUE;
    if (output) {
        out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = out;
    }
    PROCESS_INFORMATION pi = {};
    DWORD status = static_cast<DWORD>(-1);
    if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, output != nullptr, CREATE_NO_WINDOW, nullptr,
                       nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 30000);
        status = 99;
        GetExitCodeProcess(pi.hProcess, &status);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    if (output) {
        CloseHandle(out);
        std::ifstream in(outPath, std::ios::binary);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        in.close();
        DeleteFileA(outPath.c_str());
    }
    return static_cast<int>(status);
}

inline std::vector<std::string> ModulesOf(DWORD pid) {
    std::vector<std::string> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return names;
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    for (BOOL ok = Module32First(snapshot, &module); ok; ok = Module32Next(snapshot, &module)) {
        std::string name = module.szModule;
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        names.push_back(name);
    }
    CloseHandle(snapshot);
    return names;
}

inline void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(20);
    }
}

}  // namespace e2e
}  // namespace vantrel
