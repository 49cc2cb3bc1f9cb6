// Whether the machine is busy, so that a power task's countdown waits: a
// full-screen program in front (or, from Vista on, the shell's own word for
// it), the processor or the network above their limits over the time since
// an earlier sample. Decided on samples of the machine's facts
// (actions/system_ops.h), so tests decide on samples they chose.
#pragma once

#include <cstdint>
#include <optional>

namespace vantrel {

struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The window in the foreground and the monitor it is on.
struct ForegroundFacts {
    bool present = false;         // there is a foreground window
    bool desktopOrShell = false;  // it is the desktop or the taskbar
    ScreenRect window;
    ScreenRect monitor;
};

// SHQueryUserNotificationState's answers that mean "do not disturb"; 0
// where the call does not exist (XP).
enum : int {
    kNotifyBusy = 2,             // QUNS_BUSY: a full-screen program
    kNotifyD3DFullScreen = 3,    // QUNS_RUNNING_D3D_FULL_SCREEN
    kNotifyPresentation = 4,     // QUNS_PRESENTATION_MODE
};

struct BusySample {
    std::uint32_t tickMs = 0;  // GetTickCount when taken
    ForegroundFacts foreground;
    int notificationState = 0;
    bool haveProcessor = false;  // GetSystemTimes, in 100 ns units
    std::uint64_t idle = 0, kernel = 0, user = 0;  // kernel includes idle
    bool haveNetwork = false;  // the interfaces' octets in and out, summed
    std::uint64_t octets = 0;
};

struct BusyLimits {
    int processorPercent = 0;  // 0: not looked at
    int networkKBps = 0;       // 0: not looked at
};

enum class BusyReason { None, FullScreen, Processor, Network };

// The first reason that holds, in that order. The processor and the
// network need an earlier sample; counters that went back (a wrap, an
// adapter gone) tell nothing.
BusyReason BusyNow(const std::optional<BusySample>& earlier, const BusySample& now,
                   const BusyLimits& limits);

// "全屏程序", "处理器忙", "网络忙"; "" for None.
const char* BusyReasonText(BusyReason reason);

}  // namespace vantrel
