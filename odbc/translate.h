#pragma once
// The program's sources and delete statements (the language of jet/query.h) as SQL for the
// server, with every value a parameter. A condition the server can decide exactly as the Jet
// engine does goes into the SQL; one it cannot (comparisons across kinds, dates, one column
// with another) is decided here over every row of the table with jet::matches, and an order
// the server cannot give exactly is made here as jet::select makes it.
#include <string>
#include <string_view>
#include <vector>

#include "engine/failure.h"
#include "engine/tally.h"
#include "jet/query.h"
#include "odbc/schema.h"
#include "odbc/statement.h"

namespace odbc {

struct Plan {
    const TableSpec* table = nullptr;
    std::string sql;  // the statement; its result columns are column_list's
    std::vector<Param> params;
    jet::ExprPtr filter_here;                // set: keep only the rows this condition holds for
    std::vector<jet::OrderTerm> order_here;  // not empty: sort the rows here by these terms
};

// "SELECT <every column> FROM <table> [WHERE ...] ORDER BY ...".
store::Result<Plan> plan_select(std::string_view source);
// "DELETE FROM <table> WHERE ..."; with filter_here set, sql selects every row instead and
// the rows the condition holds for are deleted one by one.
store::Result<Plan> plan_delete(std::string_view statement);

// A tally as one grouped SELECT: its result columns are the keys (in the kinds of key_kinds),
// the month when monthly, the count, and the median days when with_days.
struct TallyPlan {
    std::string sql;
    std::vector<Param> params;
    std::vector<jet::ColumnType> key_kinds;
    bool monthly = false;
    bool with_days = false;
};
store::Result<TallyPlan> plan_tally(const store::Tally& t);

// The spec's columns as a table definition, for jet::matches.
jet::TableDef definition_of(const TableSpec& table);
// Sorts rows (values in the table's column order) as jet::select sorts them.
store::Status sort_rows(const TableSpec& table, const std::vector<jet::OrderTerm>& order,
                        std::vector<std::vector<jet::Value>>& rows);

// The column list of a table, for SELECT and RETURNING: the columns of fixed size first
// (bound once, filled by every fetch), then the texts (read one by one), each kind in the
// table's order; date-times come as whole seconds since 1970-01-01 00:00.
std::string column_list(const TableSpec& table);
// Which of the table's columns each result column of column_list is.
std::vector<std::size_t> result_order(const TableSpec& table);

}  // namespace odbc
