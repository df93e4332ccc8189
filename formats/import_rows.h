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

// Why a row did not become a customer. The first three are skipped rows (no customer was
// meant); the rest are refused rows, by the first fault found in them.
enum class LeftOut {
    above_header,  // a title or a date above the header
    total,         // 合计, 总计, 小计 or 共计 before the customer ID
    repeated,      // the same customer as an earlier row of the file
    formula,       // an ID a formula computed
    number_date,   // a bare number in a date column of a text file
    bad_date,      // a date that is no day
    missing,       // an ID or a date left empty
    bad_id,        // an ID too long or with a line break
};

struct RowNotice {
    std::size_t row = 0;
    std::string text;  // "第12行：客户旺旺号超过50个字"
    LeftOut kind = LeftOut::bad_id;
};

struct ImportResult {
    std::optional<std::size_t> header_row;  // from 1, when one was found and skipped
    std::vector<ImportedCustomer> customers;
    std::vector<RowNotice> refused;
    std::vector<RowNotice> skipped;  // above the header, totals, in the file twice
};

// How the report names a kind, counted: "合计行 2 行".
std::string left_out_name(LeftOut kind);

// The header among the first rows: the first row in which at least two cells guess to
// different meanings, or whose only cell guesses to one. Returned counted from 0.
std::optional<std::size_t> find_header_row(const Table& table);

// Whether a row is a total: a cell before the customer ID column says 合计, 总计, 小计 or 共计,
// or the ID cell is just that word.
bool is_total_row(const Row& row, std::size_t customer_id_column);

// `columns[i]` is what column i holds (missing ones hold nothing). Refuses, before looking at
// any row, a choice of columns that cannot work: no customer ID column, a date column the list
// needs left out, our IDs neither in a column nor given, one meaning chosen for two columns.
// The closed list takes the deal date for the last follow-up when no column has one.
//
// An ID a formula computed is refused. A date is a date cell, a workbook's number cell in the
// workbook's date system, or text typed as a date; a bare number typed as text is refused.
Result<ImportResult> import_rows(const Table& table, std::span<const ColumnMeaning> columns,
                                 const ImportOptions& options);

}  // namespace formats
