// The views' protocol: generated messages of every type go through and come
// back equal; no cut, grown or single-byte-changed message is taken for
// anything but a message whose own encoding it is, and everything else is
// a ProtocolError; the limits and the sets of values hold.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "actions/countdown_model.h"
#include "service/view_protocol.h"

namespace vantrel {
namespace {

using T = MessageType;

const T kAllTypes[] = {T::TrayState, T::CountdownShown, T::CountdownStepped, T::CountdownHidden, T::CountdownBar,
                       T::Balloon,   T::Notice,         T::Reminder,         T::OpenFile,        T::Rights,
                       T::Hello,     T::Choice,         T::IdleReport};

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}
    std::uint32_t U32() { return static_cast<std::uint32_t>(rng_()); }
    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    // Any bytes but NUL, now and then at the field's very limit.
    std::string Text(std::size_t limit) {
        std::size_t n = Between(0, 3) == 0 ? limit : static_cast<std::size_t>(Between(0, 24));
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(Between(1, 255)));
        return s;
    }
    ViewMessage Of(T type) {
        ViewMessage m;
        m.type = type;
        switch (type) {
            case T::TrayState:
                m.trayFlags = static_cast<std::uint8_t>(Between(0, kAllTrayFlags));
                m.tip = Text(kMaxTipBytes);
                m.timerCaption = Text(kMaxWordBytes);
                break;
            case T::CountdownShown:
                m.countdownId = U32();
                m.word = Text(kMaxWordBytes);
                m.remaining = Text(kMaxWordBytes);
                m.closeAll = Between(0, 1) == 1;
                m.buttons = CountdownButtons{Between(0, 1) == 1, Between(0, 1) == 1, Between(0, 1) == 1};
                break;
            case T::CountdownStepped:
                m.countdownId = U32();
                m.remaining = Text(kMaxWordBytes);
                [[fallthrough]];
            case T::CountdownBar:
                m.length = Between(0, 86400);
                m.position = Between(0, m.length);
                break;
            case T::CountdownHidden: m.countdownId = U32(); break;
            case T::Balloon:
            case T::Notice:
            case T::Reminder:
            case T::OpenFile: m.text = Text(kMaxTextBytes); break;
            case T::Rights: m.rights = U32() & kAllViewRightBits; break;
            case T::Hello: m.session = U32(); break;
            case T::Choice: {
                static const struct {
                    ViewAction action;
                    int lo, hi;
                } kinds[] = {{ViewAction::CancelCountdown, 0, 0},     {ViewAction::PostponeCountdown, 1, 1440},
                             {ViewAction::ActNow, 0, 0},              {ViewAction::SkipWarnedRun, 0, 0},
                             {ViewAction::PostponeWarnedRun, 1, 1440}, {ViewAction::MonitoringOn, 0, 0},
                             {ViewAction::MonitoringOff, 0, 0},       {ViewAction::Pause, 0, 3},
                             {ViewAction::QuickTimer, 0, 10080},      {ViewAction::PowerCommand, 1, 8},
                             {ViewAction::CleanJunk, 0, 0},           {ViewAction::CloseView, 0, 0}};
                const auto& k = kinds[Between(0, sizeof kinds / sizeof kinds[0] - 1)];
                m.action = k.action;
                m.argument = Between(k.lo, k.hi);
                m.source = static_cast<ChoiceSource>(Between(0, 3));
                m.countdownId = U32();
                break;
            }
            case T::IdleReport: m.idleMs = U32(); break;
        }
        return m;
    }

private:
    std::mt19937 rng_;
};

TEST(ViewProtocol, GeneratedMessagesComeBackEqual) {
    Generator g(34);
    for (int round = 0; round < 200; ++round)
        for (T type : kAllTypes) {
            const ViewMessage m = g.Of(type);
            const std::string body = EncodeViewMessage(m);
            ASSERT_LE(body.size(), kMaxViewMessage);
            EXPECT_EQ(static_cast<unsigned char>(body[0]), kViewProtocolVersion);
            EXPECT_EQ(static_cast<unsigned char>(body[1]), static_cast<unsigned char>(type));
            EXPECT_TRUE(ParseViewMessage(body) == m) << static_cast<int>(type) << " round " << round;
            if (FromService(type))
                EXPECT_TRUE(ParseFromService(body) == m);
            else
                EXPECT_TRUE(ParseFromView(body) == m);
        }
}

// A message cut anywhere or grown by a byte is refused; a message with any
// one byte changed to any value is refused or is exactly the encoding of
// what it parses to (so nothing the parser lets through was read wrongly).
TEST(ViewProtocol, CutGrownAndChangedMessagesAreRefusedOrExact) {
    Generator g(3401);
    for (int round = 0; round < 3; ++round)
        for (T type : kAllTypes) {
            ViewMessage m = g.Of(type);
            // Short texts keep the byte-by-byte walk quick; the limits have
            // their own test.
            for (std::string* s : {&m.tip, &m.timerCaption, &m.word, &m.remaining, &m.text})
                if (s->size() > 8) s->resize(8);
            const std::string body = EncodeViewMessage(m);
            for (std::size_t cut = 0; cut < body.size(); ++cut)
                EXPECT_THROW(ParseViewMessage(body.substr(0, cut)), ProtocolError) << cut;
            EXPECT_THROW(ParseViewMessage(body + '\0'), ProtocolError);
            int parsed = 0;
            for (std::size_t at = 0; at < body.size(); ++at)
                for (int v = 0; v < 256; ++v) {
                    std::string changed = body;
                    changed[at] = static_cast<char>(v);
                    try {
                        const ViewMessage got = ParseViewMessage(changed);
                        EXPECT_EQ(EncodeViewMessage(got), changed) << at << " " << v;
                        ++parsed;
                    } catch (const ProtocolError&) {
                    }
                }
            EXPECT_GE(parsed, static_cast<int>(body.size())) << "each byte's own value parses";
        }
}

// Each row, a message the parser must refuse: made from a valid one by the
// change the row names.
TEST(ViewProtocol, MalformedMessagesAreProtocolErrors) {
    auto body = [](ViewMessage m) { return EncodeViewMessage(m); };
    ViewMessage shown;
    shown.type = T::CountdownShown;
    shown.word = "关机";
    ViewMessage choice;
    choice.type = T::Choice;
    choice.action = ViewAction::PostponeCountdown;
    choice.argument = 5;
    ViewMessage tray;
    tray.type = T::TrayState;
    ViewMessage rights;
    rights.type = T::Rights;
    ViewMessage bar;
    bar.type = T::CountdownBar;
    bar.length = 60;
    auto with = [](std::string b, std::size_t at, unsigned char v) {
        b[at] = static_cast<char>(v);
        return b;
    };
    auto le32 = [](std::uint32_t v) {
        std::string s;
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
        return s;
    };
    const std::string shownBody = body(shown);
    const std::size_t flagAt = shownBody.size() - 2;  // closeAll, then the buttons
    const struct {
        const char* fault;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"version 0", with(shownBody, 0, 0)},
        {"version 2", with(shownBody, 0, 2)},
        {"type 0", with(shownBody, 1, 0)},
        {"type past the service's last", with(body(rights), 1, static_cast<unsigned char>(T::Rights) + 1)},
        {"type before the view's first", with(body(rights), 1, static_cast<unsigned char>(T::Hello) - 1)},
        {"type past the view's last", with(body(rights), 1, static_cast<unsigned char>(T::IdleReport) + 1)},
        {"a flag of 2", with(shownBody, flagAt, 2)},
        {"an unknown button", with(shownBody, flagAt + 1, 8)},
        {"an unknown tray flag", with(body(tray), 2, kAllTrayFlags + 1)},
        {"an unknown right", with(body(rights), 2 + 1, 0x80)},
        {"a choice never sent", with(body(choice), 2, static_cast<unsigned char>(ViewAction::ChangeTasks))},
        {"a choice past the last", with(body(choice), 2, kViewActionCount)},
        {"an unknown source", with(body(choice), 3, 4)},
        {"a postponement of 0", with(body(choice), 4, 0)},
        {"a bar beyond its length", with(body(bar), 6, 61)},
        {"a negative length", with(body(bar), 5, 0x80)},
        {"a NUL in a text", with(shownBody, 2 + 4 + 4, 0)},
        {"a length beyond the message", shownBody.substr(0, 6) + le32(5) + "关机"},
        {"a length beyond the field's limit", std::string("\x01\x08", 2) + le32(kMaxTextBytes + 1) +
                                                  std::string(kMaxTextBytes + 1, 'x')},
        {"a text beyond its limit, length included", std::string("\x01\x02", 2) + le32(0) + le32(kMaxWordBytes + 1) +
                                                         std::string(kMaxWordBytes + 1, 'x') + le32(0) +
                                                         std::string(2, '\0')},
        {"beyond the message limit", std::string("\x01\x08", 2) + le32(10) + std::string(kMaxViewMessage, 'x')},
    };
    for (const auto& c : cases) EXPECT_THROW(ParseViewMessage(c.bytes), ProtocolError) << c.fault;
    // The encoder holds the same limits.
    ViewMessage tooLong;
    tooLong.type = T::Reminder;
    tooLong.text.assign(kMaxTextBytes + 1, 'x');
    EXPECT_THROW(EncodeViewMessage(tooLong), ProtocolError);
    tooLong.text.assign(kMaxTextBytes, 'x');
    EXPECT_NO_THROW(EncodeViewMessage(tooLong));
    // Each side reads only the other's messages.
    EXPECT_THROW(ParseFromView(shownBody), ProtocolError);
    EXPECT_THROW(ParseFromService(body(choice)), ProtocolError);
}

// A text cut to its field ends on a whole character, the last that fits.
TEST(ViewProtocol, ClippedTextsEndOnTheLastWholeCharacter) {
    const std::string text = "a关机b提醒";  // characters of 1, 2, 2, 1, 2, 2 bytes
    const std::vector<std::size_t> ends = {0, 1, 3, 5, 6, 8, 10};
    for (std::size_t limit = 0; limit <= 12; ++limit) {
        std::size_t expected = 0;
        for (std::size_t e : ends)
            if (e <= limit) expected = e;
        EXPECT_EQ(ClipGbk(text, limit), text.substr(0, expected)) << limit;
    }
}

}  // namespace
}  // namespace vantrel
