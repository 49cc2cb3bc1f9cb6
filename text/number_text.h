// Whole numbers as fixed-width text for files, JSON and messages. The C
// library's formatted printing would link its floating-point formatter into
// every program for these few fields.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// `value` in hexadecimal (lower case, or upper with `upper`), at least
// `width` digits with zeros in front.
std::string HexDigits(std::uint32_t value, int width, bool upper = false);

// `value` in decimal, at least `width` digits with zeros in front (after the
// sign of a negative value).
std::string PaddedDecimal(long long value, int width);

}  // namespace vantrel
