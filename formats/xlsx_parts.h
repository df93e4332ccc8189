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

// The shared strings in order, packed one after another: twenty million empty strings cost
// their offsets, not twenty million string objects.
class SharedStrings {
  public:
    std::size_t size() const { return ends_.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(begin, ends_[i] - begin);
    }
    void push_back(std::string_view s) {
        text_ += s;
        ends_.push_back(text_.size());
    }

  private:
    std::string text_;
    std::vector<std::size_t> ends_;
};

// Rich text runs joined, phonetic guides left out. More than `max_strings` strings, empty
// ones included, is a file too large.
Result<SharedStrings> read_shared_strings(std::string_view xml, std::size_t max_strings);

struct SheetContext {
    const SharedStrings& strings;
    const CellStyles& styles;
    DateSystem dates;
    std::size_t max_rows;
    std::size_t max_cells;
};

Result<Table> read_worksheet(std::string_view xml, const SheetContext& context);

}  // namespace formats::xlsx
