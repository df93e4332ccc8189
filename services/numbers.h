#pragma once

#include <cstdint>
#include <string_view>

namespace services {

// Reads the longest decimal number at the start of the text, after leading
// blanks: optional sign, digits with an optional fraction after ".", and an
// optional exponent. Anything after it is ignored; no number gives 0.
// Hexadecimal, "inf" and "nan" are not numbers here. A number too large for
// a double gives an infinity of its sign, one too small gives 0.
double text_to_number(std::string_view text);

// Drops the fraction toward zero. Values beyond the 32-bit range give the
// nearest end of the range, NaN gives 0.
std::int32_t to_integer(double value);

}  // namespace services
