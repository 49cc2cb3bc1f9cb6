// The service starts the views (service/view_launch.h says why and who gets
// which token): at its start for the sessions already there, at each logon,
// and at the start of each minute for a session whose view is gone. A
// user's 退出 holds until their next logon.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "scheduler/history_recorder.h"
#include "service/view_hub.h"

namespace vantrel {

class ViewLauncher {
public:
    // `commandLine`: the program, quoted, as a view starts.
    explicit ViewLauncher(std::string commandLine) : commandLine_(std::move(commandLine)) {}
    void UseHistory(HistoryRecorder* history) { history_ = history; }

    // Starts a view in every session with a user and none; `minute` is
    // the minute number now.
    void StartMissing(const std::vector<ViewPeer>& views, std::int64_t minute);
    // A user logged on in `session`: the last user's 退出 no longer holds.
    void LoggedOn(std::uint32_t session);
    void ClosedByUser(std::uint32_t session) { closed_.insert(session); }

private:
    std::string commandLine_;
    HistoryRecorder* history_ = nullptr;
    std::map<std::uint32_t, std::vector<std::int64_t>> starts_;  // minutes of the starts, by session
    std::set<std::uint32_t> closed_;
    std::set<std::uint32_t> told_;  // sessions whose refusal the history already has
};

}  // namespace vantrel
