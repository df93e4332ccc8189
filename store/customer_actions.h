#pragma once
// The store's side of each user action, run as every window runs one: open the store, set
// an empty filter, attach, open the rows, read or write, close the rows, close the store.
// Each action takes the window's own connection and row set.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/location.h"
#include "store/row_set.h"
#include "store/store_connection.h"

namespace store {

// What the customer editor stores of a customer.
struct CustomerFields {
    std::string wang;   // the customer's ID
    std::string wang2;  // our ID that serves them
    double time1 = 0;   // first enquiry
    double time2 = 0;   // last follow-up
    std::string bs;     // note
};

// One row of the customer list.
struct CustomerRow {
    std::int32_t id = 0;
    std::string wang, wang2;
    double time1 = 0, time2 = 0, time3 = 0;
    std::string bs;
    bool operator==(const CustomerRow&) const = default;
};

enum class SaveOutcome {
    saved,
    duplicate,    // a customer with this customer ID and our ID is already saved
    unavailable,  // the store did not open, or the rows did not
    not_stored,   // the engine did not confirm the write
};

// Adds a customer unless one with the same customer ID and our ID exists. On success
// `new_id` gets the number the engine gave it.
SaveOutcome save_new_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              const CustomerFields& fields, std::int32_t* new_id = nullptr);
// Overwrites customer `id` unless another customer has the same customer ID and our ID.
SaveOutcome save_edited_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                                 std::int32_t id, const CustomerFields& fields);
// Closes the deal of customer `id` on `date`; true when stored.
bool register_deal(StoreConnection& c, RowSet& rs, const StoreLocation& store, std::int32_t id,
                   double date);
// Makes customer `id` open again; the deal date stays.
bool reopen_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store, std::int32_t id);
bool delete_customer(StoreConnection& c, const StoreLocation& store, std::int32_t id);

// Open or closed customers, newest first; nullopt when the store did not open.
std::optional<std::vector<CustomerRow>> load_customers(StoreConnection& c, RowSet& rs,
                                                       const StoreLocation& store, bool closed);
// How many customers are closed (or open); nullopt when the store did not open.
std::optional<int> count_customers(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                                   bool closed);

// The text of settings row `row` ("" for a null value); nullopt when the store did not open.
std::optional<std::string> read_setting(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                                        std::int32_t row);
bool write_setting(StoreConnection& c, RowSet& rs, const StoreLocation& store, std::int32_t row,
                   const std::string& value);

}  // namespace store
