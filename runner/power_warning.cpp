#include "runner/power_warning.h"

#include <cstring>

#include "scheduler/next_due.h"
#include "scheduler/time_text.h"

namespace vantrel {

const char* WarningWordFor(const std::string& actionName) {
    const char* word = PendingWordFor(actionName);
    return word && std::strcmp(word, "断开拨号") != 0 ? word : nullptr;
}

std::vector<PowerWarning> WarningsDue(const std::vector<SeenTask>& tasks, const LocalTime& now,
                                      const MatchEnv& env, int minutes,
                                      const std::function<std::string(int)>& actionOf) {
    std::vector<PowerWarning> due;
    if (minutes <= 0) return due;
    const LocalTime from = AddMinutes(now, 1);
    for (const SeenTask& t : tasks) {
        const NextRun run = NextRunOf(t.schedule, t.enabled, from, env);
        if (run.kind != NextRun::Kind::At) continue;
        const std::int64_t ahead = MinuteNumber(run.at) - MinuteNumber(now);
        if (ahead > minutes) continue;
        const char* word = WarningWordFor(actionOf(t.number));
        if (!word) continue;
        due.push_back(PowerWarning{t.number, t.schedule, word, run.at, ahead});
    }
    return due;
}

std::string WarningText(const PowerWarning& warning) {
    return std::to_string(warning.minutesAhead) + "分钟后将" + warning.word + "（" + warning.schedule + "）";
}

}  // namespace vantrel
