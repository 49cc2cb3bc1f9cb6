#include "service/rights.h"

namespace vantrel {

namespace {

enum class Needs {
    Nothing,             // anyone, anywhere
    Screen,              // anyone at the screen
    ScreenUnprotected,   // anyone at the screen while baohu is off
    Administrator,
};

Needs NeedsOf(ViewAction action) {
    switch (action) {
        case ViewAction::CloseView: return Needs::Nothing;
        case ViewAction::CancelCountdown:
        case ViewAction::PostponeCountdown:
        case ViewAction::SkipWarnedRun:
        case ViewAction::PostponeWarnedRun: return Needs::ScreenUnprotected;
        case ViewAction::ActNow:
        case ViewAction::MonitoringOn:
        case ViewAction::PowerCommand: return Needs::Screen;
        case ViewAction::MonitoringOff:
        case ViewAction::Pause:
        case ViewAction::QuickTimer:
        case ViewAction::CleanJunk:
        case ViewAction::ChangeTasks:
        case ViewAction::ChangeSettings: return Needs::Administrator;
    }
    return Needs::Administrator;  // an action not listed is the strictest
}

}  // namespace

bool MayDo(const ViewClient& client, ViewAction action, std::int32_t adminChoices) {
    if (client.administrator) return true;
    switch (NeedsOf(action)) {
        case Needs::Nothing: return true;
        case Needs::Screen: return client.atScreen;
        case Needs::ScreenUnprotected: return client.atScreen && adminChoices == 0;
        case Needs::Administrator: return false;
    }
    return false;
}

ViewRights ViewRights::For(const ViewClient& client, std::int32_t adminChoices) {
    std::uint32_t bits = 0;
    for (int a = 0; a < kViewActionCount; ++a)
        if (MayDo(client, static_cast<ViewAction>(a), adminChoices)) bits |= 1u << a;
    return ViewRights(bits);
}

CountdownButtons ButtonsFor(const ViewRights& rights) {
    CountdownButtons b;
    b.cancel = rights.May(ViewAction::CancelCountdown);
    b.postpone = rights.May(ViewAction::PostponeCountdown);
    b.actNow = rights.May(ViewAction::ActNow);
    return b;
}

}  // namespace vantrel
