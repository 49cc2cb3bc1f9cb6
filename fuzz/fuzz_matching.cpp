// Every matching rule on arbitrary bytes, times, tick counts and short date
// formats: no rule may crash, throw or read outside the text, and the fields
// it hands back are runs of the text; the answer-only path agrees with it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "scheduler/matching.h"
#include "store/schedule_text.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    LocalTime now;
    now.year = in.ConsumeIntegral<int>();
    now.month = in.ConsumeIntegral<int>();
    now.dayOfWeek = in.ConsumeIntegral<int>();
    now.day = in.ConsumeIntegral<int>();
    now.hour = in.ConsumeIntegral<int>();
    now.minute = in.ConsumeIntegral<int>();
    MatchEnv env;
    env.tickCount = in.ConsumeIntegral<uint32_t>();
    env.lastInputTick = in.ConsumeIntegral<uint32_t>();
    env.shortDateFormat = in.ConsumeRandomLengthString(16);
    std::string text = in.ConsumeRemainingBytesAsString();

    static const ScheduleKind kinds[] = {ScheduleKind::None,   ScheduleKind::Idle,    ScheduleKind::Once,
                                         ScheduleKind::Daily,  ScheduleKind::Weekly,  ScheduleKind::Monthly,
                                         ScheduleKind::Yearly, ScheduleKind::Startup, ScheduleKind::Interval};
    for (ScheduleKind kind : kinds) {
        MatchResult r = MatchSchedule(kind, now, text, env);
        for (const FieldText& f : r.fields) {
            // The weekly rule hands back "0" for a stored "7"; every other
            // field is a run of the text.
            if (f.name == "W" && f.text == "0") continue;
            if (!f.text.empty() && text.find(f.text) == std::string::npos) std::abort();
        }
        if (kind == ScheduleKind::None && (r.due || !r.fields.empty())) std::abort();
        // The tick's answer-only path reads the same fields the same way.
        if (IsScheduleDue(kind, now, text, env) != r.due) std::abort();
    }
    std::string kindWord = ScheduleKindOf(text);
    if (text.compare(0, kindWord.size(), kindWord) != 0) std::abort();
    return 0;
}
