#pragma once
// The recycle bin: a deleted customer is kept, with its next step and its log, for a while
// before it is gone for good, and can be put back as it was.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/location.h"
#include "store/customer_actions.h"
#include "store/row_set.h"
#include "store/store_connection.h"

namespace store {

// How long a deleted customer stays in the bin.
inline constexpr int kBinDays = 30;

// A customer in the bin, as it was when deleted.
struct BinEntry {
    std::int32_t bin_id = 0;
    CustomerRow customer;  // its old number, fields, next step and deal date
    bool closed = false;
    double deleted_at = 0;
    std::string deleted_on;
};

// Within the open transaction of a delete, with customer `id`'s row open in `rs`: copies the
// row into the bin and ties the customer's kept rows to the bin's entry. `rs` is left
// closed; false when the store refused.
bool move_to_bin(StoreConnection& c, RowSet& rs, std::int32_t id, const Deletion& d);

// The bin's customers, the last deleted first; nullopt when the store did not open.
std::optional<std::vector<BinEntry>> read_bin(StoreConnection& c, RowSet& rs,
                                              const StoreLocation& store);

struct PutBackReport {
    int put_back = 0;
    // Entries left in the bin: a customer with the same customer ID and our ID is stored again.
    std::vector<std::int32_t> already_stored;
};
// Puts the bin's entries `bin_ids` back as customers with new numbers, each with its fields,
// state, next step and log, in one transaction.
ActionResult put_back(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                      const std::vector<std::int32_t>& bin_ids, PutBackReport& report);

// Empties the bin of customers deleted more than kBinDays before `now`, with what they kept.
// Entries dated after `now` stay (the clock may have been set back). `removed` gets how many
// went.
ActionResult empty_old_bin(StoreConnection& c, RowSet& rs, const StoreLocation& store, double now,
                           int* removed = nullptr);

}  // namespace store
