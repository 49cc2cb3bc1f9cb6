#include "service/view_side.h"

#include <algorithm>

namespace vantrel {

namespace {

bool AnswersCountdown(ViewAction a) {
    return a == ViewAction::CancelCountdown || a == ViewAction::PostponeCountdown || a == ViewAction::ActNow;
}

// A countdown's button the view shows for `action`.
bool Offered(const CountdownButtons& b, ViewAction action) {
    switch (action) {
        case ViewAction::CancelCountdown: return b.cancel;
        case ViewAction::PostponeCountdown: return b.postpone;
        case ViewAction::ActNow: return b.actNow;
        default: return false;
    }
}

}  // namespace

std::string ViewSide::Hello() const {
    ViewMessage m;
    m.type = MessageType::Hello;
    m.session = session_;
    return EncodeViewMessage(m);
}

std::string ViewSide::IdleReport(std::uint32_t idleMs) const {
    ViewMessage m;
    m.type = MessageType::IdleReport;
    m.idleMs = idleMs;
    return EncodeViewMessage(m);
}

ViewEffect ViewSide::Take(const std::string& body) {
    const ViewMessage m = ParseFromService(body);
    ViewEffect effect;
    switch (m.type) {
        case MessageType::TrayState:
            effect.trayChanged = m.trayFlags != trayFlags_ || m.tip != tip_ || m.timerCaption != timerCaption_;
            trayFlags_ = m.trayFlags;
            tip_ = m.tip;
            timerCaption_ = m.timerCaption;
            break;
        case MessageType::CountdownShown: {
            ShownCountdown c;
            c.id = m.countdownId;
            c.word = m.word;
            c.remaining = m.remaining;
            c.closeAll = m.closeAll;
            c.buttons = m.buttons;
            c.length = barLength_;
            // Shown again with other buttons: it stays where it stood.
            if (countdown_ && countdown_->id == m.countdownId) {
                c.length = countdown_->length;
                c.position = countdown_->position;
            }
            countdown_ = c;
            effect.countdownChanged = true;
            break;
        }
        case MessageType::CountdownStepped:
            // A step of a countdown this view no longer shows is late: nothing.
            if (countdown_ && countdown_->id == m.countdownId) {
                countdown_->length = m.length;
                countdown_->position = m.position;
                countdown_->remaining = m.remaining;
                barLength_ = m.length;
                effect.countdownChanged = true;
            }
            break;
        case MessageType::CountdownHidden:
            if (countdown_ && countdown_->id == m.countdownId) {
                countdown_.reset();
                effect.countdownChanged = true;
            }
            break;
        case MessageType::CountdownBar:
            barLength_ = m.length;
            if (countdown_) {
                countdown_->length = m.length;
                countdown_->position = std::min(m.position, m.length);
                effect.countdownChanged = true;
            }
            break;
        case MessageType::Balloon: effect.balloon = m.text; break;
        case MessageType::Notice: effect.notice = m.text; break;
        case MessageType::Reminder: effect.reminder = m.text; break;
        case MessageType::OpenFile: effect.openFile = m.text; break;
        case MessageType::Rights:
            effect.rightsChanged = !rightsKnown_ || m.rights != rights_.bits();
            rights_ = ViewRights::FromBits(m.rights);
            rightsKnown_ = true;
            break;
        default: throw ProtocolError("a view's message from the service");
    }
    return effect;
}

std::optional<std::string> ViewSide::Choose(ViewAction action, ChoiceSource source, std::int32_t argument) {
    // Never sent: they decide how the settings window opens.
    if (action == ViewAction::ChangeTasks || action == ViewAction::ChangeSettings) return std::nullopt;
    if (action != ViewAction::CloseView && !May(action)) return std::nullopt;
    ViewMessage m;
    m.type = MessageType::Choice;
    m.action = action;
    m.source = source;
    m.argument = argument;
    if (AnswersCountdown(action)) {
        if (!countdown_ || !Offered(countdown_->buttons, action)) return std::nullopt;
        m.countdownId = countdown_->id;
    }
    if ((action == ViewAction::SkipWarnedRun || action == ViewAction::PostponeWarnedRun) &&
        !(trayFlags_ & kTrayWarningOpen))
        return std::nullopt;
    try {
        return EncodeViewMessage(m);
    } catch (const ProtocolError&) {
        return std::nullopt;  // an argument outside its set: nothing the service would take
    }
}

void ViewSide::Lost() {
    countdown_.reset();
    rightsKnown_ = false;
    rights_ = ViewRights();
}

std::uint32_t ReconnectDelayMs(unsigned failures) {
    const std::uint32_t kFirst = 500, kMost = 10000;
    if (failures >= 5) return kMost;
    return std::min<std::uint32_t>(kFirst << failures, kMost);
}

}  // namespace vantrel
