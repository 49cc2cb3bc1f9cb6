// The tray icon's talk with the shell on XP, 7 and 10, against a shell that
// keeps icons by the identity each call names, as the documentation
// describes it: by GUID where NIF_GUID is set, by window and id otherwise.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/tray_icon_win.h"
#include "tests/recording_system_ops.h"

namespace vantrel {
namespace {

const UINT kNifGuid = 0x20;

struct Call {
    std::uint32_t operation;
    NOTIFYICONDATAW record;
};

class FakeShell : public testing::RecordingSystemOps {
public:
    bool taskbar = true;          // false: every call fails (logon, Explorer gone)
    bool guidOfAnotherCopy = false;  // the GUID belongs to a program file elsewhere
    bool takesVersions = true;
    unsigned major = 5;
    unsigned WindowsMajorVersion() override { return major; }
    std::vector<Call> log;
    std::set<std::string> icons;

    bool NotifyIcon(std::uint32_t operation, void* data) override {
        const NOTIFYICONDATAW& r = *static_cast<const NOTIFYICONDATAW*>(data);
        log.push_back({operation, r});
        if (!taskbar) return false;
        const bool byGuid = (r.uFlags & kNifGuid) != 0;
        if (byGuid && guidOfAnotherCopy) return false;
        const std::string id = byGuid ? "guid" : "window " + std::to_string(reinterpret_cast<std::uintptr_t>(r.hWnd)) +
                                                     " id " + std::to_string(r.uID);
        switch (operation) {
            case NIM_ADD: return icons.insert(id).second;
            case NIM_DELETE: return icons.erase(id) == 1;
            case NIM_SETVERSION: return takesVersions && icons.count(id) && r.uVersion >= 3 && r.uVersion <= 4;
            default: return icons.count(id) == 1;  // modify, set focus
        }
    }
};

const struct System {
    unsigned major, minor;
    const char* name;
    UINT version;
    bool byGuid;
} kSystems[] = {{5, 1, "XP", 3, false}, {6, 1, "7", 4, true}, {10, 0, "10", 4, true}};

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }
    void Start(TrayIcon& tray, const System& s) {
        tray.UseProtocol(TrayProtocolFor(s.major, s.minor));
        tray.Init(window_, nullptr, "Vantrel");
    }
    static bool ByGuid(const NOTIFYICONDATAW& r) {
        return (r.uFlags & kNifGuid) && std::memcmp(&r.guidItem, &TrayIcon::kGuid, sizeof(GUID)) == 0;
    }
    FakeShell shell_;
    HWND window_ = nullptr;
};

// Every call names the icon the same way, so that the shell finds it;
// version 3 on XP and 4 later are asked for once the icon is there.
TEST_F(TrayIconTest, EachSystemAddsAsksItsVersionAndReachesTheSameIcon) {
    for (const System& s : kSystems) {
        shell_.log.clear();
        TrayIcon tray;
        Start(tray, s);
        ASSERT_TRUE(tray.Add()) << s.name;
        EXPECT_EQ(tray.version(), s.version) << s.name;
        EXPECT_FALSE(tray.guidRefused()) << s.name;
        ASSERT_GE(shell_.log.size(), 2u);
        EXPECT_EQ(shell_.log[0].operation, static_cast<std::uint32_t>(NIM_ADD)) << s.name;
        EXPECT_EQ(shell_.log[1].operation, static_cast<std::uint32_t>(NIM_SETVERSION)) << s.name;
        EXPECT_EQ(shell_.log[1].record.uVersion, s.version) << s.name;
        EXPECT_TRUE(tray.Modify()) << s.name;
        EXPECT_TRUE(tray.ShowBalloon("Vantrel", "text")) << s.name;
        EXPECT_TRUE(tray.ReturnFocus()) << s.name;
        EXPECT_TRUE(tray.Delete()) << s.name;
        EXPECT_TRUE(shell_.icons.empty()) << s.name;
        for (const Call& c : shell_.log) {
            EXPECT_EQ(ByGuid(c.record), s.byGuid) << s.name << " operation " << c.operation;
            // The shell reads no field beyond the size it is told.
            EXPECT_GE(c.record.cbSize, s.byGuid ? NOTIFYICONDATAW_V2_SIZE + sizeof(GUID) : NOTIFYICONDATAW_V2_SIZE)
                << s.name;
        }
        // Under version 4 the tip shows only when asked for.
        if (s.version >= 4) {
            EXPECT_TRUE(shell_.log[0].record.uFlags & 0x80) << s.name;
        }
    }
}

// A second copy in another folder: its GUID is refused, the icon shows by
// window and id, and every later call names it that way until the next add.
TEST_F(TrayIconTest, AGuidOfAnotherCopyGivesWayToWindowAndId) {
    for (const System& s : kSystems) {
        if (!s.byGuid) continue;
        shell_.log.clear();
        shell_.guidOfAnotherCopy = true;
        TrayIcon tray;
        Start(tray, s);
        ASSERT_TRUE(tray.Add()) << s.name;
        EXPECT_TRUE(tray.guidRefused()) << s.name;
        EXPECT_EQ(tray.version(), s.version) << s.name;
        EXPECT_TRUE(tray.Modify()) << s.name;
        EXPECT_TRUE(tray.ShowBalloon("Vantrel", "text")) << s.name;
        EXPECT_TRUE(tray.ReturnFocus()) << s.name;
        EXPECT_TRUE(tray.Delete()) << s.name;
        EXPECT_TRUE(shell_.icons.empty()) << s.name;
        // The other copy gone, the next add (Explorer restarted) takes the
        // GUID again.
        shell_.guidOfAnotherCopy = false;
        shell_.log.clear();
        ASSERT_TRUE(tray.Add()) << s.name;
        EXPECT_FALSE(tray.guidRefused()) << s.name;
        EXPECT_TRUE(ByGuid(shell_.log.front().record)) << s.name;
        EXPECT_TRUE(tray.Delete()) << s.name;
    }
}

// No taskbar yet: nothing is held and the GUID is not given up, so the
// next try, with the taskbar there, keeps the user's choice.
TEST_F(TrayIconTest, ATaskbarNotThereYetKeepsTheGuidForTheNextTry) {
    shell_.taskbar = false;
    TrayIcon tray;
    Start(tray, kSystems[2]);
    EXPECT_FALSE(tray.Add());
    EXPECT_FALSE(tray.guidRefused());
    shell_.taskbar = true;
    shell_.log.clear();
    ASSERT_TRUE(tray.Add());
    EXPECT_FALSE(tray.guidRefused());
    EXPECT_TRUE(ByGuid(shell_.log.front().record));
}

// A balloon the shell cannot show now must not wait in its queue to warn of
// a shutdown already done: real-time (0x40) from Vista on, where Windows has it.
TEST_F(TrayIconTest, ABalloonIsRealTimeWhereWindowsHasIt) {
    for (const System& s : kSystems) {
        shell_.major = s.major;
        TrayIcon tray;
        Start(tray, s);
        ASSERT_TRUE(tray.Add());
        shell_.log.clear();
        ASSERT_TRUE(tray.ShowBalloon("Vantrel", "5分钟后将关机"));
        EXPECT_EQ(shell_.log.back().record.uFlags & 0x40u, s.major >= 6 ? 0x40u : 0u) << s.name;
        tray.Delete();
    }
}

// A shell that takes no version: the callback is read as without one.
TEST_F(TrayIconTest, AVersionRefusedIsNotFollowed) {
    shell_.takesVersions = false;
    TrayIcon tray;
    Start(tray, kSystems[2]);
    ASSERT_TRUE(tray.Add());
    EXPECT_EQ(tray.version(), 0u);
}

}  // namespace
}  // namespace vantrel
