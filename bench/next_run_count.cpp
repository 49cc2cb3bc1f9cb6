// Computes the next runs of 1,000 tasks N times, for callgrind:
//   next_run_count all|RULE N
// "all": 1,000 enabled tasks of the eight kinds in turn (the texts of
// bench/rule_cases.h); RULE: 1,000 tasks of that rule's text alone. A pass
// is what the tray does at the start of a minute to name the next task
// (FirstNextTask over the tasks the tick read), and what the settings list
// does for its rows (NextRunOf of each): one pass costs (I(N) - I(1)) / (N - 1).
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runner/tray_status.h"
#include "bench/rule_cases.h"

using namespace vantrel;

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const bool all = std::strcmp(argv[1], "all") == 0;
    std::vector<SeenTask> tasks;
    for (int n = 1; n <= 1000; ++n) {
        const RuleCase& c = kRuleCases[(n - 1) % (sizeof kRuleCases / sizeof kRuleCases[0])];
        if (all || std::strcmp(c.name, argv[1]) == 0) tasks.push_back(SeenTask{n, c.text, "启用"});
    }
    if (tasks.empty()) return 2;
    while (tasks.size() < 1000) tasks.push_back(SeenTask{static_cast<int>(tasks.size()) + 1, tasks[0].schedule, "启用"});
    const long n = std::atol(argv[2]);
    const LocalTime now = BenchTime();
    const MatchEnv env = BenchEnv();
    volatile int sink = 0;
    for (long i = 0; i < n; ++i) {
        const auto next = FirstNextTask(tasks, now, env);
        sink = next ? next->number : 0;
    }
    return sink >= 0 ? 0 : 1;
}
