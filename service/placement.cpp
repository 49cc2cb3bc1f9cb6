#include "service/placement.h"

#include <algorithm>

#include "store/task_record.h"

namespace vantrel {

const char* const kNoteNobodyLoggedOn = "无人登录";
const char* const kNoteNoView = "用户的托盘没有连接到服务";
const char* const kNoteNobodyToLogOff = "无人登录，没有可注销的用户";

ScreenUser ScreenUserOf(const MachineSessions& machine) {
    for (const SessionFacts& s : machine.sessions)
        if (s.id == machine.console && s.id != kNoSession && s.user != UserKind::Nobody)
            return ScreenUser{s.id, s.user, s.hasView};
    const SessionFacts* lowest = nullptr;
    for (const SessionFacts& s : machine.sessions)
        if (s.active && s.hasView && s.user != UserKind::Nobody && s.id != kNoSession &&
            (!lowest || s.id < lowest->id))
            lowest = &s;
    if (lowest) return ScreenUser{lowest->id, lowest->user, true};
    return ScreenUser{};
}

TaskKind KindOfAction(int actionIndex) {
    switch (actionIndex) {
        case kActRemind: return TaskKind::Reminder;
        case kActOpenFile: return TaskKind::OpenFile;
        case kActCloseProgram: return TaskKind::CloseProgram;
        case kActHangUp:
        case kActDial: return TaskKind::DialUp;
        case kActCleanJunk: return TaskKind::Cleanup;
        case kActDisableAdapter:
        case kActEnableAdapter: return TaskKind::Adapter;
        default: return TaskKind::Power;
    }
}

Placement PlaceAction(int actionIndex, const MachineSessions& machine) {
    const ScreenUser screen = ScreenUserOf(machine);
    const bool nobody = screen.user == UserKind::Nobody;
    switch (KindOfAction(actionIndex)) {
        case TaskKind::Reminder:
        case TaskKind::OpenFile:
            if (nobody) return Placement{RunsIn::Nowhere, kNoSession, kNoteNobodyLoggedOn};
            if (!screen.hasView) return Placement{RunsIn::Nowhere, screen.session, kNoteNoView};
            return Placement{RunsIn::ScreenUser, screen.session, std::string()};
        case TaskKind::Power:
            // 注销 ends the screen user's session; with nobody there it has
            // nothing to do.
            if (actionIndex == kActLogOff) {
                if (nobody) return Placement{RunsIn::Nowhere, kNoSession, kNoteNobodyToLogOff};
                return Placement{RunsIn::Service, screen.session, std::string()};
            }
            return Placement{RunsIn::Service, kNoSession, nobody ? kNoteNobodyLoggedOn : ""};
        case TaskKind::Cleanup:
            // The screen user's temporary folders and the system's; with
            // nobody, the system's alone.
            return Placement{RunsIn::Service, screen.session, nobody ? kNoteNobodyLoggedOn : ""};
        case TaskKind::Adapter:
        case TaskKind::DialUp:
        case TaskKind::CloseProgram:
            // Closing programs acts in every session: the task belongs to
            // the machine.
            return Placement{RunsIn::Service, kNoSession, nobody ? kNoteNobodyLoggedOn : ""};
    }
    return Placement{};
}

IdleBasis IdleBasisOf(const MachineSessions& machine) {
    const ScreenUser screen = ScreenUserOf(machine);
    if (screen.user == UserKind::Nobody) return IdleBasis::SinceLastUserLeft;
    return screen.hasView ? IdleBasis::ScreenView : IdleBasis::NotIdle;
}

std::uint64_t IdleMilliseconds(IdleBasis basis, std::uint64_t viewIdle, std::uint64_t sinceLeft) {
    switch (basis) {
        case IdleBasis::ScreenView: return viewIdle;
        case IdleBasis::SinceLastUserLeft: return sinceLeft;
        case IdleBasis::NotIdle: return 0;
    }
    return 0;
}

std::vector<std::uint32_t> CountdownSessions(const MachineSessions& machine) {
    std::vector<std::uint32_t> ids;
    for (const SessionFacts& s : machine.sessions)
        if (s.active && s.hasView && s.id != kNoSession) ids.push_back(s.id);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

}  // namespace vantrel
