#pragma once
// Comma-separated (CSV) and tab-separated text, as spreadsheet programs save it and as this
// program writes its tracking sheets. The encoding and the delimiter are recognised by
// content. Fields may be quoted: a doubled quote is one quote, line breaks inside quotes stay
// in the field, and a lone quote inside a quoted field that is not followed by a delimiter
// or a line end is kept as a quote (older sheets wrote notes between quotes without doubling
// the quotes inside). Lines end with CR LF, LF or CR.
//
// Every field comes out as text (empty fields as empty cells); record i is table row i, so
// row numbers match what a spreadsheet program shows even where a field spans lines. A field
// beginning with "=" is marked as a formula; an apostrophe before "=", "+", "-" or "@" is
// dropped (the guard that keeps such a field text).
#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/format_error.h"
#include "formats/read_limits.h"
#include "formats/table.h"
#include "formats/text_decoding.h"
#include "runtime/code_pages.h"

namespace formats {

struct DelimitedText {
    Table table;
    char delimiter = ',';  // ',' or '\t'
    TextEncoding encoding = TextEncoding::utf8;
};

struct DelimitedLimits {
    std::size_t max_rows = kDefaultMaxRows;
    std::size_t max_cells = kDefaultMaxCells;  // an empty line counts as one
};

// `code_pages` converts the Chinese code page; the overload without it uses the platform's.
Result<DelimitedText> read_delimited_text(std::span<const std::uint8_t> bytes,
                                          runtime::CodePageAdapter& code_pages,
                                          const DelimitedLimits& limits = {});
Result<DelimitedText> read_delimited_text(std::span<const std::uint8_t> bytes,
                                          const DelimitedLimits& limits = {});

// Splits UTF-8 text with a known delimiter.
Result<Table> split_delimited(std::string_view text, char delimiter,
                              const DelimitedLimits& limits = {});

// The delimiter that splits the first lines most consistently into more than one field: TAB
// when it does as well as the comma, comma when neither splits anything.
char guess_delimiter(std::string_view text);

}  // namespace formats
