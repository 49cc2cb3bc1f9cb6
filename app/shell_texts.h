// Texts of the tray shell that depend on settings or on the clock: the
// captions of the hotkey menu items, the uptime greeting and the tray tips.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

extern const char* const kTipEnabled;   // "Vantrel-启用"
extern const char* const kTipDisabled;  // "Vantrel-禁用"

struct HotkeyCaptions {
    std::string logOff;        // n6
    std::string standby;       // n7
    std::string fastRestart;   // n18
    std::string fastShutdown;  // n19
};

// The captions with plain F8..F11, or with Ctrl when `ctrlFlag` is nonzero;
// the log-off item also names the user.
HotkeyCaptions MenuCaptionsFor(std::int32_t ctrlFlag, const std::string& userName);

// "本次开机时间：" + [minutes "分"] + seconds "秒。" when the greeting is wanted
// and the computer started less than 300 seconds ago.
std::optional<std::string> UptimeGreeting(bool wanted, std::uint32_t secondsSinceStart);

}  // namespace vantrel
