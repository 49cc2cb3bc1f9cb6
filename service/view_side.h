// A view's side of the protocol: what the service's messages make a tray
// copy show, and its user's choices as messages. The view's window only
// draws what this holds, so that what a view shows, offers and greys is
// decided here, the same in every session, and tested without a window.
//
// A choice its rights forbid, or one that answers nothing shown (a
// countdown's button once the countdown has gone), is not sent: the service
// would refuse it anyway, and the user sees it greyed instead. When the
// connection goes, the view shows no countdown (it goes on in the service
// and shows again, whole, when the view is back) and offers nothing until
// the service has told it its rights again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "service/rights.h"
#include "service/view_protocol.h"

namespace vantrel {

struct ShownCountdown {
    std::uint32_t id = 0;
    std::string word, remaining;
    bool closeAll = false;
    CountdownButtons buttons;
    std::int32_t length = 0, position = 0;
};

// What one message from the service asks of the view's window besides
// redrawing what changed.
struct ViewEffect {
    bool trayChanged = false;
    bool countdownChanged = false;  // shown, stepped, hidden or its buttons changed
    bool rightsChanged = false;
    std::optional<std::string> balloon, notice, reminder, openFile;
};

class ViewSide {
public:
    explicit ViewSide(std::uint32_t session) : session_(session) {}

    // The first message of every connection.
    std::string Hello() const;
    // A message from the service. Throws ProtocolError for one the
    // protocol refuses (the view then drops the connection and comes back).
    ViewEffect Take(const std::string& body);
    // The user's choice, as the message to send; nothing when the view's
    // rights forbid it or it answers nothing shown.
    std::optional<std::string> Choose(ViewAction action, ChoiceSource source, std::int32_t argument);
    std::string IdleReport(std::uint32_t idleMs) const;
    // The connection went: nothing shown that the service would have to
    // confirm, nothing offered.
    void Lost();

    bool connected() const { return rightsKnown_; }
    bool May(ViewAction action) const { return rightsKnown_ && rights_.May(action); }
    const std::optional<ShownCountdown>& countdown() const { return countdown_; }
    std::uint8_t trayFlags() const { return trayFlags_; }
    const std::string& tip() const { return tip_; }
    const std::string& timerCaption() const { return timerCaption_; }
    std::int32_t barLength() const { return barLength_; }

private:
    std::uint32_t session_;
    ViewRights rights_;
    bool rightsKnown_ = false;
    std::uint8_t trayFlags_ = 0;
    std::string tip_, timerCaption_;
    std::optional<ShownCountdown> countdown_;
    std::int32_t barLength_ = 0;
};

// How long a view waits before its next try to reach the service after
// `failures` tries in a row failed: half a second, doubling, at most ten
// seconds, so that a restarted service has its views back within seconds
// and a stopped one costs them almost nothing.
std::uint32_t ReconnectDelayMs(unsigned failures);

}  // namespace vantrel
