// Who may do what to the machine's schedule from a view. The service learns
// two facts about the client at the other end of the pipe, from its token:
// whether it is an administrator (an administrator's filtered, unelevated
// token counts as a standard user, as Windows itself treats it), and whether
// it sits at the screen (its session is active and has a view). Everything
// else is decided here, the same way for every client.
#pragma once

#include <cstdint>

namespace vantrel {

struct ViewClient {
    bool administrator = false;
    bool atScreen = false;
};

// Everything a view can ask of the service.
enum class ViewAction : std::uint8_t {
    CancelCountdown,    // 取消: the countdown ends, monitoring goes off
    PostponeCountdown,  // 推迟 N 分钟
    ActNow,             // 立即执行: what comes anyway, sooner
    SkipWarnedRun,      // the warning balloon's 跳过本次
    PostponeWarnedRun,  // the warning balloon's 推迟
    MonitoringOn,       // 启用监控 (also ends a pause)
    MonitoringOff,
    Pause,
    QuickTimer,       // arming or cancelling 定时关机
    PowerCommand,     // the tray menu's and hotkeys' 注销 to 快速关机, at once
    CleanJunk,        // the tray menu's 清理系统垃圾, run by the service
    // Never sent to the service: they decide whether a view's settings
    // window opens for changes or read-only (with 以管理员身份更改); the
    // store's lock refuses a writer that is no administrator anyway.
    ChangeTasks,      // add, modify, delete, enable, import
    ChangeSettings,   // every setting, baohu included
    CloseView,        // 退出: this view goes; the schedule runs on in the service
};
constexpr int kViewActionCount = static_cast<int>(ViewAction::CloseView) + 1;

// Whether `client` may do `action` while the setting baohu holds
// `adminChoices` (0 or 1; anything else counts as 1, the stricter).
//
// - An administrator may do everything, at the screen or not: they could
//   stop the service anyway.
// - Closing one's own view is always allowed: the schedule goes on without it.
// - A standard user who is not at the screen (a disconnected session, a
//   script) may do nothing else: a countdown's choices answer what a user
//   saw.
// - At the screen: cancelling and postponing a countdown and skipping or
//   postponing a warned run, unless baohu is on; acting now, switching
//   monitoring back on (it only restores the schedule; during a pause it
//   ends the pause, and needs what Pause needs) and the power
//   commands, which Windows lets any interactive user of a workstation
//   give from the Start menu.
// - Pausing, switching monitoring off, the quick timer, the junk cleanup
//   (it deletes the system's files), and every change of tasks or settings
//   need an administrator.
bool MayDo(const ViewClient& client, ViewAction action, std::int32_t adminChoices);

// What a view is allowed, as one set: the buttons it shows and the menu
// items it greys follow it.
class ViewRights {
public:
    ViewRights() = default;
    static ViewRights For(const ViewClient& client, std::int32_t adminChoices);
    static ViewRights FromBits(std::uint32_t bits) { return ViewRights(bits); }
    bool May(ViewAction action) const { return (bits_ >> static_cast<int>(action)) & 1u; }
    std::uint32_t bits() const { return bits_; }
    bool operator==(const ViewRights& o) const { return bits_ == o.bits_; }

private:
    explicit ViewRights(std::uint32_t bits) : bits_(bits) {}
    std::uint32_t bits_ = 0;
};
constexpr std::uint32_t kAllViewRightBits = (1u << kViewActionCount) - 1;

// The countdown window's buttons a view offers: a standard user's has
// neither 取消 nor 推迟 under baohu.
struct CountdownButtons {
    bool cancel = false;
    bool postpone = false;
    bool actNow = false;
    bool operator==(const CountdownButtons& o) const {
        return cancel == o.cancel && postpone == o.postpone && actNow == o.actNow;
    }
};
CountdownButtons ButtonsFor(const ViewRights& rights);

}  // namespace vantrel
