#include "scheduler/session_role.h"

#include <algorithm>
#include <optional>

namespace vantrel {

namespace {

bool Has(const std::vector<std::uint32_t>& sessions, std::uint32_t session) {
    return std::find(sessions.begin(), sessions.end(), session) != sessions.end();
}

long long MinuteOf(const LocalTime& t) {
    return ((((static_cast<long long>(t.year) * 13 + t.month) * 32 + t.day) * 24 + t.hour) * 60) +
           t.minute;
}

}  // namespace

SessionRole::SessionRole(std::uint32_t own, std::uint32_t console, bool ownActive)
    : own_(own), console_(console), remote_(own != console && ownActive) {}

void SessionRole::Told(std::uint32_t change, std::uint32_t session) {
    switch (change) {
        case kConsoleConnect:
            console_ = session;
            // A session that comes to the console is no longer a remote one.
            if (session == own_) remote_ = false;
            break;
        case kConsoleDisconnect:
            if (console_ == session) console_ = kNoSession;
            break;
        case kRemoteConnect:
            if (session == own_) remote_ = true;
            break;
        case kRemoteDisconnect:
            if (session == own_) remote_ = false;
            break;
        default:
            return;
    }
    // Away, it runs nothing: back, it takes over afresh.
    if (!Seen()) ran_ = false;
}

bool SessionRole::RunsTasksAt(const LocalTime& now, const std::function<OtherSessions()>& others) {
    std::optional<OtherSessions> facts;
    auto ask = [&]() -> const OtherSessions& {
        if (!facts) facts = others();
        return *facts;
    };
    bool runs = false;
    if (AtConsole()) {
        runs = true;
    } else if (remote_) {
        const OtherSessions& o = ask();
        if (console_ == kNoSession || !Has(o.withCopy, console_)) {
            // The lowest active session with a copy; this one is active.
            std::uint32_t chosen = own_;
            for (std::uint32_t s : o.withCopy)
                if (s < chosen && Has(o.active, s)) chosen = s;
            runs = chosen == own_;
        }
    }
    const long long minute = MinuteOf(now);
    if (runs && !ran_ && !ask().withCopy.empty()) skipMinute_ = minute;
    ran_ = runs;
    return runs && minute != skipMinute_;
}

}  // namespace vantrel
