#pragma once
// What the built-in customer database holds: every table with its columns and indexes, and
// the rows it starts with.
#include <cstdint>
#include <vector>

#include "jet/result.h"
#include "jet/table_layout.h"

namespace templatedb {

struct TableSpec {
    jet::TableLayout layout;
    std::int64_t catalog_flags;  // MSysObjects.Flags: system tables are hidden by these
    bool engine_owned;           // the engine's own tables carry its owner mark
};

// In the order their definitions are laid out; the catalog comes first.
jet::Result<std::vector<TableSpec>> template_tables();

// The date every object and the file itself carry, so that each build is the same.
inline constexpr double kCreationDate = 46357.0;  // 2026-12-01 00:00:00

// Sort order of every text column and of the file: Chinese (PRC).
inline constexpr std::uint16_t kSortOrder = 2052;
inline constexpr std::uint16_t kCodePage = 936;

}  // namespace templatedb
