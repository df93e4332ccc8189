#pragma once
// The program's own tables (engine/program_tables.h) as a whole, for the actions that copy a
// shop between stores: read every row, put them in another store's place, or add the rows of
// customers that got new numbers there.
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/engine.h"

namespace store {

// The rows of `from` as values of `to`'s columns, matched by name, numbers included; a row
// numbered `left_out` is left out.
std::vector<Changes> rows_for(const Selection& from, const TableShape& to,
                              std::optional<std::int64_t> left_out = std::nullopt);

// Every row of each of the program's own tables the store holds, in the order of their numbers.
Result<std::vector<Selection>> read_kept_tables(Engine& engine);

// Puts `tables` in place of the store's own tables, numbers kept: a table the copy holds is
// made where missing and filled with its rows alone; one it lacks is emptied. The caller
// holds the transaction.
Status put_kept_tables(Engine& engine, const std::vector<Selection>& tables);

// Adds the rows of `tables` tied to a customer `renumbered` names (old number to new) under
// the customer's new number, each row numbered by the store. The caller holds the transaction.
Status add_kept_rows(Engine& engine, const std::vector<Selection>& tables,
                     const std::unordered_map<std::int64_t, std::int64_t>& renumbered);

}  // namespace store
