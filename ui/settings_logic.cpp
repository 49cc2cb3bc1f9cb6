#include "ui/settings_logic.h"

#include <algorithm>

#include "scheduler/conversions.h"

// Both conversions work on decimal digits rather than through printf and
// strtod: the values are small rationals (seconds over 60), so exact digit
// arithmetic gives the same texts, and the program does not carry the C
// library's floating-point formatting and parsing for two boxes.

namespace vantrel {

namespace {

// Adds one to the decimal digits in [0, end), carrying to the left; returns
// false when the carry runs off the front (all nines).
bool IncrementDigits(std::string& digits, size_t end) {
    for (size_t i = end; i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return true;
        }
        digits[i] = '0';
    }
    return false;
}

}  // namespace

std::string FormatWaitMinutes(std::int32_t seconds) {
    const long long magnitude = seconds < 0 ? -static_cast<long long>(seconds) : seconds;
    if (magnitude == 0) return "0";
    constexpr size_t kSignificant = 15;

    std::string whole = std::to_string(magnitude / 60);
    if (whole == "0") whole.clear();
    // One digit past the fifteenth significant one decides the rounding. A
    // quotient over 60 either ends within two decimals or repeats for ever,
    // so it never lies exactly halfway and a digit of 5 or more rounds up.
    std::string digits = whole;
    long long remainder = magnitude % 60;
    size_t firstSignificant = whole.empty() ? std::string::npos : 0;
    while (remainder != 0 && (firstSignificant == std::string::npos ||
                              digits.size() < firstSignificant + kSignificant + 1)) {
        remainder *= 10;
        digits += static_cast<char>('0' + remainder / 60);
        remainder %= 60;
        if (firstSignificant == std::string::npos && digits.back() != '0') {
            firstSignificant = digits.size() - 1;
        }
    }
    size_t point = whole.size();  // digits before the decimal point
    size_t keep = firstSignificant + kSignificant;
    if (digits.size() > keep) {
        bool up = digits[keep] >= '5';
        digits.resize(keep);
        if (up && !IncrementDigits(digits, keep)) {
            digits.insert(digits.begin(), '1');
            ++point;
        }
    }
    std::string intPart = point == 0 ? "0" : digits.substr(0, point);
    std::string fraction = digits.substr(std::min(point, digits.size()));
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    std::string text = seconds < 0 ? "-" : "";
    text += intPart;
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

namespace {

// A decimal number as 0.DIGITS times ten to the power `point`, sign apart;
// DIGITS has no leading or trailing zeros and is empty for zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    long long point = 0;
};

// Blanks, a sign, digits with at most one point, an exponent and blanks:
// nothing else, so no "inf", "nan" or hexadecimal either.
bool ParseDecimal(const std::string& t, Decimal& out) {
    size_t i = 0, n = t.size();
    while (i < n && t[i] == ' ') ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) out.negative = t[i++] == '-';
    size_t mantissaDigits = 0;
    long long point = 0;
    while (i < n && t[i] >= '0' && t[i] <= '9') out.digits += t[i++], ++mantissaDigits, ++point;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && t[i] >= '0' && t[i] <= '9') out.digits += t[i++], ++mantissaDigits;
    }
    if (mantissaDigits == 0) return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (t[i] == '+' || t[i] == '-')) negativeExponent = t[i++] == '-';
        size_t exponentDigits = 0;
        long long exponent = 0;
        // Saturates far beyond any exponent that could still give a
        // representable number of seconds.
        while (i < n && t[i] >= '0' && t[i] <= '9') {
            exponent = std::min(exponent * 10 + (t[i++] - '0'), 1000000000LL);
            ++exponentDigits;
        }
        if (exponentDigits == 0) return false;
        point += negativeExponent ? -exponent : exponent;
    }
    while (i < n && t[i] == ' ') ++i;
    if (i != n) return false;

    size_t lead = out.digits.find_first_not_of('0');
    if (lead == std::string::npos) {
        out.digits.clear();
        out.point = 0;
        return true;
    }
    out.digits.erase(0, lead);
    out.point = point - static_cast<long long>(lead);
    out.digits.erase(out.digits.find_last_not_of('0') + 1);
    return true;
}

void MultiplyBy(Decimal& d, int factor) {
    int carry = 0;
    for (size_t i = d.digits.size(); i-- > 0;) {
        int v = (d.digits[i] - '0') * factor + carry;
        d.digits[i] = static_cast<char>('0' + v % 10);
        carry = v / 10;
    }
    while (carry != 0) {
        d.digits.insert(d.digits.begin(), static_cast<char>('0' + carry % 10));
        carry /= 10;
        ++d.point;
    }
    d.digits.erase(d.digits.find_last_not_of('0') + 1);
}

// Rounds to a whole number with halves to the even neighbour; false when the
// result does not fit a signed 32-bit integer.
bool RoundToInt32(const Decimal& d, std::int32_t& out) {
    if (d.digits.empty()) {
        out = 0;
        return true;
    }
    if (d.point > 10) return false;
    long long whole = 0;
    for (long long k = 0; k < d.point; ++k) {
        size_t i = static_cast<size_t>(k);
        whole = whole * 10 + (i < d.digits.size() ? d.digits[i] - '0' : 0);
    }
    // The fraction's first digit and whether any non-zero digit follows it.
    size_t firstFraction = d.point > 0 ? static_cast<size_t>(d.point) : 0;
    if (d.point >= 0 && firstFraction < d.digits.size()) {
        char first = d.digits[firstFraction];
        bool moreAfter = firstFraction + 1 < d.digits.size();
        if (first > '5' || (first == '5' && (moreAfter || whole % 2 != 0))) ++whole;
    }
    // With the point before a zero digit the fraction is below one half.
    if (d.negative) whole = -whole;
    if (whole < -2147483648LL || whole > 2147483647LL) return false;
    out = static_cast<std::int32_t>(whole);
    return true;
}

}  // namespace

std::int32_t WaitTextToSeconds(const std::string& text) {
    if (text.empty()) return 60;
    Decimal minutes;
    std::int32_t seconds = 0;
    if (!ParseDecimal(text, minutes)) throw ConversionError("'" + text + "' is not a valid floating point value");
    MultiplyBy(minutes, 60);
    if (!RoundToInt32(minutes, seconds)) throw ConversionError("'" + text + "' is not a valid floating point value");
    return seconds;
}

int CaptionAfterDelete(int caption, int deleted) { return caption > deleted ? caption - 1 : caption; }

const char* const kMonitoringOffCell = "监控已关闭";

std::string NextRunCell(const NextRun& next, const LocalTime& now, bool monitoringOn) {
    if (!monitoringOn && next.kind != NextRun::Kind::Never) return kMonitoringOffCell;
    return NextRunText(next, now);
}

}  // namespace vantrel
