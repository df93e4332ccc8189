#pragma once
// Dates as people type them into spreadsheets and text files, to the engine's day count (days
// since 1899-12-30, fraction = time of day):
//   2014-5-23, 2014/05/23, 2014.5.23, 2014年5月23日 (full-width digits too),
//   each optionally followed by a time H:MM or H:MM:SS after blanks (or a "T").
// A bare number (41782, 2023, 0) is no date here: only a workbook's number cells are serials,
// in the workbook's own date system.
// A day that does not exist (2014-2-30), a time past 23:59:59, a year before 100 or after
// 9999, and anything else is refused.
#include <optional>
#include <string_view>

namespace formats {

std::optional<double> parse_typed_date(std::string_view text);

}  // namespace formats
