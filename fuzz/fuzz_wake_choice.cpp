// The wake-choice parser and the wake plan: parts are runs of the text, and
// an armed plan always names a real date and a time the clock can show.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "actions/wake_plan.h"
#include "store/task_record.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Date today{in.ConsumeIntegralInRange(1601, 9000), in.ConsumeIntegralInRange(1, 12),
               in.ConsumeIntegralInRange(1, 28)};
    std::string wake = in.ConsumeRemainingBytesAsString();
    WakeParts p = ParseWakeChoice(wake);
    for (const std::string* part : {&p.dayText, &p.n, &p.hour, &p.minute})
        if (!part->empty() && wake.find(*part) == std::string::npos) std::abort();
    try {
        WakePlan plan = PlanWake(wake, today);
        if (plan.armTimer) {
            if (plan.hour < 0 || plan.hour > 23 || plan.minute < 0 || plan.minute > 59) std::abort();
            if (!IsValidDate(plan.date)) std::abort();
        }
        if (IsNoWake(wake) && plan.armTimer) std::abort();
    } catch (const ConversionError&) {
        // A wake choice whose numbers do not convert is reported to the user.
    }
    return 0;
}
