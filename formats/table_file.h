#pragma once
// A table file of unknown kind, told apart by its first bytes: a workbook (.xlsx) is a zip,
// everything else is read as delimited text. Old binary workbooks (.xls of Excel 97-2003) and
// password-protected workbooks are refused with a message that says what to do instead.
#include <cstdint>
#include <span>

#include "formats/format_error.h"
#include "formats/table.h"
#include "runtime/code_pages.h"

namespace formats {

enum class TableFileKind { xlsx, delimited_text };

struct TableFile {
    Table table;
    TableFileKind kind = TableFileKind::delimited_text;
};

Result<TableFile> read_table_file(std::span<const std::uint8_t> bytes,
                                  runtime::CodePageAdapter& code_pages);
Result<TableFile> read_table_file(std::span<const std::uint8_t> bytes);

}  // namespace formats
