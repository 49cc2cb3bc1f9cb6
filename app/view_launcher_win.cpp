#include "app/view_launcher_win.h"

#include <algorithm>

#include "actions/system_ops.h"
#include "history/history.h"
#include "service/view_launch.h"

namespace vantrel {

void ViewLauncher::LoggedOn(std::uint32_t session) {
    closed_.erase(session);
    starts_.erase(session);
    told_.erase(session);
}

void ViewLauncher::StartMissing(const std::vector<ViewPeer>& views, std::int64_t minute) {
    std::vector<std::uint32_t> sessions = Sys().ActiveSessions();
    const std::uint32_t console = Sys().ConsoleSession();
    if (console != kNoSession) sessions.push_back(console);
    std::sort(sessions.begin(), sessions.end());
    sessions.erase(std::unique(sessions.begin(), sessions.end()), sessions.end());
    const bool sessionZeroIsServices = Sys().WindowsMajorVersion() >= 6;
    for (std::uint32_t session : sessions) {
        std::vector<std::int64_t>& starts = starts_[session];
        starts.erase(std::remove_if(starts.begin(), starts.end(),
                                    [minute](std::int64_t m) { return minute - m >= kLaunchWindowMinutes; }),
                     starts.end());
        LaunchFacts facts;
        facts.session = session;
        facts.servicesSession = session == 0 && sessionZeroIsServices;
        facts.viewConnected = std::any_of(views.begin(), views.end(),
                                          [session](const ViewPeer& v) { return v.session == session; });
        facts.closedByUser = closed_.count(session) > 0;
        facts.recentStarts = static_cast<unsigned>(starts.size());
        // Asked last: it is the one question that needs the user's token.
        if (!facts.servicesSession && !facts.viewConnected && !facts.closedByUser) {
            const std::uint32_t type = Sys().SessionUserElevation(session);
            facts.userLoggedOn = type != 0;
            facts.elevation = type == 3 ? Elevation::Limited : type == 2 ? Elevation::Full : Elevation::Default;
        }
        const LaunchDecision decision = DecideViewLaunch(facts);
        if (decision.token == LaunchToken::None) {
            if (!decision.why.empty() && history_ && told_.insert(session).second)
                history_->ValueProblem(decision.why + "（会话 " + std::to_string(session) + "）");
            continue;
        }
        starts.push_back(minute);
        const std::uint32_t error =
            Sys().StartAsSessionUser(session, decision.token == LaunchToken::Linked, commandLine_);
        if (error && history_)
            history_->ValueProblem("无法在会话 " + std::to_string(session) + " 中启动用户的托盘（错误 " +
                                   std::to_string(error) + "）");
    }
}

}  // namespace vantrel
