// The messages between the service and the views (every user's tray copy).
// One pipe message is one protocol message of at most kMaxViewMessage
// bytes: a version byte (kViewProtocolVersion), a type byte, then the
// type's fields in a fixed order: integers fixed-width little-endian, texts
// GBK behind a 32-bit length, each within its own limit. Anything else (an
// unknown version or type, a message cut short or with bytes after its
// last field, a text too long or holding a NUL, a value outside its set)
// throws ProtocolError, and the connection that sent it is closed; the
// service goes on.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "service/rights.h"

namespace vantrel {

constexpr std::size_t kMaxViewMessage = 65536;
constexpr std::uint8_t kViewProtocolVersion = 1;

// Limits in bytes.
constexpr std::size_t kMaxWordBytes = 64;    // a countdown's power word, its remaining time
constexpr std::size_t kMaxTipBytes = 256;    // the tray tip (127 characters)
constexpr std::size_t kMaxTextBytes = 32768; // a balloon, notice, reminder or file to open

class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class MessageType : std::uint8_t {
    // Service to view.
    TrayState = 1,     // tip, state flags, the quick timer's menu caption
    CountdownShown,    // a countdown starts (or shows to a view that connects during it);
                       // again with the same id when the buttons the view may offer changed
    CountdownStepped,  // one second of it
    CountdownHidden,   // it ended, whichever way
    CountdownBar,      // its length changed
    Balloon,
    Notice,
    Reminder,          // 提醒, shown as this view's user
    OpenFile,          // 打开文件, opened as this view's user
    Rights,            // what this view's user may do
    // View to service.
    Hello = 0x40,      // first, once: the view's session; its header names the protocol it speaks
    Choice,            // a user's choice
    IdleReport,        // the milliseconds since the last input in the view's session
};
// Whether messages of `type` go from the service to a view.
bool FromService(MessageType type);

// The tray's state flags.
enum TrayFlag : std::uint8_t {
    kTrayMonitoring = 1,   // monitoring on
    kTrayPaused = 2,       // a pause holds
    kTrayQuickTimer = 4,   // a quick timer is armed (its caption names it)
    kTrayWarningOpen = 8,  // the warning balloon's skip and postpone are offered
};
constexpr std::uint8_t kAllTrayFlags = 15;

// Where a choice was made, for the history.
enum class ChoiceSource : std::uint8_t { Countdown, Balloon, Menu, Hotkey };

struct ViewMessage {
    MessageType type = MessageType::Hello;
    // TrayState
    std::uint8_t trayFlags = 0;
    std::string tip;
    std::string timerCaption;
    // CountdownShown, CountdownStepped, CountdownHidden; a countdown
    // Choice names the countdown it answers, so that of two views' choices
    // for one countdown only the first applies.
    std::uint32_t countdownId = 0;
    std::string word;       // CountdownShown
    std::string remaining;  // CountdownShown, CountdownStepped
    bool closeAll = false;  // CountdownShown
    CountdownButtons buttons;  // CountdownShown
    std::int32_t length = 0, position = 0;  // CountdownStepped, CountdownBar
    // Balloon, Notice, Reminder, OpenFile
    std::string text;
    // Rights
    std::uint32_t rights = 0;
    // Hello
    std::uint32_t session = 0;
    // Choice: the action asked for and its argument: PostponeCountdown and
    // PostponeWarnedRun minutes (1..1440), Pause a PauseChoice (0..3),
    // QuickTimer minutes (0 cancels; up to a week), PowerCommand a PowerOp
    // (LogOff..FastShutdown); 0 for the others.
    ViewAction action = ViewAction::CloseView;
    ChoiceSource source = ChoiceSource::Menu;
    std::int32_t argument = 0;
    // IdleReport
    std::uint32_t idleMs = 0;

    bool operator==(const ViewMessage& o) const;
    bool operator!=(const ViewMessage& o) const { return !(*this == o); }
};

// The body of one pipe message. Throws ProtocolError for a message that
// breaks a limit or holds a value outside its set, as the parser would.
std::string EncodeViewMessage(const ViewMessage& message);
// Throws ProtocolError as the header says.
ViewMessage ParseViewMessage(const std::string& body);
// The same, refusing a message sent the wrong way: the service reads only
// the views' messages, a view only the service's.
ViewMessage ParseFromView(const std::string& body);
ViewMessage ParseFromService(const std::string& body);

// `text` cut to at most `maxBytes` at a character's end, for a text that
// must fit its field (a long reminder is shown cut).
std::string ClipGbk(const std::string& text, std::size_t maxBytes);

}  // namespace vantrel
