#include "actions/busy_check.h"

namespace vantrel {

namespace {

bool Covers(const ScreenRect& w, const ScreenRect& m) {
    return m.right > m.left && m.bottom > m.top && w.left <= m.left && w.top <= m.top &&
           w.right >= m.right && w.bottom >= m.bottom;
}

bool FullScreen(const BusySample& s) {
    const ForegroundFacts& f = s.foreground;
    // The lock screen covers the monitor, and nobody watches it.
    if (s.notificationState == kNotifyNotPresent || f.locked) return false;
    if (s.notificationState == kNotifyBusy || s.notificationState == kNotifyD3DFullScreen ||
        s.notificationState == kNotifyPresentation)
        return true;
    // A maximised window's rectangle hangs past the monitor, its caption
    // and its client area do not: the client area decides for it.
    return f.present && !f.desktopOrShell &&
           ((!f.caption && !f.zoomed && Covers(f.window, f.monitor)) || Covers(f.client, f.monitor));
}

const std::uint32_t kLoopback = 24;  // IF_TYPE_SOFTWARE_LOOPBACK
const std::uint32_t kMinimumAgeMs = 20000;

bool Counted(const InterfaceCounters& row) { return row.type != kLoopback && row.hardware && !row.filter; }

}  // namespace

BusyReason BusyNow(const std::optional<BusySample>& earlier, const BusySample& now,
                   const BusyLimits& limits) {
    if (FullScreen(now)) return BusyReason::FullScreen;
    if (!earlier) return BusyReason::None;
    if (limits.processorPercent > 0 && earlier->haveProcessor && now.haveProcessor &&
        now.kernel >= earlier->kernel && now.user >= earlier->user && now.idle >= earlier->idle) {
        const std::uint64_t total = (now.kernel - earlier->kernel) + (now.user - earlier->user);
        const std::uint64_t idle = now.idle - earlier->idle;
        if (total > 0 && idle <= total && (total - idle) * 100 > total * static_cast<std::uint64_t>(limits.processorPercent))
            return BusyReason::Processor;
    }
    const std::uint32_t ms = now.tickMs - earlier->tickMs;
    if (limits.networkKBps > 0 && earlier->haveNetwork && now.haveNetwork && ms > 0) {
        // bytes per millisecond against KB per second: bytes * 1000 / ms > KB * 1024
        if (NetworkOctetsBetween(*earlier, now) * 1000 > static_cast<std::uint64_t>(limits.networkKBps) * 1024 * ms)
            return BusyReason::Network;
    }
    return BusyReason::None;
}

std::uint64_t NetworkOctetsBetween(const BusySample& earlier, const BusySample& now) {
    std::uint64_t total = 0;
    for (const InterfaceCounters& row : now.interfaces) {
        if (!Counted(row)) continue;
        for (const InterfaceCounters& before : earlier.interfaces) {
            if (before.index != row.index || before.wide != row.wide) continue;
            if (!row.wide)
                total += static_cast<std::uint32_t>(row.octets - before.octets);
            else if (row.octets >= before.octets)
                total += row.octets - before.octets;
            break;
        }
    }
    return total;
}

std::optional<BusySample> EarlierSample(const std::vector<BusySample>& samples, const BusySample& now) {
    std::optional<BusySample> found;
    std::uint32_t foundAge = 0;
    for (const BusySample& s : samples) {
        const std::uint32_t age = now.tickMs - s.tickMs;
        if (age < kMinimumAgeMs) continue;
        if (!found || age < foundAge) found = s, foundAge = age;
    }
    return found;
}

const char* BusyReasonText(BusyReason reason) {
    switch (reason) {
        case BusyReason::FullScreen: return "全屏程序";
        case BusyReason::Processor: return "处理器忙";
        case BusyReason::Network: return "网络忙";
        case BusyReason::None: break;
    }
    return "";
}

}  // namespace vantrel
