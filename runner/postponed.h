// The countdown's 推迟: the choices its menu offers, and the postponed power
// action as the program key keeps it (value "tuichi"), so that a restart of
// the program neither forgets it nor carries it out without a countdown.
#pragma once

#include <optional>
#include <string>

#include "scheduler/matching.h"

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

// Due from its minute on: one whose minute passed while the program was not
// running still comes, with its whole countdown.
bool PostponedIsDue(const PostponedAction& action, const LocalTime& now);

}  // namespace vantrel
