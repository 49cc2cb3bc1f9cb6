// Which copy runs the machine's tasks, over recorded sessions.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "scheduler/session_role.h"

namespace vantrel {
namespace {

LocalTime At(int minute, int second = 0) { return LocalTime{2024, 5, 1, 6, 22, minute, second}; }

TEST(SessionRole, ACopyFollowsTheSessionMessagesItIsTold) {
    const struct {
        const char* what;
        std::uint32_t own;  // the console is session 1; a remote session is active at start
        std::vector<std::pair<std::uint32_t, std::uint32_t>> told;
        bool runs;
    } kCases[] = {
        {"locked (7) at the console", 1, {{7, 1}}, true},
        {"switched away", 1, {{kConsoleDisconnect, 1}, {kConsoleConnect, 2}}, false},
        {"another session taken to the console", 1, {{kConsoleConnect, 3}}, false},
        {"other sessions' remote changes", 1, {{kRemoteConnect, 4}, {kRemoteDisconnect, 4}}, true},
        {"remote, disconnected", 3, {{kRemoteDisconnect, 3}}, false},
        {"remote, reconnected", 3, {{kRemoteDisconnect, 3}, {kRemoteConnect, 3}}, true},
        {"remote, taken to the console", 3, {{kRemoteDisconnect, 3}, {kConsoleConnect, 3}}, true},
    };
    for (const auto& c : kCases) {
        SessionRole role(c.own, 1, true);
        for (const auto& m : c.told) role.Told(m.first, m.second);
        EXPECT_EQ(role.RunsTasksAt(At(1), [&] { return OtherSessions{{c.own}, {}}; }), c.runs) << c.what;
        EXPECT_EQ(role.Seen(), c.runs) << c.what;
    }
}

// Every copy decides from the same sessions: never two run the tasks.
TEST(SessionRole, TheCopiesOfOneMachineNeverBothRunTheTasks) {
    const struct {
        const char* what;
        std::uint32_t console;
        std::vector<std::uint32_t> active, copies;
        std::uint32_t runner;  // kNoSession: none
    } kMachines[] = {
        {"two users, the second at the console", 2, {2}, {1, 2}, 2},
        {"an administrator away, a standard user at the console", 2, {2}, {1}, kNoSession},
        {"the console and two remote users", 1, {1, 3, 4}, {1, 3, 4}, 1},
        {"a server used through Remote Desktop", kNoSession, {3, 4, 6}, {3, 4, 6}, 3},
        {"a console user without a copy, two remote", 1, {1, 4, 6}, {4, 6}, 4},
        {"remote copies, the lowest disconnected", 1, {1, 6}, {4, 6}, 6},
    };
    for (const auto& m : kMachines) {
        std::uint32_t runner = kNoSession;
        for (std::uint32_t own : m.copies) {
            OtherSessions others{m.active, {}};
            for (std::uint32_t s : m.copies)
                if (s != own) others.withCopy.push_back(s);
            SessionRole role(own, m.console, std::count(m.active.begin(), m.active.end(), own) > 0);
            role.RunsTasksAt(At(0), [&] { return others; });  // a takeover skips this minute
            if (!role.RunsTasksAt(At(1), [&] { return others; })) continue;
            EXPECT_EQ(runner, kNoSession) << m.what << ": " << runner << " and " << own;
            runner = own;
        }
        EXPECT_EQ(runner, m.runner) << m.what;
    }
}

// Taking over (at start or back at the console) while another copy runs
// elsewhere skips the rest of that minute, which the other may have run.
TEST(SessionRole, ACopyTakingOverSkipsTheMinuteAnotherCopyMayHaveRun) {
    const struct {
        const char* what;
        bool away;
        std::vector<std::uint32_t> withCopy;
        std::vector<bool> runs;  // at 22:30:05, 22:30:50, 22:31:02
    } kCases[] = {
        {"started, alone", false, {}, {true, true, true}},
        {"started beside another user's copy", false, {2}, {false, false, true}},
        {"back, another copy elsewhere", true, {2}, {false, false, true}},
    };
    for (const auto& c : kCases) {
        const OtherSessions others{{1}, c.withCopy};
        SessionRole role(1, 1, true);
        if (c.away) {
            role.RunsTasksAt(At(29), [&] { return others; });
            role.Told(kConsoleConnect, 2);
            role.Told(kConsoleConnect, 1);
        }
        const LocalTime ticks[] = {At(30, 5), At(30, 50), At(31, 2)};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(role.RunsTasksAt(ticks[i], [&] { return others; }), c.runs[i]) << c.what << " " << i;
    }
}

}  // namespace
}  // namespace vantrel
