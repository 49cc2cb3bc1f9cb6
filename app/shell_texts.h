// Texts of the tray shell that depend on settings or on the clock: the
// captions of the hotkey menu items and the uptime greeting.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

// The balloon shown when 取消 in a countdown has switched monitoring off:
// what happened, how to switch it on again, and 推迟 as the way to keep the
// other tasks running.
extern const char* const kCancelledBalloonTitle;  // "已关闭监控"
extern const char* const kCancelledBalloonText;

struct HotkeyCaptions {
    std::string logOff;        // n6
    std::string standby;       // n7
    std::string fastRestart;   // n18
    std::string fastShutdown;  // n19
};

// The captions with plain F8..F11, or with Ctrl when `ctrlFlag` is nonzero;
// the log-off item also names the user.
HotkeyCaptions MenuCaptionsFor(std::int32_t ctrlFlag, const std::string& userName);

// The tray menu's and the hotkeys' commands as the run history names them:
// the menu item's caption without its key.
extern const char kCommandLogOff[];        // "注销"
extern const char kCommandStandby[];       // "待机"
extern const char kCommandHibernate[];     // "休眠"
extern const char kCommandRestart[];       // "重启"
extern const char kCommandPowerOff[];      // "关机"
extern const char kCommandOpenCd[];        // "打开光驱"
extern const char kCommandCloseCd[];       // "关闭光驱"
extern const char kCommandMonitorOff[];    // "关闭显示器"
extern const char kCommandCleanJunk[];     // "清理系统垃圾"
extern const char kCommandFastRestart[];   // "快速重启"
extern const char kCommandFastShutdown[];  // "快速关机"

// "本次开机时间：" + [minutes "分"] + seconds "秒。" when the greeting is wanted
// and the computer started less than 300 seconds ago.
std::optional<std::string> UptimeGreeting(bool wanted, std::uint32_t secondsSinceStart);

}  // namespace vantrel
