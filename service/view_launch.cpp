#include "service/view_launch.h"

namespace vantrel {

LaunchDecision DecideViewLaunch(const LaunchFacts& f) {
    if (f.servicesSession || !f.userLoggedOn || f.viewConnected || f.closedByUser)
        return LaunchDecision{LaunchToken::None, std::string()};
    // A view that ends as soon as it starts (a broken install, a policy that
    // refuses it) is not started every minute for ever.
    if (f.recentStarts >= kMaxRecentStarts)
        return LaunchDecision{LaunchToken::None, "用户的托盘启动后立即退出，" + std::to_string(kLaunchWindowMinutes) +
                                                     " 分钟内不再启动"};
    return LaunchDecision{f.elevation == Elevation::Limited ? LaunchToken::Linked : LaunchToken::User,
                          std::string()};
}

}  // namespace vantrel
