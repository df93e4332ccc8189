#pragma once
// The shop's data between stores: its tables read in one snapshot from any engine, written
// into a fresh copy of the built-in database file (a backup of a shop on a server), or put in
// place of what a store holds (a restore on a server), numbers kept.
#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "engine/failure.h"
#include "store/store_connection.h"

namespace store {

struct ShopTables {
    Selection customers;
    Selection settings;
    std::vector<Selection> kept;  // the program's own tables the store holds
};

// Every row of the customers, the settings and the program's own tables of the open store `c`,
// read in one snapshot.
Result<ShopTables> read_shop(StoreConnection& c);

// Replaces every customer of the open store `c` with `tables`' customers, every settings row
// but row 2 (the shop's own settings stay as the store has them) with `tables`' rows, and the
// program's own tables with `tables`' copies, in one transaction: all of it or, on any
// failure, nothing.
Status replace_shop(StoreConnection& c, const ShopTables& tables);

// The bytes of a database file holding exactly `tables`: the built-in template, filled.
Result<std::vector<std::uint8_t>> shop_file(const ShopTables& tables);

}  // namespace store
