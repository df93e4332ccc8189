#pragma once
// The small query language the program speaks to its store:
//   <table> [where <condition>] [order by <column> [asc|desc], ...]
//   delete [*] from <table> where <condition>
// Conditions combine comparisons (=, <>, <, >, <=, >=) of columns and literals (numbers,
// 'quoted text' with '' for a quote, true, false, null) with and, or, not and parentheses.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "jet/database.h"
#include "jet/result.h"
#include "jet/table_def.h"
#include "jet/value.h"

namespace jet {

struct Literal {
    Value value;  // bool, int64, double, text or null
};
struct ColumnRef {
    std::string name;
    // Where the name was last found, so that a scan looks each column up once.
    mutable const TableDef* found_in = nullptr;
    mutable std::size_t found_at = 0;
};
enum class CompareOp { eq, ne, lt, gt, le, ge };
enum class LogicOp { and_, or_ };

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;
struct Compare {
    std::variant<Literal, ColumnRef> left, right;
    CompareOp op;
};
struct Logic {
    LogicOp op;
    ExprPtr left, right;
};
struct Not {
    ExprPtr inner;
};
// A lone operand as a condition: a yes/no column or literal.
struct Truth {
    std::variant<Literal, ColumnRef> operand;
};
struct Expr {
    std::variant<Compare, Logic, Not, Truth> node;
};

struct OrderTerm {
    std::string column;
    bool descending = false;
};

struct Query {
    std::string table;
    ExprPtr where;  // null: every row
    std::vector<OrderTerm> order;
};

struct DeleteStatement {
    std::string table;
    ExprPtr where;
};

Result<Query> parse_query(std::string_view source);
Result<DeleteStatement> parse_delete(std::string_view statement);

// Whether the row satisfies the condition; an unknown (null) outcome does not.
// Fails when the condition names a column the table lacks or compares what cannot be compared.
Result<bool> matches(const Expr& where, const TableDef& table, const std::vector<Value>& row);

// The values of `columns` (in that order) of each row a source without an order selects, in
// storage order, handed to `visit` in one vector reused from row to row (it may move from
// it). Columns not asked for are not decoded.
Status scan_columns(Database& db, std::string_view source, const std::vector<std::string>& columns,
                    const std::function<void(std::vector<Value>&)>& visit);

// Hands `visit` each live row that satisfies `where`, with its stored bytes.
Status scan_matching(Database& db, const TableDef& table, const Expr& where,
                     const std::function<Status(RowPointer, Bytes)>& visit,
                     Database::PageUse use = Database::PageUse::keep);

// Checks every column name of a query against the table before any row is read.
Status bind(const Query& q, const TableDef& table);

struct Selection {
    TableDef table;
    std::vector<Record> rows;
};

// Runs a query: every column of the matching rows, in the asked order (storage order else).
Result<Selection> select(Database& db, std::string_view source);

// Quotes a text value for a condition so that no value can change the statement.
std::string quote_text(std::string_view value);

}  // namespace jet
