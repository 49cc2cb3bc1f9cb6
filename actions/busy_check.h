// Whether the machine is busy, so that a power task's countdown waits: a
// full-screen program in front (or, from Vista on, the shell's own word for
// it), the processor or the network above their limits over the time since
// an earlier sample. Decided on samples of the machine's facts
// (actions/system_ops.h), so tests decide on samples they chose.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vantrel {

struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The window in the foreground and the monitor it is on.
struct ForegroundFacts {
    bool present = false;         // there is a foreground window
    bool desktopOrShell = false;  // it is the desktop or the taskbar
    bool locked = false;          // the input desktop is not the user's (locked, a secure prompt)
    bool caption = false;         // WS_CAPTION
    bool zoomed = false;          // maximised (IsZoomed)
    ScreenRect window;            // GetWindowRect: a maximised window's borders hang past its monitor
    ScreenRect client;            // the client area, in screen coordinates
    ScreenRect monitor;           // MonitorFromWindow's, wherever it lies on the desktop
};

// One row of the interface table: GetIfTable2's from Vista on (64-bit
// counters, and the filter interfaces that sit on each adapter listed as
// rows of their own), GetIfTable's on XP (32-bit counters that wrap).
struct InterfaceCounters {
    std::uint32_t index = 0;  // the interface index, which matches a row to its earlier self
    std::uint32_t type = 0;   // IFTYPE; 24 the loopback
    bool hardware = true;     // an adapter, not a software interface (XP does not say: true)
    bool filter = false;      // a filter module's interface (QoS, WFP) over an adapter
    bool wide = false;        // 64-bit counters; else they wrap at 2^32
    std::uint64_t octets = 0;  // in and out
};

// SHQueryUserNotificationState's answers that mean "do not disturb"; 0
// where the call does not exist (XP).
enum : int {
    kNotifyNotPresent = 1,       // QUNS_NOT_PRESENT: locked, a screen saver, another user's session
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
    bool haveNetwork = false;  // the interface table could be read
    std::vector<InterfaceCounters> interfaces;
};

struct BusyLimits {
    int processorPercent = 0;  // 0: not looked at
    int networkKBps = 0;       // 0: not looked at
};

enum class BusyReason { None, FullScreen, Processor, Network };

// The first reason that holds, in that order. Full screen is a window with
// no caption that is not maximised and covers its monitor, or one whose
// client area does; a locked machine has nobody watching. The processor and
// the network need an earlier sample; 64-bit counters that went back (an
// adapter reset) tell nothing.
BusyReason BusyNow(const std::optional<BusySample>& earlier, const BusySample& now,
                   const BusyLimits& limits);

// The octets through the network between two samples: the adapters' own
// interfaces (neither the loopback, nor software, nor filter interfaces,
// which count an adapter's traffic again), each matched by its index, a
// 32-bit counter's difference taken modulo 2^32.
std::uint64_t NetworkOctetsBetween(const BusySample& earlier, const BusySample& now);

// The newest of `samples` taken at least 20 seconds before `now`, so that
// the processor and the network are judged over a span long enough to tell;
// none while every sample is younger.
std::optional<BusySample> EarlierSample(const std::vector<BusySample>& samples, const BusySample& now);

// "全屏程序", "处理器忙", "网络忙"; "" for None.
const char* BusyReasonText(BusyReason reason);

}  // namespace vantrel
