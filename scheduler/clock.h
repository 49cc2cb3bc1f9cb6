// The platform's clock as the matching rules see it: the local time, the
// millisecond tick count, the last input and the short date format.
#pragma once

#include <string>

#include "scheduler/matching.h"

namespace vantrel {

LocalTime LocalTimeNow();
// Tick count and last-input tick read now, with `shortDateFormat`.
MatchEnv CurrentMatchEnv(const std::string& shortDateFormat);
// The user's short date format (yyyy/M/d where the system has none to ask).
std::string SystemShortDateFormat();

}  // namespace vantrel
