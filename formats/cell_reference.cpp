#include "formats/cell_reference.h"

#include <algorithm>

namespace formats {

std::optional<CellPosition> parse_cell_reference(std::string_view text) {
    std::size_t at = 0;
    if (at < text.size() && text[at] == '$') ++at;
    std::size_t column = 0, letters = 0;
    for (; at < text.size() && text[at] >= 'A' && text[at] <= 'Z' && letters < 4; ++at, ++letters)
        column = column * 26 + static_cast<std::size_t>(text[at] - 'A' + 1);
    if (letters == 0 || column > kMaxSheetColumns) return std::nullopt;
    if (at < text.size() && text[at] == '$') ++at;
    std::size_t row = 0, digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 8; ++at, ++digits)
        row = row * 10 + static_cast<std::size_t>(text[at] - '0');
    if (digits == 0 || at != text.size() || row == 0 || row > kMaxSheetRows) return std::nullopt;
    return CellPosition{row - 1, column - 1};
}

std::string column_name(std::size_t column) {
    std::string name;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26)
        name += static_cast<char>('A' + (n - 1) % 26);
    std::reverse(name.begin(), name.end());
    return name;
}

std::string cell_reference(CellPosition position) {
    return column_name(position.column) + std::to_string(position.row + 1);
}

}  // namespace formats
