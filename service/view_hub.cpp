#include "service/view_hub.h"

#include <algorithm>

#include "actions/countdown_model.h"
#include "runner/tray_status.h"

namespace vantrel {

const char* const kChoiceRefusedText = "需要管理员权限";

namespace {

// A text for a field: up to a NUL, which no window would show past, and
// cut to the field's limit at a character's end.
std::string ForField(const std::string& text, std::size_t limit) {
    return ClipGbk(text.substr(0, text.find('\0')), limit);
}

const char* SourceOf(ChoiceSource source) {
    switch (source) {
        case ChoiceSource::Countdown: return kSourceCountdown;
        case ChoiceSource::Balloon: return kSourceBalloon;
        case ChoiceSource::Menu: return kSourceMenu;
        case ChoiceSource::Hotkey: return kSourceHotkey;
    }
    return kSourceMenu;
}

std::string ChoiceName(const ViewMessage& c) {
    switch (c.action) {
        case ViewAction::CancelCountdown: return "取消";
        case ViewAction::PostponeCountdown: return "推迟";
        case ViewAction::ActNow: return "立即执行";
        case ViewAction::SkipWarnedRun: return "跳过本次";
        case ViewAction::PostponeWarnedRun: return "推迟本次";
        case ViewAction::MonitoringOn: return "启用监控";
        case ViewAction::MonitoringOff: return "停止监控";
        case ViewAction::Pause: return "暂停";
        case ViewAction::QuickTimer: return "定时关机";
        case ViewAction::PowerCommand: return PowerWordOf(static_cast<PowerOp>(c.argument));
        case ViewAction::CleanJunk: return "清理系统垃圾";
        case ViewAction::ChangeTasks:
        case ViewAction::ChangeSettings:
        case ViewAction::CloseView: break;
    }
    return std::string();
}

// The tip as the tray shows it on every Windows: XP's holds 63 characters.
const std::size_t kTipChars = 63;

bool AnswersCountdown(ViewAction a) {
    return a == ViewAction::CancelCountdown || a == ViewAction::PostponeCountdown || a == ViewAction::ActNow;
}

}  // namespace

MachineSessions SessionsWithViews(std::uint32_t console, const std::vector<std::uint32_t>& active,
                                  const std::vector<ViewPeer>& views) {
    MachineSessions machine;
    machine.console = console;
    std::vector<std::uint32_t> ids = active;
    if (console != kNoSession) ids.push_back(console);
    for (const ViewPeer& v : views) ids.push_back(v.session);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (std::uint32_t id : ids) {
        if (id == kNoSession) continue;
        SessionFacts s;
        s.id = id;
        s.active = std::find(active.begin(), active.end(), id) != active.end();
        for (const ViewPeer& v : views) {
            if (v.session != id) continue;
            s.hasView = true;
            s.user = v.administrator ? UserKind::Administrator
                                     : (s.user == UserKind::Administrator ? s.user : UserKind::Standard);
        }
        if (!s.hasView) s.user = s.active ? UserKind::Standard : UserKind::Nobody;
        machine.sessions.push_back(s);
    }
    return machine;
}

std::uint32_t MachineLastInput(const MachineSessions& machine, std::optional<std::uint32_t> screenIdleMs,
                               std::uint32_t tickNow, std::uint32_t userLeftTick) {
    const IdleBasis basis = IdleBasisOf(machine);
    const std::uint64_t idle =
        IdleMilliseconds(basis, screenIdleMs.value_or(0), static_cast<std::uint32_t>(tickNow - userLeftTick));
    return static_cast<std::uint32_t>(tickNow - static_cast<std::uint32_t>(idle));
}

ViewHub::ViewHub(ViewSender& sender, SessionActive active, HistorySink* history, Clock clock)
    : sender_(sender), active_(std::move(active)), history_(history), clock_(std::move(clock)) {}

// ---- connections ----

void ViewHub::Connected(ConnectionId id, const ViewPeer& peer) {
    View view;
    view.peer = peer;
    views_[id] = view;
}

void ViewHub::Disconnected(ConnectionId id) { views_.erase(id); }

void ViewHub::Drop(ConnectionId id) {
    views_.erase(id);
    sender_.Close(id);
}

void ViewHub::Send(ConnectionId id, const ViewMessage& message) {
    sender_.Send(id, EncodeViewMessage(message));
}

void ViewHub::Received(ConnectionId id, const std::string& body) {
    const auto found = views_.find(id);
    if (found == views_.end()) return;  // closed meanwhile
    View& view = found->second;
    ViewMessage m;
    try {
        m = ParseFromView(body);
        // A view says hello first, once, from the session its token names.
        if (m.type == MessageType::Hello) {
            if (view.greeted) throw ProtocolError("a second hello");
            if (m.session != view.peer.session) throw ProtocolError("a hello from another session");
        } else if (!view.greeted) {
            throw ProtocolError("no hello");
        }
    } catch (const ProtocolError&) {
        Drop(id);
        return;
    }
    switch (m.type) {
        case MessageType::Hello:
            view.greeted = true;
            Greet(id, view);
            break;
        case MessageType::IdleReport: view.idle = m.idleMs; break;
        case MessageType::Choice: Choose(id, view, m); break;
        default: break;  // the service's own types were refused above
    }
}

void ViewHub::Greet(ConnectionId id, View& view) {
    SendRights(id, view);
    SendTray(id, view);
    // The countdown's length, for a countdown window that shows later.
    ViewMessage bar;
    bar.type = MessageType::CountdownBar;
    bar.length = barLength_;
    bar.position = countdown_ ? barPosition_ : 0;
    Send(id, bar);
    ShowCountdownTo(id, view);
}

ViewRights ViewHub::RightsOf(const View& view) const {
    const std::int32_t baohu = runner_ ? runner_->settings().adminChoices : 0;
    return ViewRights::For(ViewClient{view.peer.administrator, Active(view)}, baohu);
}

void ViewHub::SendRights(ConnectionId id, View& view) {
    const ViewRights rights = RightsOf(view);
    if (rights.bits() == view.rightsSent) return;
    ViewMessage m;
    m.type = MessageType::Rights;
    m.rights = rights.bits();
    Send(id, m);
    view.rightsSent = rights.bits();
}

// A view whose session is active shows the countdown from where it stands.
void ViewHub::ShowCountdownTo(ConnectionId id, View& view) {
    if (!countdown_ || view.countdownShown == countdown_->id || !Active(view)) return;
    ViewMessage m;
    m.type = MessageType::CountdownShown;
    m.countdownId = countdown_->id;
    m.word = countdown_->word;
    m.remaining = countdown_->remaining;
    m.closeAll = countdown_->closeAll;
    m.buttons = ButtonsFor(RightsOf(view));
    Send(id, m);
    view.countdownShown = countdown_->id;
    if (barPosition_ == 0) return;
    Send(id, StepMessage());
}

ViewMessage ViewHub::StepMessage() const {
    ViewMessage step;
    step.type = MessageType::CountdownStepped;
    step.countdownId = countdown_->id;
    step.length = barLength_;
    step.position = barPosition_;
    step.remaining = countdown_->remaining;
    return step;
}

void ViewHub::Refresh() {
    for (auto& [id, view] : views_) {
        if (!view.greeted) continue;
        const std::uint32_t before = view.rightsSent;
        SendRights(id, view);
        // A countdown shown with other buttons is shown again with the new ones.
        if (before != view.rightsSent && countdown_ && view.countdownShown == countdown_->id)
            view.countdownShown = 0;
        ShowCountdownTo(id, view);
    }
}

// ---- the runner's effects ----

void ViewHub::ToActiveViews(const ViewMessage& message) {
    const std::string body = EncodeViewMessage(message);
    for (auto& [id, view] : views_)
        if (view.greeted && Active(view)) sender_.Send(id, body);
}

void ViewHub::ShowCountdown(const std::string& word, const std::string& remaining, bool closeAll) {
    // Never 0, which names no countdown.
    if (++lastCountdownId_ == 0) ++lastCountdownId_;
    countdown_ = Countdown{lastCountdownId_, ForField(word, kMaxWordBytes), ForField(remaining, kMaxWordBytes),
                           closeAll};
    barPosition_ = 0;
    for (auto& [id, view] : views_)
        if (view.greeted) ShowCountdownTo(id, view);
}

void ViewHub::StepCountdown(std::int32_t length, std::int32_t position, const std::string& remaining) {
    barLength_ = std::max(length, 0);
    barPosition_ = std::min(std::max(position, 0), barLength_);
    if (!countdown_) return;
    countdown_->remaining = ForField(remaining, kMaxWordBytes);
    const std::string body = EncodeViewMessage(StepMessage());
    for (auto& [id, view] : views_)
        if (view.countdownShown == countdown_->id && Active(view)) sender_.Send(id, body);
}

void ViewHub::HideCountdown() {
    barPosition_ = 0;
    if (!countdown_) return;
    ViewMessage m;
    m.type = MessageType::CountdownHidden;
    m.countdownId = countdown_->id;
    const std::string body = EncodeViewMessage(m);
    // Every view that shows it, its session active or not.
    for (auto& [id, view] : views_)
        if (view.countdownShown == countdown_->id) {
            sender_.Send(id, body);
            view.countdownShown = 0;
        }
    countdown_.reset();
}

void ViewHub::SetCountdownBar(std::int32_t length, std::int32_t position) {
    barLength_ = std::max(length, 0);
    barPosition_ = std::min(std::max(position, 0), barLength_);
    ViewMessage m;
    m.type = MessageType::CountdownBar;
    m.length = barLength_;
    m.position = barPosition_;
    const std::string body = EncodeViewMessage(m);
    for (auto& [id, view] : views_)
        if (view.greeted) sender_.Send(id, body);
}

void ViewHub::ShowBalloon(const std::string& text) {
    ViewMessage m;
    m.type = MessageType::Balloon;
    m.text = ForField(text, kMaxTextBytes);
    ToActiveViews(m);
}

void ViewHub::ShowNotice(const std::string& text) {
    ViewMessage m;
    m.type = MessageType::Notice;
    m.text = ForField(text, kMaxTextBytes);
    ToActiveViews(m);
}

ViewMessage ViewHub::TrayMessage() {
    ViewMessage m;
    m.type = MessageType::TrayState;
    if (!runner_) return m;
    const LocalTime now = clock_();
    if (runner_->gate().monitoring) m.trayFlags |= kTrayMonitoring;
    if (runner_->pausedUntil()) m.trayFlags |= kTrayPaused;
    if (runner_->quickTimer()) m.trayFlags |= kTrayQuickTimer;
    if (runner_->WarningOpen()) m.trayFlags |= kTrayWarningOpen;
    m.tip = ForField(runner_->TipText(kTipChars), kMaxTipBytes);
    m.timerCaption = ForField(CancelTimerCaption(runner_->quickTimer(), now), kMaxWordBytes);
    return m;
}

void ViewHub::SendTray(ConnectionId id, View& view) {
    const std::string body = EncodeViewMessage(TrayMessage());
    if (body == view.traySent) return;
    sender_.Send(id, body);
    view.traySent = body;
}

// Every view, each only when its state changed.
void ViewHub::StatusChanged() {
    if (views_.empty()) return;
    const std::string body = EncodeViewMessage(TrayMessage());
    for (auto& [id, view] : views_)
        if (view.greeted && body != view.traySent) {
            sender_.Send(id, body);
            view.traySent = body;
        }
}

bool ViewHub::ShowReminder(std::uint32_t session, const std::string& text) {
    ViewMessage m;
    m.type = MessageType::Reminder;
    m.text = ForField(text, kMaxTextBytes);
    bool shown = false;
    for (auto& [id, view] : views_)
        if (view.greeted && view.peer.session == session && !shown) {
            Send(id, m);
            shown = true;  // one window per session
        }
    return shown;
}

bool ViewHub::OpenFile(std::uint32_t session, const std::string& parameter) {
    // A name cut short would open another file: none is opened.
    if (parameter.size() > kMaxTextBytes || parameter.find('\0') != std::string::npos) return false;
    ViewMessage m;
    m.type = MessageType::OpenFile;
    m.text = parameter;
    for (auto& [id, view] : views_)
        if (view.greeted && view.peer.session == session) {
            Send(id, m);
            return true;
        }
    return false;
}

std::optional<std::uint32_t> ViewHub::IdleOf(std::uint32_t session) const {
    std::optional<std::uint32_t> least;
    for (const auto& [id, view] : views_)
        if (view.peer.session == session && view.idle && (!least || *view.idle < *least)) least = view.idle;
    return least;
}

std::vector<ViewPeer> ViewHub::Views() const {
    std::vector<ViewPeer> peers;
    for (const auto& [id, view] : views_)
        if (view.greeted) peers.push_back(view.peer);
    return peers;
}

// ---- choices ----

void ViewHub::Choose(ConnectionId id, View& view, const ViewMessage& choice) {
    if (choice.action == ViewAction::CloseView) {
        Drop(id);
        return;
    }
    if (!runner_) return;
    // 启用监控 during a pause ends the pause, which only whoever may pause
    // may do: a standard user does not end an administrator's pause.
    const ViewAction needs =
        choice.action == ViewAction::MonitoringOn && runner_->pausedUntil() ? ViewAction::Pause : choice.action;
    if (!MayDo(ViewClient{view.peer.administrator, Active(view)}, needs, runner_->settings().adminChoices)) {
        ViewMessage refused;
        refused.type = MessageType::Notice;
        refused.text = kChoiceRefusedText;
        Send(id, refused);
        SendRights(id, view);
        return;
    }
    // Another view's choice came first: this one answers nothing now.
    if (!StillOpen(choice)) return;
    const ViewPeer by = view.peer;  // `view` may go while the choice applies
    RecordChooser(choice, by);
    try {
        Apply(choice, by);
    } catch (const std::exception& e) {
        // Said to the user who chose; the service goes on.
        const auto still = views_.find(id);
        if (still == views_.end()) return;
        ViewMessage notice;
        notice.type = MessageType::Notice;
        notice.text = ForField(e.what(), kMaxTextBytes);
        Send(id, notice);
    }
}

bool ViewHub::StillOpen(const ViewMessage& c) {
    if (AnswersCountdown(c.action)) return countdown_ && c.countdownId == countdown_->id && runner_->counting();
    if (c.action == ViewAction::SkipWarnedRun || c.action == ViewAction::PostponeWarnedRun) {
        if (!runner_->WarningOpen()) return false;
        const std::pair<int, std::int64_t> warning{runner_->lastWarning()->number,
                                                   MinuteNumber(runner_->lastWarning()->at)};
        return !(warningAnswered_ && *warningAnswered_ == warning);
    }
    const bool monitoring = runner_->gate().monitoring && !runner_->pausedUntil();
    if (c.action == ViewAction::MonitoringOn) return !monitoring;
    if (c.action == ViewAction::MonitoringOff) return monitoring;
    return true;
}

void ViewHub::Apply(const ViewMessage& c, const ViewPeer& by) {
    switch (c.action) {
        case ViewAction::CancelCountdown: runner_->Cancel(); break;
        case ViewAction::PostponeCountdown: runner_->Postpone(c.argument); break;
        case ViewAction::ActNow: runner_->ActNow(); break;
        case ViewAction::SkipWarnedRun:
        case ViewAction::PostponeWarnedRun:
            warningAnswered_ = std::make_pair(runner_->lastWarning()->number, MinuteNumber(runner_->lastWarning()->at));
            if (c.action == ViewAction::SkipWarnedRun)
                runner_->SkipWarnedRun();
            else
                runner_->PostponeWarnedRun(c.argument);
            break;
        case ViewAction::MonitoringOn:
        case ViewAction::MonitoringOff: runner_->SwitchMonitoring(); break;
        case ViewAction::Pause: runner_->Pause(static_cast<PauseChoice>(c.argument)); break;
        case ViewAction::QuickTimer: runner_->SetQuickTimer(c.argument); break;
        case ViewAction::PowerCommand:
            if (commands_) commands_->PowerCommand(static_cast<PowerOp>(c.argument), c.source, by);
            break;
        case ViewAction::CleanJunk:
            if (commands_) commands_->CleanJunk(by);
            break;
        case ViewAction::ChangeTasks:
        case ViewAction::ChangeSettings:
        case ViewAction::CloseView: break;  // never sent as a choice
    }
}

// The line that names who chose; the runner's own line (cancelled,
// postponed, ...) follows it.
void ViewHub::RecordChooser(const ViewMessage& c, const ViewPeer& by) {
    if (!history_) return;
    const LocalTime t = clock_();
    HistoryEntry e;
    e.time = HistoryTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
    e.source = SourceOf(c.source);
    e.action = ChoiceName(c);
    e.detail = "由 " + by.user + " 选择（会话 " + std::to_string(by.session) + "）";
    history_->Append(e);
}

}  // namespace vantrel
