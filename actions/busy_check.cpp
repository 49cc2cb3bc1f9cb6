#include "actions/busy_check.h"

namespace vantrel {

namespace {

bool Covers(const ScreenRect& w, const ScreenRect& m) {
    return m.right > m.left && m.bottom > m.top && w.left <= m.left && w.top <= m.top &&
           w.right >= m.right && w.bottom >= m.bottom;
}

bool FullScreen(const BusySample& s) {
    if (s.notificationState == kNotifyBusy || s.notificationState == kNotifyD3DFullScreen ||
        s.notificationState == kNotifyPresentation)
        return true;
    const ForegroundFacts& f = s.foreground;
    return f.present && !f.desktopOrShell && Covers(f.window, f.monitor);
}

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
    if (limits.networkKBps > 0 && earlier->haveNetwork && now.haveNetwork && now.octets >= earlier->octets &&
        ms > 0) {
        // bytes per millisecond against KB per second: bytes * 1000 / ms > KB * 1024
        if ((now.octets - earlier->octets) * 1000 > static_cast<std::uint64_t>(limits.networkKBps) * 1024 * ms)
            return BusyReason::Network;
    }
    return BusyReason::None;
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
