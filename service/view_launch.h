// Who starts the views, and with which token.
//
// The service starts them: in each session where a user is logged on and
// no view is connected, at the service's start (for the sessions already
// there, as after a silent setup or an upgrade run as SYSTEM), at each
// logon, and at the start of each minute (so that a view that was closed
// by a setup program, or ended, is back within a minute). A logon task for
// the group Users would do none of the first two: it fires only at a
// logon, so after an install or an upgrade every logged-on user would be
// without a view until they logged on again; XP's Task Scheduler has no
// logon trigger for a group at all; and it could not start an
// administrator's view elevated without a prompt and a standard user's as
// themselves from one task. The service has the user's token
// (WTSQueryUserToken) and, for an administrator whose token is filtered by
// UAC, the linked full token, so an administrator's view is elevated
// without a prompt and a standard user's runs as themselves.
//
// A user who closes their view with 退出 keeps it closed until their next
// logon; a view that keeps ending by itself is not started again and again.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// The elevation of a logged-on user's token (TokenElevationType from Vista
// on; XP has none and counts as Default).
enum class Elevation : std::uint8_t {
    Default,  // no UAC split: a standard user, the built-in Administrator, XP
    Full,     // already elevated
    Limited,  // an administrator's filtered token: its linked token is the full one
};

struct LaunchFacts {
    std::uint32_t session = 0;
    bool servicesSession = false;  // session 0 from Vista on: nobody's desktop
    bool userLoggedOn = false;     // WTSQueryUserToken gave a token
    bool viewConnected = false;    // a view of this session said hello
    bool closedByUser = false;     // its user chose 退出 since logging on
    unsigned recentStarts = 0;     // views started here in the last kLaunchWindowMinutes
    Elevation elevation = Elevation::Default;
};

constexpr unsigned kMaxRecentStarts = 3;
constexpr unsigned kLaunchWindowMinutes = 10;

enum class LaunchToken : std::uint8_t {
    None,    // no view is started: `why` says why
    User,    // the user's own token
    Linked,  // the user's linked (full) token: an administrator's view, elevated without a prompt
};

struct LaunchDecision {
    LaunchToken token = LaunchToken::None;
    std::string why;  // None: for the history ("" when nothing needs saying)
    bool operator==(const LaunchDecision& o) const { return token == o.token && why == o.why; }
};

LaunchDecision DecideViewLaunch(const LaunchFacts& facts);

}  // namespace vantrel
