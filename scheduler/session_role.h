// Which copy of the program runs the machine's tasks. The tasks live under
// HKEY_LOCAL_MACHINE and belong to the machine, but every user who logs on
// gets a copy in the tray (fast user switching, Remote Desktop), and each
// copy ticks on its own. At any moment exactly one of them runs the tasks:
// the copy in the session attached to the console, the one the person at
// the screen sees. A locked console is still at the console. A copy in a
// session that was switched away or disconnected runs none: the idle time it
// reads is its own session's, which only grows, and nobody would see its
// countdown to cancel it. It does not catch up when it comes back, as after
// monitoring was off.
//
// With no copy in the console session (a server used only through Remote
// Desktop, or a user without Vantrel at the console), the tasks run in the
// active session of the lowest number that has a copy: every copy makes the
// same choice from the same facts, and no service is needed.
//
// A copy learns its session and the console's at start, then follows the
// session messages (WM_WTSSESSION_CHANGE), so what it was told last decides.
// A copy that takes over the tasks while another copy runs in another
// session skips the rest of the minute it takes over in: the copy it takes
// over from may already have run that minute's tasks, and no two copies may
// run the tasks of one minute.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "scheduler/matching.h"

namespace vantrel {

// No session: the console has none attached (while it switches), or a
// process's session could not be told.
constexpr std::uint32_t kNoSession = 0xFFFFFFFF;

// The values of WM_WTSSESSION_CHANGE's wParam that move a session to or from
// the console or a remote connection; the others (logon, lock, ...) change
// nothing here.
enum SessionChange : std::uint32_t {
    kConsoleConnect = 1,
    kConsoleDisconnect = 2,
    kRemoteConnect = 3,
    kRemoteDisconnect = 4,
};

// What the system says now of the other sessions. Asked only when this copy
// is connected remotely, or takes over the tasks.
struct OtherSessions {
    std::vector<std::uint32_t> active;    // sessions in the active state: connected, a user logged on
    std::vector<std::uint32_t> withCopy;  // sessions, other than this copy's, where a copy runs
};

class SessionRole {
public:
    // This copy's session, the console's as the system names it at start,
    // and whether the system lists this copy's session as active (connected
    // remotely, when it is not the console's).
    SessionRole(std::uint32_t own, std::uint32_t console, bool ownActive);

    // A WM_WTSSESSION_CHANGE: `change` (a SessionChange) of `session`.
    void Told(std::uint32_t change, std::uint32_t session);

    // Its user sees it: at the console, or connected remotely. A copy nobody
    // sees has no tick at all.
    bool Seen() const { return AtConsole() || remote_; }
    bool AtConsole() const { return console_ == own_; }

    // Whether this copy runs the tasks of the tick at `now`. `others` is
    // asked at most once, and only when the answer depends on it.
    bool RunsTasksAt(const LocalTime& now, const std::function<OtherSessions()>& others);

private:
    std::uint32_t own_;
    std::uint32_t console_;
    bool remote_;        // this copy's session is connected remotely
    bool ran_ = false;   // it ran the tasks at the last tick it was asked about
    long long skipMinute_ = -1;  // the minute it took over in, while another copy ran
};

}  // namespace vantrel
