#include "runner/postponed.h"

#include "actions/countdown_model.h"
#include "scheduler/time_text.h"

namespace vantrel {

const char* const kPostponeCaptions[3] = {"5分钟", "15分钟", "1小时"};
const int kPostponeMinutes[3] = {5, 15, 60};

namespace {

const std::size_t kMinuteChars = 16;  // "YYYY-MM-DD HH:MM"

}  // namespace

std::string FormatPostponed(const PostponedAction& action) {
    std::string text = FormatMinute(action.at) + " " + action.word;
    if (PowerOpFor(action.word) == PowerOp::Hibernate && !action.wake.empty())
        text += " " + action.wake;
    return text;
}

std::optional<PostponedAction> ParsePostponed(const std::string& text) {
    if (text.size() < kMinuteChars + 2 || text[kMinuteChars] != ' ') return std::nullopt;
    std::optional<LocalTime> at = ParseLocalTime(text.substr(0, kMinuteChars), false);
    if (!at) return std::nullopt;
    const std::string rest = text.substr(kMinuteChars + 1);
    const std::size_t space = rest.find(' ');
    PostponedAction action;
    action.at = *at;
    action.word = rest.substr(0, space);
    if (space != std::string::npos) action.wake = rest.substr(space + 1);
    const PowerOp op = PowerOpFor(action.word);
    if (op == PowerOp::None) return std::nullopt;
    if (space != std::string::npos && (op != PowerOp::Hibernate || action.wake.empty()))
        return std::nullopt;
    return action;
}

bool PostponedIsDue(const PostponedAction& action, const LocalTime& now) {
    return MinuteNumber(now) >= MinuteNumber(action.at);
}

}  // namespace vantrel
