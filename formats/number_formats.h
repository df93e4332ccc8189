#pragma once
// Which cell number formats show a number as a date or a time.
#include <optional>
#include <string_view>

namespace formats {

// `id` is a cell format's numFmtId; `code` its format code when the workbook defines one. The
// built-in date and time formats are 14-22 and 45-47, and in East Asian workbooks 27-36 and
// 50-58 (年月日 forms). A format code is a date when, outside quoted text, escapes and
// [brackets], it has a day, month, year, hour or second part.
bool is_date_format(int id, std::optional<std::string_view> code);

}  // namespace formats
