// The countdown's 推迟: the choices its menu offers, and the postponed power
// action as the program key keeps it (value "tuichi"), so that a restart of
// the program neither forgets it nor carries it out without a countdown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scheduler/matching.h"
#include "scheduler/time_text.h"

namespace vantrel {

// The 推迟 menu's items, in menu order, and their minutes.
extern const char* const kPostponeCaptions[3];  // "5分钟", "15分钟", "1小时"
extern const int kPostponeMinutes[3];           // 5, 15, 60

struct PostponedAction {
    LocalTime at;       // the minute its countdown starts again
    std::string word;   // the pending power word ("关机")
    std::string wake;   // the wake choice of a "休眠"; empty for the others
};

// "YYYY-MM-DD HH:MM 关机", with " " and the wake choice after a "休眠" that
// has one.
std::string FormatPostponed(const PostponedAction& action);
// The stored text back; nullopt for a text that is none (a minute that does
// not exist, a word that is no power word, a wake choice after another word).
std::optional<PostponedAction> ParsePostponed(const std::string& text);

// The one rule of every pending minute: a task's, a postponed action's,
// the quick timer's, a countdown stopped by a sleep or a session switch.
// It is due from its minute for kGraceMinutes more, and missed after that:
// a clock sync or a daylight-saving jump that steps over the minute, or a
// countdown on screen in it, still brings it; a computer that slept or a
// program that was not running through it does not carry it out hours late.
constexpr std::int64_t kGraceMinutes = 5;
enum class DueState { Waiting, Due, Missed };
DueState DueAt(std::int64_t minute, std::int64_t now);

// A task's run skipped from its warning (跳过本次). The program key keeps
// them (value "tiaoguo") as "YYYY-MM-DD HH:MM n schedule", joined by ';',
// so that the copy that runs the tasks honours a choice made in another.
struct SkippedRun {
    int number = 0;
    std::string schedule;
    LocalTime at;  // the run's minute
    bool operator==(const SkippedRun& o) const {
        return number == o.number && schedule == o.schedule && MinuteNumber(at) == MinuteNumber(o.at);
    }
};
std::string FormatSkippedRuns(const std::vector<SkippedRun>& runs);
// Entries that do not read as a run are left out.
std::vector<SkippedRun> ParseSkippedRuns(const std::string& text);

}  // namespace vantrel
