// The service's hub on a recorded clock: the runner of the machine's
// schedule with the hub as its view, and views connected through a
// recording pipe that reads every message back with the views' parser.
// A daily 23:00 shutdown with a 60-second countdown, from 22:58.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "registry/counting_registry.h"
#include "registry/memory_registry.h"
#include "runner/runner.h"
#include "scheduler/time_text.h"
#include "service/view_hub.h"
#include "service/view_side.h"
#include "store/task_store.h"
#include "tests/recorded_timers.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelHubTest";

class ListSink : public HistorySink {
public:
    std::vector<HistoryEntry> lines;
    void Append(const HistoryEntry& e) override { lines.push_back(e); }
};

class Pipe : public ViewSender {
public:
    std::map<ConnectionId, std::vector<ViewMessage>> got;
    std::set<ConnectionId> closed;
    // Every body as sent, for a view's own side of the protocol.
    std::function<void(ConnectionId, const std::string&)> tap;
    // What a view reads: a message the views' parser refuses fails the test.
    void Send(ConnectionId id, const std::string& body) override {
        EXPECT_FALSE(closed.count(id)) << "sent to a closed connection";
        if (tap) tap(id, body);
        try {
            got[id].push_back(ParseFromService(body));
        } catch (const ProtocolError& e) {
            ADD_FAILURE() << "the hub sent a bad message: " << e.what();
        }
    }
    void Close(ConnectionId id) override { closed.insert(id); }
};

class Service : public RunnerMachine {
public:
    MemoryRegistry reg;
    ListSink sink;
    Pipe pipe;
    LocalTime now;
    std::set<std::uint32_t> active = {1, 2};
    std::vector<std::string> carried;

    explicit Service(std::int32_t baohu = 0, const char* start = "2026-12-07 22:58") {
        now = *ParseLocalTime(start, false);
        Settings settings;
        TaskStore setup(reg, kKey);
        setup.StartupLoad(settings);
        setup.Append(settings, "每天23时0分", "关闭计算机", "");
        if (baohu) {
            reg.OpenKey(kKey, true);
            reg.WriteInteger("baohu", baohu);
            reg.CloseKey();
        }
        reads.reset(new CountingRegistry(reg));
        store.reset(new TaskStore(reg, kKey));
        history.reset(new HistoryRecorder(sink, [this] { return now; }));
        hub.reset(new ViewHub(pipe, [this](std::uint32_t s) { return active.count(s) > 0; }, &sink,
                              [this] { return now; }));
        runner.reset(new Runner(*store, *reads, kKey, *this, *hub, [this] { return now; }));
        hub->UseRunner(runner.get());
        store->StartupLoad(runner->settings());
        runner->UseHistory(history.get());
        runner->Start();
        runner->SetCountdownLength(runner->settings().countdownLength);
        GateChanged();
    }

    // RunnerMachine.
    std::string PowerRefusal(const std::string&) override { return std::string(); }
    BusySample BusyFacts() override { return BusySample(); }
    OtherSessions OtherSessionsNow() override { return OtherSessions(); }
    PowerOutcome CarryOut(const std::string& word, const std::string&) override {
        carried.push_back(FormatMinute(now).substr(11) + " " + word);
        PowerOutcome o;
        o.acted = o.ok = true;
        return o;
    }
    void KeepAwake(AwakeNeed) override {}
    void GateChanged() override {
        if (runner) timers.Follow(runner->gate());
    }

    // The service's timers, a second at a time.
    void Run(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            timers.Second(*runner, testing::NextSecond(now));
        }
    }
    // To "23:00:20" and the like.
    void RunTo(const char* hhmmss) {
        const std::string target = hhmmss;
        while (FormatMinute(now).substr(11) + ":" + (now.second < 10 ? "0" : "") + std::to_string(now.second) !=
               target)
            Run(1);
    }

    // A view of `user` connects from `session` and says hello.
    void Connect(ConnectionId id, const char* user, std::uint32_t session, bool admin) {
        hub->Connected(id, ViewPeer{user, session, admin});
        ViewMessage hello;
        hello.type = MessageType::Hello;
        hello.session = session;
        hub->Received(id, EncodeViewMessage(hello));
    }
    void Choose(ConnectionId id, ViewAction action, std::int32_t argument = 0,
                ChoiceSource source = ChoiceSource::Countdown, std::optional<std::uint32_t> countdown = {}) {
        ViewMessage c;
        c.type = MessageType::Choice;
        c.action = action;
        c.argument = argument;
        c.source = source;
        // The countdown the view shows, unless the view answers one it
        // showed before another view's choice reached it.
        c.countdownId = countdown ? *countdown : Shown(id) ? Shown(id)->countdownId : 0;
        hub->Received(id, EncodeViewMessage(c));
    }
    // The countdown view `id` shows now, as its messages say: the last
    // shown one, unless hidden since.
    const ViewMessage* Shown(ConnectionId id) const {
        const auto got = pipe.got.find(id);
        if (got == pipe.got.end()) return nullptr;
        for (auto m = got->second.rbegin(); m != got->second.rend(); ++m) {
            if (m->type == MessageType::CountdownHidden) return nullptr;
            if (m->type == MessageType::CountdownShown) return &*m;
        }
        return nullptr;
    }
    int Count(ConnectionId id, MessageType type) const {
        if (!pipe.got.count(id)) return 0;
        const auto& got = pipe.got.at(id);
        return static_cast<int>(std::count_if(got.begin(), got.end(), [type](const ViewMessage& m) { return m.type == type; }));
    }
    std::vector<std::string> Outcomes() const {
        std::vector<std::string> out;
        for (const HistoryEntry& e : sink.lines)
            if (!e.outcome.empty()) out.push_back(e.outcome);
        return out;
    }
    std::vector<std::string> Choosers() const {
        std::vector<std::string> out;
        for (const HistoryEntry& e : sink.lines)
            if (e.detail.rfind("由 ", 0) == 0) out.push_back(e.action + " " + e.detail);
        return out;
    }

    std::unique_ptr<CountingRegistry> reads;
    std::unique_ptr<TaskStore> store;
    std::unique_ptr<HistoryRecorder> history;
    std::unique_ptr<ViewHub> hub;
    std::unique_ptr<Runner> runner;
    testing::RecordedTimers timers;
};

// Two users' views, one at the console and one in a remote session: both
// show the countdown; the first choice applies to both and to the runner,
// the second, for the countdown the first already answered, to nothing.
TEST(ViewHubScenario, OfTwoViewsTheFirstChoiceWins) {
    const struct {
        const char* name;
        ViewAction first, second;
        std::vector<std::string> carried;
        const char* outcome;  // the history's line for the first
        const char* absent;   // the second's, which must not be there
    } cases[] = {
        {"postpone, then cancel", ViewAction::PostponeCountdown, ViewAction::CancelCountdown, {"23:07 关机"},
         kOutcomePostponed, kOutcomeCancelled},
        {"cancel, then act now", ViewAction::CancelCountdown, ViewAction::ActNow, {}, kOutcomeCancelled,
         kOutcomeActNow},
        {"act now, then cancel", ViewAction::ActNow, ViewAction::CancelCountdown, {"23:00 关机"}, kOutcomeActNow,
         kOutcomeCancelled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Service s;
        s.Connect(7, "PC\\妈妈", 1, true);
        s.Connect(8, "PC\\孩子", 2, false);
        s.RunTo("23:00:20");
        ASSERT_TRUE(s.Shown(7) && s.Shown(8));
        EXPECT_EQ(s.Shown(7)->countdownId, s.Shown(8)->countdownId);
        // Both chose before either heard of the other's choice.
        const std::uint32_t shown = s.Shown(7)->countdownId;
        s.Choose(8, c.first, c.first == ViewAction::PostponeCountdown ? 5 : 0, ChoiceSource::Countdown, shown);
        s.Choose(7, c.second, c.second == ViewAction::PostponeCountdown ? 5 : 0, ChoiceSource::Countdown, shown);
        EXPECT_FALSE(s.Shown(7) || s.Shown(8));
        s.RunTo("23:10:00");
        EXPECT_EQ(s.carried, c.carried);
        const std::vector<std::string> outcomes = s.Outcomes();
        EXPECT_NE(std::find(outcomes.begin(), outcomes.end(), c.outcome), outcomes.end());
        EXPECT_EQ(std::find(outcomes.begin(), outcomes.end(), c.absent), outcomes.end());
        // The history names who chose, once.
        ASSERT_EQ(s.Choosers().size(), 1u);
        EXPECT_NE(s.Choosers()[0].find("PC\\孩子"), std::string::npos);
        EXPECT_NE(s.Choosers()[0].find("会话 2"), std::string::npos);
    }
}

// A choice that reaches the service after its countdown ended answers no
// later one: the postponed action's countdown is not cancelled by a cancel
// meant for the countdown it came from.
TEST(ViewHubScenario, ALateChoiceDoesNotAnswerTheNextCountdown) {
    Service s;
    s.Connect(7, "PC\\妈妈", 1, true);
    s.Connect(8, "PC\\孩子", 2, false);
    s.RunTo("23:00:20");
    const std::uint32_t first = s.Shown(7)->countdownId;
    s.Choose(8, ViewAction::PostponeCountdown, 5);
    s.RunTo("23:06:10");
    ASSERT_TRUE(s.Shown(7));
    EXPECT_NE(s.Shown(7)->countdownId, first);
    s.Choose(7, ViewAction::CancelCountdown, 0, ChoiceSource::Countdown, first);
    EXPECT_TRUE(s.Shown(7));
    s.RunTo("23:08:00");
    EXPECT_EQ(s.carried, std::vector<std::string>{"23:07 关机"});
}

// The warning balloon shows in both views; the first answer to it holds.
TEST(ViewHubScenario, TheFirstAnswerToAWarningHolds) {
    Service s(0, "2026-12-07 22:50");
    s.Connect(7, "PC\\妈妈", 1, true);
    s.Connect(8, "PC\\孩子", 2, false);
    s.RunTo("22:56:00");
    EXPECT_EQ(s.Count(7, MessageType::Balloon), 1);
    EXPECT_EQ(s.Count(8, MessageType::Balloon), 1);
    s.Choose(8, ViewAction::SkipWarnedRun, 0, ChoiceSource::Balloon);
    s.Choose(7, ViewAction::PostponeWarnedRun, 15, ChoiceSource::Balloon);
    s.RunTo("23:20:00");
    EXPECT_TRUE(s.carried.empty());
    const std::vector<std::string> outcomes = s.Outcomes();
    EXPECT_NE(std::find(outcomes.begin(), outcomes.end(), kOutcomeSkipped), outcomes.end());
    EXPECT_EQ(std::find(outcomes.begin(), outcomes.end(), kOutcomePostponed), outcomes.end());
    ASSERT_EQ(s.Choosers().size(), 1u);
    EXPECT_NE(s.Choosers()[0].find("PC\\孩子"), std::string::npos);
}

// Under baohu a standard user's countdown offers neither 取消 nor 推迟, and
// a cancel sent all the same is refused with a notice; the administrator's
// applies. Without baohu the standard user's applies too.
TEST(ViewHubScenario, AStandardUsersCancelIsRefusedUnderBaohu) {
    const struct {
        int baohu;
        bool admin;
        bool cancelled;
    } cases[] = {{1, false, false}, {1, true, true}, {0, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "baohu " << c.baohu << " admin " << c.admin);
        Service s(c.baohu);
        s.Connect(7, "PC\\用户", 1, c.admin);
        s.RunTo("23:00:20");
        ASSERT_TRUE(s.Shown(7));
        EXPECT_EQ(s.Shown(7)->buttons.cancel, c.cancelled);
        EXPECT_EQ(s.Shown(7)->buttons.postpone, c.cancelled);
        EXPECT_TRUE(s.Shown(7)->buttons.actNow);
        s.Choose(7, ViewAction::CancelCountdown);
        s.Choose(7, ViewAction::PostponeCountdown, 15);
        EXPECT_EQ(s.Count(7, MessageType::Notice), c.cancelled ? 0 : 2);
        if (!c.cancelled) {
            EXPECT_EQ(s.pipe.got[7].back().text, kChoiceRefusedText);
        }
        s.RunTo("23:03:00");
        EXPECT_EQ(s.carried, c.cancelled ? std::vector<std::string>() : std::vector<std::string>{"23:01 关机"});
        EXPECT_EQ(s.runner->gate().monitoring, !c.cancelled);
    }
}

// A standard user may never pause, switch monitoring off or arm the quick
// timer, whatever baohu says; an administrator may.
TEST(ViewHubScenario, AdministratorsAloneChangeTheSchedule) {
    for (bool admin : {false, true}) {
        Service s;
        s.Connect(7, "PC\\用户", 1, admin);
        s.Choose(7, ViewAction::QuickTimer, 30, ChoiceSource::Menu);
        s.Choose(7, ViewAction::Pause, static_cast<int>(PauseChoice::OneHour), ChoiceSource::Menu);
        EXPECT_EQ(s.runner->quickTimer().has_value(), admin) << admin;
        EXPECT_EQ(s.runner->pausedUntil().has_value(), admin) << admin;
        EXPECT_EQ(s.Count(7, MessageType::Notice), admin ? 0 : 2) << admin;
        // The tray's state follows, with the timer's menu caption.
        const ViewMessage& tray = [&]() -> const ViewMessage& {
            for (auto m = s.pipe.got[7].rbegin(); m != s.pipe.got[7].rend(); ++m)
                if (m->type == MessageType::TrayState) return *m;
            static ViewMessage none;
            return none;
        }();
        EXPECT_EQ((tray.trayFlags & kTrayQuickTimer) != 0, admin);
        EXPECT_EQ((tray.trayFlags & kTrayPaused) != 0, admin);
        EXPECT_EQ((tray.trayFlags & kTrayMonitoring) != 0, !admin);
    }
}

// A standard user switches monitoring back on after their own cancel, but
// does not end an administrator's pause with it.
TEST(ViewHubScenario, AStandardUserEndsNoAdministratorsPause) {
    Service s;
    s.Connect(7, "PC\\妈妈", 1, true);
    s.Connect(8, "PC\\孩子", 2, false);
    s.RunTo("23:00:20");
    s.Choose(8, ViewAction::CancelCountdown);
    ASSERT_FALSE(s.runner->gate().monitoring);
    s.Choose(8, ViewAction::MonitoringOn, 0, ChoiceSource::Menu);
    EXPECT_TRUE(s.runner->gate().monitoring);
    s.Choose(7, ViewAction::Pause, static_cast<int>(PauseChoice::TwoHours), ChoiceSource::Menu);
    ASSERT_TRUE(s.runner->pausedUntil());
    s.Choose(8, ViewAction::MonitoringOn, 0, ChoiceSource::Menu);
    EXPECT_TRUE(s.runner->pausedUntil());
    EXPECT_EQ(s.pipe.got[8].back().text, kChoiceRefusedText);
    s.Choose(7, ViewAction::MonitoringOn, 0, ChoiceSource::Menu);
    EXPECT_FALSE(s.runner->pausedUntil());
    EXPECT_TRUE(s.runner->gate().monitoring);
}

// A view that connects during a countdown is shown it where it stands, and
// its choice applies; one whose session comes back is shown it then.
TEST(ViewHubScenario, AViewConnectingMidCountdownSeesIt) {
    Service s;
    s.active = {1};
    s.Connect(7, "PC\\甲", 1, false);
    s.Connect(8, "PC\\乙", 2, false);  // switched away
    s.RunTo("23:00:30");
    ASSERT_TRUE(s.Shown(7));
    EXPECT_FALSE(s.Shown(8));
    s.Connect(9, "PC\\丙", 1, false);
    ASSERT_TRUE(s.Shown(9));
    EXPECT_EQ(s.Shown(9)->countdownId, s.Shown(7)->countdownId);
    const ViewMessage& step = s.pipe.got[9].back();
    ASSERT_EQ(step.type, MessageType::CountdownStepped);
    EXPECT_GT(step.position, 0);
    EXPECT_EQ(step.length, 60);
    s.active = {1, 2};
    s.hub->Refresh();
    ASSERT_TRUE(s.Shown(8));
    s.Choose(9, ViewAction::CancelCountdown);
    EXPECT_FALSE(s.Shown(7) || s.Shown(8) || s.Shown(9));
    s.RunTo("23:03:00");
    EXPECT_TRUE(s.carried.empty());
}

// The countdown is the service's: every view leaving changes nothing, and
// one that comes back later is not shown a countdown that ended.
TEST(ViewHubScenario, AViewLeavingDoesNotStopTheCountdown) {
    Service s;
    s.Connect(7, "PC\\甲", 1, false);
    s.RunTo("23:00:20");
    ASSERT_TRUE(s.Shown(7));
    s.hub->Disconnected(7);
    s.RunTo("23:02:00");
    EXPECT_EQ(s.carried, std::vector<std::string>{"23:01 关机"});
    s.Connect(8, "PC\\甲", 1, false);
    EXPECT_FALSE(s.Shown(8));
    EXPECT_EQ(s.Count(8, MessageType::Rights), 1);
    EXPECT_EQ(s.Count(8, MessageType::TrayState), 1);
    // The length its countdown window will count down.
    ASSERT_EQ(s.Count(8, MessageType::CountdownBar), 1);
    const auto bar = std::find_if(s.pipe.got[8].begin(), s.pipe.got[8].end(),
                                  [](const ViewMessage& m) { return m.type == MessageType::CountdownBar; });
    EXPECT_EQ(bar->length, 60);
    EXPECT_EQ(bar->position, 0);
}

// Each row, a connection that breaks the protocol: it is closed, the other
// view and the countdown go on.
TEST(ViewHubScenario, ABadMessageClosesItsConnectionOnly) {
    auto hello = [](std::uint32_t session) {
        ViewMessage m;
        m.type = MessageType::Hello;
        m.session = session;
        return EncodeViewMessage(m);
    };
    ViewMessage idle;
    idle.type = MessageType::IdleReport;
    ViewMessage notice;
    notice.type = MessageType::Notice;
    const struct {
        const char* fault;
        std::vector<std::string> sent;  // by the connection, after Connected
    } cases[] = {
        {"garbage", {hello(1), "\x01\x41\xFF"}},
        {"a service's message", {hello(1), EncodeViewMessage(notice)}},
        {"anything before its hello", {EncodeViewMessage(idle)}},
        {"a second hello", {hello(1), hello(1)}},
        {"a hello from another session", {hello(2)}},
        {"an unknown version", {std::string("\x02\x40\x01\x00\x00\x00", 6)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Service s;
        s.Connect(7, "PC\\甲", 1, false);
        s.RunTo("23:00:20");
        s.hub->Connected(9, ViewPeer{"PC\\乙", 1, false});
        for (const std::string& body : c.sent) s.hub->Received(9, body);
        EXPECT_EQ(s.pipe.closed, std::set<ConnectionId>{9});
        s.hub->Received(9, hello(1));  // a late message from it is nothing
        EXPECT_EQ(s.hub->Views().size(), 1u);
        EXPECT_TRUE(s.Shown(7));
        s.RunTo("23:02:00");
        EXPECT_EQ(s.carried, std::vector<std::string>{"23:01 关机"});
    }
}

// 提醒 and 打开文件 go to the one session asked for; the idle time comes
// from that session's view.
TEST(ViewHubScenario, RemindersAndIdleBelongToTheirSession) {
    Service s;
    s.Connect(7, "PC\\甲", 1, false);
    s.Connect(8, "PC\\乙", 2, false);
    EXPECT_TRUE(s.hub->ShowReminder(2, "喝水"));
    EXPECT_FALSE(s.hub->ShowReminder(3, "喝水"));
    EXPECT_TRUE(s.hub->OpenFile(1, "C:\\记录.txt"));
    EXPECT_FALSE(s.hub->OpenFile(1, std::string(kMaxTextBytes + 1, 'x')));
    EXPECT_EQ(s.Count(7, MessageType::Reminder), 0);
    EXPECT_EQ(s.pipe.got[8].back().text, "喝水");
    EXPECT_EQ(s.pipe.got[7].back().type, MessageType::OpenFile);
    EXPECT_FALSE(s.hub->IdleOf(1));
    ViewMessage idle;
    idle.type = MessageType::IdleReport;
    idle.idleMs = 120000;
    s.hub->Received(7, EncodeViewMessage(idle));
    EXPECT_EQ(s.hub->IdleOf(1), 120000u);
    EXPECT_FALSE(s.hub->IdleOf(2));
}

// ---- a view's side of the protocol against the hub ----
// Every body the hub sends is read by the view's own side (service/view_side.h),
// which must show what the hub says the view shows, offer only what the
// view's rights and the countdown's buttons allow, and send choices the hub
// applies.

// Views of `Service` whose every message goes through a ViewSide.
struct Sides {
    Service& service;
    std::map<ConnectionId, ViewSide> sides;
    std::map<ConnectionId, std::vector<ViewEffect>> effects;

    explicit Sides(Service& s) : service(s) {
        service.pipe.tap = [this](ConnectionId id, const std::string& body) {
            auto side = sides.find(id);
            if (side != sides.end()) effects[id].push_back(side->second.Take(body));
        };
    }
    ViewSide& Connect(ConnectionId id, const char* user, std::uint32_t session, bool admin) {
        sides.erase(id);
        ViewSide& side = sides.emplace(id, ViewSide(session)).first->second;
        service.hub->Connected(id, ViewPeer{user, session, admin});
        service.hub->Received(id, side.Hello());
        return side;
    }
    // The user's choice, as the view sends it (or does not).
    bool Choose(ConnectionId id, ViewAction action, std::int32_t argument = 0) {
        const std::optional<std::string> body = sides.at(id).Choose(action, ChoiceSource::Countdown, argument);
        if (body) service.hub->Received(id, *body);
        return body.has_value();
    }
    // What the view shows agrees with what the hub told it, every second.
    void RunChecked(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            service.Run(1);
            for (auto& [id, side] : sides) {
                if (service.pipe.closed.count(id)) continue;
                // The tray as last sent.
                const auto& got = service.pipe.got[id];
                const auto tray = std::find_if(got.rbegin(), got.rend(),
                                               [](const ViewMessage& m) { return m.type == MessageType::TrayState; });
                ASSERT_NE(tray, got.rend());
                EXPECT_EQ(side.trayFlags(), tray->trayFlags);
                EXPECT_EQ(side.tip(), tray->tip);
                const ViewMessage* shown = service.Shown(id);
                ASSERT_EQ(side.countdown().has_value(), shown != nullptr) << "view " << id;
                if (!shown) continue;
                EXPECT_EQ(side.countdown()->id, shown->countdownId);
                EXPECT_EQ(side.countdown()->word, shown->word);
                EXPECT_TRUE(side.countdown()->buttons == shown->buttons);
            }
        }
    }
};

TEST(ViewSide, ItShowsWhatTheHubShowsAndSendsOnlyWhatItMay) {
    struct Row {
        const char* what;
        std::int32_t baohu;
        bool administrator;
        ViewAction action;
        std::int32_t argument;
        bool sent;           // the view offers it and sends it
        bool stillCounting;  // after the choice
    } rows[] = {
        {"a standard user's 取消", 0, false, ViewAction::CancelCountdown, 0, true, false},
        {"a standard user's 推迟", 0, false, ViewAction::PostponeCountdown, 5, true, false},
        {"a standard user's 取消 under baohu", 1, false, ViewAction::CancelCountdown, 0, false, true},
        {"a standard user's 推迟 under baohu", 1, false, ViewAction::PostponeCountdown, 5, false, true},
        {"a standard user's 立即执行 under baohu", 1, false, ViewAction::ActNow, 0, true, false},
        {"an administrator's 取消 under baohu", 1, true, ViewAction::CancelCountdown, 0, true, false},
        {"a standard user's 暂停", 0, false, ViewAction::Pause, 0, false, true},
        {"a standard user's 停止监控", 0, false, ViewAction::MonitoringOff, 0, false, true},
        {"an administrator's 停止监控", 0, true, ViewAction::MonitoringOff, 0, true, true},
        {"a postponement outside its set", 0, true, ViewAction::PostponeCountdown, 0, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Service service(row.baohu);
        Sides sides(service);
        ViewSide& side = sides.Connect(1, "PC\\user", 1, row.administrator);
        EXPECT_TRUE(side.connected());
        EXPECT_TRUE(side.trayFlags() & kTrayMonitoring);
        EXPECT_FALSE(side.tip().empty());
        sides.RunChecked(125);  // into the countdown, 23:00:05
        ASSERT_TRUE(side.countdown());
        EXPECT_GT(side.countdown()->position, 0);
        EXPECT_EQ(side.countdown()->length, service.runner->settings().countdownLength);
        EXPECT_EQ(sides.Choose(1, row.action, row.argument), row.sent);
        EXPECT_EQ(service.runner->counting(), row.stillCounting);
        sides.RunChecked(2);
        EXPECT_EQ(side.countdown().has_value(), row.stillCounting || service.runner->counting());
    }
}

TEST(ViewSide, ALostViewOffersNothingAndComesBackToTheWholeCountdown) {
    Service service;
    Sides sides(service);
    sides.Connect(1, "PC\\user", 1, true);
    sides.RunChecked(125);
    const std::uint32_t id = sides.sides.at(1).countdown()->id;
    // The pipe broke: the view shows no countdown and offers nothing but
    // closing itself; the countdown goes on in the service.
    service.hub->Disconnected(1);
    sides.sides.at(1).Lost();
    for (int a = 0; a < kViewActionCount; ++a) {
        const ViewAction action = static_cast<ViewAction>(a);
        EXPECT_EQ(sides.sides.at(1).Choose(action, ChoiceSource::Menu, 0).has_value(), action == ViewAction::CloseView)
            << a;
    }
    EXPECT_FALSE(sides.sides.at(1).countdown());
    service.Run(3);
    EXPECT_TRUE(service.runner->counting());
    // Back on a new connection: the same countdown, where it stands.
    ViewSide& back = sides.Connect(2, "PC\\user", 1, true);
    ASSERT_TRUE(back.countdown());
    EXPECT_EQ(back.countdown()->id, id);
    EXPECT_GT(back.countdown()->position, 0);
    EXPECT_TRUE(sides.Choose(2, ViewAction::CancelCountdown));
    EXPECT_FALSE(service.runner->counting());
}

TEST(ViewSide, LateAndForeignMessagesChangeNothing) {
    ViewSide side(1);
    auto body = [](MessageType type, std::uint32_t countdown) {
        ViewMessage m;
        m.type = type;
        m.countdownId = countdown;
        m.word = "关机";
        m.length = 60;
        m.position = 10;
        return EncodeViewMessage(m);
    };
    side.Take(body(MessageType::CountdownShown, 7));
    struct Row {
        const char* what;
        std::string message;
        bool changes;
    } rows[] = {
        {"a step of an earlier countdown", body(MessageType::CountdownStepped, 6), false},
        {"the end of an earlier countdown", body(MessageType::CountdownHidden, 6), false},
        {"a step of its own", body(MessageType::CountdownStepped, 7), true},
    };
    for (const Row& row : rows) {
        const ViewEffect effect = side.Take(row.message);
        EXPECT_EQ(effect.countdownChanged, row.changes) << row.what;
        ASSERT_TRUE(side.countdown()) << row.what;
        EXPECT_EQ(side.countdown()->id, 7u) << row.what;
    }
    // A view's own kinds of message never come from the service.
    for (MessageType type : {MessageType::Hello, MessageType::Choice, MessageType::IdleReport}) {
        ViewMessage m;
        m.type = type;
        EXPECT_THROW(side.Take(EncodeViewMessage(m)), ProtocolError) << static_cast<int>(type);
    }
}

TEST(ViewSide, ReconnectingWaitsLongerEachTimeWithinItsBounds) {
    EXPECT_EQ(ReconnectDelayMs(0), 500u);
    std::uint32_t before = 0;
    for (unsigned failures = 0; failures < 100; ++failures) {
        const std::uint32_t delay = ReconnectDelayMs(failures);
        EXPECT_GE(delay, before) << failures;
        EXPECT_LE(delay, 10000u) << failures;
        before = delay;
    }
    EXPECT_EQ(before, 10000u);
    EXPECT_EQ(ReconnectDelayMs(0xFFFFFFFFu), 10000u);
}

}  // namespace
}  // namespace vantrel
