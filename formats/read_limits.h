#pragma once
// How much of a file the readers take before they stop, and the one message that says which
// limit a file passed and what the program can take. Rows and cells count empty lines, empty
// cells and empty strings too: a file of nothing but blanks costs memory all the same.
#include <cstddef>
#include <string>

#include "formats/format_error.h"

namespace formats {

inline constexpr std::size_t kDefaultMaxRows = 1'000'000;
inline constexpr std::size_t kDefaultMaxCells = std::size_t{1} << 22;

// 1234567 as "1,234,567".
std::string grouped(std::size_t n);

Error over_rows(std::size_t max_rows);
Error over_cells(std::size_t max_cells);
// Bytes of a workbook's parts once decompressed, all parts together.
Error over_unpacked(std::size_t max_bytes);
// A part that decompresses to far more than a table's text ever does.
Error over_ratio(std::string_view part, std::size_t max_ratio);
// Memory ran out while reading or importing.
Error out_of_memory();

}  // namespace formats
