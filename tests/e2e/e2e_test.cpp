// End to end, black box: the real Vantrel.exe under Wine, in a prefix of its
// own, watched from the outside through its windows and the registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "registry/registry_win.h"
#include "store/task_store.h"
#include "tests/e2e/e2e_support.h"

namespace vantrel {
namespace {

using namespace e2e;

TEST(EndToEnd, TheFirstStartWritesTheSixDefaults) {
    WinRegistry::DeleteTree(kKey);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    WinRegistry reg;
    ASSERT_TRUE(WaitFor([&] { return reg.OpenKey(kKey, false) && reg.ValueCount() == 6; }, 10000));
    EXPECT_EQ(reg.ReadInteger("shutapp"), 0);
    EXPECT_EQ(reg.ReadString("soundpath"), "");
    EXPECT_EQ(reg.TypeOf("soundpath"), ValueType::String);
    EXPECT_EQ(reg.ReadInteger("tishi"), 60);
    EXPECT_EQ(reg.ReadInteger("TaskNum"), 0);
    EXPECT_EQ(reg.ReadInteger("kaiji"), 0);
    EXPECT_EQ(reg.ReadInteger("rejian"), 0);
    reg.CloseKey();
    EXPECT_FALSE(IsWindowVisible(v.MainWindow()));
}

// Started at logon, the program goes straight to the tray: the window the
// user is typing into keeps the keyboard, and the libraries it needs only
// for its countdown sound, CD drive and Browse buttons stay unloaded.
TEST(EndToEnd, StartingInTheTrayTakesNeitherTheFocusNorOnDemandLibraries) {
    WinRegistry::DeleteTree(kKey);
    HWND mine = CreateWindowExA(0, "STATIC", "typing here", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                                120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(mine, nullptr);
    SetForegroundWindow(mine);
    PumpFor(300);
    ASSERT_EQ(GetForegroundWindow(), mine);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    PumpFor(1500);
    EXPECT_EQ(GetForegroundWindow(), mine);
    const std::vector<std::string> modules = ModulesOf(v.pid());
    EXPECT_NE(std::find(modules.begin(), modules.end(), "vantrel.exe"), modules.end());
    for (const char* onDemand : {"winmm.dll", "comdlg32.dll", "ole32.dll"})
        EXPECT_EQ(std::find(modules.begin(), modules.end(), onDemand), modules.end()) << onDemand;
    DestroyWindow(mine);
}

TEST(EndToEnd, ADueReminderShowsOnceWithItsText) {
    WinRegistry::DeleteTree(kKey);
    WriteTasks({{DailyForNextTicks(), "提醒", "下班时间到。"}}, 60);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    bool shown = WaitFor(
        [&] {
            for (HWND w : Visible(WindowsOf("TForm6", v.pid())))
                if (Text(w) == "提示" && ChildWithText(w, "下班时间到。")) return true;
            return false;
        },
        15000);
    EXPECT_TRUE(shown);
    Sleep(13000);  // two more ticks of the same minute
    EXPECT_EQ(Visible(WindowsOf("TForm6", v.pid())).size(), 1u);
}

TEST(EndToEnd, APowerTaskCountsDownAndCancelSwitchesMonitoringOff) {
    WinRegistry::DeleteTree(kKey);
    // A reminder due every minute shows whether the tick ever runs again.
    WriteTasks({{DailyForNextTicks(), "关闭计算机", ""}, {"每隔1分开始0时0分", "提醒", "tick"}}, 30);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    HWND main = v.MainWindow();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 15000));
    EXPECT_EQ(Text(main), "Windows 正在准备关机...");
    HWND cancel = ChildWithText(main, "取消关机");
    ASSERT_NE(cancel, nullptr);
    ASSERT_NE(ChildWithText(main, "立即关机"), nullptr);
    ASSERT_TRUE(WaitFor([&] { return ChildWithText(main, "29 秒") != nullptr; }, 5000));
    EXPECT_EQ(WindowsOf("TForm6", v.pid()).size(), 1u);  // the same tick ran the reminder
    SendMessageA(cancel, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000));
    EXPECT_TRUE(v.Running());

    // With monitoring on, the re-arm would bring the tick back after 60 s and
    // both tasks would fire again.
    Sleep(75000);
    EXPECT_EQ(WindowsOf("TForm6", v.pid()).size(), 1u);
    EXPECT_FALSE(IsWindowVisible(main));
}

TEST(EndToEnd, ASecondStartLeavesOneRunningCopy) {
    Vantrel first;
    ASSERT_TRUE(first.Start());
    std::string cmd = "\"" + ExePath() + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(WindowsOf("TForm1").size(), 1u);
    EXPECT_TRUE(first.Running());
}

// The elevated copy a standard user's 以管理员身份更改 starts: beside the
// running copy, a settings window only (no main window, so no tray icon,
// hotkeys or tick), ended by closing it.
TEST(EndToEnd, TheSettingsOnlyCopyShowsOneWindowAndEndsWithIt) {
    Vantrel first;
    ASSERT_TRUE(first.Start());
    std::string cmd = "\"" + ExePath() + "\" /settings";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ASSERT_TRUE(WaitFor([&] { return !Visible(WindowsOf("TForm3", pi.dwProcessId)).empty(); }, 15000));
    EXPECT_TRUE(WindowsOf("TForm1", pi.dwProcessId).empty());
    EXPECT_EQ(WindowsOf("TForm1").size(), 1u);
    const HWND settings = Visible(WindowsOf("TForm3", pi.dwProcessId)).front();
    PostMessageA(settings, WM_COMMAND, MAKEWPARAM(202, BN_CLICKED), 0);  // 取消
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_TRUE(first.Running());
}

TEST(EndToEnd, TheCloseBoxOfTheCountdownEndsTheProgram) {
    WinRegistry::DeleteTree(kKey);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    SendMessageA(v.MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitFor([&] { return !v.Running(); }, 10000));
}

// Sends a message whose lParam points at a structure, with the structure
// placed in the receiving process, as common controls expect.
template <typename T>
LRESULT SendWithStruct(DWORD pid, HWND to, UINT msg, WPARAM wParam, const T& data) {
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return 0;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(T), MEM_COMMIT, PAGE_READWRITE);
    LRESULT result = 0;
    if (remote && WriteProcessMemory(process, remote, &data, sizeof(T), nullptr))
        result = SendMessageA(to, msg, wParam, reinterpret_cast<LPARAM>(remote));
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return result;
}

HWND VisibleWindowOf(const char* cls, DWORD pid) {
    auto v = Visible(WindowsOf(cls, pid));
    return v.empty() ? nullptr : v.back();
}

// Opens the settings window the way a user does: the tray icon's menu, then
// the second item.
HWND OpenSettingsFromTheMenu(const Vantrel& v) {
    // The menu key on the icon, as the shell tells it: the event in the low
    // word of lParam (version 3: lParam itself), the menu's place in wParam.
    PostMessageA(v.MainWindow(), WM_USER + 1, MAKEWPARAM(200, 200), WM_CONTEXTMENU);
    if (!WaitFor([] { return FindWindowA("#32768", nullptr) != nullptr; }, 5000)) return nullptr;
    Sleep(300);
    for (WORD key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
        keybd_event(static_cast<BYTE>(key), 0, 0, 0);
        keybd_event(static_cast<BYTE>(key), 0, KEYEVENTF_KEYUP, 0);
        Sleep(150);
    }
    HWND settings = nullptr;
    WaitFor([&] { return (settings = VisibleWindowOf("TForm3", v.pid())) != nullptr; }, 5000);
    return settings;
}

bool Click(HWND parent, const std::string& caption) {
    HWND button = ChildWithText(parent, caption);
    if (!button) return false;
    SendMessageA(button, BM_CLICK, 0, 0);
    return true;
}

TEST(EndToEnd, ATaskAddedThroughTheWindowsFiresAndIsDeletedThroughThem) {
    WinRegistry::DeleteTree(kKey);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    HWND settings = OpenSettingsFromTheMenu(v);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(Text(settings), "设置");

    ASSERT_TRUE(Click(settings, "添加(&A)"));
    HWND editor = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (editor = VisibleWindowOf("TForm5", v.pid())) != nullptr; }, 5000));
    EXPECT_EQ(Text(editor), "任务");
    ASSERT_TRUE(Click(editor, "每天"));
    SYSTEMTIME now;
    GetLocalTime(&now);
    while (now.wSecond > 40) {
        Sleep(1000);
        GetLocalTime(&now);
    }
    SendWithStruct(v.pid(), GetDlgItem(editor, 133), DTM_SETSYSTEMTIME, GDT_VALID, now);
    HWND action = GetDlgItem(editor, 125);
    SendMessageA(action, CB_SETCURSEL, 0, 0);  // 提醒
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(125, CBN_SELCHANGE), reinterpret_cast<LPARAM>(action));
    SetWindowTextW(GetDlgItem(editor, 126), L"该休息一下了。");
    ASSERT_TRUE(Click(editor, "确定(&O)"));
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(editor); }, 5000));

    std::string expected = "每天" + std::to_string(now.wHour) + "时" + std::to_string(now.wMinute) + "分";
    {
        WinRegistry reg;
        reg.OpenKey(kKey, false);
        EXPECT_EQ(reg.ReadInteger("TaskNum"), 1);
        EXPECT_EQ(reg.ReadString("A1"), expected);
        EXPECT_EQ(reg.ReadString("B1"), "提醒");
        EXPECT_EQ(reg.ReadString("C1"), "该休息一下了。");
        EXPECT_EQ(reg.ReadString("D1"), "启用");
    }
    ASSERT_TRUE(Click(settings, "确定(&O)"));  // closing gives the tick back
    EXPECT_TRUE(WaitFor([&] { return ReminderShown(v.pid(), "该休息一下了。"); }, 15000));

    settings = OpenSettingsFromTheMenu(v);
    ASSERT_NE(settings, nullptr);
    HWND list = GetDlgItem(settings, 101);
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    LVITEMA select = {};
    select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendWithStruct(v.pid(), list, LVM_SETITEMSTATE, 0, select);
    ASSERT_TRUE(Click(settings, "删除(&D)"));
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    WinRegistry reg;
    reg.OpenKey(kKey, false);
    EXPECT_EQ(reg.ReadInteger("TaskNum"), 0);
    for (const char* name : {"A1", "B1", "C1", "D1"}) EXPECT_FALSE(reg.ValueExists(name)) << name;
}

BOOL CALLBACK CollectTexts(HWND w, LPARAM p) {
    reinterpret_cast<std::vector<std::string>*>(p)->push_back(Text(w));
    return TRUE;
}

// The text of the message box the program shows that holds `part`, "" when
// no box shows; the box is then closed.
std::string DismissBox(const Vantrel& v, const std::string& part) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = VisibleWindowOf("#32770", v.pid())) != nullptr; }, 5000)) return "";
    std::vector<std::string> texts;
    EnumChildWindows(box, CollectTexts, reinterpret_cast<LPARAM>(&texts));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(box); }, 5000);
    for (const std::string& t : texts)
        if (t.find(part) != std::string::npos) return t;
    return "(no text)";
}

// The cue a box of the program shows while empty: EM_GETCUEBANNER with its
// buffer in the program's process.
std::string RemoteCue(DWORD pid, HWND field) {
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, pid);
    if (!process) return "(no access)";
    wchar_t cue[256] = {0};
    void* remote = VirtualAllocEx(process, nullptr, sizeof cue, MEM_COMMIT, PAGE_READWRITE);
    std::string result = "(none)";
    if (remote && SendMessageW(field, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(remote), 256) &&
        ReadProcessMemory(process, remote, cue, sizeof cue, nullptr)) {
        const int n = WideCharToMultiByte(936, 0, cue, -1, nullptr, 0, nullptr, nullptr);
        std::string gbk(n > 0 ? n - 1 : 0, '\0');
        if (n > 1) WideCharToMultiByte(936, 0, cue, -1, &gbk[0], n, nullptr, nullptr);
        result = gbk;
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return result;
}

// 打开文件's prompt is the empty box's cue, not its text: OK with the box
// left alone says what is missing and stores nothing.
TEST(EndToEnd, AnUntouchedOpenFilePromptStoresNothingAndSaysWhy) {
    WinRegistry::DeleteTree(kKey);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    HWND settings = OpenSettingsFromTheMenu(v);
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(Click(settings, "添加(&A)"));
    HWND editor = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (editor = VisibleWindowOf("TForm5", v.pid())) != nullptr; }, 5000));
    ASSERT_TRUE(Click(editor, "每天"));
    HWND action = GetDlgItem(editor, 125);
    SendMessageA(action, CB_SETCURSEL, 1, 0);  // 打开文件
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(125, CBN_SELCHANGE), reinterpret_cast<LPARAM>(action));
    HWND field = GetWindow(GetDlgItem(editor, 126), GW_CHILD);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(Text(field), "");
    // In the box as its cue, or in the grey label under it (153) where the
    // program finds no cue would show.
    HWND label = GetDlgItem(editor, 153);
    EXPECT_EQ(label ? Text(label) : RemoteCue(v.pid(), field), "可以打开mp3文件，程序，网址，电影视频等");
    // Posted: the box it shows is modal inside the click's handler.
    PostMessageA(editor, WM_COMMAND, MAKEWPARAM(162, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(editor, 162)));
    EXPECT_EQ(DismissBox(v, "打开文件"), "打开文件 需要属性（文件）");
    EXPECT_TRUE(IsWindowVisible(editor));
    WinRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, false));
    EXPECT_EQ(reg.ReadInteger("TaskNum"), 0);
    EXPECT_FALSE(reg.ValueExists("A1"));
}

// Start at logon stores the program's path: from a folder whose name GBK
// cannot hold, OK says why in a box and stores nothing rather than a path
// with '?' in it.
TEST(EndToEnd, StartAtLogonFromAFolderGbkCannotHoldIsRefused) {
    wchar_t temp[MAX_PATH] = {0};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"vantrel \uD55C\uAE00\\";
    const std::wstring exe = folder + L"Vantrel.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(Wide(ExePath()).c_str(), exe.c_str(), FALSE));
    WinRegistry::DeleteTree(kKey);
    {
        WinRegistry run;
        run.OpenKey(kRunKeyPath, true);
        run.DeleteValue(kRunValueName);
    }
    Vantrel v;
    ASSERT_TRUE(v.Start(exe.c_str()));
    HWND settings = OpenSettingsFromTheMenu(v);
    ASSERT_NE(settings, nullptr);
    SendMessageW(GetDlgItem(settings, 122), BM_SETCHECK, BST_CHECKED, 0);  // 开机启动Vantrel(&S)
    // Posted: the box holds the program's thread until it is closed.
    PostMessageW(GetDlgItem(settings, 201), BM_CLICK, 0, 0);  // 确定(&O)
    EXPECT_NE(DismissBox(v, "开机启动").find("开机启动"), std::string::npos);
    EXPECT_TRUE(IsWindowVisible(settings));  // still open: nothing was taken
    {
        WinRegistry run;
        run.OpenKey(kRunKeyPath, false);
        EXPECT_FALSE(run.ValueExists(kRunValueName));
    }
    v.Stop();
    DeleteFileW(exe.c_str());
    RemoveDirectoryW(folder.c_str());
}

// vantrelctl adds a task while the program runs: its next tick sees the
// new count and the task, and the task fires.
TEST(EndToEnd, ATaskAddedWithVantrelctlFiresInTheRunningProgram) {
    WinRegistry::DeleteTree(kKey);
    WriteTasks({{"每天25时0分", "提醒", "never"}}, 60);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    Sleep(7000);  // the first tick has run with one task
    EXPECT_EQ(RunVantrelctl("add --schedule " + DailyForNextTicks() + " --action 提醒 --param 命令行添加的任务"), 0);
    EXPECT_TRUE(WaitFor([&] { return ReminderShown(v.pid(), "命令行添加的任务"); }, 15000));
    WinRegistry reg;
    reg.OpenKey(kKey, false);
    EXPECT_EQ(reg.ReadInteger("TaskNum"), 2);
}

// Faults from outside: the program must go on.

TEST(EndToEndFaults, TwoRemindersAndACountdownInOneTickWithAMissingSoundFile) {
    WinRegistry::DeleteTree(kKey);
    std::string due = DailyForNextTicks();
    WriteTasks({{due, "提醒", "一"}, {due, "关闭计算机", ""}, {due, "提醒", "二"}}, 30,
               "C:\\没有这个文件.wav");
    Vantrel v;
    ASSERT_TRUE(v.Start());
    HWND main = v.MainWindow();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 15000));
    // The tick shows the second reminder just after the countdown window.
    EXPECT_TRUE(WaitFor([&] { return Visible(WindowsOf("TForm6", v.pid())).size() == 2u; }, 3000));
    // The countdown kept its action although a reminder followed it.
    EXPECT_EQ(Text(main), "Windows 正在准备关机...");
    ASSERT_TRUE(WaitFor([&] { return ChildWithText(main, "28 秒") != nullptr; }, 5000));
    ASSERT_TRUE(Click(main, "取消关机"));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000));
    EXPECT_TRUE(v.Running());
}

TEST(EndToEndFaults, AMissingCleanupBatchFileChangesNothingElse) {
    // A copy of the program in a folder without QLLJ.bat.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "vantrel_no_batch\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(ExePath().c_str(), (folder + "Vantrel.exe").c_str(), FALSE));
    DeleteFileA((folder + "QLLJ.bat").c_str());
    WinRegistry::DeleteTree(kKey);
    std::string due = DailyForNextTicks();
    WriteTasks({{due, "清理系统垃圾", ""}, {due, "提醒", "之后"}}, 60);
    Vantrel v;
    ASSERT_TRUE(v.Start(folder + "Vantrel.exe"));
    EXPECT_TRUE(WaitFor([&] { return ReminderShown(v.pid(), "之后"); }, 20000));
    EXPECT_TRUE(v.Running());
}

// A process the program may not open is passed over without a word: its
// namesake that can be opened is closed, and the tick goes on.
TEST(EndToEndFaults, AProgramThatCannotBeOpenedIsPassedOver) {
    const std::string sleeper = FolderPart(ExePath()) + "vantrel_test_sleeper.exe";
    auto startSleeper = [&](const char* args, PROCESS_INFORMATION& pi) {
        std::string cmd = "\"" + sleeper + "\" " + args;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        return CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
    };
    PROCESS_INFORMATION locked = {}, open = {};
    ASSERT_TRUE(startSleeper("--unopenable", locked));
    ASSERT_TRUE(startSleeper("", open));
    // The locked one can no longer be opened for termination, by us either.
    ASSERT_TRUE(WaitFor(
        [&] {
            HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, locked.dwProcessId);
            if (h) CloseHandle(h);
            return h == nullptr;
        },
        5000));
    WinRegistry::DeleteTree(kKey);
    std::string due = DailyForNextTicks();
    WriteTasks({{due, "关闭程序", "vantrel_test_sleeper.exe"}, {due, "提醒", "之后"}}, 60);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    EXPECT_TRUE(WaitFor([&] { return ReminderShown(v.pid(), "之后"); }, 20000));
    EXPECT_EQ(WaitForSingleObject(open.hProcess, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(locked.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(WindowsOf("#32770", v.pid()).empty());  // no message box
    EXPECT_TRUE(v.Running());
    // Our creation handle still carries every right.
    TerminateProcess(locked.hProcess, 0);
    for (PROCESS_INFORMATION* pi : {&locked, &open}) {
        CloseHandle(pi->hProcess);
        CloseHandle(pi->hThread);
    }
}

TEST(EndToEndFaults, HotkeysTakenByAnotherProgram) {
    for (UINT vk : {VK_F8, VK_F9, VK_F10, VK_F11}) RegisterHotKey(nullptr, static_cast<int>(vk), 0, vk);
    WinRegistry::DeleteTree(kKey);
    WriteTasks({{DailyForNextTicks(), "提醒", "热键"}}, 60);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    EXPECT_TRUE(WaitFor([&] { return !Visible(WindowsOf("TForm6", v.pid())).empty(); }, 15000));
    EXPECT_TRUE(v.Running());
    for (UINT vk : {VK_F8, VK_F9, VK_F10, VK_F11}) UnregisterHotKey(nullptr, static_cast<int>(vk));
}

TEST(EndToEndFaults, TheTrayComingBackAndTheSettingsWindowDuringACountdown) {
    WinRegistry::DeleteTree(kKey);
    WriteTasks({{DailyForNextTicks(), "关闭计算机", ""}}, 40);
    Vantrel v;
    ASSERT_TRUE(v.Start());
    HWND main = v.MainWindow();
    SendMessageA(main, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(v.Running());
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 15000));
    HWND settings = OpenSettingsFromTheMenu(v);
    ASSERT_NE(settings, nullptr);
    // The countdown goes on while the settings window is open.
    ASSERT_TRUE(WaitFor([&] { return ChildWithText(main, "37 秒") != nullptr; }, 8000));
    ASSERT_TRUE(Click(main, "取消关机"));
    ASSERT_TRUE(Click(settings, "取消(&C)"));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main) && !IsWindowVisible(settings); }, 5000));
    EXPECT_TRUE(v.Running());
}

// Two writers: the settings window, open on the list it read, and vantrelctl
// run meanwhile. Every task that should exist survives, nothing else appears.
// Reminders at one minute, disabled so that none fires, told apart only by
// their texts.
void StoreReminders(const std::vector<std::string>& texts) {
    WinRegistry::DeleteTree(kKey);
    WinRegistry reg;
    reg.OpenKey(kKey, true);
    reg.WriteInteger("TaskNum", static_cast<std::int32_t>(texts.size()));
    for (int n = 1; n <= static_cast<int>(texts.size()); ++n) {
        const char* const values[] = {"每天8时0分", "提醒", texts[n - 1].c_str(), "禁用"};
        for (int v = 0; v < 4; ++v) reg.WriteString(RecordValueName("ABCD"[v], n), values[v]);
    }
}

std::vector<std::string> StoredTexts() {
    WinRegistry reg;
    reg.OpenKey(kKey, false);
    std::vector<std::string> texts;
    const std::int32_t count = reg.ReadInteger("TaskNum");
    for (int n = 1; n <= count; ++n) texts.push_back(reg.ReadString("C" + std::to_string(n)));
    return texts;
}

int Rows(HWND settings) {
    return static_cast<int>(SendMessageA(GetDlgItem(settings, 101), LVM_GETITEMCOUNT, 0, 0));
}

void SelectRow(const Vantrel& v, HWND settings, int row) {
    LVITEMA select = {};
    select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendWithStruct(v.pid(), GetDlgItem(settings, 101), LVM_SETITEMSTATE, row, select);
}

// A button press that does not wait for the handler, which may show a box.
void Press(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

TEST(EndToEnd, TwoWritersLoseNoTask) {
    const int kDelete = 106, kModify = 105, kEditorOk = 162;
    const std::string kChanged = "任务已被其他程序更改，列表已重新读取";
    const std::string kGone = "要修改的任务已被删除或更改";
    const struct {
        const char* what;
        std::vector<std::string> before;
        std::function<void(const Vantrel& v, HWND settings)> steps;
        std::vector<std::string> after;
    } cases[] = {
        {"vantrelctl delete 1, then the window deletes the row captioned 3",
         {"a", "b", "c", "d"},
         [&](const Vantrel& v, HWND w) {
             ASSERT_EQ(RunVantrelctl("delete 1"), 0);
             SelectRow(v, w, 2);
             Press(w, kDelete);
             EXPECT_EQ(DismissBox(v, "任务"), kChanged);
             ASSERT_EQ(Rows(w), 3);  // read again: b, c, d
             SelectRow(v, w, 1);
             Press(w, kDelete);
             EXPECT_TRUE(WaitFor([&] { return Rows(w) == 2; }, 5000));
         },
         {"b", "d"}},
        {"modify b, vantrelctl delete 1, then OK",
         {"a", "b", "c"},
         [&](const Vantrel& v, HWND w) {
             SelectRow(v, w, 1);
             Press(w, kModify);
             HWND editor = nullptr;
             ASSERT_TRUE(WaitFor([&] { return (editor = VisibleWindowOf("TForm5", v.pid())) != nullptr; }, 5000));
             ASSERT_EQ(RunVantrelctl("delete 1"), 0);
             Press(editor, kEditorOk);
             EXPECT_EQ(DismissBox(v, "任务"), kGone);
         },
         {"b", "c"}},
        {"a window opened before vantrelctl add deletes, then two more adds",
         {"a", "b"},
         [&](const Vantrel& v, HWND w) {
             ASSERT_EQ(RunVantrelctl("add --schedule 每天8时0分 --action 提醒 --param e"), 0);
             SelectRow(v, w, 0);
             Press(w, kDelete);
             EXPECT_TRUE(WaitFor([&] { return Rows(w) == 1; }, 5000));
             ASSERT_EQ(RunVantrelctl("add --schedule 每天8时0分 --action 提醒 --param f"), 0);
             ASSERT_EQ(RunVantrelctl("add --schedule 每天8时0分 --action 提醒 --param g"), 0);
         },
         {"b", "e", "f", "g"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StoreReminders(c.before);
        Vantrel v;
        ASSERT_TRUE(v.Start());
        HWND settings = OpenSettingsFromTheMenu(v);
        ASSERT_NE(settings, nullptr);
        ASSERT_EQ(Rows(settings), static_cast<int>(c.before.size()));
        c.steps(v, settings);
        EXPECT_EQ(StoredTexts(), c.after);
        EXPECT_TRUE(v.Running());
    }
}

}  // namespace
}  // namespace vantrel
