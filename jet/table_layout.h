#pragma once
// A new table's definition as Access lays one out: every column's number, offset and flags,
// the index entries, and the stamps Access puts in a new definition. The built-in database
// and the tables added to a file later are both laid out here.
#include <cstdint>
#include <string>
#include <vector>

#include "jet/data_page.h"
#include "jet/table_def.h"

namespace jet {

// Table types of the definition header.
inline constexpr std::uint8_t kUserTable = 0x4E;
inline constexpr std::uint8_t kEngineTable = 0x53;

struct ColumnLayout {
    std::string name;
    ColumnType type = ColumnType::text;
    std::uint16_t length = 0;     // bytes
    std::uint8_t flags = 0;       // column_flag bits
    std::uint8_t misc_flags = 0;  // 0x01: text kept with Unicode compression
};

struct IndexLayout {
    std::string name;
    std::vector<std::uint16_t> columns;  // column numbers, all ascending
    std::uint8_t flags = 0;              // 0x80 always, 0x01 unique, 0x08 required
    std::uint8_t type = 0;               // 0x01 primary key
};

struct TableLayout {
    std::string name;
    std::uint8_t table_type = kUserTable;
    std::vector<ColumnLayout> columns;  // in column-number order
    std::vector<IndexLayout> indexes;   // one index definition each
};

// Where the parts of a definition live.
struct TablePlacement {
    std::uint32_t definition_page = 0;
    RowPointer used_pages;
    RowPointer free_pages;
    std::vector<RowPointer> index_maps;      // one per index
    std::vector<std::uint32_t> index_roots;  // one per index
};

// The definition, ready for encode_table_def; `sort_order` is every column's collation.
TableDef lay_out_table(const TableLayout& layout, const TablePlacement& placement,
                       std::uint16_t sort_order);

}  // namespace jet
