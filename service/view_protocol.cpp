#include "service/view_protocol.h"

#include "actions/countdown_model.h"
#include "runner/tray_status.h"
#include "text/gbk_text.h"

namespace vantrel {

namespace {

// Checked when encoding and when parsing: one rule for both directions.
void CheckText(const std::string& text, std::size_t limit, const char* field) {
    if (text.size() > limit) throw ProtocolError(std::string(field) + ": text too long");
    if (text.find('\0') != std::string::npos) throw ProtocolError(std::string(field) + ": text holds a NUL");
}

void CheckChoice(ViewAction action, std::int32_t argument) {
    switch (action) {
        case ViewAction::PostponeCountdown:
        case ViewAction::PostponeWarnedRun:
            if (argument < 1 || argument > 1440) throw ProtocolError("postponement out of range");
            return;
        case ViewAction::Pause:
            if (argument < 0 || argument > static_cast<int>(PauseChoice::Tomorrow))
                throw ProtocolError("pause choice out of range");
            return;
        case ViewAction::QuickTimer:
            if (argument < 0 || argument > 7 * 24 * 60) throw ProtocolError("quick timer out of range");
            return;
        case ViewAction::PowerCommand:
            if (argument < static_cast<int>(PowerOp::LogOff) || argument > static_cast<int>(PowerOp::FastShutdown))
                throw ProtocolError("power command out of range");
            return;
        case ViewAction::CancelCountdown:
        case ViewAction::ActNow:
        case ViewAction::SkipWarnedRun:
        case ViewAction::MonitoringOn:
        case ViewAction::MonitoringOff:
        case ViewAction::CleanJunk:
        case ViewAction::CloseView:
            if (argument != 0) throw ProtocolError("choice takes no argument");
            return;
        case ViewAction::ChangeTasks:
        case ViewAction::ChangeSettings:
            break;  // made in the settings window, never sent
    }
    throw ProtocolError("unknown choice");
}

void CheckMessage(const ViewMessage& m) {
    switch (m.type) {
        case MessageType::TrayState:
            if (m.trayFlags & ~kAllTrayFlags) throw ProtocolError("unknown tray flag");
            CheckText(m.tip, kMaxTipBytes, "tip");
            CheckText(m.timerCaption, kMaxWordBytes, "timer caption");
            return;
        case MessageType::CountdownShown:
            CheckText(m.word, kMaxWordBytes, "word");
            CheckText(m.remaining, kMaxWordBytes, "remaining");
            return;
        case MessageType::CountdownStepped:
            CheckText(m.remaining, kMaxWordBytes, "remaining");
            [[fallthrough]];
        case MessageType::CountdownBar:
            if (m.length < 0 || m.position < 0 || m.position > m.length) throw ProtocolError("bar out of range");
            return;
        case MessageType::Balloon:
        case MessageType::Notice:
        case MessageType::Reminder:
        case MessageType::OpenFile:
            CheckText(m.text, kMaxTextBytes, "text");
            return;
        case MessageType::Rights:
            if (m.rights & ~kAllViewRightBits) throw ProtocolError("unknown right");
            return;
        case MessageType::Choice:
            if (static_cast<std::uint8_t>(m.source) > static_cast<std::uint8_t>(ChoiceSource::Hotkey))
                throw ProtocolError("unknown source");
            CheckChoice(m.action, m.argument);
            return;
        case MessageType::CountdownHidden:
        case MessageType::Hello:
        case MessageType::IdleReport:
            return;
    }
    throw ProtocolError("unknown message type");
}

class Writer {
public:
    void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void Text(const std::string& s) {
        U32(static_cast<std::uint32_t>(s.size()));
        out_ += s;
    }
    std::string& out() { return out_; }

private:
    std::string out_;
};

class Reader {
public:
    explicit Reader(const std::string& in) : in_(in) {}
    std::uint8_t U8() {
        Need(1);
        return static_cast<std::uint8_t>(in_[at_++]);
    }
    bool Bool() {
        const std::uint8_t v = U8();
        if (v > 1) throw ProtocolError("flag neither 0 nor 1");
        return v == 1;
    }
    std::uint32_t U32() {
        Need(4);
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(in_[at_ + i])) << (8 * i);
        at_ += 4;
        return v;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    // The length is checked against the field's limit before anything is
    // taken, so that no length makes the parser reach past the message.
    std::string Text(std::size_t limit, const char* field) {
        const std::uint32_t n = U32();
        if (n > limit) throw ProtocolError(std::string(field) + ": text too long");
        Need(n);
        std::string s = in_.substr(at_, n);
        at_ += n;
        return s;
    }
    void End() const {
        if (at_ != in_.size()) throw ProtocolError("bytes after the last field");
    }

private:
    void Need(std::size_t n) const {
        if (in_.size() - at_ < n) throw ProtocolError("message cut short");
    }
    const std::string& in_;
    std::size_t at_ = 0;
};

std::uint8_t ButtonBits(const CountdownButtons& b) {
    return static_cast<std::uint8_t>((b.cancel ? 1 : 0) | (b.postpone ? 2 : 0) | (b.actNow ? 4 : 0));
}

}  // namespace

bool FromService(MessageType type) { return static_cast<std::uint8_t>(type) < 0x40; }

bool ViewMessage::operator==(const ViewMessage& o) const {
    return type == o.type && trayFlags == o.trayFlags && tip == o.tip && timerCaption == o.timerCaption &&
           countdownId == o.countdownId && word == o.word && remaining == o.remaining && closeAll == o.closeAll &&
           buttons == o.buttons && length == o.length && position == o.position && text == o.text &&
           rights == o.rights && session == o.session && action == o.action && source == o.source &&
           argument == o.argument && idleMs == o.idleMs;
}

std::string EncodeViewMessage(const ViewMessage& m) {
    CheckMessage(m);
    Writer w;
    w.U8(kViewProtocolVersion);
    w.U8(static_cast<std::uint8_t>(m.type));
    switch (m.type) {
        case MessageType::TrayState:
            w.U8(m.trayFlags);
            w.Text(m.tip);
            w.Text(m.timerCaption);
            break;
        case MessageType::CountdownShown:
            w.U32(m.countdownId);
            w.Text(m.word);
            w.Text(m.remaining);
            w.U8(m.closeAll ? 1 : 0);
            w.U8(ButtonBits(m.buttons));
            break;
        case MessageType::CountdownStepped:
            w.U32(m.countdownId);
            w.I32(m.length);
            w.I32(m.position);
            w.Text(m.remaining);
            break;
        case MessageType::CountdownHidden:
            w.U32(m.countdownId);
            break;
        case MessageType::CountdownBar:
            w.I32(m.length);
            w.I32(m.position);
            break;
        case MessageType::Balloon:
        case MessageType::Notice:
        case MessageType::Reminder:
        case MessageType::OpenFile:
            w.Text(m.text);
            break;
        case MessageType::Rights:
            w.U32(m.rights);
            break;
        case MessageType::Hello:
            w.U32(m.session);
            break;
        case MessageType::Choice:
            w.U8(static_cast<std::uint8_t>(m.action));
            w.U8(static_cast<std::uint8_t>(m.source));
            w.I32(m.argument);
            w.U32(m.countdownId);
            break;
        case MessageType::IdleReport:
            w.U32(m.idleMs);
            break;
    }
    if (w.out().size() > kMaxViewMessage) throw ProtocolError("message too long");
    return std::move(w.out());
}

ViewMessage ParseViewMessage(const std::string& body) {
    if (body.size() > kMaxViewMessage) throw ProtocolError("message too long");
    Reader r(body);
    if (r.U8() != kViewProtocolVersion) throw ProtocolError("unknown protocol version");
    ViewMessage m;
    const std::uint8_t type = r.U8();
    const bool known = (type >= static_cast<std::uint8_t>(MessageType::TrayState) &&
                        type <= static_cast<std::uint8_t>(MessageType::Rights)) ||
                       (type >= static_cast<std::uint8_t>(MessageType::Hello) &&
                        type <= static_cast<std::uint8_t>(MessageType::IdleReport));
    if (!known) throw ProtocolError("unknown message type");
    m.type = static_cast<MessageType>(type);
    switch (m.type) {
        case MessageType::TrayState:
            m.trayFlags = r.U8();
            m.tip = r.Text(kMaxTipBytes, "tip");
            m.timerCaption = r.Text(kMaxWordBytes, "timer caption");
            break;
        case MessageType::CountdownShown: {
            m.countdownId = r.U32();
            m.word = r.Text(kMaxWordBytes, "word");
            m.remaining = r.Text(kMaxWordBytes, "remaining");
            m.closeAll = r.Bool();
            const std::uint8_t bits = r.U8();
            if (bits & ~7) throw ProtocolError("unknown button");
            m.buttons = CountdownButtons{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
            break;
        }
        case MessageType::CountdownStepped:
            m.countdownId = r.U32();
            m.length = r.I32();
            m.position = r.I32();
            m.remaining = r.Text(kMaxWordBytes, "remaining");
            break;
        case MessageType::CountdownHidden:
            m.countdownId = r.U32();
            break;
        case MessageType::CountdownBar:
            m.length = r.I32();
            m.position = r.I32();
            break;
        case MessageType::Balloon:
        case MessageType::Notice:
        case MessageType::Reminder:
        case MessageType::OpenFile:
            m.text = r.Text(kMaxTextBytes, "text");
            break;
        case MessageType::Rights:
            m.rights = r.U32();
            break;
        case MessageType::Hello:
            m.session = r.U32();
            break;
        case MessageType::Choice: {
            const std::uint8_t action = r.U8();
            if (action >= kViewActionCount) throw ProtocolError("unknown choice");
            m.action = static_cast<ViewAction>(action);
            const std::uint8_t source = r.U8();
            if (source > static_cast<std::uint8_t>(ChoiceSource::Hotkey)) throw ProtocolError("unknown source");
            m.source = static_cast<ChoiceSource>(source);
            m.argument = r.I32();
            m.countdownId = r.U32();
            break;
        }
        case MessageType::IdleReport:
            m.idleMs = r.U32();
            break;
    }
    r.End();
    CheckMessage(m);
    return m;
}

ViewMessage ParseFromView(const std::string& body) {
    ViewMessage m = ParseViewMessage(body);
    if (FromService(m.type)) throw ProtocolError("a service's message from a view");
    return m;
}

ViewMessage ParseFromService(const std::string& body) {
    ViewMessage m = ParseViewMessage(body);
    if (!FromService(m.type)) throw ProtocolError("a view's message from the service");
    return m;
}

std::string ClipGbk(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t n = GbkCharLength(text, end);
        if (end + n > maxBytes) break;
        end += n;
    }
    return text.substr(0, end);
}

}  // namespace vantrel
