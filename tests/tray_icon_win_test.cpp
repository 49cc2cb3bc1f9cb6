// The warning balloon as the shell receives it.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include "app/tray_icon_win.h"
#include "tests/recording_system_ops.h"

namespace vantrel {
namespace {

// A machine of the given Windows version whose shell keeps the last flags.
struct ShellOfVersion : testing::RecordingSystemOps {
    unsigned major = 5;
    UINT flags = 0;
    unsigned WindowsMajorVersion() override { return major; }
    bool NotifyIcon(std::uint32_t, void* record) override {
        flags = static_cast<NOTIFYICONDATAW*>(record)->uFlags;
        return true;
    }
};

// A balloon the shell cannot show now must not wait in its queue to warn of
// a shutdown already done: real-time (0x40) from Vista on, where Windows has it.
TEST(TrayBalloon, RealTimeWhereWindowsHasIt) {
    for (unsigned major : {5u, 6u, 10u}) {
        ShellOfVersion shell;
        shell.major = major;
        TrayIcon icon;
        icon.Init(nullptr, nullptr, "Vantrel");
        ASSERT_TRUE(icon.ShowBalloon("Vantrel", "5分钟后将关机"));
        EXPECT_EQ(shell.flags, NIF_INFO | (major >= 6 ? 0x40u : 0u)) << major;
    }
}

}  // namespace
}  // namespace vantrel
