// Local times as texts and as minutes: "YYYY-MM-DD HH:MM" (and ":SS" where a
// second is wanted), the form vantrelctl reads and prints and the program
// key's pause and quick-timer values hold, with the weekday the date gives;
// and the minute arithmetic that compares such times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "scheduler/matching.h"

namespace vantrel {

// "YYYY-MM-DD HH:MM", or with ":SS" when `seconds` allows it; nullopt for any
// other form or a date or time that does not exist.
std::optional<LocalTime> ParseLocalTime(const std::string& text, bool seconds);

// "YYYY-MM-DD HH:MM".
std::string FormatMinute(const LocalTime& t);

// The minute of `t` counted from 1970-01-01 00:00; its seconds are ignored,
// so two times of one minute have the same number.
std::int64_t MinuteNumber(const LocalTime& t);

// `t` plus `minutes` (negative: before it), at second 0, with its weekday.
LocalTime AddMinutes(const LocalTime& t, std::int64_t minutes);

// The minute `minutes` on from `now`, never less: a minute begun counts from
// its end (how far on the pause and the quick timer go).
LocalTime MinutesLater(const LocalTime& now, std::int64_t minutes);

// For a window timer that wakes once a minute: the milliseconds from `now`
// to just after the next minute begins.
std::uint32_t MillisecondsToNextMinute(const LocalTime& now);

}  // namespace vantrel
