// The program survives its own close and its errors: a close or a window
// that arrives while an executor runs messages in the middle of a tick, a
// second start during a start-up error box, hundreds of windows opened and
// closed, the system libraries it loads, and a writer in another thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <utility>

#include "app/main_window_win.h"
#include "registry/registry_win.h"
#include "store/lock_security.h"
#include "store/task_store.h"
#include "tests/main_window_fixture_win.h"
#include "tests/recording_system_ops.h"
#include "tests/reminder_probe_win.h"
#include "winui/on_demand_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelLifetimeTest";

// Dialling, recorded, runs messages as the real one may while it waits.
class PumpingOps : public testing::RecordingSystemOps {
public:
    std::function<void()> whileDialling;
    int dials = 0;
    std::uint32_t Autodial(std::uint32_t flags, void* window) override {
        const std::uint32_t result = RecordingSystemOps::Autodial(flags, window);
        ++dials;
        if (whileDialling) whileDialling();
        PumpMessages();
        return result;
    }
};

class ProgramLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        WinRegistry::DeleteTree(kKey);
        SetMessageBoxHook([this](const char* text, const char*, UINT) {
            boxes_.push_back(text);
            if (duringBox_) std::exchange(duringBox_, nullptr)();
            return IDOK;
        });
    }
    void TearDown() override {
        OwnedForms::ReleaseAll();
        main_.reset();
        SetMessageBoxHook(nullptr);
        WinRegistry::DeleteTree(kKey);
    }
    // Two dial tasks due now, and the main window started on them.
    void StartWithTwoDueDials() {
        const std::string now = testing::DailyForNow(50);
        testing::StoreRecords(kKey, {{now, "拨号连接", "", "启用"}, {now, "拨号连接", "", "启用"}});
        main_ = testing::StartTestMainWindow(kKey);
        ASSERT_NE(main_, nullptr);
    }
    void Tick() { SendMessageA(main_->hwnd(), WM_TIMER, TickDriver::kTimer1, 0); }

    PumpingOps ops_;
    std::unique_ptr<MainWindow> main_;
    std::vector<std::string> boxes_;
    std::function<void()> duringBox_;
};

TEST_F(ProgramLifetime, ACloseDuringATickWaitsForTheTickThenEndsTheProgram) {
    StartWithTwoDueDials();
    const HWND window = main_->hwnd();
    bool stayedDuringTheTick = false;
    ops_.whileDialling = [&] {
        PostMessageA(window, WM_CLOSE, 0, 0);
        PumpMessages();
        stayedDuringTheTick = IsWindow(window) != FALSE;
    };
    Tick();
    EXPECT_TRUE(stayedDuringTheTick);
    EXPECT_EQ(ops_.dials, 2);  // the tick ran to its end
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(ProgramLifetime, ASettingsWindowOpenedDuringATickLeavesTheTickItsKey) {
    StartWithTwoDueDials();
    ops_.whileDialling = [&] {
        ops_.whileDialling = nullptr;
        SendMessageA(main_->hwnd(), MainWindow::OpenSettingsMessage(), 0, 0);
    };
    Tick();
    ASSERT_NE(CurrentTaskList(), nullptr);
    EXPECT_EQ(ops_.dials, 2);  // the second task was still read and run
}

// Start-up's problems wait for nobody: no box holds the start, a reminder
// that holds nothing tells them, and the tick runs from the start; a second
// start then opens a settings window that leaves the tick's gate whole.
TEST_F(ProgramLifetime, StartUpProblemsHoldNothingAndASecondStartLeavesTheGateWhole) {
    {
        WinRegistry reg;
        reg.OpenKey(kKey, true);
        reg.WriteString("TaskNum", "3");  // the wrong type
    }
    main_ = testing::StartTestMainWindow(kKey, "", "", true);
    ASSERT_NE(main_, nullptr);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(main_->driver().timer1Running());
    bool told = false;
    for (HWND r : testing_win::VisibleReminders())
        told = told || testing_win::ReminderText(r).find("TaskNum") != std::string::npos;
    EXPECT_TRUE(told);
    SendMessageA(main_->hwnd(), MainWindow::OpenSettingsMessage(), 0, 0);
    auto* settings = static_cast<SettingsWindow*>(CurrentTaskList());
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(main_->driver().timer1Running());
    settings->Button2Click();
    EXPECT_EQ(main_->runner().gate().settingsWindowsOpen, 0);
    EXPECT_TRUE(main_->driver().timer1Running());
    main_->ReleaseTick();  // a close with no open to match
    EXPECT_EQ(main_->runner().gate().settingsWindowsOpen, 0);
}

BOOL CALLBACK CountWindow(HWND, LPARAM n) {
    ++*reinterpret_cast<int*>(n);
    return TRUE;
}

// Every top-level window of this thread (forms, tooltips, lists' combos).
int ThreadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(ProgramLifetime, FiveHundredClosedSettingsWindowsAndEditorsLeaveNothingBehind) {
    testing::StoreRecords(kKey, {{"每天8时0分", "提醒", "x", "启用"}});
    main_ = testing::StartTestMainWindow(kKey);
    ASSERT_NE(main_, nullptr);
    const int windows = ThreadWindows();
    const std::size_t forms = OwnedForms::Count();
    const DWORD userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int i = 0; i < 500; ++i) {
        SettingsWindow* w = testing::OpenSettingsFromMenu(*main_);
        ASSERT_NE(w, nullptr);
        // An add closed by Cancel, a modify by the title bar's close box.
        w->SelectRow(0);
        TaskEditor* editor = testing::EditorOpenedBy([&] { i % 2 ? w->Button5Click() : w->Button4Click(); });
        ASSERT_NE(editor, nullptr);
        if (i % 2)
            SendMessageA(editor->hwnd(), WM_CLOSE, 0, 0);
        else
            editor->Button3Click();
        SendMessageA(w->hwnd(), WM_CLOSE, 0, 0);
    }
    PumpMessages();
    EXPECT_EQ(ThreadWindows(), windows);
    EXPECT_EQ(OwnedForms::Count(), forms);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userObjects);
    EXPECT_EQ(main_->runner().gate().settingsWindowsOpen, 0);
}

// A copy of a system library planted where a load by bare name would look
// (the current folder) is never what the program loads.
TEST(SystemLibraries, AreLoadedFromTheSystemFolderOnly) {
    wchar_t system[MAX_PATH] = {0};
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_GT(n, 0u);
    wchar_t temp[MAX_PATH] = {0};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"VantrelPlantedTest";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring planted = folder + L"\\vantrelplanted.dll";
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\version.dll").c_str(), planted.c_str(), FALSE));
    wchar_t before[MAX_PATH] = {0};
    GetCurrentDirectoryW(MAX_PATH, before);
    SetCurrentDirectoryW(folder.c_str());
    HMODULE byName = LoadLibraryA("vantrelplanted.dll");
    EXPECT_NE(byName, nullptr);  // where a bare name would find it
    EXPECT_EQ(LoadSystemLibrary("vantrelplanted.dll"), nullptr);
    if (byName) FreeLibrary(byName);
    SetCurrentDirectoryW(before);
    DeleteFileW(planted.c_str());
    RemoveDirectoryW(folder.c_str());
    EXPECT_NE(LoadSystemLibrary("rasapi32.dll"), nullptr);
}

struct LockHolder {
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// Another writer: takes the store's lock and keeps it until told.
DWORD WINAPI HoldTheLock(void* p) {
    auto* holder = static_cast<LockHolder*>(p);
    WinRegistry reg;
    TaskStore store(reg, kKey);
    TaskStore::WriteGuard guard(store);
    SetEvent(holder->held);
    WaitForSingleObject(holder->release, 10000);
    return 0;
}

// The named mutex: a writer in another thread (as good as another process
// for a mutex) holds off this one's writes until it lets go.
TEST(StoreLockWin, AWriterHoldingTheLockHoldsOffTheOthers) {
    WinRegistry::DeleteTree(kKey);
    LockHolder shared;
    HANDLE thread = CreateThread(nullptr, 0, HoldTheLock, &shared, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(shared.held, 10000), WAIT_OBJECT_0);
    WinRegistry reg;
    TaskStore store(reg, kKey);
    store.set_lock_wait(200);
    Settings settings;
    EXPECT_THROW(store.Append(settings, "每天8时0分", "提醒", "x"), StoreBusy);
    SetEvent(shared.release);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(shared.held);
    CloseHandle(shared.release);
    EXPECT_EQ(store.Append(settings, "每天8时0分", "提醒", "x"), 1);
    WinRegistry::DeleteTree(kKey);
}

// A writer whose token is not an administrator's (Administrators for deny
// only, as without elevation) never takes the lock and says it needs rights.
TEST(StoreLockWin, AWriterThatIsNotAnAdministratorIsToldItNeedsRights) {
    WinRegistry::DeleteTree(kKey);
    HANDLE process = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                         0, 0, 0, 0, 0, 0, &admins));
    SID_AND_ATTRIBUTES denyOnly = {admins, 0};
    HANDLE restricted = nullptr;
    ASSERT_TRUE(CreateRestrictedToken(process, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted));
    WinRegistry reg;
    TaskStore store(reg, kKey);
    Settings settings;
    ASSERT_TRUE(ImpersonateLoggedOnUser(restricted));
    std::string said;
    try {
        store.Append(settings, "每天8时0分", "提醒", "x");
    } catch (const RegistryError& e) {
        said = e.what();
    }
    RevertToSelf();
    EXPECT_EQ(said, kStoreRightsText);
    EXPECT_EQ(store.Append(settings, "每天8时0分", "提醒", "x"), 1) << "an administrator's write goes on";
    CloseHandle(restricted);
    CloseHandle(process);
    FreeSid(admins);
    WinRegistry::DeleteTree(kKey);
}

}  // namespace
}  // namespace vantrel
