// Which sessions the service starts a view in, and with which token: every
// fact that rules a start out, alone, on an otherwise startable session, and
// the token for each elevation. A standard user's view never gets a full
// token; an administrator's filtered one is never used when its linked
// token exists.
#include <gtest/gtest.h>

#include <functional>

#include "service/view_launch.h"

namespace vantrel {
namespace {

LaunchFacts Startable(Elevation elevation = Elevation::Default) {
    LaunchFacts f;
    f.session = 1;
    f.userLoggedOn = true;
    f.elevation = elevation;
    return f;
}

TEST(ViewLaunch, EachReasonNotToStartAView) {
    const struct {
        const char* what;
        std::function<void(LaunchFacts&)> change;
        bool saysWhy;
    } cases[] = {
        {"the services' session", [](LaunchFacts& f) { f.servicesSession = true; }, false},
        {"nobody logged on", [](LaunchFacts& f) { f.userLoggedOn = false; }, false},
        {"a view already there", [](LaunchFacts& f) { f.viewConnected = true; }, false},
        {"closed by its user", [](LaunchFacts& f) { f.closedByUser = true; }, false},
        {"ended again and again", [](LaunchFacts& f) { f.recentStarts = kMaxRecentStarts; }, true},
    };
    for (Elevation e : {Elevation::Default, Elevation::Full, Elevation::Limited}) {
        ASSERT_NE(DecideViewLaunch(Startable(e)).token, LaunchToken::None) << static_cast<int>(e);
        for (const auto& c : cases) {
            LaunchFacts f = Startable(e);
            c.change(f);
            const LaunchDecision d = DecideViewLaunch(f);
            EXPECT_EQ(d.token, LaunchToken::None) << c.what;
            EXPECT_EQ(!d.why.empty(), c.saysWhy) << c.what;
        }
    }
    // Below the limit it is started.
    LaunchFacts f = Startable();
    f.recentStarts = kMaxRecentStarts - 1;
    EXPECT_EQ(DecideViewLaunch(f).token, LaunchToken::User);
}

TEST(ViewLaunch, TheTokenFollowsTheUsersElevation) {
    const struct {
        Elevation elevation;
        LaunchToken token;
    } cases[] = {
        {Elevation::Default, LaunchToken::User},   // a standard user, XP, the built-in Administrator
        {Elevation::Full, LaunchToken::User},      // already elevated
        {Elevation::Limited, LaunchToken::Linked}, // an administrator under UAC: elevated without a prompt
    };
    for (const auto& c : cases) EXPECT_EQ(DecideViewLaunch(Startable(c.elevation)).token, c.token);
}

}  // namespace
}  // namespace vantrel
