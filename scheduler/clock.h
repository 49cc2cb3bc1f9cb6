// The platform's clock as the matching rules see it: the local time, the
// millisecond tick count, the last input and the short date format. The time
// since the computer came on is read through the system interface
// (actions/system_ops.h), where tests give recorded answers.
#pragma once

#include <cstdint>
#include <string>

#include "scheduler/matching.h"

namespace vantrel {

LocalTime LocalTimeNow();
// Tick count and last-input tick read now, with `shortDateFormat` and the
// milliseconds since the computer was switched on or last woke up.
MatchEnv CurrentMatchEnv(const std::string& shortDateFormat, std::uint64_t upMs);
// The user's short date format (yyyy/M/d where the system has none to ask).
std::string SystemShortDateFormat();

}  // namespace vantrel
