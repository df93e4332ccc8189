#pragma once
// What a column holds, guessed from its header text.
#include <string>
#include <string_view>
#include <vector>

#include "formats/table.h"

namespace formats {

enum class ColumnMeaning {
    none,
    running_number,  // 序号: ignored on import
    customer_id,
    our_id,
    first_enquiry,
    last_follow_up,
    deal_date,
    note,
};

// The header text normalised for matching: blanks of every kind dropped, full-width forms made
// half-width, ASCII letters in lower case, a trailing colon dropped.
std::string normalise_header(std::string_view header);

// The meaning of a header, from one table of the ways people name each column; none when the
// header matches no name.
ColumnMeaning guess_column(std::string_view header);

// The guess for every cell of a row (numbers and dates guess none).
std::vector<ColumnMeaning> guess_columns(const Row& header);

// The name the program uses for a meaning, as its own sheets head the column.
std::string_view meaning_name(ColumnMeaning meaning);

}  // namespace formats
