#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "actions/handle_win.h"
#include "actions/system_ops.h"
#include "actions/utility_actions.h"
#include "actions/utility_actions_win.h"
#include "reminder_probe_win.h"
#include "store/gbk_text.h"
#include "winui/form_win.h"

namespace vantrel {
namespace {

using testing_win::AllReminders;
using testing_win::NewWindows;
using testing_win::PumpUntil;
using testing_win::ReminderText;

const char kSleeperName[] = "vantrel_test_sleeper.exe";

// ---- files ---------------------------------------------------------------

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteText(const std::string& path, const std::string& text) {
    Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << path;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                          nullptr));
}

std::string ReadText(const std::string& path) {
    Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::string();
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            const bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isLink) {
                RemoveTree(path);
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryA(path.c_str());
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// A fresh folder (no trailing "\") for one test, in the temporary folder
// the process had when it started.
std::string FreshFolder(const std::string& name) {
    static const std::string temp = [] {
        char path[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, path);
        return std::string(path);
    }();
    const std::string folder = temp + "vantrel " + name + " " +
                               std::to_string(GetCurrentProcessId()) + "_" +
                               std::to_string(GetTickCount());
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// ---- processes -----------------------------------------------------------

struct Child {
    Handle process;
    Handle thread;
    DWORD pid = 0;
};

Child StartSleeper() {
    Child child;
    std::string path = ProgramFolder() + kSleeperName;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
        child.process = Handle(info.hProcess);
        child.thread = Handle(info.hThread);
        child.pid = info.dwProcessId;
    }
    return child;
}

bool Ended(const Child& child, DWORD timeoutMs) {
    return WaitForSingleObject(child.process.get(), timeoutMs) == WAIT_OBJECT_0;
}

void EndChild(const Child& child) {
    if (child.process && !Ended(child, 0)) {
        TerminateProcess(child.process.get(), 1);
        Ended(child, 5000);
    }
}

// Records terminations instead of making them; answers from a script.
class RecordingOps : public SystemOps {
public:
    std::vector<std::uint32_t> terminated;
    std::vector<bool> answers;  // one per call, the last one repeated

    bool TerminateProcessById(std::uint32_t pid) override {
        terminated.push_back(pid);
        if (answers.empty()) return true;
        const std::size_t i = terminated.size() - 1;
        return answers[i < answers.size() ? i : answers.size() - 1];
    }
    void EndSession(std::uint32_t) override { ADD_FAILURE() << "EndSession"; }
    void SetPowerState(bool, bool) override { ADD_FAILURE() << "SetPowerState"; }
    void ShutdownSystem(int) override { ADD_FAILURE() << "ShutdownSystem"; }
};

class InstalledOps {
public:
    explicit InstalledOps(SystemOps* ops) { InstallSystemOps(ops); }
    ~InstalledOps() { InstallSystemOps(nullptr); }
};

// The sleeper's pids among the recorded ones.
std::set<std::uint32_t> Only(const std::vector<std::uint32_t>& recorded,
                             std::initializer_list<DWORD> pids) {
    std::set<std::uint32_t> wanted(pids.begin(), pids.end());
    std::set<std::uint32_t> seen;
    for (std::uint32_t pid : recorded) {
        if (wanted.count(pid)) seen.insert(pid);
    }
    return seen;
}

// ---- close program -------------------------------------------------------

TEST(CloseProgramAction, TerminatesByFileNameOfFullPathInOtherCase) {
    Child sleeper = StartSleeper();
    ASSERT_TRUE(sleeper.process.valid()) << "start " << ProgramFolder() << kSleeperName;
    // The task's parameter is a full path; the tick hands over its file-name part.
    const std::string parameter = AsciiUpper(ProgramFolder() + kSleeperName);
    ASSERT_NE(parameter, ProgramFolder() + kSleeperName);

    EXPECT_TRUE(CloseProgramByName(FileNamePart(parameter)));
    ASSERT_TRUE(Ended(sleeper, 5000));
    DWORD code = 1;
    GetExitCodeProcess(sleeper.process.get(), &code);
    EXPECT_EQ(code, 0u);
}

TEST(CloseProgramAction, EveryMatchingProcessAndTheLastResult) {
    Child a = StartSleeper();
    Child b = StartSleeper();
    ASSERT_TRUE(a.process.valid() && b.process.valid());
    struct Case {
        std::vector<bool> answers;
        bool expected;
    };
    const Case cases[] = {{{true, false}, false}, {{false, true}, true}, {{false, false}, false}};
    for (const Case& c : cases) {
        RecordingOps ops;
        ops.answers = c.answers;
        {
            InstalledOps installed(&ops);
            EXPECT_EQ(CloseProgramByName("Vantrel_Test_Sleeper.EXE"), c.expected);
        }
        EXPECT_EQ(Only(ops.terminated, {a.pid, b.pid}), (std::set<std::uint32_t>{a.pid, b.pid}));
        EXPECT_EQ(ops.terminated.size(), 2u) << "no other process has that name";
    }
    // Only recorded: both still run.
    EXPECT_FALSE(Ended(a, 0));
    EXPECT_FALSE(Ended(b, 0));
    EndChild(a);
    EndChild(b);
}

TEST(CloseProgramAction, ProgramNotRunningDoesNothing) {
    const std::vector<HWND> before = AllReminders();
    RecordingOps ops;
    {
        InstalledOps installed(&ops);
        EXPECT_FALSE(CloseProgramByName("vantrel_not_running_program.exe"));
    }
    EXPECT_TRUE(ops.terminated.empty());
    EXPECT_FALSE(CloseProgramByName("vantrel_not_running_program.exe"));
    EXPECT_TRUE(NewWindows(before, AllReminders()).empty()) << "reports nothing";
}

// ---- open file -----------------------------------------------------------

TEST(OpenFileAction, RunsBatchFileInItsOwnFolder) {
    const std::string folder = FreshFolder("open task 打开");
    const std::string batch = folder + "\\marker.bat";
    const std::string marker = folder + "\\marker.txt";
    WriteText(batch, "@cd > marker.txt\r\n");
    OpenTaskFile(batch);
    ASSERT_TRUE(PumpUntil([&] { return !ReadText(marker).empty(); }, 15000))
        << "the batch file did not run";
    const std::vector<std::string> lines = Lines(ReadText(marker));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(AsciiUpper(lines.front()), AsciiUpper(folder));
    RemoveTree(folder);
}

// ---- hang up -------------------------------------------------------------

struct FakeRas {
    DWORD enumResult = 0;
    DWORD count = 0;
    DWORD hangUpResult = 0;
    DWORD firstSizeSeen = 0;
    DWORD bytesSeen = 0;
    std::vector<HANDLE> hungUp;
};
FakeRas g_ras;

DWORD WINAPI FakeEnumerate(void* connections, DWORD* bytes, DWORD* count) {
    auto* raw = static_cast<unsigned char*>(connections);
    g_ras.firstSizeSeen = *reinterpret_cast<DWORD*>(raw);
    g_ras.bytesSeen = *bytes;
    // The entries are 412 bytes apart; the handle follows the size field.
    for (DWORD i = 0; i < g_ras.count && i < 10; ++i) {
        *reinterpret_cast<HANDLE*>(raw + i * 412 + 4) =
            reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x1000 + i));
    }
    *count = g_ras.count;
    return g_ras.enumResult;
}

DWORD WINAPI FakeHangUp(HANDLE connection) {
    g_ras.hungUp.push_back(connection);
    return g_ras.hangUpResult;
}

class HangUpAction : public ::testing::Test {
protected:
    void TearDown() override { OwnedForms::ReleaseAll(); }

    // The texts of the reminders that `run` opened.
    template <typename Run>
    std::vector<std::string> Reports(Run run) {
        const std::vector<HWND> before = AllReminders();
        run();
        PumpMessages();
        std::vector<std::string> texts;
        for (HWND h : NewWindows(before, AllReminders())) texts.push_back(ReminderText(h));
        return texts;
    }
};

TEST_F(HangUpAction, OutcomeByEnumerationAndHangUp) {
    const HANDLE first = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x1000));
    struct Case {
        DWORD enumResult;
        DWORD count;
        DWORD hangUpResult;
        std::vector<std::string> reports;
        std::vector<HANDLE> hungUp;
    };
    const Case cases[] = {
        {0, 0, 0, {"没有可用的拨号连接"}, {}},
        {0, 1, 0, {"断开成功"}, {first}},
        {0, 2, 0, {"断开成功"}, {first}},  // only the first connection
        {0, 1, 668, {"断开失败"}, {first}},
        {603, 11, 0, {}, {}},  // more connections than the buffer holds: silent
        {632, 0, 0, {}, {}},
    };
    for (const Case& c : cases) {
        g_ras = FakeRas();
        g_ras.enumResult = c.enumResult;
        g_ras.count = c.count;
        g_ras.hangUpResult = c.hangUpResult;
        EXPECT_EQ(Reports([] { HangUpDialUpWith(&FakeEnumerate, &FakeHangUp); }), c.reports)
            << "enum " << c.enumResult << " count " << c.count;
        EXPECT_EQ(g_ras.hungUp, c.hungUp);
        EXPECT_EQ(g_ras.firstSizeSeen, 412u);
        EXPECT_EQ(g_ras.bytesSeen, 4120u);
    }
}

TEST_F(HangUpAction, SystemWithoutDialUpReportsNoConnection) {
    EXPECT_EQ(Reports([] { HangUpDialUpWith(nullptr, nullptr); }),
              std::vector<std::string>{"没有可用的拨号连接"});
}

TEST_F(HangUpAction, RealDialUpSystemWithoutConnections) {
    // The test machine has no dial-up connection, so the real rasapi32
    // answers with none.
    EXPECT_EQ(Reports([] { HangUpDialUp(); }), std::vector<std::string>{"没有可用的拨号连接"});
}

// ---- network adapter -----------------------------------------------------

TEST(NetworkAdapterAction, NameThatWouldRunAnotherCommandRunsNothing) {
    const std::string folder = FreshFolder("netsh");
    const std::string marker = folder + "\\injected.txt";
    const std::string name = "x\" & cd > \"" + marker + "\" & rem \"";
    char windowsFolder[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);

    // Unguarded, this name runs a second command: the marker appears.
    const std::string unguarded = "/c  netsh int set int name=\"" + name + "\" admin=disable";
    SHELLEXECUTEINFOA run = {};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS;
    run.lpVerb = "open";
    run.lpFile = "cmd.exe";
    run.lpParameters = unguarded.c_str();
    run.lpDirectory = windowsFolder;
    run.nShow = SW_HIDE;
    const DWORD start = GetTickCount();
    ASSERT_TRUE(ShellExecuteExA(&run));
    Handle control(run.hProcess);
    ASSERT_TRUE(control.valid());
    ASSERT_EQ(WaitForSingleObject(control.get(), 15000), WAIT_OBJECT_0);
    const DWORD took = GetTickCount() - start;
    ASSERT_TRUE(Exists(marker)) << "the injected command should run when nothing guards the name";
    ASSERT_TRUE(DeleteFileA(marker.c_str()));

    SetNetworkAdapter(nullptr, name, false);
    SetNetworkAdapter(nullptr, name, true);
    PumpUntil([] { return false; }, took * 3 + 2000);
    EXPECT_FALSE(Exists(marker));
    RemoveTree(folder);
}

// ---- junk cleanup --------------------------------------------------------

// Sets an environment variable for one test (nullptr: unset) and restores it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        char buffer[32768];
        const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
        had_ = n > 0 && n < sizeof buffer;
        if (had_) old_.assign(buffer, n);
        SetEnvironmentVariableA(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

bool ListNames(const std::vector<std::string>& lines, const std::string& path) {
    for (const std::string& line : lines) {
        if (AsciiUpper(line) == AsciiUpper(path)) return true;
    }
    return false;
}

std::string WindowsTemp() {
    char windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\Temp";
}

class CleanupAction : public ::testing::Test {
protected:
    // base\Temp and base\Tmp (for TEMP and TMP) and the Windows folder's Temp
    // hold junk; the files beside them must stay. The Windows folder cannot
    // be moved for a test: Wine gives every new process its own SystemRoot.
    void Prepare(const std::string& testName) {
        base_ = FreshFolder(testName);
        const char* folders[] = {"\\Temp", "\\Temp\\sub & dir", "\\Temp\\sub & dir\\深层",
                                 "\\Tmp", "\\Windows", "\\Documents"};
        for (const char* f : folders) CreateDirectoryA((base_ + f).c_str(), nullptr);
        systemJunk_ = WindowsTemp() + "\\vantrel_junk_" + FileNamePart(base_) + ".log";
        junk_ = {base_ + "\\Temp\\junk1.tmp", base_ + "\\Temp\\sub & dir\\junk2.txt",
                 base_ + "\\Temp\\sub & dir\\深层\\垃圾 %PATH%.txt", base_ + "\\Tmp\\junk3.tmp",
                 systemJunk_};
        kept_ = {base_ + "\\keep.txt", base_ + "\\Windows\\win.ini",
                 base_ + "\\Documents\\report.doc"};
        for (const std::string& f : junk_) WriteText(f, "junk");
        for (const std::string& f : kept_) WriteText(f, "keep");
    }

    void TearDown() override {
        if (!base_.empty()) RemoveTree(base_);
        if (!systemJunk_.empty()) DeleteFileA(systemJunk_.c_str());
    }

    std::string base_;
    std::string systemJunk_;
    std::vector<std::string> junk_;
    std::vector<std::string> kept_;
};

TEST_F(CleanupAction, ShippedBatchCleansTempFoldersAndListsEachFile) {
    Prepare("cleanup");
    ASSERT_TRUE(Exists(ProgramFolder() + kCleanupBatchName));
    {
        ScopedVariable temp("TEMP", (base_ + "\\Temp").c_str());
        ScopedVariable tmp("TMP", (base_ + "\\Tmp\\").c_str());
        CleanSystemJunk(false);
    }
    // The list is the newest list file in the program's folder.
    std::string list;
    {
        WIN32_FIND_DATAA found;
        FILETIME newest = {};
        HANDLE search = FindFirstFileA((ProgramFolder() + "清理系统垃圾列表*.txt").c_str(), &found);
        ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no list file was written";
        do {
            if (CompareFileTime(&found.ftLastWriteTime, &newest) >= 0) {
                newest = found.ftLastWriteTime;
                list = ProgramFolder() + found.cFileName;
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    const std::vector<std::string> lines = Lines(ReadText(list));
    DeleteFileA(list.c_str());

    for (const std::string& f : junk_) {
        EXPECT_FALSE(Exists(f)) << f;
        EXPECT_TRUE(ListNames(lines, f)) << "list names " << f;
    }
    for (const std::string& f : kept_) {
        EXPECT_TRUE(Exists(f)) << f;
        EXPECT_FALSE(ListNames(lines, f)) << f;
    }
    // Folders stay; only files go.
    EXPECT_TRUE(Exists(base_ + "\\Temp\\sub & dir\\深层"));
}

TEST_F(CleanupAction, ProgramFolderWithBlanksAndAmpersand) {
    Prepare("cleanup blanks");
    const std::string folder = base_ + "\\Program Files\\Vantrel 定时 & Co\\";
    CreateDirectoryA((base_ + "\\Program Files").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((ProgramFolder() + kCleanupBatchName).c_str(),
                          (folder + kCleanupBatchName).c_str(), FALSE));
    CleanupRun run;
    {
        ScopedVariable temp("TEMP", (base_ + "\\Temp").c_str());
        ScopedVariable tmp("TMP", (base_ + "\\Tmp").c_str());
        run = RunCleanup(folder, false, 60000);
    }
    EXPECT_EQ(run.outcome, CleanupOutcome::Finished);
    EXPECT_EQ(FolderPart(run.listPath), folder);
    EXPECT_EQ(FileNamePart(run.listPath).compare(0, 16, "清理系统垃圾列表"), 0);
    const std::vector<std::string> lines = Lines(ReadText(run.listPath));
    for (const std::string& f : junk_) {
        EXPECT_FALSE(Exists(f)) << f;
        EXPECT_TRUE(ListNames(lines, f)) << f;
    }
    for (const std::string& f : kept_) EXPECT_TRUE(Exists(f)) << f;
}

TEST_F(CleanupAction, RefusesFoldersThatAreNotTemporaryFolders) {
    Prepare("cleanup refused");
    WriteText(base_ + "\\Documents\\Temp", "a file named Temp");
    const std::string folder = base_ + "\\prog\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((ProgramFolder() + kCleanupBatchName).c_str(),
                          (folder + kCleanupBatchName).c_str(), FALSE));

    struct Case {
        std::string temp, tmp, systemRoot;  // "" leaves the variable unset
    };
    const Case cases[] = {
        // Folders that exist but are not named Temp or Tmp.
        {base_ + "\\Documents", base_ + "\\Documents\\", base_ + "\\Documents"},
        {base_, base_ + "\\Windows", ""},
        // Named Temp, but a file; and folders that do not exist.
        {base_ + "\\Documents\\Temp", base_ + "\\Documents\\Tmp", base_ + "\\nowhere"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        CleanupRun run;
        {
            ScopedVariable temp("TEMP", c.temp.empty() ? nullptr : c.temp.c_str());
            ScopedVariable tmp("TMP", c.tmp.empty() ? nullptr : c.tmp.c_str());
            ScopedVariable systemRoot("SystemRoot",
                                      c.systemRoot.empty() ? nullptr : c.systemRoot.c_str());
            run = RunCleanup(folder, false, 60000);
        }
        EXPECT_EQ(run.outcome, CleanupOutcome::Finished) << c.temp;
        for (const std::string& f : kept_) EXPECT_TRUE(Exists(f)) << c.temp << ": " << f;
        EXPECT_TRUE(Exists(base_ + "\\Documents\\Temp")) << c.temp;
        EXPECT_TRUE(Exists(base_ + "\\Temp\\junk1.tmp")) << c.temp;
        EXPECT_TRUE(Exists(run.listPath)) << c.temp;
        // Only the Windows folder's Temp may have been cleaned (see Prepare).
        const std::string windowsTemp = AsciiUpper(WindowsTemp() + "\\");
        for (const std::string& line : Lines(ReadText(run.listPath))) {
            EXPECT_EQ(AsciiUpper(line).compare(0, windowsTemp.size(), windowsTemp), 0) << line;
        }
        DeleteFileA(run.listPath.c_str());
    }
}

TEST_F(CleanupAction, StopsWaitingAtTheLimitAndLeavesTheBatchRunning) {
    Prepare("cleanup limit");
    const std::string folder = base_ + "\\prog\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteText(folder + kCleanupBatchName,
              "@\"" + ProgramFolder() + kSleeperName + "\"\r\n");
    const DWORD start = GetTickCount();
    const CleanupRun run = RunCleanup(folder, false, 1500);
    const DWORD took = GetTickCount() - start;
    EXPECT_EQ(run.outcome, CleanupOutcome::TimedOut);
    EXPECT_GE(took, 1400u);
    EXPECT_LT(took, 10000u);
    // The batch file still runs its program; end it here.
    EXPECT_TRUE(PumpUntil([] { return CloseProgramByName(kSleeperName); }, 5000));
}

TEST(CleanupActionStart, MissingBatchFileEndsAtOnce) {
    // cmd.exe starts even when the batch file is missing, and ends at once.
    const CleanupRun run = RunCleanup("Q:\\does not exist\\", false, 20000);
    EXPECT_EQ(run.outcome, CleanupOutcome::Finished);
}

// ---- tray utilities ------------------------------------------------------

DWORD WINAPI RunUtilities(void*) {
    OpenCdTray(nullptr);
    CloseCdTray(nullptr);
    MonitorOff();
    DialDefaultConnection(nullptr);
    return 0;
}

TEST(TrayUtilities, ReturnWithoutReportWhenThereIsNothingToDo) {
    // No CD drive, no modem: each passes silently and none of them blocks.
    const std::vector<HWND> before = AllReminders();
    Handle worker(CreateThread(nullptr, 0, &RunUtilities, nullptr, 0, nullptr));
    ASSERT_TRUE(worker.valid());
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(worker.get(), 0) == WAIT_OBJECT_0; },
                          20000));
    EXPECT_TRUE(NewWindows(before, AllReminders()).empty());
}

}  // namespace
}  // namespace vantrel
