#pragma once
// The parts of a workbook the reader takes apart one by one.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "formats/format_error.h"
#include "formats/serial_dates.h"
#include "formats/table.h"

namespace formats::xlsx {

// Which cell formats (the index a cell's "s" names) show dates.
struct CellStyles {
    std::vector<bool> date_by_format;
    bool is_date(std::size_t index) const {
        return index < date_by_format.size() && date_by_format[index];
    }
};

Result<CellStyles> read_cell_styles(std::string_view styles_xml);

// The shared strings in order; rich text runs joined, phonetic guides left out.
Result<std::vector<std::string>> read_shared_strings(std::string_view xml);

struct SheetContext {
    const std::vector<std::string>& strings;
    const CellStyles& styles;
    DateSystem dates;
    std::size_t max_cells;
};

Result<Table> read_worksheet(std::string_view xml, const SheetContext& context);

}  // namespace formats::xlsx
