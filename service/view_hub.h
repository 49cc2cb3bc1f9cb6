// The service's side of the views: every user's tray copy connected over
// the pipe. The hub is the runner's RunnerView in the service: each effect
// becomes a message to every view that should show it (a countdown, a
// balloon or a notice to each view whose session is active; the tray's
// state to all), and it remembers the countdown, so that a view that
// connects or whose session comes back during one is shown it. A view's
// choice is checked against what its user may do (service/rights.h) and
// applied to the runner; of two views' choices for one countdown or one
// warning only the first applies, and the history names who chose. A view
// that sends a message the protocol refuses is closed; the countdown goes
// on whoever leaves.
//
// The transport hands whole messages up (Received) and tells connections
// that come and go; the hub answers through ViewSender. It is used from one
// thread, the one the runner runs on.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "history/history.h"
#include "runner/runner.h"
#include "service/placement.h"
#include "service/rights.h"
#include "service/view_protocol.h"

namespace vantrel {

using ConnectionId = std::uint32_t;

// Sends to one connection. Neither call throws nor calls back into the hub:
// a pipe that fails is the transport's to close, and it then tells the hub
// Disconnected.
class ViewSender {
public:
    virtual ~ViewSender() = default;
    virtual void Send(ConnectionId connection, const std::string& body) = 0;
    virtual void Close(ConnectionId connection) = 0;
};

// What the service learned of a connection's client from its token.
struct ViewPeer {
    std::string user;  // "DOMAIN\name", GBK
    std::uint32_t session = kNoSession;
    bool administrator = false;  // an elevated administrator's token
};

// The tray commands that act at once, carried out by the service's host.
class ViewCommands {
public:
    virtual ~ViewCommands() = default;
    virtual void PowerCommand(PowerOp op, ChoiceSource source, const ViewPeer& by) = 0;
    virtual void CleanJunk(const ViewPeer& by) = 0;
};

// The machine's sessions as the service sees them, for what runs where
// (service/placement.h): the console's session and each active one, with
// whether a view of it said hello. A session with a view is logged on (an
// administrator's when one of its views is); an active session without
// one is someone's all the same (its tray copy is not there); the console's
// session, neither active nor with a view, is the sign-in screen: nobody's.
MachineSessions SessionsWithViews(std::uint32_t console, const std::vector<std::uint32_t>& active,
                                  const std::vector<ViewPeer>& views);

// The tick count of the machine's last input, as the idle tasks (空闲)
// compare it with `tickNow`: the screen user's view's report of its
// session (`screenIdleMs`, the least of its views'), the machine idle
// since `userLeftTick` when nobody is logged on, and no idle time at all
// for a screen user whose view has not reported. Tick counts wrap at 2^32.
std::uint32_t MachineLastInput(const MachineSessions& machine, std::optional<std::uint32_t> screenIdleMs,
                               std::uint32_t tickNow, std::uint32_t userLeftTick);

extern const char* const kChoiceRefusedText;  // "需要管理员权限"

class ViewHub : public RunnerView {
public:
    using Clock = std::function<LocalTime()>;
    using SessionActive = std::function<bool(std::uint32_t session)>;
    // `active` says whether a session is active now (at the console or
    // connected remotely): its views show the countdown and count as at
    // the screen. `history` (may be null) gets the line naming who chose.
    ViewHub(ViewSender& sender, SessionActive active, HistorySink* history, Clock clock);

    // The runner the choices go to; the runner is made with the hub as its
    // view, so it is handed over afterwards.
    void UseRunner(Runner* runner) { runner_ = runner; }
    void UseCommands(ViewCommands* commands) { commands_ = commands; }

    // The transport's events.
    void Connected(ConnectionId id, const ViewPeer& peer);
    void Received(ConnectionId id, const std::string& body);
    void Disconnected(ConnectionId id);
    // The sessions or the settings changed: each view is told its rights
    // again, and one whose session became active is shown the countdown.
    void Refresh();

    // 提醒 and 打开文件 in `session`, as its user: false when no view there
    // said hello (or the file's name does not fit a message).
    bool ShowReminder(std::uint32_t session, const std::string& text);
    bool OpenFile(std::uint32_t session, const std::string& parameter);
    // The idle time the views of `session` last reported (the least, if
    // several): none before a report.
    std::optional<std::uint32_t> IdleOf(std::uint32_t session) const;
    // The views that said hello, by connection id.
    std::vector<ViewPeer> Views() const;

    // RunnerView.
    void ShowCountdown(const std::string& word, const std::string& remaining, bool closeAll) override;
    void StepCountdown(std::int32_t length, std::int32_t position, const std::string& remaining) override;
    void HideCountdown() override;
    void SetCountdownBar(std::int32_t length, std::int32_t position) override;
    void ShowBalloon(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    void StatusChanged() override;

private:
    // The countdown's bar as it stands, for one view or all.
    ViewMessage StepMessage() const;
    struct View {
        ViewPeer peer;
        bool greeted = false;
        std::uint32_t countdownShown = 0;  // the id of the countdown this view shows; 0 none
        std::uint32_t rightsSent = 0xFFFFFFFF;
        std::string traySent;  // the last tray state, as sent
        std::optional<std::uint32_t> idle;
    };
    struct Countdown {
        std::uint32_t id = 0;
        std::string word, remaining;
        bool closeAll = false;
    };

    ViewRights RightsOf(const View& view) const;
    bool Active(const View& view) const { return active_(view.peer.session); }
    void Send(ConnectionId id, const ViewMessage& message);
    void Drop(ConnectionId id);
    void Greet(ConnectionId id, View& view);
    void ShowCountdownTo(ConnectionId id, View& view);
    void SendTray(ConnectionId id, View& view);
    void SendRights(ConnectionId id, View& view);
    void ToActiveViews(const ViewMessage& message);
    void Choose(ConnectionId id, View& view, const ViewMessage& choice);
    // Whether the choice still answers something: the countdown it names,
    // a warning nobody answered, a state it would change.
    bool StillOpen(const ViewMessage& choice);
    void Apply(const ViewMessage& choice, const ViewPeer& by);
    void RecordChooser(const ViewMessage& choice, const ViewPeer& by);
    ViewMessage TrayMessage();

    ViewSender& sender_;
    SessionActive active_;
    HistorySink* history_;
    Clock clock_;
    Runner* runner_ = nullptr;
    ViewCommands* commands_ = nullptr;
    std::map<ConnectionId, View> views_;
    std::optional<Countdown> countdown_;
    std::uint32_t lastCountdownId_ = 0;
    std::int32_t barLength_ = 0, barPosition_ = 0;
    // The warning last answered: (its task, the minute of its run).
    std::optional<std::pair<int, std::int64_t>> warningAnswered_;
};

}  // namespace vantrel
