#pragma once
// Reads the first sheet of a workbook (.xlsx, Office Open XML): found through the package's
// relationships and the workbook's sheet list, whatever its part is called.
//
// Cells come out as text (shared, inline and formula strings, rich text joined, booleans as
// TRUE/FALSE, errors as their code), numbers, dates, or empty. A number whose cell format is a
// date or time format becomes a date in the engine's day count, in either date system; a
// serial that is no calendar day (1900-02-29 of the 1900 system) stays a number; the table
// keeps the workbook's date system for the other number cells. A cell with a formula is marked
// as one, with the value it had when the workbook was saved. Of a merged range only the
// top-left cell keeps its value; ranges that overlap are refused. Row i of the table is the sheet's
// row i + 1; trailing empty rows and cells are dropped.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "formats/format_error.h"
#include "formats/read_limits.h"
#include "formats/table.h"
#include "formats/zip_reader.h"

namespace formats {

struct XlsxLimits {
    std::size_t max_rows = kDefaultMaxRows;
    // Rows times their widths: a sheet of a few scattered cells far apart must not take all
    // the memory there is. Shared strings count against it too, empty ones included.
    std::size_t max_cells = kDefaultMaxCells;
    ZipLimits zip;
};

struct XlsxSheet {
    std::string name;
    Table table;
};

Result<XlsxSheet> read_xlsx(std::span<const std::uint8_t> bytes, const XlsxLimits& limits = {});

}  // namespace formats
