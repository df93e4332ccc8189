#pragma once
// Rows of a table read from the user's spreadsheet or text file, turned into customers to add:
// the header row found and skipped, IDs cleaned and checked, dates read as people type them,
// and the same customer twice in the file noticed. Every row that cannot be taken gets its
// row number and the reason, in words the user can act on.
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/column_guess.h"
#include "formats/format_error.h"
#include "formats/table.h"
#include "store/customer_actions.h"

namespace formats {

// The customer and our IDs are text columns of this many characters.
inline constexpr std::size_t kMaxImportedIdLength = 50;

enum class ImportList { open, closed };

struct ImportOptions {
    ImportList list = ImportList::open;
    // The cleaning the customer editor applies to a typed ID; none when empty.
    std::function<std::string(std::string_view)> clean_id;
    // Our ID for rows that have none: when no column holds our IDs, or its cell is empty.
    std::string default_our_id;
};

struct ImportedCustomer {
    std::size_t row = 0;  // the row number the user sees, from 1
    store::CustomerFields fields;
    std::optional<double> deal_date;  // for the closed list
};

struct RowNotice {
    std::size_t row = 0;
    std::string text;  // "第12行：客户旺旺号超过50个字"
};

struct ImportResult {
    std::optional<std::size_t> header_row;  // from 1, when one was found and skipped
    std::vector<ImportedCustomer> customers;
    std::vector<RowNotice> refused;
    std::vector<RowNotice> skipped;  // in the file twice, or above the header
};

// The header among the first rows: the first row in which at least two cells guess to
// different meanings, or whose only cell guesses to one. Returned counted from 0.
std::optional<std::size_t> find_header_row(const Table& table);

// `columns[i]` is what column i holds (missing ones hold nothing). Refuses, before looking at
// any row, a choice of columns that cannot work: no customer ID column, a date column the list
// needs left out, our IDs neither in a column nor given, one meaning chosen for two columns.
// The closed list takes the deal date for the last follow-up when no column has one.
Result<ImportResult> import_rows(const Table& table, std::span<const ColumnMeaning> columns,
                                 const ImportOptions& options);

}  // namespace formats
