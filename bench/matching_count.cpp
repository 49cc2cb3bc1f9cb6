// Calls one matching rule N times, for callgrind to count instructions:
//   matching_count RULE due|fields N
// "due" asks for the answer alone, as the tick does; "fields" also takes the
// field texts, as the editor does. One call costs (I(N) - I(1)) / (N - 1).
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/rule_cases.h"

using namespace vantrel;

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const bool fieldsToo = std::strcmp(argv[2], "fields") == 0;
    long n = std::atol(argv[3]);
    const LocalTime now = BenchTime();
    const MatchEnv env = BenchEnv();
    volatile bool sink = false;
    for (const RuleCase& c : kRuleCases) {
        if (std::strcmp(c.name, argv[1]) != 0) continue;
        const std::string text = c.text;
        for (long i = 0; i < n; ++i) {
            sink = fieldsToo ? MatchSchedule(c.kind, now, text, env).due : IsScheduleDue(c.kind, now, text, env);
        }
        return sink ? 0 : 0;
    }
    return 2;
}
