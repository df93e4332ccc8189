#pragma once
// How wide a text shows in a spreadsheet column, in the widths of one digit: East Asian wide
// and full-width characters take two, everything else one.
#include <cstddef>
#include <string_view>

namespace formats {

bool is_wide(char32_t c);

// The widest line of the text; lines end at LF or CR.
std::size_t display_width(std::string_view text);

}  // namespace formats
