#include "actions/utility_actions_win.h"

#include "scheduler/clock.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <string.h>
#include <vector>

#include "actions/handle_win.h"
#include "actions/system_ops.h"
#include "actions/utility_actions.h"
#include "store/gbk_text.h"
#include "winui/on_demand_win.h"

namespace vantrel {

namespace {

// The first, smallest layout of RASCONN: every system since the first one
// with dial-up networking accepts it, whatever newer fields it knows.
struct RasConnV1 {
    DWORD size;
    HANDLE connection;
    char entryName[257];
    char deviceType[17];
    char deviceName[129];
};
const DWORD kRasConnSize = 412;
const DWORD kRasConnEntries = 10;
#if !defined(_WIN64)
static_assert(sizeof(RasConnV1) == kRasConnSize, "RASCONN of the first layout is 412 bytes");
static_assert(sizeof(PROCESSENTRY32) == 296, "PROCESSENTRY32 (ANSI) is 296 bytes");
#endif

// A system library looked up on first use and kept to the end of the
// program: rasapi32 goes on hanging up after RasHangUpA returns, and wininet
// may keep threads of its own, so neither may be unloaded behind their back.
HMODULE SystemLibrary(const char* name) {
    HMODULE module = GetModuleHandleA(name);
    return module ? module : LoadLibraryA(name);
}

template <typename Fn>
Fn LookUp(HMODULE module, const char* function) {
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, function)));
}


}  // namespace

void OpenTaskFile(const std::string& parameter) {
    const std::string folder = FolderPart(parameter);
    ShellExecuteA(nullptr, "open", parameter.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
}

bool CloseProgramByName(const std::string& fileName) {
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    bool lastResult = false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        // szExeFile may fill its whole array on some systems; never read past it.
        const std::string exe(entry.szExeFile,
                              strnlen(entry.szExeFile, sizeof entry.szExeFile));
        if (ExeEntryMatches(exe, fileName)) {
            lastResult = Sys().TerminateProcessById(entry.th32ProcessID);
        }
    }
    return lastResult;
}

void HangUpDialUp() {
    HMODULE ras = SystemLibrary("rasapi32.dll");
    HangUpDialUpWith(LookUp<RasEnumConnectionsFn>(ras, "RasEnumConnectionsA"),
                     LookUp<RasHangUpFn>(ras, "RasHangUpA"));
}

void HangUpDialUpWith(RasEnumConnectionsFn enumerate, RasHangUpFn hangUp) {
    if (!enumerate || !hangUp) {
        ShowReminder("没有可用的拨号连接");
        return;
    }
    std::vector<RasConnV1> connections(kRasConnEntries);
    connections[0].size = kRasConnSize;
    DWORD bytes = kRasConnSize * kRasConnEntries;
    DWORD count = 0;
    if (enumerate(connections.data(), &bytes, &count) != 0) return;
    if (count == 0) {
        ShowReminder("没有可用的拨号连接");
        return;
    }
    ShowReminder(hangUp(connections[0].connection) == 0 ? "断开成功" : "断开失败");
}

void DialDefaultConnection(HWND mainWindow) {
    typedef BOOL(WINAPI * AutodialFn)(DWORD, HWND);
    const DWORD kForceUnattended = 2;  // INTERNET_AUTODIAL_FORCE_UNATTENDED
    auto autodial = LookUp<AutodialFn>(SystemLibrary("wininet.dll"), "InternetAutodial");
    if (autodial) autodial(kForceUnattended, mainWindow);
}

void SetNetworkAdapter(HWND owner, const std::string& adapter, bool enable) {
    const std::optional<std::string> parameters = NetshParameters(adapter, enable);
    if (!parameters) return;
    char windowsFolder[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    ShellExecuteA(owner, "open", "cmd.exe", parameters->c_str(), windowsFolder, SW_HIDE);
}

CleanupRun RunCleanup(const std::string& folder, bool showList, DWORD waitMs) {
    CleanupRun run;
    const std::string listName = JunkListFileName(LocalTimeNow());
    run.listPath = folder + listName;
    std::string commandLine = CleanupCommandLine(folder, listName);
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, IDLE_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &info)) {
        return run;
    }
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    // The user interface thread waits here; a batch file that never ends must
    // not stop the scheduler for good, so after the limit it runs on alone.
    run.outcome = WaitForSingleObject(process.get(), waitMs) == WAIT_OBJECT_0
                      ? CleanupOutcome::Finished
                      : CleanupOutcome::TimedOut;
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    if (showList) {
        ShellExecuteA(nullptr, "open", run.listPath.c_str(), "", folder.c_str(), SW_SHOWNORMAL);
    }
    return run;
}

void CleanSystemJunk(bool showList) { RunCleanup(ProgramFolder(), showList, kCleanupWaitMs); }

void OpenCdTray(HWND mainWindow) {
    MciSendStringOnDemand("Set cdaudio door open wait", mainWindow);
}

void CloseCdTray(HWND mainWindow) {
    MciSendStringOnDemand("Set cdaudio door closed wait", mainWindow);
}

void MonitorOff() { SendMessageA(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, 2); }

std::string ProgramPath() {
    // The path may be longer than MAX_PATH; a full buffer means it was cut.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::string();
        if (n < buffer.size()) return std::string(buffer.data(), n);
        if (buffer.size() >= 32768) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::string ProgramFolder() { return FolderPart(ProgramPath()); }

}  // namespace vantrel
