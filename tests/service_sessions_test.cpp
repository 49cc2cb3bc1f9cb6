// The sessions as the service sees them (the console's, the active ones,
// the views that said hello) decide where 提醒 and 打开文件 go and who is
// at the screen: the sign-in screen, a locked console without its tray, a
// console with a view, fast user switching, a Remote Desktop server, no
// console at all, a disconnected session's view.
#include <gtest/gtest.h>

#include "service/view_hub.h"
#include "store/task_record.h"

namespace vantrel {
namespace {

ViewPeer Peer(std::uint32_t session, bool administrator) { return ViewPeer{"PC\\user", session, administrator}; }

TEST(ServiceSessions, WhereAReminderGoesAndWhoIsAtTheScreen) {
    const struct {
        const char* machine;
        std::uint32_t console;
        std::vector<std::uint32_t> active;
        std::vector<ViewPeer> views;
        Placement reminder;
        UserKind screen;
    } cases[] = {
        {"the sign-in screen", 1, {}, {}, {RunsIn::Nowhere, kNoSession, kNoteNobodyLoggedOn}, UserKind::Nobody},
        {"a user at the console whose tray is not there", 1, {1}, {}, {RunsIn::Nowhere, 1, kNoteNoView},
         UserKind::Standard},
        {"a standard user with a view", 1, {1}, {Peer(1, false)}, {RunsIn::ScreenUser, 1, ""}, UserKind::Standard},
        {"an administrator with two views, one elevated", 1, {1}, {Peer(1, false), Peer(1, true)},
         {RunsIn::ScreenUser, 1, ""}, UserKind::Administrator},
        {"the elevated view first", 1, {1}, {Peer(1, true), Peer(1, false)}, {RunsIn::ScreenUser, 1, ""},
         UserKind::Administrator},
        {"fast user switching: an administrator away, a child at the console", 3, {3},
         {Peer(2, true), Peer(3, false)}, {RunsIn::ScreenUser, 3, ""}, UserKind::Standard},
        {"a remote desktop server", 0, {4, 5}, {Peer(5, false), Peer(4, true)}, {RunsIn::ScreenUser, 4, ""},
         UserKind::Administrator},
        {"no session attached to the console", kNoSession, {2}, {Peer(2, false)}, {RunsIn::ScreenUser, 2, ""},
         UserKind::Standard},
        {"only a disconnected session's view", 1, {}, {Peer(2, true)},
         {RunsIn::Nowhere, kNoSession, kNoteNobodyLoggedOn}, UserKind::Nobody},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.machine);
        const MachineSessions machine = SessionsWithViews(c.console, c.active, c.views);
        EXPECT_EQ(PlaceAction(kActRemind, machine), c.reminder);
        EXPECT_EQ(PlaceAction(kActOpenFile, machine), c.reminder);
        EXPECT_EQ(ScreenUserOf(machine).user, c.screen);
        // Every session named once, whichever list named it.
        for (std::size_t i = 0; i < machine.sessions.size(); ++i)
            for (std::size_t j = i + 1; j < machine.sessions.size(); ++j)
                EXPECT_NE(machine.sessions[i].id, machine.sessions[j].id);
        for (const ViewPeer& v : c.views) {
            const auto found = std::find_if(machine.sessions.begin(), machine.sessions.end(),
                                            [&](const SessionFacts& s) { return s.id == v.session; });
            ASSERT_NE(found, machine.sessions.end());
            EXPECT_TRUE(found->hasView);
        }
    }
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// The idle time the service's tick goes by: the screen user's view's report,
// the time since the last user left with nobody there, none for a screen
// user whose view has not reported; across the tick count's wrap too.
TEST(ServiceSessions, TheMachinesIdleTimeComesFromTheScreenUsersView) {
    const std::uint32_t wrapped = 1000;  // 2^32 + 1000 ms since the start
    const struct {
        const char* machine;
        std::uint32_t console;
        std::vector<std::uint32_t> active;
        std::vector<ViewPeer> views;
        std::optional<std::uint32_t> screenIdle;
        std::uint32_t now, left;
        std::uint32_t idleMs;  // now - last input
    } cases[] = {
        {"a user whose view reported", 1, {1}, {Peer(1, false)}, 5000, 100000, 0, 5000},
        {"a user whose view has not reported", 1, {1}, {Peer(1, false)}, std::nullopt, 100000, 0, 0},
        {"a user at the console without a view", 1, {1}, {}, std::nullopt, 100000, 0, 0},
        {"nobody since a minute", 1, {}, {}, std::nullopt, 100000, 40000, 60000},
        {"nobody, across the wrap", 1, {}, {}, std::nullopt, wrapped, 0xFFFFFFFFu - 59000 + 1, 59000 + wrapped},
        {"a view's report across the wrap", 1, {1}, {Peer(1, true)}, 3000, wrapped, 0, 3000},
    };
    for (const auto& c : cases) {
        const MachineSessions machine = SessionsWithViews(c.console, c.active, c.views);
        const std::uint32_t last = MachineLastInput(machine, c.screenIdle, c.now, c.left);
        EXPECT_EQ(static_cast<std::uint32_t>(c.now - last), c.idleMs) << c.machine;
    }
}

}  // namespace
}  // namespace vantrel
