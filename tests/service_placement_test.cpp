// What runs where: every action kind on a machine with nobody logged on, a
// standard user, an administrator, a console user whose view has not
// connected, and two sessions (one switched away, one at the console; a
// Remote Desktop server with nobody at the console).
#include <gtest/gtest.h>

#include "service/placement.h"
#include "store/task_record.h"

namespace vantrel {
namespace {

MachineSessions Nobody() { return MachineSessions{1, {{1, true, false, UserKind::Nobody}}}; }
MachineSessions One(UserKind user, bool view = true) { return MachineSessions{1, {{1, true, view, user}}}; }
// Fast user switching: an administrator's session switched away (2), a
// standard user at the console (3).
MachineSessions Switched() {
    return MachineSessions{3, {{2, false, true, UserKind::Administrator}, {3, true, true, UserKind::Standard}}};
}
// A Remote Desktop server: nobody at the console, two active remote
// sessions with views, the lower one an administrator's.
MachineSessions Remote() {
    return MachineSessions{0, {{0, true, false, UserKind::Nobody}, {5, true, true, UserKind::Standard},
                               {4, true, true, UserKind::Administrator}}};
}

TEST(ServicePlacement, EveryActionOnEveryMachine) {
    const Placement service{RunsIn::Service, kNoSession, ""};
    const Placement serviceNobody{RunsIn::Service, kNoSession, kNoteNobodyLoggedOn};
    const struct {
        const char* machine;
        MachineSessions sessions;
        Placement reminder, logOff, shutDown, cleanup, adapter;
        IdleBasis idle;
        std::vector<std::uint32_t> countdowns;
    } cases[] = {
        {"nobody", Nobody(), {RunsIn::Nowhere, kNoSession, kNoteNobodyLoggedOn},
         {RunsIn::Nowhere, kNoSession, kNoteNobodyToLogOff}, serviceNobody,
         {RunsIn::Service, kNoSession, kNoteNobodyLoggedOn}, serviceNobody, IdleBasis::SinceLastUserLeft, {}},
        {"a standard user", One(UserKind::Standard), {RunsIn::ScreenUser, 1, ""}, {RunsIn::Service, 1, ""}, service,
         {RunsIn::Service, 1, ""}, service, IdleBasis::ScreenView, {1}},
        {"an administrator", One(UserKind::Administrator), {RunsIn::ScreenUser, 1, ""}, {RunsIn::Service, 1, ""},
         service, {RunsIn::Service, 1, ""}, service, IdleBasis::ScreenView, {1}},
        {"a user whose view is not there", One(UserKind::Standard, false), {RunsIn::Nowhere, 1, kNoteNoView},
         {RunsIn::Service, 1, ""}, service, {RunsIn::Service, 1, ""}, service, IdleBasis::NotIdle, {}},
        {"two sessions, one switched away", Switched(), {RunsIn::ScreenUser, 3, ""}, {RunsIn::Service, 3, ""},
         service, {RunsIn::Service, 3, ""}, service, IdleBasis::ScreenView, {3}},
        {"a remote desktop server", Remote(), {RunsIn::ScreenUser, 4, ""}, {RunsIn::Service, 4, ""}, service,
         {RunsIn::Service, 4, ""}, service, IdleBasis::ScreenView, {4, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.machine);
        for (int a : {kActRemind, kActOpenFile}) EXPECT_EQ(PlaceAction(a, c.sessions), c.reminder) << a;
        EXPECT_EQ(PlaceAction(kActLogOff, c.sessions), c.logOff);
        for (int a : {kActStandby, kActHibernate, kActRestart, kActShutDown, kActFastRestart, kActFastShutDown})
            EXPECT_EQ(PlaceAction(a, c.sessions), c.shutDown) << a;
        EXPECT_EQ(PlaceAction(kActCleanJunk, c.sessions), c.cleanup);
        for (int a : {kActCloseProgram, kActHangUp, kActDial, kActDisableAdapter, kActEnableAdapter})
            EXPECT_EQ(PlaceAction(a, c.sessions), c.adapter) << a;
        EXPECT_EQ(IdleBasisOf(c.sessions), c.idle);
        EXPECT_EQ(CountdownSessions(c.sessions), c.countdowns);
    }
}

// Nothing that must run as a user ever runs in the service, and nothing that
// acts on the machine waits for a user: over every action and machine.
TEST(ServicePlacement, UserThingsNeverRunAsTheSystemAndMachineThingsNeverWait) {
    for (const MachineSessions& m : {Nobody(), One(UserKind::Standard), One(UserKind::Standard, false),
                                     One(UserKind::Administrator), Switched(), Remote()})
        for (int a = 0; a < kActionCount; ++a) {
            const Placement p = PlaceAction(a, m);
            const TaskKind kind = KindOfAction(a);
            const bool userThing = kind == TaskKind::Reminder || kind == TaskKind::OpenFile;
            EXPECT_NE(p.where, userThing ? RunsIn::Service : RunsIn::ScreenUser) << a;
            if (p.where == RunsIn::Nowhere) {
                EXPECT_FALSE(p.note.empty()) << a;
            }
            if (p.where == RunsIn::ScreenUser) {
                EXPECT_EQ(p.session, ScreenUserOf(m).session) << a;
            }
            if (!userThing && a != kActLogOff) {
                EXPECT_EQ(p.where, RunsIn::Service) << a;
            }
        }
}

}  // namespace
}  // namespace vantrel
