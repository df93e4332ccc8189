#pragma once
// The catalog's index of object names, (ParentId, Name), unique, which files Access made keep
// (the built-in database goes without). Its text keys follow Access's General sort order,
// which this engine knows for the letters, digits and underscore its own tables' names use.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "jet/data_page.h"
#include "jet/index_page.h"
#include "jet/pager.h"
#include "jet/result.h"
#include "jet/table_def.h"

namespace jet {

// The General sort order, as a text column's collation names it.
inline constexpr std::uint16_t kGeneralSortOrder = 0x0409;

// Where the catalog's index of names stands in its real_indexes, if it has one.
std::optional<std::size_t> catalog_name_index(const TableDef& catalog);

// The entry's key for (parent, name), without its row pointer. Refused (read_only) when the
// Name column sorts in another order or the name holds a character whose key is not known.
Result<std::vector<std::uint8_t>> catalog_name_key(const TableDef& catalog, std::int32_t parent,
                                                   std::string_view name);

// Stages the entry of `key` for the row at `row` in the index of names, in place, and its
// count in the catalog's definition. Refused, with nothing staged, when the index holds the
// key already (exists) or the entry would need a page of its own or a separator above it
// moved (full).
Status add_catalog_name_entry(Pager& pager, const TableDef& catalog, std::size_t index,
                              std::span<const std::uint8_t> key, RowPointer row);

}  // namespace jet
