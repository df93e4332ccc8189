#pragma once
// How every store action begins and ends: open the store, set an empty filter, attach, open
// the rows; close the rows, close the store.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/location.h"
#include "store/row_set.h"
#include "store/store_connection.h"

namespace store {

// Steps 1 to 4 of every action; false leaves the action to be skipped. An action that writes
// is one transaction, begun before its first read, so that what it found (no such customer
// yet, the row still there) still holds when it writes, whoever else uses the store.
bool open_action(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                 const std::string& source, bool writes = false,
                 std::optional<std::uint64_t>* stamp = nullptr);

// Closes the rows and the store; a transaction still open is rolled back.
void close_action(StoreConnection& c, RowSet& rs);

// Opens other rows within the open action; false (the rows closed) when they do not open.
bool reopen_rows(RowSet& rs, const std::string& source);

}  // namespace store
