// The date reader and writer under arbitrary formats: whatever reads is a
// real date, and a date written with a four-digit-year format reads back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "scheduler/conversions.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    int currentYear = in.ConsumeIntegralInRange(1601, 9999);
    std::string format = in.ConsumeRandomLengthString(24);
    Date date{in.ConsumeIntegralInRange(1, 9999), in.ConsumeIntegralInRange(1, 12),
              in.ConsumeIntegralInRange(1, 31)};
    std::string text = in.ConsumeRemainingBytesAsString();

    if (auto read = ReadShortDate(text, format, currentYear))
        if (!IsValidDate(*read)) std::abort();

    static const char* const kFormats[] = {"yyyy/M/d", "yyyy-M-d", "yyyy-MM-dd", "M/d/yyyy",
                                           "d/M/yyyy", "dd.MM.yyyy"};
    if (IsValidDate(date)) {
        for (const char* f : kFormats) {
            auto back = ReadShortDate(FormatShortDate(date, f), f, currentYear);
            if (!back || back->year != date.year || back->month != date.month || back->day != date.day)
                std::abort();
        }
        Date next = AddDays(date, 1);
        if (!IsValidDate(next) && date.year < 9999) std::abort();
        if (DayOfWeek(next) != (DayOfWeek(date) + 1) % 7) std::abort();
    }
    return 0;
}
