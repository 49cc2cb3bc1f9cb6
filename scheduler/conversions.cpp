#include "scheduler/conversions.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace vantrel {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsDateLetter(char c) {
    return c == 'y' || c == 'M' || c == 'd';
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) {
        return 29;
    }
    return kDays[month - 1];
}

// Zero-padded decimal of at least `width` digits.
std::string Padded(int value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), '0');
    }
    return digits;
}

struct DateNumber {
    int value = 0;
    std::size_t digits = 0;
};

}  // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) {
        return std::nullopt;
    }
    // Accumulated in 64 bits and checked after every digit, so a long run of
    // digits is refused instead of overflowing; leading zeros cost nothing.
    const std::int64_t limit =
        negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                 : static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max());
    std::int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        if (!IsDigit(text[pos])) {
            return std::nullopt;
        }
        value = value * 10 + (text[pos] - '0');
        if (value > limit) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t StrToInt(const std::string& text) {
    const std::optional<std::int32_t> value = TryStrToInt(text);
    if (!value) {
        throw ConversionError("'" + text + "' is not a valid integer value");
    }
    return *value;
}

bool IsValidDate(const Date& d) {
    if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12) {
        return false;
    }
    return d.day >= 1 && d.day <= DaysInMonth(d.year, d.month);
}

std::optional<Date> ReadShortDate(std::string_view text, const std::string& format,
                                  int currentYear) {
    // The order of year, month and day is the order in which their letters
    // first appear in the format; a format without a separator, or without a
    // month or a day, describes nothing that could be read back.
    std::size_t posY = format.find('y');
    const std::size_t posM = format.find('M');
    const std::size_t posD = format.find('d');
    if (posM == std::string::npos || posD == std::string::npos) {
        return std::nullopt;
    }
    if (posY == std::string::npos) {
        posY = format.size();  // a year, when written anyway, comes last
    }
    char separator = '\0';
    bool haveSeparator = false;
    for (char c : format) {
        if (!IsDateLetter(c)) {
            separator = c;
            haveSeparator = true;
            break;
        }
    }
    if (!haveSeparator) {
        return std::nullopt;
    }

    DateNumber numbers[3];
    std::size_t count = 0;
    std::size_t pos = 0;
    for (;;) {
        while (pos < text.size() && IsBlank(text[pos])) {
            ++pos;
        }
        DateNumber number;
        while (pos < text.size() && IsDigit(text[pos])) {
            if (number.digits == 4) {
                return std::nullopt;
            }
            number.value = number.value * 10 + (text[pos] - '0');
            ++number.digits;
            ++pos;
        }
        if (number.digits == 0 || count == 3) {
            return std::nullopt;
        }
        numbers[count++] = number;
        if (pos < text.size() && text[pos] == separator) {
            ++pos;
            continue;
        }
        break;
    }
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    if (pos != text.size() || count < 2) {
        return std::nullopt;
    }

    Date date;
    if (count == 2) {
        date.year = currentYear;
        if (posM < posD) {
            date.month = numbers[0].value;
            date.day = numbers[1].value;
        } else {
            date.day = numbers[0].value;
            date.month = numbers[1].value;
        }
    } else {
        // Rank of each letter among the three positions gives its number.
        const std::size_t rankY = (posM < posY) + (posD < posY);
        const std::size_t rankM = (posY < posM) + (posD < posM);
        const std::size_t rankD = (posY < posD) + (posM < posD);
        date.month = numbers[rankM].value;
        date.day = numbers[rankD].value;
        date.year = numbers[rankY].value;
        if (numbers[rankY].digits <= 2) {
            // A short year lands in the century window that ends 50 years
            // after the current year.
            // Computed in 64 bits: a current year near the ends of the int
            // range must not overflow; the result is checked below anyway.
            const long long threshold = static_cast<long long>(currentYear) - 50;
            long long year = date.year + (threshold / 100) * 100;
            if (year < threshold) year += 100;
            if (year < 1 || year > 9999) return std::nullopt;
            date.year = static_cast<int>(year);
        }
    }
    if (!IsValidDate(date)) {
        return std::nullopt;
    }
    return date;
}

std::string FormatShortDate(const Date& date, const std::string& format) {
    std::string out;
    std::size_t pos = 0;
    while (pos < format.size()) {
        const char c = format[pos];
        if (!IsDateLetter(c)) {
            out += c;
            ++pos;
            continue;
        }
        std::size_t run = 0;
        while (pos < format.size() && format[pos] == c) {
            ++run;
            ++pos;
        }
        // One letter writes the number as it is, more letters pad it; names of
        // days and months are not part of a numeric short date.
        if (c == 'y') {
            const int shortYear = date.year % 100;
            if (run == 1) {
                out += std::to_string(shortYear);
            } else if (run == 2) {
                out += Padded(shortYear, 2);
            } else {
                out += Padded(date.year, 4);
            }
        } else {
            const int value = c == 'M' ? date.month : date.day;
            out += run == 1 ? std::to_string(value) : Padded(value, 2);
        }
    }
    return out;
}

namespace {

long long DaysFromCivil(long long y, long long m, long long d) {
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Date CivilFromDays(long long z) {
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long d = doy - (153 * mp + 2) / 5 + 1;
    long long m = mp + (mp < 10 ? 3 : -9);
    Date out;
    out.year = static_cast<int>(y + (m <= 2));
    out.month = static_cast<int>(m);
    out.day = static_cast<int>(d);
    return out;
}

}  // namespace

Date AddDays(const Date& date, long long days) {
    return CivilFromDays(DaysFromCivil(date.year, date.month, date.day) + days);
}

long long DaysSinceEpoch(const Date& date) { return DaysFromCivil(date.year, date.month, date.day); }

int DayOfWeek(const Date& date) {
    long long days = DaysFromCivil(date.year, date.month, date.day);
    return static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
}

std::function<std::optional<std::string>(const std::string&)> ShortDatePicker(
    const std::string& format, int currentYear) {
    return [format, currentYear](const std::string& field) -> std::optional<std::string> {
        const std::optional<Date> date = ReadShortDate(field, format, currentYear);
        if (!date) return std::nullopt;
        return FormatShortDate(*date, format);
    };
}

}  // namespace vantrel
