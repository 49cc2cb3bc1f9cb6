#include "ui/settings_logic.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "scheduler/conversions.h"

namespace vantrel {

std::string FormatWaitMinutes(std::int32_t seconds) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", seconds / 60.0);
    return buffer;
}

namespace {

// Blanks, a sign, digits with at most one point, and an exponent: nothing
// that strtod would also take, such as "inf" or hexadecimal.
bool LooksDecimal(const std::string& t) {
    size_t i = 0, n = t.size();
    while (i < n && t[i] == ' ') ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    while (i < n && t[i] == ' ') ++i;
    return i == n;
}

}  // namespace

std::int32_t WaitTextToSeconds(const std::string& text) {
    if (text.empty()) return 60;
    ConversionError bad("'" + text + "' is not a valid floating point value");
    if (!LooksDecimal(text)) throw bad;
    double minutes = std::strtod(text.c_str(), nullptr);
    // Round to nearest with halves to even, the default rounding mode.
    double seconds = std::nearbyint(minutes * 60.0);
    if (!(seconds >= -2147483648.0 && seconds <= 2147483647.0)) throw bad;
    return static_cast<std::int32_t>(seconds);
}

int CaptionAfterDelete(int caption, int deleted) { return caption > deleted ? caption - 1 : caption; }

}  // namespace vantrel
