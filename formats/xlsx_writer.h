#pragma once
// Writes a workbook of one sheet (.xlsx, Office Open XML) from a table of typed cells.
//
// Text goes into the shared strings, a text with a line break gets a wrapping style; numbers
// are written exactly; dates become serial numbers of the 1900 date system with a "yyyy-m-d"
// format (and "yyyy-m-d h:mm:ss" when they carry a time). A day before 1900-01-01, which no
// serial can show, is written as its text. Columns are as wide as their widest content
// (East Asian characters count double); the first row can be a bold header kept in view.
// The same table always gives the same bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "formats/format_error.h"
#include "formats/table.h"

namespace formats {

struct XlsxOptions {
    std::string sheet_name = "Sheet1";
    // The first row bold and frozen at the top.
    bool header_row = true;
};

// Refuses, with the row and column named, what a spreadsheet program could not open: a
// number that is not finite, a text over 32,767 characters, more rows or columns than a sheet
// has, a sheet name over 31 characters or with one of : \ / ? * [ ].
Result<std::vector<std::uint8_t>> write_xlsx(const Table& table, const XlsxOptions& options = {});

}  // namespace formats
