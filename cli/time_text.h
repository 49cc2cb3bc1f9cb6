// The times vantrelctl reads and prints: "YYYY-MM-DD HH:MM" (and ":SS" where
// a second is wanted), as local times with the weekday the date gives.
#pragma once

#include <optional>
#include <string>

#include "scheduler/matching.h"

namespace vantrel {

// "YYYY-MM-DD HH:MM", or with ":SS" when `seconds` allows it; nullopt for any
// other form or a date or time that does not exist.
std::optional<LocalTime> ParseLocalTime(const std::string& text, bool seconds);

// "YYYY-MM-DD HH:MM".
std::string FormatMinute(const LocalTime& t);

}  // namespace vantrel
