#pragma once
// What the built-in customer database holds: every table with its columns and indexes, and
// the rows it starts with.
#include <cstdint>
#include <string>
#include <vector>

#include "jet/table_def.h"
#include "jet/value.h"

namespace templatedb {

struct ColumnSpec {
    const char* name;
    jet::ColumnType type;
    std::uint16_t length;  // bytes
    std::uint8_t flags;
    std::uint8_t misc_flags = 0;  // 0x01: text kept with Unicode compression
};

struct IndexSpec {
    const char* name;
    std::vector<std::uint16_t> columns;  // column numbers, all ascending
    std::uint8_t flags;                  // 0x80 always, 0x01 unique, 0x08 required
    std::uint8_t type;                   // 0x01 primary key
};

struct TableSpec {
    const char* name;
    std::uint8_t table_type;          // 0x53 the engine's own, 0x4E any other
    std::int64_t catalog_flags;       // MSysObjects.Flags: system tables are hidden by these
    bool engine_owned;                // the engine's own tables carry its owner mark
    std::vector<ColumnSpec> columns;  // in column-number order
    std::vector<IndexSpec> indexes;   // one index definition each
};

// In the order their definitions are laid out; the catalog comes first.
const std::vector<TableSpec>& template_tables();

// The date every object and the file itself carry, so that each build is the same.
inline constexpr double kCreationDate = 46357.0;  // 2026-12-01 00:00:00

// Sort order of every text column and of the file: Chinese (PRC).
inline constexpr std::uint16_t kSortOrder = 2052;
inline constexpr std::uint16_t kCodePage = 936;

}  // namespace templatedb
