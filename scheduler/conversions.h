// Text-to-number and date conversions as the stored texts expect them:
// decimal integers with optional leading blanks and zeros, and dates in the
// operating system's short date format.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantrel {

// Raised where a conversion failure has to reach the user as an error box:
// "'%s' is not a valid integer value" / "'%s' is not a valid floating point value".
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Leading blanks, an optional sign and decimal digits (leading zeros allowed),
// nothing after them, within the signed 32-bit range. nullopt otherwise.
std::optional<std::int32_t> TryStrToInt(std::string_view text);
// The same, throwing ConversionError with the message above.
std::int32_t StrToInt(const std::string& text);

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;
};

bool IsValidDate(const Date& d);

// Reads `text` as a date in `format` (for example "yyyy/M/d", "yyyy-MM-dd",
// "M/d/yyyy", "dd.MM.yyyy", "yy/M/d"): the order of year, month and day and
// the separator come from the format; day and month may have one or two
// digits. Two numbers are month and day (or day and month) of `currentYear`.
// A two-digit year is placed within 50 years of `currentYear`.
std::optional<Date> ReadShortDate(std::string_view text, const std::string& format,
                                  int currentYear);

// `date` plus `days` days, and the weekday of a date (0 = Sunday ... 6 =
// Saturday, as in SYSTEMTIME), in the proleptic Gregorian calendar.
Date AddDays(const Date& date, long long days);
int DayOfWeek(const Date& date);
// Days from 1970-01-01 to `date` (negative before it).
long long DaysSinceEpoch(const Date& date);

// Writes a date in `format`: d/dd, M/MM, yy/yyyy, anything else copied.
std::string FormatShortDate(const Date& date, const std::string& format);

// The date field as the editor's date picker writes the date it reads as in
// `format` (ReadShortDate, then FormatShortDate); nullopt when it reads as
// no date. The schedule check's PickerDate (store/schedule_check.h).
std::function<std::optional<std::string>(const std::string&)> ShortDatePicker(
    const std::string& format, int currentYear);

}  // namespace vantrel
