// Calls one matching rule N times, for callgrind to count instructions:
//   matching_count RULE N
// The instructions of one call are (I(N) - I(1)) / (N - 1).
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/rule_cases.h"

using namespace vantrel;

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    long n = std::atol(argv[2]);
    const LocalTime now = BenchTime();
    const MatchEnv env = BenchEnv();
    volatile bool sink = false;
    for (const RuleCase& c : kRuleCases) {
        if (std::strcmp(c.name, argv[1]) != 0) continue;
        const std::string text = c.text;
        for (long i = 0; i < n; ++i) sink = MatchSchedule(c.kind, now, text, env).due;
        return sink ? 0 : 0;
    }
    return 2;
}
