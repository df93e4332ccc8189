#pragma once
// The tracking sheet as an Excel workbook: the same header and the same rows in the same
// order as the tab-separated sheet, with typed cells (running numbers as numbers, dates as
// dates, the note as text with its line breaks).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jet/result.h"
#include "store/customer_actions.h"

namespace app {

// Rows in the file's order, each with the running number the list showed.
using SheetRows = std::vector<std::pair<std::size_t, store::CustomerRow>>;

jet::Result<std::vector<std::uint8_t>> build_workbook(std::string_view kind, const SheetRows& rows);

// Whether a save goes out as a workbook: the workbook filter was chosen (the second), or the
// name typed ends in ".xlsx". The path the file goes to: the workbook's ending where the
// dialog put the sheet's.
bool wants_workbook(std::string_view path, int filter);
std::string workbook_path(std::string path);

}  // namespace app
