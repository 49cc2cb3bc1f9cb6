// The warning balloon as the shell receives it.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "app/tray_icon_win.h"
#include "tests/recording_system_ops.h"

namespace vantrel {
namespace {

// A machine of a given Windows version whose shell takes every record and
// keeps the flags of each.
class ShellOfVersion : public testing::RecordingSystemOps {
public:
    explicit ShellOfVersion(unsigned major) : major_(major) {}
    std::vector<UINT> flags;
    unsigned WindowsMajorVersion() override { return major_; }
    bool NotifyIcon(std::uint32_t, void* record) override {
        flags.push_back(static_cast<NOTIFYICONDATAW*>(record)->uFlags);
        return true;
    }

private:
    unsigned major_;
};

// A balloon the shell cannot show now must not wait in its queue to warn of
// a shutdown already done: real-time from Vista on, where Windows has it.
TEST(TrayBalloon, RealTimeWhereWindowsHasIt) {
    const UINT kRealtime = 0x40;
    for (unsigned major : {5u, 6u, 10u}) {
        ShellOfVersion shell(major);
        TrayIcon icon;
        icon.Init(nullptr, nullptr, "Vantrel");
        ASSERT_TRUE(icon.ShowBalloon("Vantrel", "5分钟后将关机"));
        ASSERT_EQ(shell.flags.size(), 1u);
        EXPECT_EQ(shell.flags[0], NIF_INFO | (major >= 6 ? kRealtime : 0)) << major;
    }
}

}  // namespace
}  // namespace vantrel
