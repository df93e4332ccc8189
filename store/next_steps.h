#pragma once
// A customer's next step beside the columns every copy of the program knows: the day of the
// next follow-up and the log of every follow-up, kept in the program's own tables and tied to
// the customer by its number.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/location.h"
#include "store/customer_actions.h"
#include "store/row_set.h"
#include "store/store_connection.h"

namespace store {

// A follow-up as "记录跟进" records it.
struct FollowUp {
    double when = 0;        // the moment it was recorded
    std::string said;       // what was said; may be empty
    std::string note_line;  // the line put on top of the note; "" leaves the note alone
    double next_date = 0;   // the day of the next follow-up; 0: none, the shop's cadence holds
};

// Records a follow-up of customer `id` in one transaction: the last follow-up becomes
// `f.when`, the note gets `f.note_line` and a line break in front of what it held, the next
// date becomes `f.next_date`, and the log gets a row (the time, the customer's our ID, what
// was said).
ActionResult record_follow_up(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              std::int32_t id, const FollowUp& f);

struct LogEntry {
    double at = 0;
    std::string our_id, said;
    bool operator==(const LogEntry&) const = default;
};
// Customer `id`'s follow-ups, newest first; nullopt when the store did not open.
std::optional<std::vector<LogEntry>> read_follow_up_log(StoreConnection& c, RowSet& rs,
                                                        const StoreLocation& store,
                                                        std::int32_t id);

// The follow-ups a note tells of: each of its lines that starts with a date ("2025-3-5", a
// time "14:30" after it allowed), as the note's dated lines are written, oldest last as
// they stand. `our_id` goes with each.
std::vector<LogEntry> log_in_note(std::string_view note, const std::string& our_id);

// Adds log rows for customers, within the open transaction (`rs` is left closed); false when
// the store refused.
bool add_log_rows(StoreConnection& c, RowSet& rs,
                  const std::vector<std::pair<std::int32_t, LogEntry>>& rows);

// What the program keeps of a customer beside the customer's row.
struct BuyerStep {
    std::string buyer;  // the customer's ID when it was written: a guard against a reused number
    double next_date = 0;
    double gave_up = 0;  // when the shop gave the customer up; 0: it has not
    std::string reason;  // why
    std::string tags;    // the numbers of its tags, as tag_field writes them
    bool operator==(const BuyerStep&) const = default;
};

// What the log says of a give-up (the reason follows) and of taking the customer back.
inline constexpr const char* kGaveUpSaid = "放弃跟进：";
inline constexpr const char* kResumedSaid = "重新跟进";

// Takes customer `id` out of the open list at `when` for `reason` (one of the usual reasons,
// the shop's own, or typed: a new one joins the shop's reasons), with a line in its log; in one
// transaction.
ActionResult give_up_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              std::int32_t id, double when, const std::string& reason);
// Brings a given-up customer back to the open list, with a line in its log.
ActionResult resume_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                             std::int32_t id, double when);

// The tags of customer `id` become `tag_ids` (store/shop_lists.h), in one transaction.
ActionResult set_customer_tags(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                               std::int32_t id, const std::vector<std::int32_t>& tag_ids);

// The parts of an action that writes, run inside its open transaction (rs is left closed):
// Sets customer `id`'s next date (0: none); false when the store refused.
bool write_next_date(StoreConnection& c, RowSet& rs, std::int32_t id, const std::string& buyer,
                     double next_date);
// Puts a customer's new ID in its kept rows, so that they stay its own.
bool rename_buyer(StoreConnection& c, RowSet& rs, std::int32_t id, const std::string& buyer);
// Removes every row the program keeps of customer `id`.
bool remove_kept_rows(StoreConnection& c, std::int32_t id);

// Every customer's kept step, by number: one sorted array, as a hundred thousand of them are
// read with every list load.
class BuyerSteps {
  public:
    explicit BuyerSteps(std::vector<std::pair<std::int32_t, BuyerStep>> steps);
    const BuyerStep* find(std::int32_t id) const;
    bool empty() const { return steps_.empty(); }

  private:
    std::vector<std::pair<std::int32_t, BuyerStep>> steps_;
};
// Read within an open action; nullopt when unreadable.
std::optional<BuyerSteps> read_buyer_steps(StoreConnection& c, RowSet& rs);
// Hands every kept step to `visit` as it is read, within an open action (the step lasts until
// the next); false when unreadable.
bool each_buyer_step(StoreConnection& c, RowSet& rs,
                     const std::function<void(std::int32_t, const BuyerStep&)>& visit);

}  // namespace store
