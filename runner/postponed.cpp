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

DueState DueAt(std::int64_t minute, std::int64_t now) {
    if (now < minute) return DueState::Waiting;
    return now - minute <= kGraceMinutes ? DueState::Due : DueState::Missed;
}

std::string FormatSkippedRuns(const std::vector<SkippedRun>& runs) {
    std::string text;
    for (const SkippedRun& r : runs) {
        if (!text.empty()) text += ';';
        text += FormatMinute(r.at) + " " + std::to_string(r.number) + " " + r.schedule;
    }
    return text;
}

std::vector<SkippedRun> ParseSkippedRuns(const std::string& text) {
    std::vector<SkippedRun> runs;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find(';', from);
        if (end == std::string::npos) end = text.size();
        const std::string entry = text.substr(from, end - from);
        from = end + 1;
        if (entry.size() < kMinuteChars + 4 || entry[kMinuteChars] != ' ') continue;
        const std::optional<LocalTime> at = ParseLocalTime(entry.substr(0, kMinuteChars), false);
        const std::size_t space = entry.find(' ', kMinuteChars + 1);
        if (!at || space == std::string::npos || space + 1 >= entry.size()) continue;
        const std::string number = entry.substr(kMinuteChars + 1, space - kMinuteChars - 1);
        if (number.empty() || number.size() > 6 || number.find_first_not_of("0123456789") != std::string::npos)
            continue;
        SkippedRun run;
        run.number = std::stoi(number);
        run.schedule = entry.substr(space + 1);
        run.at = *at;
        if (run.number > 0) runs.push_back(run);
    }
    return runs;
}

}  // namespace vantrel
