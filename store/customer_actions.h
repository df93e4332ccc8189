#pragma once
// The store's side of each user action, run as every window runs one: open the store, set
// an empty filter, attach, open the rows, read or write, close the rows, close the store.
// Each action takes the window's own connection and row set.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/location.h"
#include "store/rare_text.h"
#include "store/row_set.h"
#include "store/store_connection.h"

namespace store {

// A customer's fields by what they mean; store/customer_columns.h names the columns each is
// kept in.
// What the customer editor stores of a customer.
struct CustomerFields {
    std::string buyer;          // the customer's ID
    std::string our_id;         // our ID that serves them
    double first_enquiry = 0;   // date of the first enquiry
    double last_follow_up = 0;  // date of the last follow-up
    std::string note;
};

// The day of the next follow-up an editor saves with the fields: 0 for none (the shop's
// cadence holds), nothing to keep what is stored.
using NextDate = std::optional<double>;

// One row of the customer list.
struct CustomerRow {
    std::int32_t id = 0;
    std::string buyer, our_id;
    double first_enquiry = 0, last_follow_up = 0, deal_date = 0;
    std::string note;
    double next_follow_up = 0;  // the day the shop means to follow up next; 0: none
    double gave_up = 0;         // when the shop gave the customer up; 0: it has not
    RareText reason{};          // why it gave up
    RareText tags{};            // its tags in the shop's order, "#name" each, a blank between
    bool operator==(const CustomerRow&) const = default;
};

enum class SaveOutcome {
    saved,
    duplicate,    // a customer with this customer ID and our ID is already saved
    unavailable,  // the store did not open, or the rows did not
    not_stored,   // the engine did not confirm the write
    missing,      // the customer being edited is no longer stored
};

// How a change to one customer went.
enum class ActionOutcome {
    done,
    missing,      // no customer with that number is stored (another copy deleted it)
    unavailable,  // the store did not open, or the rows did not
    not_stored,   // the engine did not confirm the write
};

struct [[nodiscard]] ActionResult {
    ActionOutcome outcome = ActionOutcome::unavailable;
    // Most callers only ask whether the change landed.
    operator bool() const { return outcome == ActionOutcome::done; }
};

// Adds a customer unless one with the same customer ID and our ID exists. On success
// `new_id` gets the number the engine gave it.
SaveOutcome save_new_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              const CustomerFields& fields, std::int32_t* new_id = nullptr,
                              NextDate next = std::nullopt);
// Overwrites customer `id` unless another customer has the same customer ID and our ID.
SaveOutcome save_edited_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                                 std::int32_t id, const CustomerFields& fields,
                                 NextDate next = std::nullopt);
// Closes the deal of customer `id` on `date`.
ActionResult register_deal(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                           std::int32_t id, double date);
// Makes customer `id` open again; the deal date stays.
ActionResult reopen_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                             std::int32_t id);
// Who deleted a customer and when: the moment (engine days; 0: the clock now) and the PC.
struct Deletion {
    double when = 0;
    std::string pc;
};
// Moves customer `id` to the recycle bin (store/recycle_bin.h) with what is kept of it.
ActionResult delete_customer(StoreConnection& c, const StoreLocation& store, std::int32_t id,
                             const Deletion& deletion = {});
// Recording a follow-up: store/next_steps.h.

// A customer a sheet brings in: a closed one carries its deal date.
struct ImportCandidate {
    CustomerFields fields;
    std::optional<double> deal_date;
};
struct ImportReport {
    int added = 0;
    // Positions in the candidates of those stored already under the same customer ID and our
    // ID (the editor's rule, letter case ignored).
    std::vector<std::size_t> already_stored;
    // The user stopped it: nothing was stored.
    bool stopped = false;
};
// Told how many candidates are done now and then, and all of them before the indexes are
// written and again before the commit; false stops the import.
using ImportGoingOn = std::function<bool(std::size_t done)>;
// Adds the candidates that are not stored yet, in one transaction: all of them or, when any
// write fails or `going_on` says stop, none. Other copies wait meanwhile, so the test for
// each stays true.
ActionResult import_customers(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              const std::vector<ImportCandidate>& candidates, ImportReport& report,
                              const ImportGoingOn& going_on = {});

// Open or closed customers, newest first; nullopt when the store did not open. `stamp`, when
// given, gets the store's change stamp as the rows were read (nullopt: not readable).
std::optional<std::vector<CustomerRow>> load_customers(
    StoreConnection& c, RowSet& rs, const StoreLocation& store, bool closed,
    std::optional<std::uint64_t>* stamp = nullptr);
// How many customers are closed (or open); nullopt when the store did not open.
std::optional<int> count_customers(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                                   bool closed);

// The text of settings row `row` ("" for a null value); nullopt when the store did not open.
std::optional<std::string> read_setting(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                                        std::int32_t row);
ActionResult write_setting(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                           std::int32_t row, const std::string& value);

// Reads settings row `row` and writes back what `change` makes of it, in one action, so that
// another copy's change of another key in the same row in between is not lost.
ActionResult update_setting(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                            std::int32_t row,
                            const std::function<std::string(const std::string&)>& change);

// Whether the store opens and holds the program's tables: a file of another program opens
// but is no more usable than a damaged one.
StoreFailure check_store(StoreConnection& c, RowSet& rs, const StoreLocation& store);
// Why an action found the store unusable: what the open met, or, when it opened but the rows
// did not, that the file is not what it should be.
StoreFailure failure_of(const StoreConnection& c);

}  // namespace store
