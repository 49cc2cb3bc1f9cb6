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
#include "tests/recording_system_ops.h"
#include "text/codepage_win.h"
#include "text/gbk_text.h"
#include "winui/form_win.h"

namespace vantrel {
namespace {

using testing_win::AllReminders;
using testing_win::NewWindows;
using testing_win::PumpUntil;
using testing_win::ReminderText;

const char kSleeperName[] = "vantrel_test_sleeper.exe";

// ---- files ---------------------------------------------------------------

// Files by their wide names: the paths are Chinese, and the tests run under
// ANSI code pages other than 936 too.
bool Exists(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void MakeFolder(const std::string& path) { CreateDirectoryW(Wide(path).c_str(), nullptr); }

void WriteText(const std::string& path, const std::string& text) {
    Handle file(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << path;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                          nullptr));
}

std::string ReadText(const std::string& path) {
    Handle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
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
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = Narrow(found.cFileName);
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            const bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isLink) {
                RemoveTree(path);
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryW(Wide(path).c_str());
            } else {
                SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(Wide(path).c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(Wide(folder).c_str());
}

// A fresh folder (no trailing "\") for one test, in the temporary folder
// the process had when it started.
std::string FreshFolder(const std::string& name) {
    static const std::string temp = [] {
        wchar_t path[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, path);
        return Narrow(path);
    }();
    const std::string folder = temp + "vantrel " + name + " " +
                               std::to_string(GetCurrentProcessId()) + "_" +
                               std::to_string(GetTickCount());
    RemoveTree(folder);
    MakeFolder(folder);
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
    std::uint32_t EndSession(std::uint32_t, std::uint32_t) override { return Unexpected("EndSession"); }
    std::uint32_t LogOffSession(std::uint32_t) override { return Unexpected("LogOffSession"); }
    std::uint32_t SetPowerState(bool, bool) override { return Unexpected("SetPowerState"); }
    std::uint32_t ShutdownSystem(int) override { return Unexpected("ShutdownSystem"); }
    UptimeClock ReadUptimeClock() override { return UptimeClock{Unexpected("ReadUptimeClock"), 0}; }
    static std::uint32_t Unexpected(const char* call) {
        ADD_FAILURE() << call;
        return 0;
    }
    void* StartProcess(const ProcessStart&) override {
        ADD_FAILURE() << "StartProcess";
        return nullptr;
    }
    void OpenDocument(void*, const std::string&, const std::string&) override {
        ADD_FAILURE() << "OpenDocument";
    }
    void SendMci(const std::string&, void*) override { ADD_FAILURE() << "SendMci"; }
    void Broadcast(std::uint32_t, std::uintptr_t, std::intptr_t) override {
        ADD_FAILURE() << "Broadcast";
    }
    std::uint32_t Autodial(std::uint32_t, void*) override {
        ADD_FAILURE() << "Autodial";
        return 0;
    }
    void AskToClose(void*) override { ADD_FAILURE() << "AskToClose"; }
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

// On any system, English included: the Chinese path reaches the shell as
// UTF-16, not through the ANSI code page.
TEST(OpenFileAction, OpensAFileWithAChineseNameOnAnySystem) {
    const std::string folder = FreshFolder("打开文件");
    WriteText(folder + "\\标记.bat", "@echo opened> marker.txt\r\n");
    OpenTaskFile(folder + "\\标记.bat");
    EXPECT_TRUE(PumpUntil([&] { return !ReadText(folder + "\\marker.txt").empty(); }, 15000));
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

TEST_F(HangUpAction, RealDialUpSystemIsOnlyAsked) {
    // The real rasapi32 lists the connections; the hang-up is the fake's, so
    // a machine with a live connection keeps it. Without one (the test
    // machine) the report is that there is none.
    HMODULE ras = LoadLibraryA("rasapi32.dll");
    ASSERT_NE(ras, nullptr);
    auto enumerate = reinterpret_cast<RasEnumConnectionsFn>(
        reinterpret_cast<void*>(GetProcAddress(ras, "RasEnumConnectionsA")));
    ASSERT_NE(enumerate, nullptr);
    g_ras = FakeRas();
    const std::vector<std::string> reports =
        Reports([&] { HangUpDialUpWith(enumerate, &FakeHangUp); });
    if (g_ras.hungUp.empty()) {
        EXPECT_EQ(reports, std::vector<std::string>{"没有可用的拨号连接"});
    }
}

// ---- network adapter -----------------------------------------------------

// The command line that starts `start`, run for real but with the system
// program `name` replaced by `stand-in`; waits for it to end.
bool RunWithStandIn(const ProcessStart& start, const std::string& name,
                    const std::string& standIn) {
    ProcessStart changed = start;
    const std::string real = SystemProgram(SystemFolder(), name);
    const std::size_t at = changed.commandLine.find(real);
    if (at == std::string::npos) return false;
    changed.commandLine.replace(at, real.size(), standIn);
    Handle process(RealSystemOps().StartProcess(changed));
    return process.valid() && WaitForSingleObject(process.get(), 15000) == WAIT_OBJECT_0;
}

TEST(NetworkAdapterAction, StartsTheSystemsCmdAndNetshByFullPath) {
    const std::string folder = FreshFolder("netsh 网卡");
    const std::string args = folder + "\\args.txt";
    const std::string standIn = folder + "\\netsh & co.bat";
    WriteText(standIn, "@echo %* > \"" + args + "\"\r\n");
    struct Case {
        std::string adapter;
        bool enable;
        std::string arguments;  // as netsh would get them
    };
    const Case cases[] = {
        {"本地连接", false, "int set int name=\"本地连接\" admin=disable"},
        {"以太网 2 & (备用)", true, "int set int name=\"以太网 2 & (备用)\" admin=enable"},
    };
    for (const Case& c : cases) {
        testing::RecordingSystemOps ops;
        SetNetworkAdapter(nullptr, c.adapter, c.enable);
        ASSERT_EQ(ops.started.size(), 1u);
        const ProcessStart& start = ops.started[0];
        EXPECT_EQ(AsciiUpper(start.program), AsciiUpper(SystemFolder() + "\\cmd.exe"));
        EXPECT_EQ(start.commandLine.find("\"" + SystemFolder() + "\\cmd.exe\" /c  "), 0u)
            << start.commandLine;
        EXPECT_NE(start.commandLine.find("\"" + SystemFolder() + "\\netsh.exe\""),
                  std::string::npos) << start.commandLine;
        EXPECT_EQ(AsciiUpper(start.folder), AsciiUpper(WindowsFolder()));
        // Through cmd the adapter name reaches the program as one argument.
        DeleteFileW(Wide(args).c_str());
        ASSERT_TRUE(RunWithStandIn(start, "netsh.exe", standIn)) << c.adapter;
        const std::vector<std::string> lines = Lines(ReadText(args));
        ASSERT_EQ(lines.size(), 1u) << c.adapter;
        EXPECT_EQ(lines[0].substr(0, c.arguments.size()), c.arguments);
    }
    RemoveTree(folder);
}

TEST(NetworkAdapterAction, NameThatWouldRunAnotherCommandRunsNothing) {
    const std::string folder = FreshFolder("netsh");
    const std::string marker = folder + "\\injected.txt";
    const std::string name = "x\" & cd > \"" + marker + "\" & rem \"";

    // Unguarded, this name runs a second command: the marker appears. (echo
    // stands in for netsh, so no adapter is touched.)
    const std::string unguarded = "cmd.exe /c  echo int set int name=\"" + name + "\" admin=disable";
    ProcessStart start;
    start.program = SystemProgram(SystemFolder(), "cmd.exe");
    start.commandLine = unguarded;
    start.folder = WindowsFolder();
    Handle control(RealSystemOps().StartProcess(start));
    ASSERT_TRUE(control.valid());
    ASSERT_EQ(WaitForSingleObject(control.get(), 15000), WAIT_OBJECT_0);
    ASSERT_TRUE(Exists(marker)) << "the injected command should run when nothing guards the name";

    testing::RecordingSystemOps ops;
    SetNetworkAdapter(nullptr, name, false);
    SetNetworkAdapter(nullptr, name, true);
    EXPECT_TRUE(ops.started.empty()) << "nothing may start";
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

class CleanupAction : public ::testing::Test {
protected:
    // base\Temp and base\Tmp (for TEMP and TMP) and base\Windows\Temp (for
    // SystemRoot) hold junk; the files beside them must stay. Nothing
    // outside base is touched: the shipped batch file runs with a SystemRoot
    // of the test's own (see UseShippedBatch).
    void Prepare(const std::string& testName) {
        base_ = FreshFolder(testName);
        const char* folders[] = {"\\Temp", "\\Temp\\sub & dir", "\\Temp\\sub & dir\\深层",
                                 "\\Tmp", "\\Windows", "\\Windows\\Temp", "\\Documents"};
        for (const char* f : folders) MakeFolder(base_ + f);
        junk_ = {base_ + "\\Temp\\junk1.tmp", base_ + "\\Temp\\sub & dir\\junk2.txt",
                 base_ + "\\Temp\\sub & dir\\深层\\垃圾 %PATH%.txt", base_ + "\\Tmp\\junk3.tmp",
                 base_ + "\\Windows\\Temp\\junk4.log"};
        kept_ = {base_ + "\\keep.txt", base_ + "\\Windows\\win.ini",
                 base_ + "\\Documents\\report.doc"};
        for (const std::string& f : junk_) WriteText(f, "junk");
        for (const std::string& f : kept_) WriteText(f, "keep");
    }

    // Makes `folder` (ending in "\") a program folder whose QLLJ.bat sets
    // SystemRoot (empty: unsets it) and hands over to the shipped batch file.
    // A variable set for the test process would not do: Wine gives every new
    // process its own SystemRoot, so the shipped file would clean the real
    // Windows folder's Temp.
    void UseShippedBatch(const std::string& folder, const std::string& systemRoot) {
        MakeFolder(folder);
        const std::string shipped = folder + "shipped QLLJ.bat";
        ASSERT_TRUE(CopyFileW(Wide(ProgramFolder() + kCleanupBatchName).c_str(), Wide(shipped).c_str(), FALSE));
        WriteText(folder + kCleanupBatchName,
                  "@set \"SystemRoot=" + systemRoot + "\"\r\n@\"" + shipped + "\"\r\n");
    }

    void TearDown() override {
        if (!base_.empty()) RemoveTree(base_);
    }

    std::string base_;
    std::vector<std::string> junk_;
    std::vector<std::string> kept_;
};

TEST_F(CleanupAction, ShippedBatchCleansTempFoldersAndListsEachFile) {
    Prepare("cleanup");
    ASSERT_TRUE(Exists(ProgramFolder() + kCleanupBatchName));
    const std::string folder = base_ + "\\prog\\";
    UseShippedBatch(folder, base_ + "\\Windows");
    CleanupRun run;
    {
        ScopedVariable temp("TEMP", (base_ + "\\Temp").c_str());
        ScopedVariable tmp("TMP", (base_ + "\\Tmp\\").c_str());
        run = RunCleanup(nullptr, folder, false, 60000);
    }
    EXPECT_EQ(run.outcome, CleanupOutcome::Finished);
    const std::vector<std::string> lines = Lines(ReadText(run.listPath));
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
    MakeFolder(base_ + "\\Program Files");
    UseShippedBatch(folder, base_ + "\\Windows");
    CleanupRun run;
    {
        ScopedVariable temp("TEMP", (base_ + "\\Temp").c_str());
        ScopedVariable tmp("TMP", (base_ + "\\Tmp").c_str());
        run = RunCleanup(nullptr, folder, false, 60000);
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

    struct Case {
        std::string temp, tmp, systemRoot;  // "" leaves the variable unset
    };
    const Case cases[] = {
        // Folders that exist but are not named Temp or Tmp.
        {base_ + "\\Documents", base_ + "\\Documents\\", base_ + "\\Documents"},
        {base_, base_ + "\\Windows", ""},
        // Named Temp, but a file; and folders that do not exist.
        {base_ + "\\Documents\\Temp", base_ + "\\Documents\\Tmp", base_ + "\\nowhere"},
        {"", "", base_ + "\\Documents\\Temp"},
    };
    for (const Case& c : cases) {
        UseShippedBatch(folder, c.systemRoot);
        CleanupRun run;
        {
            ScopedVariable temp("TEMP", c.temp.empty() ? nullptr : c.temp.c_str());
            ScopedVariable tmp("TMP", c.tmp.empty() ? nullptr : c.tmp.c_str());
            run = RunCleanup(nullptr, folder, false, 60000);
        }
        EXPECT_EQ(run.outcome, CleanupOutcome::Finished) << c.temp;
        for (const std::string& f : kept_) EXPECT_TRUE(Exists(f)) << c.temp << ": " << f;
        for (const std::string& f : junk_) EXPECT_TRUE(Exists(f)) << c.temp << ": " << f;
        EXPECT_TRUE(Exists(base_ + "\\Documents\\Temp")) << c.temp;
        EXPECT_TRUE(Exists(run.listPath)) << c.temp;
        EXPECT_TRUE(Lines(ReadText(run.listPath)).empty()) << c.temp;
        DeleteFileW(Wide(run.listPath).c_str());
    }
}

TEST_F(CleanupAction, StopsWaitingAtTheLimitAndLeavesTheBatchRunning) {
    Prepare("cleanup limit");
    const std::string folder = base_ + "\\prog\\";
    MakeFolder(folder);
    WriteText(folder + kCleanupBatchName,
              "@\"" + ProgramFolder() + kSleeperName + "\"\r\n");
    const DWORD start = GetTickCount();
    const CleanupRun run = RunCleanup(nullptr, folder, false, 1500);
    const DWORD took = GetTickCount() - start;
    EXPECT_EQ(run.outcome, CleanupOutcome::TimedOut);
    EXPECT_GE(took, 1400u);
    EXPECT_LT(took, 10000u);
    // The batch file still runs its program; end it here.
    EXPECT_TRUE(PumpUntil([] { return CloseProgramByName(kSleeperName); }, 5000));
}

TEST(CleanupActionStart, MissingBatchFileEndsAtOnce) {
    // cmd.exe starts even when the batch file is missing, and ends at once.
    const CleanupRun run = RunCleanup(nullptr, "Q:\\does not exist\\", false, 20000);
    EXPECT_EQ(run.outcome, CleanupOutcome::Finished);
}

TEST(CleanupActionStart, TheSystemsCmdRunsTheBatchAndTheListOpensOwned) {
    const HWND owner = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
    for (bool showList : {false, true}) {
        testing::RecordingSystemOps ops;
        // A process that has already ended stands in for the batch run.
        ops.onStart = [](const ProcessStart&) -> void* {
            return CreateEventA(nullptr, TRUE, TRUE, nullptr);
        };
        const CleanupRun run = RunCleanup(owner, "C:\\Vantrel\\", showList, 1000);
        EXPECT_EQ(run.outcome, CleanupOutcome::Finished);
        ASSERT_EQ(ops.started.size(), 1u);
        EXPECT_EQ(ops.started[0].program, SystemFolder() + "\\cmd.exe");
        EXPECT_EQ(ops.started[0].commandLine.find("\"" + SystemFolder() + "\\cmd.exe\" /c "), 0u);
        EXPECT_TRUE(ops.started[0].idlePriority);
        const std::string opened = "open 0x1234 " + run.listPath + " in C:\\Vantrel\\";
        EXPECT_EQ(ops.calls.back() == opened, showList) << ops.calls.back();
    }
}

// ---- tray utilities ------------------------------------------------------

TEST(TrayUtilities, TheirCallsAsTheSystemGetsThem) {
    const HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x4321));
    testing::RecordingSystemOps ops;
    OpenCdTray(window);
    CloseCdTray(window);
    MonitorOff();
    DialDefaultConnection(window);
    EXPECT_EQ(ops.calls, (std::vector<std::string>{
                             "mci Set cdaudio door open wait 0x4321",
                             "mci Set cdaudio door closed wait 0x4321",
                             "broadcast 0x112 0xf170 0x2",  // WM_SYSCOMMAND, SC_MONITORPOWER, off
                             "autodial 2 0x4321",           // INTERNET_AUTODIAL_FORCE_UNATTENDED
                         }));
}

// A window of another process that stops taking messages: a broadcast must
// neither wait for it until it ends nor stop the tick.
TEST(TrayUtilities, ABroadcastPassesOverAHungWindowOfAnotherProcess) {
    const std::string folder = FreshFolder("hung");
    const std::string maker = ProgramFolder() + "vantrel_test_window_maker.exe";
    std::string commandLine = "\"" + maker + "\" \"" + folder + "\" --hung";
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(maker.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    ASSERT_TRUE(PumpUntil([&] { return Exists(folder + "\\hung"); }, 15000));
    HWND hung = FindWindowA("VantrelWindowMaker", "Hung window");
    ASSERT_NE(hung, nullptr);
    // A harmless message of its own, sent the way the monitor-off command sends.
    const UINT ping = RegisterWindowMessageA("Vantrel.Test.Ping");
    const DWORD start = GetTickCount();
    RealSystemOps().Broadcast(ping, 0, 0);
    const DWORD took = GetTickCount() - start;
    EXPECT_LT(took, 5000u) << "the hung window holds for 60 s";
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the window was still hung";
    TerminateProcess(process.get(), 0);
    WaitForSingleObject(process.get(), 5000);
    RemoveTree(folder);
}

// ---- start at logon's paths -----------------------------------------------

// A command naming this copy in its 8.3 form or another case starts it.
TEST(LogonPaths, AShortNameOrAnotherCaseNamesTheSameProgram) {
    const std::string folder = FreshFolder("long folder name"), program = folder + "\\Vantrel Long Name.exe";
    WriteText(program, "");
    wchar_t shortPath[MAX_PATH + 1] = {};
    ASSERT_GT(GetShortPathNameW(Wide(program).c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_NE(AsciiUpper(Narrow(shortPath)), AsciiUpper(program));
    UsePathForm(&SystemComparablePath);
    for (const std::string& same : {QuotedPath(Narrow(shortPath)), folder + "\\vantrel LONG name.EXE"})
        EXPECT_TRUE(CommandNamesProgram(same, program)) << same;
    EXPECT_FALSE(CommandNamesProgram(folder + "\\Vantrel Long Nam.exe", program));
    UsePathForm(nullptr);
    RemoveTree(folder);
}

}  // namespace
}  // namespace vantrel
