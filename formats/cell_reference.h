#pragma once
// A1-style cell references: "B12" is row 11, column 1 counted from zero.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace formats {

// The largest sheet the format allows: 1,048,576 rows of 16,384 columns (A to XFD).
inline constexpr std::size_t kMaxSheetRows = 1'048'576;
inline constexpr std::size_t kMaxSheetColumns = 16'384;

struct CellPosition {
    std::size_t row = 0;
    std::size_t column = 0;
    bool operator==(const CellPosition&) const = default;
};

// "B12", also "$B$12"; nullopt for anything else or beyond the largest sheet.
std::optional<CellPosition> parse_cell_reference(std::string_view text);
// "A" for column 0, "AA" for 26.
std::string column_name(std::size_t column);
std::string cell_reference(CellPosition position);

}  // namespace formats
