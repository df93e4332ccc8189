#pragma once
// Laying out a row's values as the engine stores them.
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "jet/result.h"
#include "jet/table_def.h"
#include "jet/value.h"

namespace jet {

// Long values up to this many stored bytes sit inside the row itself.
inline constexpr std::size_t kInlineLongValueLimit = 64;
// The longest row a data page can hold beside its header and one row-table entry.
inline constexpr std::size_t kMaxRowSize = 4096 - 14 - 2;

// Stores a long value's bytes on long-value pages and returns the 12-byte reference
// that points at them (the caller owns page allocation).
using LongValueStore =
    std::function<Result<std::vector<std::uint8_t>>(std::span<const std::uint8_t> stored)>;

// The stored bytes of a row with `values` (one per column, in the table's column order).
// Values are checked against their columns: text longer than the column, a number out of
// range or a value of the wrong kind is refused, never cut or wrapped.
Result<std::vector<std::uint8_t>> encode_row(const TableDef& table,
                                             const std::vector<Value>& values,
                                             const LongValueStore& store_long);

// The 12-byte reference of a long value kept inside the row, followed by its bytes.
std::vector<std::uint8_t> inline_long_value(std::span<const std::uint8_t> stored);

}  // namespace jet
