#pragma once
// The program's tables, described once: what the built-in database file is made with and what
// a database server is given, column by column in the file's order.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "jet/table_def.h"

namespace store {

struct ColumnSpec {
    std::string name;
    jet::ColumnType type;       // the kind the Jet file gives the column
    std::size_t max_units = 0;  // Text: at most this many UTF-16 units, as the file's limit
    bool autonumber = false;
};

struct TableSpec {
    std::string name;
    std::vector<ColumnSpec> columns;  // in the file's order
};

// The customer and settings tables, the only ones the program reads or writes.
const std::vector<TableSpec>& program_tables();
// One of them by name, letter case ignored; null for any other name.
const TableSpec* find_table(std::string_view name);

inline constexpr const char* kCustomerTable = "yrkb_com";
inline constexpr const char* kSettingsTable = "vantel_ww";

}  // namespace store
