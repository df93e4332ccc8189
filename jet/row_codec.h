#pragma once
// Turning a stored row into values (and, for the writer, back).
#include <optional>
#include <vector>

#include "jet/bytes.h"
#include "jet/pager.h"
#include "jet/result.h"
#include "jet/table_def.h"
#include "jet/value.h"

namespace jet {

// Values of every column of `table` (in its column order) from the row's bytes. Long values
// are read from their pages through `pager`.
Result<std::vector<Value>> decode_row(Pager& pager, const TableDef& table, Bytes row);
// The same into `values`, reusing what it already holds; on failure its contents are unspecified.
// `wanted`, when given, names the columns (by position in table.columns) worth decoding;
// the others read as null, so a condition on a few columns never reads long values.
Status decode_row_into(Pager& pager, const TableDef& table, Bytes row, std::vector<Value>& values,
                       const std::vector<bool>* wanted = nullptr);
// Only the columns at positions `columns` of table.columns, into values[0..], in that order.
Status decode_columns_into(Pager& pager, const TableDef& table, Bytes row,
                           const std::vector<std::size_t>& columns, std::vector<Value>& values);

// The 12-byte references (and inline bytes) of the row's non-null memo and OLE values.
Result<std::vector<Bytes>> long_value_references(const TableDef& table, Bytes row);

// Reads a memo or OLE field (the 12-byte reference and what follows it) into its bytes.
Result<std::vector<std::uint8_t>> read_long_value(Pager& pager, Bytes field);

// Formats the 17-byte scaled decimal of a numeric column.
Decimal decode_numeric(Bytes field, std::uint8_t scale);
Decimal decode_money(std::int64_t ten_thousandths);

}  // namespace jet
