#include "text/number_text.h"

#include <algorithm>

namespace vantrel {

std::string HexDigits(std::uint32_t value, int width, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    do {
        text.push_back(digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(text.size()) < width) text.push_back('0');
    std::reverse(text.begin(), text.end());
    return text;
}

std::string PaddedDecimal(long long value, int width) {
    const bool negative = value < 0;
    // Unsigned, so that the lowest value has a magnitude too.
    unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    std::string text;
    do {
        text.push_back(static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    while (static_cast<int>(text.size()) < width) text.push_back('0');
    if (negative) text.push_back('-');
    std::reverse(text.begin(), text.end());
    return text;
}

}  // namespace vantrel
