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
    bool indexed = false;  // Long integer: looked up by value (a customer's number)
    // Text: rows are found by its value, letter case ignored (a buyer's ID, at every save)
    bool found_by_value = false;
};

struct TableSpec {
    std::string name;
    std::vector<ColumnSpec> columns;  // in the file's order
};

// The customer and settings tables every store holds from the start.
const std::vector<TableSpec>& program_tables();
// The tables the program keeps its own data in beside those two (next steps, the follow-up
// log, tags, the recycle bin): made in a store the first time something is written to them,
// each row tied to a customer by its number.
const std::vector<TableSpec>& own_tables();
// One of either list by name, letter case ignored; null for any other name.
const TableSpec* find_table(std::string_view name);

inline constexpr const char* kCustomerTable = "yrkb_com";
inline constexpr const char* kSettingsTable = "vantel_ww";
// A customer's next step: next follow-up date, given up (when, why), tags.
inline constexpr const char* kBuyerTable = "lq_buyer";
// Every follow-up recorded: when, by which of our IDs, what was said.
inline constexpr const char* kLogTable = "lq_log";
// The shop's tags and reasons for giving up, in the order the shop put them.
inline constexpr const char* kTagTable = "lq_tag";
// Deleted customers, kept a while.
inline constexpr const char* kBinTable = "lq_bin";

}  // namespace store
