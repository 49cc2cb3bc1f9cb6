#include "app/service_views_win.h"

#include <algorithm>

#include "actions/power_actions_win.h"
#include "actions/system_ops.h"
#include "app/shell_texts.h"
#include "scheduler/clock.h"
#include "scheduler/session_role.h"

namespace vantrel {

namespace {

const char* SourceText(ChoiceSource source) { return source == ChoiceSource::Hotkey ? kSourceHotkey : kSourceMenu; }

}  // namespace

bool ServiceViews::SessionAtScreen(std::uint32_t session) {
    if (session == kNoSession) return false;
    if (session == Sys().ConsoleSession()) return true;
    const std::vector<std::uint32_t> active = Sys().ActiveSessions();
    return std::find(active.begin(), active.end(), session) != active.end();
}

ServiceViews::ServiceViews(ServiceHost& host, PipeServer::Options options, std::string viewCommand)
    : host_(host),
      hub_(*this, SessionAtScreen, &history_, LocalTimeNow),
      pipe_(*this, std::move(options)),
      launcher_(viewCommand),
      launches_(!viewCommand.empty()) {
    hub_.UseCommands(this);
}

ServiceViews::~ServiceViews() {
    Stop();
    // The host outlives the views only once it has stopped running.
    host_.UseViews(nullptr);
}

void ServiceViews::Start() { pipe_.Start(); }

void ServiceViews::Attach() {
    history_.to = host_.historySink();
    launcher_.UseHistory(host_.history());
    host_.UseViews(&hub_, launches_ ? &launcher_ : nullptr);
}

void ServiceViews::Stop() { pipe_.Stop(); }

void ServiceViews::Received(PipeServer::ConnectionId id, const PipeClientIdentity& who, const std::string& message) {
    host_.Post([this, id, who, message](Runner&) { OnReceived(id, who, message); });
}

void ServiceViews::Closed(PipeServer::ConnectionId id) {
    host_.Post([this, id](Runner&) { OnClosed(id); });
}

void ServiceViews::OnReceived(ConnectionId id, const PipeClientIdentity& who, const std::string& message) {
    if (open_.insert(id).second) {
        // Rights come from the token alone: a client without one is not heard.
        if (!who.known) {
            pipe_.Close(id);
            return;
        }
        ViewPeer peer;
        peer.user = who.user;
        peer.session = who.session;
        peer.administrator = who.administrator;
        hub_.Connected(id, peer);
    }
    // A user's 退出 holds until they log on again: the service starts no
    // view in their session meanwhile.
    try {
        const ViewMessage m = ParseFromView(message);
        if (m.type == MessageType::Choice && m.action == ViewAction::CloseView && who.known)
            launcher_.ClosedByUser(who.session);
    } catch (const ProtocolError&) {
        // The hub closes the connection.
    }
    // The hub ignores a connection it closed; its later messages were
    // already on their way.
    hub_.Received(id, message);
}

void ServiceViews::OnClosed(ConnectionId id) {
    open_.erase(id);
    hub_.Disconnected(id);
}

void ServiceViews::PowerCommand(PowerOp op, ChoiceSource source, const ViewPeer& by) {
    HistoryRecorder* history = host_.history();
    const ActionOutcome carriedOut{kOutcomeCarriedOut, std::string()};
    // Fast restart and fast shutdown do not come back when they work: their
    // line is written first, and a failure adds a second.
    const bool comesBack = op != PowerOp::FastRestart && op != PowerOp::FastShutdown;
    if (!comesBack && history) history->Command(SourceText(source), PowerWordOf(op), carriedOut);
    PowerOutcome outcome;
    switch (op) {
        // The service is in no user's session: 注销 ends the chooser's.
        case PowerOp::LogOff: {
            const std::uint32_t code = Sys().LogOffSession(by.session);
            outcome.acted = true;
            outcome.ok = code == 0;
            if (!outcome.ok) outcome.text = std::string(kCommandLogOff) + "失败（错误 " + std::to_string(code) + "）";
            break;
        }
        case PowerOp::Standby: outcome = StandbyNow(); break;
        case PowerOp::Hibernate: outcome = HibernateNow(); break;
        case PowerOp::Restart: outcome = RestartNow(); break;
        case PowerOp::PowerOff: outcome = PowerOffNow(); break;
        case PowerOp::FastRestart: outcome = FastRestartNow(); break;
        case PowerOp::FastShutdown: outcome = FastShutdownNow(); break;
        default: return;  // the protocol lets no other through
    }
    if (history && (!outcome.ok || comesBack))
        history->Command(SourceText(source), PowerWordOf(op), outcome.ok ? carriedOut : ActionOutcome::Error(outcome.text));
    // Said to whoever chose, as the tray copy says it.
    if (!outcome.ok) throw std::runtime_error(outcome.text);
}

void ServiceViews::CleanJunk(const ViewPeer&) {
    const ActionOutcome outcome = host_.CleanJunkNow();
    if (HistoryRecorder* history = host_.history()) history->Command(kSourceMenu, kCommandCleanJunk, outcome);
    if (outcome.outcome == kOutcomeError) throw std::runtime_error(outcome.detail);
}

}  // namespace vantrel
