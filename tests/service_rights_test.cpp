// Who may do what from a view: the whole table of client, action and the
// baohu setting, against the rule stated the other way round (by what each
// kind of user may do, not by what each action needs), and the properties
// any rights table must keep.
#include <gtest/gtest.h>

#include <set>

#include "service/rights.h"

namespace vantrel {
namespace {

using A = ViewAction;

// The rule as users are told it: an administrator may do everything;
// anyone may close their own view; someone not at the screen nothing else.
// At the screen a standard user may act now, switch monitoring back on and
// give the power commands, and may cancel, postpone and skip unless baohu
// is set; everything else is an administrator's.
bool Expected(bool admin, bool atScreen, A action, int baohu) {
    if (admin || action == A::CloseView) return true;
    if (!atScreen) return false;
    static const std::set<A> always = {A::ActNow, A::MonitoringOn, A::PowerCommand};
    static const std::set<A> unlessProtected = {A::CancelCountdown, A::PostponeCountdown, A::SkipWarnedRun,
                                                A::PostponeWarnedRun};
    if (always.count(action)) return true;
    return unlessProtected.count(action) && baohu == 0;
}

TEST(ServiceRights, EveryClientActionAndSettingAgreesWithTheRule) {
    int checked = 0;
    for (bool admin : {false, true})
        for (bool atScreen : {false, true})
            for (int baohu : {0, 1})
                for (int a = 0; a < kViewActionCount; ++a) {
                    const A action = static_cast<A>(a);
                    const ViewClient client{admin, atScreen};
                    EXPECT_EQ(MayDo(client, action, baohu), Expected(admin, atScreen, action, baohu))
                        << "admin " << admin << " at screen " << atScreen << " baohu " << baohu << " action " << a;
                    // The set a view is sent says the same.
                    EXPECT_EQ(ViewRights::For(client, baohu).May(action), Expected(admin, atScreen, action, baohu));
                    ++checked;
                }
    EXPECT_EQ(checked, 2 * 2 * 2 * kViewActionCount);
}

// Whatever the table says in detail: an administrator has at least a
// standard user's rights, the screen adds and baohu only takes away, and a
// stored value other than 0 or 1 is the stricter.
TEST(ServiceRights, MoreStandingNeverLosesARight) {
    auto subset = [](ViewRights a, ViewRights b) { return (a.bits() & ~b.bits()) == 0; };
    for (bool atScreen : {false, true})
        for (int baohu : {0, 1}) {
            EXPECT_TRUE(subset(ViewRights::For({false, atScreen}, baohu), ViewRights::For({true, atScreen}, baohu)));
            EXPECT_EQ(ViewRights::For({true, atScreen}, baohu).bits(), kAllViewRightBits);
        }
    for (bool admin : {false, true})
        for (int baohu : {0, 1})
            EXPECT_TRUE(subset(ViewRights::For({admin, false}, baohu), ViewRights::For({admin, true}, baohu)));
    for (bool admin : {false, true})
        for (bool atScreen : {false, true}) {
            const ViewClient c{admin, atScreen};
            EXPECT_TRUE(subset(ViewRights::For(c, 1), ViewRights::For(c, 0)));
            for (int odd : {2, -1, 7}) EXPECT_EQ(ViewRights::For(c, odd), ViewRights::For(c, 1)) << odd;
        }
}

// The countdown window a view shows: under baohu a standard user's has
// neither 取消 nor 推迟, yet keeps 立即执行; an administrator's has all three.
TEST(ServiceRights, TheCountdownsButtonsFollowTheRights) {
    const struct {
        ViewClient client;
        int baohu;
        CountdownButtons buttons;
    } cases[] = {
        {{false, true}, 0, {true, true, true}},
        {{false, true}, 1, {false, false, true}},
        {{true, true}, 1, {true, true, true}},
        {{false, false}, 0, {false, false, false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ButtonsFor(ViewRights::For(c.client, c.baohu)), c.buttons)
            << c.client.administrator << c.client.atScreen << c.baohu;
}

}  // namespace
}  // namespace vantrel
