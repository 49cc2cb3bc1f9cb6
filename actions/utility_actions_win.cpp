#include "actions/utility_actions_win.h"

#include "scheduler/clock.h"

#include <shellapi.h>

#include <string.h>

#include <algorithm>
#include <vector>

#include "actions/handle_win.h"
#include "actions/system_ops.h"
#include "actions/utility_actions.h"
#include "text/codepage_win.h"
#include "text/gbk_text.h"
#include "text/system_error_win.h"
#include "winui/form_win.h"
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
#endif

template <typename Fn>
Fn LookUp(HMODULE module, const char* function) {
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, function)));
}


}  // namespace

std::string OpenTaskFile(const std::string& parameter) {
    const std::string folder = FolderPart(parameter);
    SetLastError(0);
    const INT_PTR result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", Wide(parameter).c_str(), nullptr, Wide(folder).c_str(), SW_SHOWNORMAL));
    if (result > 32) return std::string();
    // The shell's own codes below 32 match the system's error codes for
    // the common cases (2 file not found, 3 path not found, 5 access
    // denied); the last error is more precise where it is set.
    const DWORD code = GetLastError();
    return SystemErrorText(code != 0 ? code : static_cast<DWORD>(result));
}

bool CloseProgramByName(const std::string& fileName) {
    SystemOps& ops = Sys();
    bool lastResult = false;
    for (std::uint32_t pid : ProcessesToClose(ops.Processes(), fileName, ops.OwnSession()))
        lastResult = ops.TerminateProcessById(pid);
    return lastResult;
}

HangUpResult HangUpDialUp() {
    // Never unloaded: rasapi32 goes on hanging up after RasHangUpA returns.
    HMODULE ras = LoadSystemLibrary("rasapi32.dll");
    return HangUpDialUpWith(LookUp<RasEnumConnectionsFn>(ras, "RasEnumConnectionsA"),
                            LookUp<RasHangUpFn>(ras, "RasHangUpA"));
}

HangUpResult HangUpDialUpWith(RasEnumConnectionsFn enumerate, RasHangUpFn hangUp) {
    HangUpResult result;
    if (!enumerate || !hangUp) {
        result.text = "没有可用的拨号连接";
        ShowReminder(result.text);
        return result;
    }
    std::vector<RasConnV1> connections(kRasConnEntries);
    connections[0].size = kRasConnSize;
    DWORD bytes = kRasConnSize * kRasConnEntries;
    DWORD count = 0;
    if (const DWORD code = enumerate(connections.data(), &bytes, &count)) {
        // No reminder here; the history still says why nothing was hung up.
        result.text = "RasEnumConnections 错误 " + std::to_string(code);
        return result;
    }
    if (count == 0) {
        result.text = "没有可用的拨号连接";
        ShowReminder(result.text);
        return result;
    }
    result.hungUp = hangUp(connections[0].connection) == 0;
    result.text = result.hungUp ? "断开成功" : "断开失败";
    ShowReminder(result.text);
    return result;
}

std::string DialDefaultConnection(HWND mainWindow) {
    const std::uint32_t kForceUnattended = 2;  // INTERNET_AUTODIAL_FORCE_UNATTENDED
    const std::uint32_t code = Sys().Autodial(kForceUnattended, mainWindow);
    return code == 0 ? std::string() : SystemErrorText(code);
}

AdapterRun SetNetworkAdapter(HWND, const std::string& adapter, bool enable) {
    AdapterRun run;
    const std::string system = SystemFolder();
    const std::optional<std::string> commandLine = NetshCommandLine(system, adapter, enable);
    if (!commandLine) {
        run.error = "网卡名称中有双引号、%或控制字符，未执行";
        return run;
    }
    ProcessStart start;
    start.program = SystemProgram(system, "cmd.exe");
    start.commandLine = *commandLine;
    start.folder = WindowsFolder();
    // The command runs on its own; nothing waits for it here.
    SetLastError(0);
    run.process = Handle(Sys().StartProcess(start));
    if (!run.process) run.error = SystemErrorText(GetLastError());
    return run;
}

namespace {

const std::uint64_t kSliceMs = 60000;

}  // namespace

CleanupRun RunCleanup(HWND owner, const std::string& folder, bool showList, DWORD waitMs) {
    CleanupRun run;
    const std::string listName = JunkListFileName(LocalTimeNow());
    run.listPath = folder + listName;
    const std::string system = SystemFolder();
    ProcessStart start;
    start.program = SystemProgram(system, "cmd.exe");
    start.commandLine = CleanupCommandLine(system, folder, listName);
    start.idlePriority = true;
    SetLastError(0);
    Handle process(Sys().StartProcess(start));
    if (!process) {
        run.error = SystemErrorText(GetLastError());
        return run;
    }
    // The windows go on answering while the batch runs: a window that
    // answers nothing holds up Windows' shutdown broadcast, and Windows then
    // names the program as one that prevents the shutdown. A batch file that
    // never ends must not stop the scheduler for good, so after the limit
    // it runs on alone.
    // The limit counts the time the computer was awake: the tick count
    // goes on through a sleep, so the wait goes in slices, each ending to
    // look again at how long the computer has been awake.
    const UptimeClock started = Sys().ReadUptimeClock();
    WaitEnd end = WaitEnd::TimedOut;
    for (std::uint64_t awake = 0; end == WaitEnd::TimedOut && awake < waitMs;
         awake = AwakeMsBetween(started, Sys().ReadUptimeClock()))
        end = WaitRunningMessages(process.get(), static_cast<DWORD>(std::min<std::uint64_t>(waitMs - awake, kSliceMs)));
    switch (end) {
        case WaitEnd::Signalled: run.outcome = CleanupOutcome::Finished; break;
        case WaitEnd::TimedOut: run.outcome = CleanupOutcome::TimedOut; break;
        case WaitEnd::Quit: run.outcome = CleanupOutcome::Abandoned; return run;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    run.exitCode = exitCode;
    if (showList) Sys().OpenDocument(owner, run.listPath, folder);
    return run;
}

void CleanSystemJunk(HWND owner, bool showList) {
    RunCleanup(owner, ProgramFolder(), showList, kCleanupWaitMs);
}

void OpenCdTray(HWND mainWindow) { Sys().SendMci("Set cdaudio door open wait", mainWindow); }

void CloseCdTray(HWND mainWindow) { Sys().SendMci("Set cdaudio door closed wait", mainWindow); }

void MonitorOff() { Sys().Broadcast(WM_SYSCOMMAND, SC_MONITORPOWER, 2); }

std::string SystemFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    return n > 0 && n <= MAX_PATH ? Narrow(folder, static_cast<int>(n)) : std::string();
}

std::string WindowsFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    return n > 0 && n <= MAX_PATH ? Narrow(folder, static_cast<int>(n)) : std::string();
}

namespace {

// The path may be longer than MAX_PATH; a full buffer means it was cut.
std::vector<wchar_t> WideProgramPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::vector<wchar_t>();
        if (n < buffer.size() || buffer.size() >= 32768) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string ProgramPath() {
    const std::vector<wchar_t> path = WideProgramPath();
    return Narrow(path.data(), static_cast<int>(path.size()));
}

bool ProgramPathFitsGbk() {
    const std::vector<wchar_t> path = WideProgramPath();
    return FitsGbk(path.data(), static_cast<int>(path.size()));
}

std::string ProgramFolder() { return FolderPart(ProgramPath()); }

}  // namespace vantrel
