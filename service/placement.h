// What runs where once the machine's schedule runs in a service. The tasks
// belong to the machine: what acts on the machine (power, adapters,
// dial-up, closing programs, the junk cleanup) runs in the service, whoever
// is logged on or nobody. What a user must see or what must run as a user
// (提醒, 打开文件) runs in the screen user's session, as that user, through
// that user's view, never as the system; with nobody there it is not done,
// and the history says why.
//
// The screen user is the user of the session attached to the console,
// locked or not. With nobody logged on at the console (a server used
// through Remote Desktop), it is the active session of the lowest number
// that has a view, as the copies of the program chose before the service.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scheduler/session_role.h"

namespace vantrel {

enum class UserKind : std::uint8_t { Nobody, Standard, Administrator };

struct SessionFacts {
    std::uint32_t id = kNoSession;
    bool active = false;   // connected, at the console or remotely
    bool hasView = false;  // a view of this session is connected to the service
    UserKind user = UserKind::Nobody;
};

struct MachineSessions {
    std::uint32_t console = kNoSession;  // the session attached to the console, if any
    std::vector<SessionFacts> sessions;
};

// The session of the screen user, and who it is.
struct ScreenUser {
    std::uint32_t session = kNoSession;
    UserKind user = UserKind::Nobody;
    bool hasView = false;
};
ScreenUser ScreenUserOf(const MachineSessions& machine);

enum class TaskKind : std::uint8_t { Power, Adapter, DialUp, CloseProgram, Cleanup, Reminder, OpenFile };
// The kind of an action of the editor's list (store/task_record.h's index).
TaskKind KindOfAction(int actionIndex);

enum class RunsIn : std::uint8_t {
    Service,      // in the service, as the system
    ScreenUser,   // in `session`, as its user, through the view there
    Nowhere,      // not done: `note` says why, for the history
};

struct Placement {
    RunsIn where = RunsIn::Nowhere;
    // ScreenUser: where it shows. Service: the session it acts on (注销:
    // the one logged off; the cleanup: whose temporary folders and
    // environment), kNoSession for the machine as a whole.
    std::uint32_t session = kNoSession;
    // Nowhere: why. Service: a remark for the history ("无人登录"), or empty.
    std::string note;
    bool operator==(const Placement& o) const {
        return where == o.where && session == o.session && note == o.note;
    }
};

extern const char* const kNoteNobodyLoggedOn;  // "无人登录"
extern const char* const kNoteNoView;          // "用户的托盘没有连接到服务"
extern const char* const kNoteNobodyToLogOff;  // "无人登录，没有可注销的用户"

// Where the action `actionIndex` runs on `machine`.
Placement PlaceAction(int actionIndex, const MachineSessions& machine);

// Where the idle time of 空闲 tasks comes from: the screen user's view
// (the system counts input per session); with nobody logged on, the machine
// is idle since the last user left; a screen user whose view has not
// reported counts as not idle, so that no idle task acts on someone there.
enum class IdleBasis : std::uint8_t { ScreenView, SinceLastUserLeft, NotIdle };
IdleBasis IdleBasisOf(const MachineSessions& machine);

// The idle milliseconds a tick goes by: `viewIdle` as the screen view last
// reported it (ScreenView), `sinceLeft` the milliseconds since the last
// user left (SinceLastUserLeft), 0 otherwise.
std::uint64_t IdleMilliseconds(IdleBasis basis, std::uint64_t viewIdle, std::uint64_t sinceLeft);

// Every session whose view shows a countdown: each active one with a view.
std::vector<std::uint32_t> CountdownSessions(const MachineSessions& machine);

}  // namespace vantrel
