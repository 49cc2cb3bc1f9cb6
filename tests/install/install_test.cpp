// The setup program end to end, under Wine in a fresh prefix of its own: a
// silent install, the installed program's first start, an upgrade over the
// running copy, and a silent uninstall, checked from the outside in the
// file system, the registry and the process list. The names the setup
// program shares with the program (the program key, the Run value, the help
// file, the version) are read back from what was installed and compared
// with the program's own definitions.
//
// The suite installs into the machine's Program Files and HKEY_LOCAL_MACHINE,
// so it refuses to run anywhere but under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "text/gbk_text.h"
#include "registry/registry_win.h"
#include "store/task_store.h"
#include "tests/e2e/e2e_support.h"

namespace vantrel {
namespace {

using namespace e2e;

const char kUninstallKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel";
// What the setup program puts into the program folder, besides its uninstaller.
const char* const kShippedFiles[] = {"Vantrel.exe", "vantrelctl.exe", "QLLJ.bat", "Vantrel.CHM"};
// The Group Policy templates, below the program folder as in the policy store.
const char* const kPolicyTemplates[] = {"Vantrel.admx", "zh-CN\\Vantrel.adml", "en-US\\Vantrel.adml"};
const char* const kStartMenuLinks[] = {"Vantrel.lnk", "Vantrel 帮助.lnk", "卸载 Vantrel.lnk"};

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string Folder(int csidl) {
    char path[MAX_PATH] = {0};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string BuildFolder() {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return FolderPart(path);
}

std::string SetupPath() { return BuildFolder() + "..\\setup\\" VANTREL_SETUP_NAME; }
std::string DefaultInstallFolder() { return Folder(CSIDL_PROGRAM_FILES) + "\\Vantrel"; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a program to its end; returns its exit code, or -1 when it did not
// start or end within a minute.
long RunToEnd(const std::string& commandLine) {
    std::string cmd = commandLine;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return static_cast<long>(code);
}

long SilentSetup(const std::string& extra = "") {
    return RunToEnd("\"" + SetupPath() + "\" /S" + extra);
}

std::string ReadText(const std::string& key, const std::string& name) {
    WinRegistry reg;
    if (!reg.OpenKey(key, false) || !reg.ValueExists(name)) return "";
    return reg.ReadString(name);
}

bool ValuePresent(const std::string& key, const std::string& name) {
    WinRegistry reg;
    return reg.OpenKey(key, false) && reg.ValueExists(name);
}

bool KeyPresent(const std::string& key) {
    WinRegistry reg;
    return reg.OpenKey(key, false);
}

bool OnXp() {
    const char* system = std::getenv("VANTREL_WINE_VERSION");
    return system && std::string(system) == "winxp";
}

// Start at logon as this Windows keeps it: on XP the Run value with the
// quoted path, from Vista on a task of Task Scheduler (of which Wine keeps
// the settings but not the command) and no Run value.
bool StartsAtLogon(const std::string& folder) {
    if (OnXp()) return ReadText(kRunKeyPath, kRunValueName) == "\"" + folder + "\\Vantrel.exe\"";
    const std::string task = StoredTask("Vantrel");
    return !ValuePresent(kRunKeyPath, kRunValueName) &&
           task.find("<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>") != std::string::npos &&
           task.find("<Priority>4</Priority>") != std::string::npos;
}

std::string StartAtLogonState() {
    return "Run value: " + ReadText(kRunKeyPath, kRunValueName) + "; task: " + StoredTask("Vantrel");
}

// The file the process was started from, as the system reports it.
std::string ModulePath(DWORD pid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return "";
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    std::string path;
    if (Module32First(snapshot, &module)) path = module.szExePath;
    CloseHandle(snapshot);
    return path;
}

// The process of the one running Vantrel main window, 0 for none.
DWORD RunningVantrel() {
    auto windows = WindowsOf("TForm1");
    if (windows.size() != 1) return 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(windows[0], &pid);
    return pid;
}

// "2.0.0" from the fixed part of a file's version resource.
std::string FileVersion(const std::string& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return "";
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return "";
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info) return "";
    std::ostringstream out;
    out << HIWORD(info->dwProductVersionMS) << '.' << LOWORD(info->dwProductVersionMS) << '.'
        << HIWORD(info->dwProductVersionLS);
    return out.str();
}

// Uninstalls the copy the Add/Remove entry names, silently, and waits for
// its folder to go: the uninstaller copies itself elsewhere and returns at
// once, leaving the copy to do the work, which ends with the folder.
bool SilentUninstall(const std::string& folder) {
    std::string uninstall = ReadText(kUninstallKey, "UninstallString");
    if (uninstall.empty() || RunToEnd(uninstall + " /S") != 0) return false;
    return WaitFor([&] { return !Exists(folder); }, 30000);
}

struct WindowSearch {
    std::string title;
    int id;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<WindowSearch*>(p);
    if (IsWindowVisible(w) && Text(w).rfind(s->title, 0) == 0 && GetDlgItem(w, s->id)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window whose title begins with `title` and that has a
// child with `id`.
HWND WindowWithChild(const std::string& title, int id) {
    WindowSearch search{title, id, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Presses a button of that window once it shows.
bool Press(const std::string& title, int id) {
    HWND w = nullptr;
    if (!WaitFor([&] { return (w = WindowWithChild(title, id)) != nullptr; }, 15000)) return false;
    PostMessageA(GetDlgItem(w, id), BM_CLICK, 0, 0);
    return true;
}

// The service as the SCM keeps it.
struct ServiceFacts {
    bool exists = false;
    DWORD state = 0;
    DWORD pid = 0;
    std::wstring command, account, description;
    DWORD startType = 0;
};

ServiceFacts QueryVantrelService() {
    ServiceFacts facts;
    SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!scm) return facts;
    SC_HANDLE service = OpenServiceW(scm, L"Vantrel", SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
    if (service) {
        facts.exists = true;
        SERVICE_STATUS_PROCESS status = {};
        DWORD n = 0;
        if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &n)) {
            facts.state = status.dwCurrentState;
            facts.pid = status.dwProcessId;
        }
        std::vector<BYTE> buffer(8192);
        if (QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data()),
                                static_cast<DWORD>(buffer.size()), &n)) {
            auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
            facts.command = config->lpBinaryPathName ? config->lpBinaryPathName : L"";
            facts.account = config->lpServiceStartName ? config->lpServiceStartName : L"";
            facts.startType = config->dwStartType;
        }
        if (QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, buffer.data(), static_cast<DWORD>(buffer.size()),
                                 &n)) {
            auto* d = reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer.data());
            facts.description = d->lpDescription ? d->lpDescription : L"";
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(scm);
    return facts;
}

BOOL CALLBACK CountWindowsOf(HWND w, LPARAM p) {
    auto* search = reinterpret_cast<std::pair<DWORD, int>*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == search->first) ++search->second;
    return TRUE;
}

// Top-level windows of the process, shown or not (Wine puts a service's on
// the user's desktop, where Windows would keep them in session 0).
int WindowCount(DWORD pid) {
    std::pair<DWORD, int> search(pid, 0);
    EnumWindows(CountWindowsOf, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

bool ProcessRuns(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

std::wstring WideOf(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class Install : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UnderWine()) GTEST_SKIP() << "installs into the machine; runs only under Wine";
    }
};

TEST_F(Install, ASilentInstallPutsTheProgramInProgramFilesWithItsEntryAndShortcuts) {
    ASSERT_TRUE(Exists(SetupPath())) << SetupPath();
    // The prefix is the Windows it was made to be.
    if (const char* system = std::getenv("VANTREL_WINE_VERSION")) {
        // RtlGetVersion, since GetVersionEx tells a program without a
        // Windows 10 manifest that it runs on 8.
        OSVERSIONINFOW os = {};
        os.dwOSVersionInfoSize = sizeof os;
        using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
        auto getVersion = reinterpret_cast<GetVersionFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
        ASSERT_NE(getVersion, nullptr);
        getVersion(&os);
        if (std::string(system) == "winxp") EXPECT_EQ(os.dwMajorVersion * 10 + os.dwMinorVersion, 51u);
        if (std::string(system) == "win10") EXPECT_EQ(os.dwMajorVersion, 10u);
    }
    ASSERT_EQ(SilentSetup(), 0);
    const std::string folder = DefaultInstallFolder();
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    // A 32-bit program goes to the 32-bit Program Files folder.
    EXPECT_EQ(folder.find("(x86)") != std::string::npos, wow64 != FALSE) << folder;
    for (const char* name : kShippedFiles)
        EXPECT_EQ(Contents(folder + "\\" + name), Contents(BuildFolder() + name)) << name;
    for (const char* name : kPolicyTemplates) {
        const std::string installed = Contents(folder + "\\PolicyDefinitions\\" + name);
        EXPECT_FALSE(installed.empty()) << name;
        EXPECT_EQ(installed, Contents(std::string(VANTREL_POLICY_DIR) + name)) << name;
    }
    EXPECT_TRUE(Exists(folder + "\\Vantrel-uninstall.exe"));
    EXPECT_FALSE(Exists(folder + "\\uninstall.exe"));

    const std::string programs = Folder(CSIDL_COMMON_PROGRAMS) + "\\Vantrel\\";
    for (const char* link : kStartMenuLinks) EXPECT_TRUE(Exists(programs + link)) << link;
    EXPECT_TRUE(Exists(Folder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Vantrel.lnk"));

    // The Add/Remove entry, its version the one the program file carries.
    const std::string version = FileVersion(folder + "\\Vantrel.exe");
    EXPECT_FALSE(version.empty());
    EXPECT_EQ(FileVersion(SetupPath()), version);
    EXPECT_NE(std::string(VANTREL_SETUP_NAME).find("-" + version + "-"), std::string::npos);
    EXPECT_EQ(ReadText(kUninstallKey, "DisplayName"), "Vantrel");
    EXPECT_EQ(ReadText(kUninstallKey, "DisplayVersion"), version);
    EXPECT_EQ(ReadText(kUninstallKey, "Publisher"), "Brelnix");
    EXPECT_EQ(ReadText(kUninstallKey, "DisplayIcon"), folder + "\\Vantrel.exe,0");
    EXPECT_EQ(ReadText(kUninstallKey, "UninstallString"), "\"" + folder + "\\Vantrel-uninstall.exe\"");
    // The size of the installed files, in KB.
    long long bytes = 0;
    for (const char* name : kShippedFiles) bytes += static_cast<long long>(Contents(folder + "\\" + name).size());
    bytes += static_cast<long long>(Contents(folder + "\\Vantrel-uninstall.exe").size());
    for (const char* name : kPolicyTemplates)
        bytes += static_cast<long long>(Contents(folder + "\\PolicyDefinitions\\" + name).size());
    WinRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kUninstallKey, false));
    EXPECT_EQ(reg.ReadInteger("EstimatedSize"), (bytes + 1023) / 1024);
    EXPECT_TRUE(StartsAtLogon(folder)) << StartAtLogonState();
}

// The installed program starts, writes its defaults, and on XP the
// start-at-logon value the setup program wrote is the one its settings
// window shows ticked.
TEST_F(Install, TheInstalledProgramStartsWritesItsDefaultsAndSeesStartAtLogonTicked) {
    const std::string exe = DefaultInstallFolder() + "\\Vantrel.exe";
    Vantrel v;
    ASSERT_TRUE(v.Start(exe));
    WinRegistry reg;
    ASSERT_TRUE(WaitFor([&] { return reg.OpenKey(kProgramKeyPath, false) && reg.ValueCount() == 6; }, 10000));
    EXPECT_EQ(reg.ReadInteger(kValCountdown), 60);
    EXPECT_EQ(reg.ReadInteger("TaskNum"), 0);
    reg.CloseKey();

    const std::string running = ModulePath(v.pid());
    EXPECT_EQ(running, exe);
    if (OnXp()) {
        Settings settings;
        TaskStore store(reg);
        EXPECT_TRUE(store.LoadSettings(settings, running).runAtLogon) << StartAtLogonState();
    }
}

TEST_F(Install, AnUpgradeEndsTheRunningCopyReplacesTheFilesAndKeepsTasksAndSettings) {
    const std::string folder = DefaultInstallFolder();
    {
        WinRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kProgramKeyPath, true));
        reg.WriteInteger("TaskNum", 1);
        reg.WriteString("A1", "每天17时30分");
        reg.WriteString("B1", "提醒");
        reg.WriteString("C1", "下班时间到。");
        reg.WriteString("D1", "禁用");
        reg.WriteInteger(kValCountdown, 120);
    }
    // A file an older version left behind, to be replaced.
    { std::ofstream(folder + "\\QLLJ.bat", std::ios::binary) << "older"; }

    std::string cmd = "\"" + folder + "\\Vantrel.exe\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION old = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &old));
    ASSERT_TRUE(WaitFor([&] { return RunningVantrel() == old.dwProcessId; }, 20000));

    EXPECT_EQ(SilentSetup(), 0);
    // Ended by its close request, not killed: exit code 0.
    EXPECT_EQ(WaitForSingleObject(old.hProcess, 0), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(old.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(old.hProcess);
    CloseHandle(old.hThread);

    EXPECT_EQ(Contents(folder + "\\QLLJ.bat"), Contents(BuildFolder() + "QLLJ.bat"));
    WinRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kProgramKeyPath, false));
    EXPECT_EQ(reg.ReadInteger("TaskNum"), 1);
    EXPECT_EQ(reg.ReadString("A1"), "每天17时30分");
    EXPECT_EQ(reg.ReadString("C1"), "下班时间到。");
    EXPECT_EQ(reg.ReadString("D1"), "禁用");
    EXPECT_EQ(reg.ReadInteger(kValCountdown), 120);
    EXPECT_TRUE(StartsAtLogon(folder)) << StartAtLogonState();

    // The silent upgrade starts again the copy it closed, from the new files.
    DWORD again = 0;
    ASSERT_TRUE(WaitFor([&] { return (again = RunningVantrel()) != 0; }, 20000));
    EXPECT_NE(again, old.dwProcessId);
    EXPECT_EQ(ModulePath(again), folder + "\\Vantrel.exe");
}

// Windows of this class that count the close requests they get and never close.
int g_closeRequests = 0;

LRESULT CALLBACK StubbornProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        ++g_closeRequests;
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

// A window of Vantrel's class; with `property`, it also carries Vantrel's
// window property, as the program's main window does.
HWND StubbornWindow(bool property) {
    static ATOM registered = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = StubbornProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TForm1";
        return RegisterClassA(&wc);
    }();
    HWND w = registered ? CreateWindowExA(0, "TForm1", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                          nullptr, GetModuleHandleA(nullptr), nullptr)
                        : nullptr;
    if (w && property) SetPropA(w, "Brelnix.Vantrel", reinterpret_cast<HANDLE>(1));
    return w;
}

// Started with this argument, the test program stands in for a Vantrel that
// will not end: Vantrel's window that ignores close requests, until killed.
const char kStubbornArgument[] = "--stubborn-vantrel";

bool RunAsStubbornCopyWhenAsked() {
    if (!std::strstr(GetCommandLineA(), kStubbornArgument)) return false;
    StubbornWindow(true);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    ExitProcess(0);
    return true;
}
const bool kRanAsStubbornCopy = RunAsStubbornCopyWhenAsked();

// Asks the running Vantrel to end, as its tray menu's exit does, and waits for it.
bool EndRunningVantrel() {
    DWORD pid = RunningVantrel();
    if (pid == 0) return true;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    PostMessageA(WindowsOf("TForm1", pid)[0], WM_CLOSE, 0, 0);
    bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// Other programs name their main window TForm1 too, and a portable Vantrel
// elsewhere carries Vantrel's window property: the setup program leaves both
// alone, closes only the copy it replaces, and starts that copy again. A
// copy in the program folder that will not end stops the setup program
// before it changes anything.
TEST_F(Install, AnUpgradeClosesOnlyTheCopyItReplacesAndStopsForOneThatWillNotEnd) {
    const std::string folder = DefaultInstallFolder();
    const DWORD before = RunningVantrel();
    ASSERT_NE(before, 0u) << "the upgrade before left the installed copy running";
    HWND other = StubbornWindow(false);
    HWND portable = StubbornWindow(true);  // this test program is no installed copy
    ASSERT_NE(other, nullptr);
    ASSERT_NE(portable, nullptr);
    g_closeRequests = 0;
    EXPECT_EQ(SilentSetup(), 0);
    PumpFor(200);
    EXPECT_EQ(g_closeRequests, 0);
    EXPECT_TRUE(IsWindow(other));
    EXPECT_TRUE(IsWindow(portable));
    DestroyWindow(other);
    DestroyWindow(portable);
    // The installed copy was closed and started again.
    DWORD again = 0;
    ASSERT_TRUE(WaitFor([&] { return (again = RunningVantrel()) != 0; }, 20000));
    EXPECT_NE(again, before);
    ASSERT_TRUE(EndRunningVantrel());

    // A Vantrel.exe in the program folder that ignores the close request,
    // in place of the program the service runs, stopped first. A setup
    // that stops for that copy starts the service again.
    ASSERT_EQ(RunToEnd("\"" + folder + "\\Vantrel.exe\" /stop-service"), 0);
    char self[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileA(self, (folder + "\\Vantrel.exe").c_str(), FALSE));
    std::string cmd = "\"" + folder + "\\Vantrel.exe\" " + kStubbornArgument;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION stuck = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &stuck));
    ASSERT_TRUE(WaitFor([&] { return RunningVantrel() == stuck.dwProcessId; }, 20000));
    { std::ofstream(folder + "\\QLLJ.bat", std::ios::binary) << "older"; }
    EXPECT_EQ(SilentSetup(), 2);
    EXPECT_EQ(Contents(folder + "\\QLLJ.bat"), "older");
    EXPECT_EQ(WaitForSingleObject(stuck.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(stuck.hProcess, 1);
    WaitForSingleObject(stuck.hProcess, 10000);
    CloseHandle(stuck.hProcess);
    CloseHandle(stuck.hThread);

    // A file held open by another program (as by a copy in another session):
    // the setup stops before it changes anything, with no prompt to wait at.
    HANDLE held = CreateFileA((folder + "\\vantrelctl.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SilentSetup(), 4);
    EXPECT_EQ(Contents(folder + "\\QLLJ.bat"), "older");
    CloseHandle(held);
    EXPECT_EQ(SilentSetup(), 0);
    EXPECT_EQ(Contents(folder + "\\QLLJ.bat"), Contents(BuildFolder() + "QLLJ.bat"));
    EXPECT_EQ(Contents(folder + "\\Vantrel.exe"), Contents(BuildFolder() + "Vantrel.exe"));
}

TEST_F(Install, ASilentUninstallRemovesFilesShortcutsEntryAndRunValueAndKeepsTheTasks) {
    const std::string folder = DefaultInstallFolder();
    // The upgrade tests left none running.
    ASSERT_EQ(RunningVantrel(), 0u);
    Vantrel started;
    ASSERT_TRUE(started.Start(folder + "\\Vantrel.exe"));
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, started.pid());
    ASSERT_NE(process, nullptr);

    ASSERT_TRUE(SilentUninstall(folder));
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    CloseHandle(process);
    EXPECT_EQ(RunningVantrel(), 0u);
    EXPECT_FALSE(Exists(Folder(CSIDL_COMMON_PROGRAMS) + "\\Vantrel"));
    EXPECT_FALSE(Exists(Folder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Vantrel.lnk"));
    EXPECT_FALSE(KeyPresent(kUninstallKey));
    EXPECT_FALSE(ValuePresent(kRunKeyPath, kRunValueName));
    EXPECT_EQ(StoredTask("Vantrel"), "");

    WinRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kProgramKeyPath, false));
    EXPECT_EQ(reg.ReadInteger("TaskNum"), 1);
    EXPECT_EQ(reg.ReadString("A1"), "每天17时30分");
    EXPECT_EQ(reg.ReadInteger(kValCountdown), 120);
}

// A folder of the user's choice, and a start-at-logon value that starts
// another copy: the uninstaller leaves that value alone.
TEST_F(Install, AChosenFolderAndAStartAtLogonOfAnotherCopy) {
    const std::string folder = "C:\\Vantrel Test";
    ASSERT_EQ(SilentSetup(" /D=" + folder), 0);
    for (const char* name : kShippedFiles) EXPECT_TRUE(Exists(folder + "\\" + name)) << name;
    EXPECT_EQ(ReadText(kUninstallKey, "InstallLocation"), folder);
    EXPECT_TRUE(StartsAtLogon(folder)) << StartAtLogonState();

    const std::string other = "C:\\Other\\Vantrel.exe";
    {
        WinRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kRunKeyPath, false));
        reg.WriteString(kRunValueName, other);
    }
    ASSERT_TRUE(SilentUninstall(folder));
    EXPECT_EQ(ReadText(kRunKeyPath, kRunValueName), other);
    EXPECT_EQ(StoredTask("Vantrel"), "");
    WinRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kRunKeyPath, false));
    reg.DeleteValue(kRunValueName);
}

// A folder that holds another program, and folders that must never hold a
// program's files: a silent install is refused with an exit code and
// changes nothing.
TEST_F(Install, AForeignOrForbiddenFolderIsRefusedAndNothingChanges) {
    const std::string foreign = "C:\\Other Program";
    CreateDirectoryA(foreign.c_str(), nullptr);
    { std::ofstream(foreign + "\\uninstall.exe", std::ios::binary) << "another program's"; }
    const std::string windowsFolder = Folder(CSIDL_WINDOWS);
    const std::string programFiles = Folder(CSIDL_PROGRAM_FILES);
    for (const std::string& refused : {foreign, std::string("C:\\"), windowsFolder, programFiles,
                                       Folder(CSIDL_DESKTOPDIRECTORY), Folder(CSIDL_PERSONAL)}) {
        EXPECT_EQ(SilentSetup(" /D=" + refused), 3) << refused;
        std::string slash = refused.back() == '\\' ? refused : refused + "\\";
        EXPECT_FALSE(Exists(slash + "Vantrel.exe")) << refused;
        EXPECT_FALSE(Exists(slash + "Vantrel-uninstall.exe")) << refused;
    }
    EXPECT_EQ(Contents(foreign + "\\uninstall.exe"), "another program's");
    EXPECT_FALSE(KeyPresent(kUninstallKey));
    EXPECT_FALSE(StartsAtLogon(DefaultInstallFolder())) << StartAtLogonState();
    DeleteFileA((foreign + "\\uninstall.exe").c_str());
    RemoveDirectoryA(foreign.c_str());
}

// An upgrade told to go elsewhere first removes the earlier copy, so one
// copy stays, with start at logon moved along; without the option an
// upgrade turns start at logon off.
TEST_F(Install, AnUpgradeIntoAnotherFolderLeavesOneCopyAndTheOptionOffTurnsStartAtLogonOff) {
    const std::string first = DefaultInstallFolder();
    ASSERT_EQ(SilentSetup(), 0);
    ASSERT_TRUE(StartsAtLogon(first)) << StartAtLogonState();

    const std::string moved = "C:\\Vantrel Moved";
    ASSERT_EQ(SilentSetup(" /D=" + moved), 0);
    EXPECT_FALSE(Exists(first)) << "the earlier copy stayed";
    for (const char* name : kShippedFiles) EXPECT_TRUE(Exists(moved + "\\" + name)) << name;
    EXPECT_EQ(ReadText(kUninstallKey, "InstallLocation"), moved);
    EXPECT_TRUE(StartsAtLogon(moved)) << StartAtLogonState();

    ASSERT_EQ(SilentSetup(" /NOAUTOSTART"), 0);
    EXPECT_TRUE(Exists(moved + "\\Vantrel.exe"));
    EXPECT_FALSE(ValuePresent(kRunKeyPath, kRunValueName));
    EXPECT_EQ(StoredTask("Vantrel"), "");
    ASSERT_TRUE(SilentUninstall(moved));
}

// Asked whether to delete the tasks and settings too, the user says yes: the
// program key the setup program names is the one the program writes.
TEST_F(Install, AnUninstallToldToDeleteTheTasksRemovesTheProgramKey) {
    ASSERT_EQ(SilentSetup(), 0);
    const std::string folder = DefaultInstallFolder();
    ASSERT_TRUE(KeyPresent(kProgramKeyPath));
    std::string uninstall = ReadText(kUninstallKey, "UninstallString");
    ASSERT_FALSE(uninstall.empty());
    // The uninstaller starts a copy of itself and ends; the copy shows the pages.
    ASSERT_EQ(RunToEnd(uninstall), 0);
    const std::string title = "Vantrel 卸载";
    ASSERT_TRUE(Press(title, IDOK));   // the confirmation page's 卸载 button
    ASSERT_TRUE(Press(title, IDYES));  // 是否同时删除 Vantrel 的所有任务和设置？
    ASSERT_TRUE(WaitFor([&] { return !Exists(folder); }, 15000));
    ASSERT_TRUE(Press(title, IDOK));   // 关闭
    EXPECT_TRUE(WaitFor([&] { return !KeyPresent(kProgramKeyPath); }, 10000));
    // The maker's key goes too, as nothing else is in it.
    std::string parent = kProgramKeyPath;
    parent.erase(parent.rfind('\\'));
    EXPECT_FALSE(KeyPresent(parent));
    EXPECT_FALSE(KeyPresent(kUninstallKey));
}

// The uninstaller's exit code, as a management tool reads it: run as its
// own copy outside the folder (as it runs itself, waited for here), it
// exits 0 when everything went, and 3010 when a file in use is left to be
// deleted at the next restart.
TEST_F(Install, TheUninstallerExits3010WhenAFileWaitsForTheRestart) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "a file in use" : "nothing in use");
        ASSERT_EQ(SilentSetup(), 0);
        const std::string folder = DefaultInstallFolder();
        const std::string copy = Folder(CSIDL_COMMON_APPDATA) + "\\vantrel-uninstall-copy.exe";
        ASSERT_TRUE(CopyFileA((folder + "\\Vantrel-uninstall.exe").c_str(), copy.c_str(), FALSE));
        const std::string batch = folder + "\\QLLJ.bat";
        HANDLE file = held ? CreateFileA(batch.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                           : INVALID_HANDLE_VALUE;
        if (held) ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(RunToEnd("\"" + copy + "\" /S _?=" + folder), held ? 3010 : 0);
        if (held) CloseHandle(file);
        EXPECT_EQ(Exists(batch), held);
        EXPECT_FALSE(Exists(folder + "\\Vantrel.exe"));
        DeleteFileA(copy.c_str());
        // What the restart would have done.
        DeleteFileA(batch.c_str());
        RemoveDirectoryA(folder.c_str());
        EXPECT_FALSE(Exists(folder));
    }
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// The service end to end: the setup installs and starts it, with the SCM's
// settings the issue names; it makes no window; an upgrade stops it for the
// files and starts the new one; the uninstall leaves no service and no
// process behind.
TEST_F(Install, TheSetupInstallsTheServiceAnUpgradeRestartsItAndTheUninstallRemovesIt) {
    const std::string folder = DefaultInstallFolder();
    ASSERT_EQ(SilentSetup(" /NOAUTOSTART"), 0);
    ServiceFacts first = QueryVantrelService();
    ASSERT_TRUE(first.exists);
    EXPECT_EQ(first.state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(first.command, L"\"" + WideOf(folder) + L"\\Vantrel.exe\" /service") << "quoted, with its argument";
    EXPECT_EQ(first.startType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(first.account, L"LocalSystem");
    EXPECT_NE(first.description.find(L"Vantrel"), std::wstring::npos);
    // The failure actions: the setup's exit code 0 says the SCM took them
    // (Wine hands none back).
    ASSERT_NE(first.pid, 0u);
    // Its first minute's tick has run by then; no window at any time.
    Sleep(7000);
    EXPECT_EQ(QueryVantrelService().state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(WindowCount(first.pid), 0);

    // An upgrade that stops for a file in use after it stopped the service
    // changes nothing, and the service runs again.
    HANDLE held = CreateFileA((folder + "\\vantrelctl.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SilentSetup(" /NOAUTOSTART"), 4);
    CloseHandle(held);
    const ServiceFacts again = QueryVantrelService();
    EXPECT_EQ(again.state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_NE(again.pid, first.pid) << "stopped for the upgrade, started after it failed";

    ASSERT_EQ(SilentSetup(" /NOAUTOSTART"), 0);
    ServiceFacts upgraded = QueryVantrelService();
    EXPECT_EQ(upgraded.state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_NE(upgraded.pid, again.pid) << "the upgrade stopped the service and started it again";
    EXPECT_FALSE(ProcessRuns(again.pid));
    EXPECT_EQ(WindowCount(upgraded.pid), 0);

    ASSERT_TRUE(SilentUninstall(folder));
    EXPECT_FALSE(QueryVantrelService().exists);
    EXPECT_FALSE(ProcessRuns(upgraded.pid));
    EXPECT_FALSE(Exists(folder + "\\Vantrel.exe"));
}

// A folder outside Program Files: the service's program may be written by
// administrators and SYSTEM only. Wine keeps a file's security where the
// file system holds it (extended attributes); where it does not, the
// service still installs and this says so.
TEST_F(Install, AFolderOutsideProgramFilesIsWrittenByAdministratorsAndSystemOnly) {
    const std::string folder = "C:\\Vantrel Service Test";
    ASSERT_EQ(SilentSetup(" /NOAUTOSTART /D=" + folder), 0);
    EXPECT_EQ(QueryVantrelService().state, static_cast<DWORD>(SERVICE_RUNNING));
    PSECURITY_DESCRIPTOR sd = nullptr;
    std::wstring path = WideOf(folder);
    ASSERT_EQ(GetNamedSecurityInfoW(&path[0], SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, nullptr, nullptr, &sd),
              static_cast<DWORD>(ERROR_SUCCESS));
    wchar_t* text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(
        sd, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::wstring sddl = text;
    LocalFree(text);
    LocalFree(sd);
    // Users read and run, nothing more; nothing inherited from C:\ . Where
    // the file system keeps no security (Wine on one without extended
    // attributes hands back its default, unprotected), the setup's exit
    // code 0 says only that the system took it.
    const std::string shown(sddl.begin(), sddl.end());
    if (sddl.find(L"D:P") != std::wstring::npos) {
        EXPECT_EQ(sddl.find(L"O:BA"), 0u) << shown;
        EXPECT_NE(sddl.find(L"D:P"), std::wstring::npos) << shown;
        EXPECT_NE(sddl.find(L"(A;OICI;0x1200a9;;;BU)"), std::wstring::npos) << shown;
        for (const wchar_t* other : {L";;;AU)", L";;;WD)", L";;;IU)", L";;;CO)"})
            EXPECT_EQ(sddl.find(other), std::wstring::npos) << shown;
    } else {
        std::cout << "[  NOTE    ] Wine kept no security on " << folder << ": " << shown << std::endl;
    }
    ASSERT_TRUE(SilentUninstall(folder));
    EXPECT_FALSE(QueryVantrelService().exists);
}

}  // namespace
}  // namespace vantrel
