#include <winsock2.h>
#include <windows.h>

#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <wtsapi32.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <utility>
#include <vector>

#include "actions/handle_win.h"
#include "actions/system_ops.h"
#include "actions/system_ops_win.h"
#include "autostart/logon_task_win.h"
#include "text/codepage_win.h"
#include "winui/on_demand_win.h"

namespace vantrel {

namespace {

// How long a broadcast waits for one window that is slow but not yet hung.
const UINT kBroadcastWaitMs = 500;

template <typename Fn>
Fn Function(HMODULE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// wtsapi32 is on every system from XP on, but loaded only when a session
// fact is asked for, and kept.
HMODULE Wtsapi() {
    static HMODULE module = LoadSystemLibrary("wtsapi32.dll");
    return module;
}

std::uint32_t SessionOf(DWORD pid) {
    DWORD session = 0;
    return ProcessIdToSessionId(pid, &session) ? session : 0xFFFFFFFF;
}

#if !defined(_WIN64)
static_assert(sizeof(PROCESSENTRY32W) == 556, "PROCESSENTRY32W is 556 bytes");
#endif

std::vector<ProcessEntry> RealProcesses() {
    std::vector<ProcessEntry> list;
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return list;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        // szExeFile may fill its whole array on some systems; never read past it.
        int length = 0;
        while (length < MAX_PATH && entry.szExeFile[length] != L'\0') ++length;
        ProcessEntry p;
        p.pid = entry.th32ProcessID;
        p.session = SessionOf(entry.th32ProcessID);
        p.exe = Narrow(entry.szExeFile, length);
        list.push_back(p);
    }
    return list;
}

std::vector<std::uint32_t> RealActiveSessions() {
    typedef BOOL(WINAPI * EnumerateFn)(HANDLE, DWORD, DWORD, PWTS_SESSION_INFOW*, DWORD*);
    typedef void(WINAPI * FreeFn)(PVOID);
    auto enumerate = Function<EnumerateFn>(Wtsapi(), "WTSEnumerateSessionsW");
    auto release = Function<FreeFn>(Wtsapi(), "WTSFreeMemory");
    std::vector<std::uint32_t> active;
    PWTS_SESSION_INFOW sessions = nullptr;
    DWORD count = 0;
    if (!enumerate || !release || !enumerate(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count))
        return active;
    for (DWORD i = 0; i < count; ++i)
        if (sessions[i].State == WTSActive) active.push_back(sessions[i].SessionId);
    release(sessions);
    return active;
}

bool RealWatchSessions(HWND window, bool watch) {
    typedef BOOL(WINAPI * RegisterFn)(HWND, DWORD);
    typedef BOOL(WINAPI * UnregisterFn)(HWND);
    if (!watch) {
        auto unregister = Function<UnregisterFn>(Wtsapi(), "WTSUnRegisterSessionNotification");
        return unregister && unregister(window);
    }
    auto registerFor = Function<RegisterFn>(Wtsapi(), "WTSRegisterSessionNotification");
    return registerFor && registerFor(window, NOTIFY_FOR_ALL_SESSIONS);
}

bool RealAllowMessage(HWND window, UINT message) {
    // Neither is in XP's user32, which has no message filter to pass.
    typedef BOOL(WINAPI * WindowFilterFn)(HWND, UINT, DWORD, void*);
    typedef BOOL(WINAPI * ProcessFilterFn)(UINT, DWORD);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const DWORD kAllow = 1;  // MSGFLT_ALLOW and MSGFLT_ADD
    if (auto forWindow = Function<WindowFilterFn>(user32, "ChangeWindowMessageFilterEx"))
        return forWindow(window, message, kAllow, nullptr) != FALSE;
    if (auto forProcess = Function<ProcessFilterFn>(user32, "ChangeWindowMessageFilter"))
        return forProcess(message, kAllow) != FALSE;
    return true;
}

// The headers for Windows XP do not declare it. The call goes through the
// program's own import (app/xp_imports_win.h): kernel32's where Windows has
// it, on XP the 32-bit count widened across its wraps.
extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64(void);

// The headers for Windows XP call the byte of Modern Standby (AoAc) a spare.
const std::size_t kAoAcOffset = 20;
static_assert(offsetof(SYSTEM_POWER_CAPABILITIES, spare2) + 2 == kAoAcOffset,
              "AoAc is the third spare byte after FastSystemS4");

// CallNtPowerInformation, from powrprof (Windows 2000 on), loaded when first
// asked; false when the library, the function or the level is not there.
bool PowerInformation(POWER_INFORMATION_LEVEL level, void* out, ULONG size) {
    typedef LONG(WINAPI * PowerInformationFn)(POWER_INFORMATION_LEVEL, void*, ULONG, void*, ULONG);
    static const PowerInformationFn call =
        Function<PowerInformationFn>(LoadSystemLibrary("powrprof.dll"), "CallNtPowerInformation");
    return call && call(level, nullptr, 0, out, size) == 0;
}

// NtShutdownSystem answers with an NTSTATUS; the user is told the Win32 text.
std::uint32_t Win32CodeOf(LONG status) {
    typedef ULONG(WINAPI * ToDosErrorFn)(LONG);
    static const ToDosErrorFn toDos =
        Function<ToDosErrorFn>(GetModuleHandleA("ntdll.dll"), "RtlNtStatusToDosError");
    const ULONG code = toDos ? toDos(status) : 0;
    return code != 0 ? code : ERROR_GEN_FAILURE;
}

// The last error of a call that failed, never 0.
std::uint32_t LastError() {
    const DWORD code = GetLastError();
    return code != 0 ? code : ERROR_GEN_FAILURE;
}

}  // namespace

bool WakeTimeUtc(const WakePlan& at, const TIME_ZONE_INFORMATION* zone, FILETIME& utc) {
    SYSTEMTIME local = {};
    local.wYear = static_cast<WORD>(at.date.year);
    local.wMonth = static_cast<WORD>(at.date.month);
    local.wDay = static_cast<WORD>(at.date.day);
    local.wHour = static_cast<WORD>(at.hour);
    local.wMinute = static_cast<WORD>(at.minute);
    // The bias of the wake's own season: LocalFileTimeToFileTime would take
    // today's, an hour off for a wake across a daylight-saving change.
    SYSTEMTIME universal;
    return TzSpecificLocalTimeToSystemTime(const_cast<TIME_ZONE_INFORMATION*>(zone), &local, &universal) &&
           SystemTimeToFileTime(&universal, &utc);
}

namespace {

class RealOps : public SystemOps {
public:
    bool TerminateProcessById(std::uint32_t pid) override {
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        if (!process) return false;
        BOOL ok = TerminateProcess(process, 0);
        CloseHandle(process);
        return ok != FALSE;
    }

    std::uint32_t EndSession(std::uint32_t flags, std::uint32_t reason) override {
        return ExitWindowsEx(flags, reason) ? 0 : LastError();
    }

    std::uint32_t LogOffSession(std::uint32_t session) override {
        using LogoffFn = BOOL(WINAPI*)(HANDLE, DWORD, BOOL);
        auto logoff = Function<LogoffFn>(Wtsapi(), "WTSLogoffSession");
        if (!logoff) return ERROR_PROC_NOT_FOUND;
        return logoff(WTS_CURRENT_SERVER_HANDLE, session, FALSE) ? 0 : LastError();
    }

    std::uint32_t SetPowerState(bool suspend, bool force) override {
        return SetSystemPowerState(suspend ? TRUE : FALSE, force ? TRUE : FALSE) ? 0 : LastError();
    }

    std::uint32_t ShutdownSystem(int action) override {
        // Looked up at run time: ntdll exports it on every NT system, but it
        // is not part of the import libraries.
        typedef LONG(WINAPI * ShutdownFn)(int);
        auto fn = Function<ShutdownFn>(GetModuleHandleA("ntdll.dll"), "NtShutdownSystem");
        if (!fn) return ERROR_PROC_NOT_FOUND;
        const LONG status = fn(action);
        return status >= 0 ? 0 : Win32CodeOf(status);
    }

    bool ReadPowerCapabilities(PowerCapabilities& caps) override {
        SYSTEM_POWER_CAPABILITIES spc = {};
        if (!PowerInformation(SystemPowerCapabilities, &spc, sizeof spc)) return false;
        caps.sleepStates = spc.SystemS1 || spc.SystemS2 || spc.SystemS3;
        caps.modernStandby = reinterpret_cast<const BYTE*>(&spc)[kAoAcOffset] != 0;
        caps.hibernation = spc.SystemS4 != 0;
        caps.hiberFile = spc.HiberFilePresent != 0;
        return true;
    }

    std::uint32_t ArmWakeTimer(const WakePlan& at) override {
        CancelWakeTimer();
        FILETIME utc;
        if (!WakeTimeUtc(at, nullptr, utc)) return LastError();
        Handle timer(CreateWaitableTimerW(nullptr, TRUE, nullptr));
        if (!timer) return LastError();
        LARGE_INTEGER due;
        due.LowPart = utc.dwLowDateTime;
        due.HighPart = static_cast<LONG>(utc.dwHighDateTime);  // positive: an absolute time
        // Where the computer cannot wake by a timer, SetWaitableTimer still
        // arms it and succeeds, and says so only in the last error.
        SetLastError(0);
        if (!SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, TRUE)) return LastError();
        const DWORD said = GetLastError();
        // Kept open while armed: closing the handle would cancel the wake.
        wakeTimer_ = std::move(timer);
        return said == ERROR_NOT_SUPPORTED ? ERROR_NOT_SUPPORTED : 0;
    }

    void CancelWakeTimer() override {
        if (wakeTimer_) CancelWaitableTimer(wakeTimer_.get());
        wakeTimer_ = Handle();
    }

    bool WakeTimerCameDue() override {
        return wakeTimer_ && WaitForSingleObject(wakeTimer_.get(), 0) == WAIT_OBJECT_0;
    }

    void SetExecutionState(std::uint32_t flags) override {
        SetThreadExecutionState(static_cast<EXECUTION_STATE>(flags));
    }

    bool SetPowerRequest(bool on) override {
        // REASON_CONTEXT with a simple string; the request types are
        // PowerRequestDisplayRequired (0) and PowerRequestSystemRequired (1).
        struct ReasonContext {
            ULONG version;
            DWORD flags;
            const wchar_t* reason;
        };
        using Create = HANDLE(WINAPI*)(ReasonContext*);
        using Change = BOOL(WINAPI*)(HANDLE, int);
        static const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        static const auto create = Function<Create>(kernel, "PowerCreateRequest");
        static const auto set = Function<Change>(kernel, "PowerSetRequest");
        static const auto clear = Function<Change>(kernel, "PowerClearRequest");
        if (!create || !set || !clear) return false;
        if (powerRequest_) {
            clear(powerRequest_.get(), 0);
            clear(powerRequest_.get(), 1);
            powerRequest_ = Handle();
        }
        if (!on) return true;
        ReasonContext reason{0, 1, L"Vantrel: \u5524\u9192\u540e\u6267\u884c\u4efb\u52a1"};
        Handle request(create(&reason));
        if (!request || !set(request.get(), 1) || !set(request.get(), 0)) return false;
        powerRequest_ = std::move(request);
        return true;
    }

    bool ResumedAutomatically() override { return IsSystemResumeAutomatic() != FALSE; }

    UptimeClock ReadUptimeClock() override {
        UptimeClock clock;
        clock.tickMs = GetTickCount64();
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        clock.widened = !GetProcAddress(kernel, "GetTickCount64");
        typedef BOOL(WINAPI * UnbiasedFn)(ULONGLONG*);
        static const UnbiasedFn unbiased = Function<UnbiasedFn>(kernel, "QueryUnbiasedInterruptTime");
        ULONGLONG awake = 0;
        if (unbiased && unbiased(&awake)) clock.awake = awake;
        ULONGLONG wake = 0;
        if (PowerInformation(LastWakeTime, &wake, sizeof wake)) clock.lastWake = wake;
        return clock;
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
private:
    Handle wakeTimer_;
    Handle powerRequest_;  // held while the machine is kept on after the program's wake
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

std::vector<ProcessEntry> SystemOps::Processes() { return RealProcesses(); }
std::uint32_t SystemOps::OwnSession() { return SessionOf(GetCurrentProcessId()); }
std::uint32_t SystemOps::ConsoleSession() { return WTSGetActiveConsoleSessionId(); }
std::vector<std::uint32_t> SystemOps::ActiveSessions() { return RealActiveSessions(); }
bool SystemOps::WatchSessions(void* window) { return RealWatchSessions(static_cast<HWND>(window), true); }
void SystemOps::StopWatchingSessions(void* window) { RealWatchSessions(static_cast<HWND>(window), false); }
bool SystemOps::AllowMessageFromLowerIntegrity(void* window, std::uint32_t message) {
    return RealAllowMessage(static_cast<HWND>(window), message);
}
bool SystemOps::NotifyIcon(std::uint32_t operation, void* record) {
    return Shell_NotifyIconW(operation, static_cast<NOTIFYICONDATAW*>(record)) != FALSE;
}
unsigned SystemOps::WindowsMajorVersion() { return LOBYTE(LOWORD(GetVersion())); }

namespace {

// Not in the XP headers this program is built with.
const int kTokenElevationType = 18;  // TokenElevationType
const int kTokenLinkedToken = 19;    // TokenLinkedToken

// The primary token of `session`'s user: only a service running as
// LocalSystem may have it.
Handle SessionUserToken(std::uint32_t session) {
    typedef BOOL(WINAPI * QueryFn)(ULONG, PHANDLE);
    auto query = Function<QueryFn>(Wtsapi(), "WTSQueryUserToken");
    HANDLE token = nullptr;
    if (!query || !query(session, &token)) return Handle();
    return Handle(token);
}

}  // namespace

std::uint32_t SystemOps::SessionUserElevation(std::uint32_t session) {
    Handle token = SessionUserToken(session);
    if (!token) return 0;
    DWORD type = 1, size = 0;
    // XP has no such class: its answer is a refusal, read as no split.
    if (!GetTokenInformation(token.get(), static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevationType), &type,
                             sizeof type, &size))
        type = 1;
    return type;
}

std::uint32_t SystemOps::StartAsSessionUser(std::uint32_t session, bool linkedToken, const std::string& commandLine) {
    Handle token = SessionUserToken(session);
    if (!token) return GetLastError() ? GetLastError() : ERROR_NO_TOKEN;
    if (linkedToken) {
        // A LocalSystem caller is given the linked token as a primary token.
        HANDLE linked = nullptr;
        DWORD size = 0;
        if (!GetTokenInformation(token.get(), static_cast<TOKEN_INFORMATION_CLASS>(kTokenLinkedToken), &linked,
                                 sizeof linked, &size))
            return GetLastError();
        token = Handle(linked);
    }
    typedef BOOL(WINAPI * CreateEnvFn)(LPVOID*, HANDLE, BOOL);
    typedef BOOL(WINAPI * DestroyEnvFn)(LPVOID);
    static HMODULE userenv = LoadSystemLibrary("userenv.dll");
    auto createEnv = Function<CreateEnvFn>(userenv, "CreateEnvironmentBlock");
    auto destroyEnv = Function<DestroyEnvFn>(userenv, "DestroyEnvironmentBlock");
    LPVOID environment = nullptr;
    if (createEnv && !createEnv(&environment, token.get(), FALSE)) environment = nullptr;
    WideText command = Wide(commandLine);  // CreateProcessAsUserW may write into it
    wchar_t desktop[] = L"winsta0\\default";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.lpDesktop = desktop;
    PROCESS_INFORMATION pi = {};
    const BOOL started = CreateProcessAsUserW(token.get(), nullptr, command.data(), nullptr, nullptr, FALSE,
                                              CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP, environment,
                                              nullptr, &si, &pi);
    const DWORD error = started ? 0 : GetLastError();
    if (environment && destroyEnv) destroyEnv(environment);
    if (started) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return error;
}

namespace {

std::uint64_t FileTimeValue(const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

ScreenRect FromRect(const RECT& r) { return ScreenRect{r.left, r.top, r.right, r.bottom}; }

// iphlpapi is loaded only when a busy check asks for the network: its
// header gives the tables' layouts, the functions come at run time.
HMODULE Iphlpapi() {
    static HMODULE module = LoadSystemLibrary("iphlpapi.dll");
    return module;
}

static_assert(sizeof(MIB_IF_ROW2) == 1352, "MIB_IF_ROW2 as Windows lays it out");

// From Vista on: 64-bit counters, and every interface with its flags.
bool InterfaceTable2(std::vector<InterfaceCounters>& rows) {
    using GetTableFn = DWORD(WINAPI*)(MIB_IF_TABLE2**);
    using FreeTableFn = void(WINAPI*)(void*);
    static const GetTableFn getTable = Function<GetTableFn>(Iphlpapi(), "GetIfTable2");
    static const FreeTableFn freeTable = Function<FreeTableFn>(Iphlpapi(), "FreeMibTable");
    MIB_IF_TABLE2* table = nullptr;
    if (!getTable || !freeTable || getTable(&table) != NO_ERROR) return false;
    std::vector<InterfaceCounters> read(table->NumEntries);
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IF_ROW2& row = table->Table[i];
        InterfaceCounters& c = read[i];
        c.index = row.InterfaceIndex;
        c.type = row.Type;
        c.hardware = row.InterfaceAndOperStatusFlags.HardwareInterface != 0;
        c.filter = row.InterfaceAndOperStatusFlags.FilterInterface != 0;
        c.wide = true;
        c.octets = row.InOctets + row.OutOctets;
    }
    freeTable(table);
    rows.swap(read);
    return true;
}

// XP: 32-bit counters, one row per adapter.
bool InterfaceTable(std::vector<InterfaceCounters>& rows) {
    using GetIfTableFn = DWORD(WINAPI*)(void*, ULONG*, BOOL);
    static const GetIfTableFn getIfTable = Function<GetIfTableFn>(Iphlpapi(), "GetIfTable");
    if (!getIfTable) return false;
    ULONG size = 0;
    if (getIfTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER || size < sizeof(DWORD)) return false;
    std::vector<unsigned char> buffer(size);
    if (getIfTable(buffer.data(), &size, FALSE) != NO_ERROR) return false;
    const MIB_IFTABLE* table = reinterpret_cast<const MIB_IFTABLE*>(buffer.data());
    const std::size_t first = offsetof(MIB_IFTABLE, table);
    if (table->dwNumEntries > (buffer.size() - first) / sizeof(MIB_IFROW)) return false;
    std::vector<InterfaceCounters> read(table->dwNumEntries);
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IFROW& row = table->table[i];
        read[i].index = row.dwIndex;
        read[i].type = row.dwType;
        read[i].octets = static_cast<std::uint64_t>(row.dwInOctets) + row.dwOutOctets;
    }
    rows.swap(read);
    return true;
}

// Whether the desktop that takes input is not one this user may open: the
// machine is locked (Winlogon's desktop is in front), or a secure prompt is up.
bool InputDesktopElsewhere() {
    HDESK desk = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (!desk) return true;
    CloseDesktop(desk);
    return false;
}

}  // namespace

BusySample SystemOps::BusyFacts() {
    BusySample s;
    s.tickMs = GetTickCount();
    HWND front = GetForegroundWindow();
    if (front) {
        ForegroundFacts& f = s.foreground;
        f.present = true;
        // The desktop's own windows cover the monitor too: Progman, and the
        // WorkerW that holds the wallpaper from Windows 7 on.
        wchar_t cls[32] = {0};
        GetClassNameW(front, cls, 32);
        f.desktopOrShell = front == GetDesktopWindow() || front == GetShellWindow() ||
                           std::wcscmp(cls, L"Progman") == 0 || std::wcscmp(cls, L"WorkerW") == 0 ||
                           std::wcscmp(cls, L"Shell_TrayWnd") == 0;
        f.caption = (GetWindowLongW(front, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
        f.zoomed = IsZoomed(front) != FALSE;
        RECT window, client;
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        if (GetWindowRect(front, &window) && GetClientRect(front, &client) &&
            GetMonitorInfoW(MonitorFromWindow(front, MONITOR_DEFAULTTONEAREST), &monitor)) {
            MapWindowPoints(front, nullptr, reinterpret_cast<POINT*>(&client), 2);
            f.window = FromRect(window);
            f.client = FromRect(client);
            f.monitor = FromRect(monitor.rcMonitor);
        } else {
            f.present = false;
        }
    }
    s.foreground.locked = InputDesktopElsewhere();
    using QueryStateFn = HRESULT(WINAPI*)(int*);
    static QueryStateFn query = Function<QueryStateFn>(GetModuleHandleW(L"shell32.dll"), "SHQueryUserNotificationState");
    int state = 0;
    if (query && query(&state) == S_OK) s.notificationState = state;
    using SystemTimesFn = BOOL(WINAPI*)(FILETIME*, FILETIME*, FILETIME*);
    static SystemTimesFn times = Function<SystemTimesFn>(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimes");
    FILETIME idle, kernel, user;
    if (times && times(&idle, &kernel, &user)) {
        s.haveProcessor = true;
        s.idle = FileTimeValue(idle);
        s.kernel = FileTimeValue(kernel);
        s.user = FileTimeValue(user);
    }
    s.haveNetwork = InterfaceTable2(s.interfaces) || InterfaceTable(s.interfaces);
    return s;
}

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
std::uint64_t MsSinceSwitchedOnNow() { return MsSinceSwitchedOn(Sys().ReadUptimeClock()); }

}  // namespace vantrel
