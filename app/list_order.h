#pragma once
// Which customers the list shows and in what order: found by the text typed into the find
// box, sorted by a column, and, for the follow-up view, only those due. Plain data in, row
// positions out, so that a keystroke over a hundred thousand customers costs one pass.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/code_pages.h"
#include "store/customer_actions.h"

namespace app {

// How long an open customer has waited for a follow-up, against the cadence in days.
enum class Due { no, due, overdue };
inline constexpr int kDefaultCadence = 3;

// A customer with a next follow-up date is due on that day and overdue from the day after.
// Without one: whole days from the last follow-up to `today` (both as engine dates) against
// the cadence; a missing date counts from 1899-12-30, as the list shows it. Closed customers
// are never due, and nor are those the shop gave up on.
Due due_state(const store::CustomerRow& customer, bool closed_list, double today, int cadence);
// The day a customer falls due: the next date, or the last follow-up and the cadence.
double due_day(const store::CustomerRow& customer, int cadence);

// The list's columns past the seven it has always had.
inline constexpr int kNextDateColumn = 8;  // "下次跟进", shown when the user asks for it
inline constexpr int kTagsColumn = 9;      // "标签", the same
inline constexpr int kLastColumn = kTagsColumn;

// The column the list is sorted by (1 to kLastColumn as the list numbers them; 0 and 1, "序号", is
// the order of the store, newest first) and its direction.
struct SortChoice {
    int column = 0;
    bool descending = false;
    bool operator==(const SortChoice&) const = default;
};
// "5,desc" and back; anything unreadable is the newest-first order.
std::string sort_text(const SortChoice& sort);
SortChoice parse_sort(std::string_view text);
// What a click on a column's header makes of the sort: a new column ascending, the same one
// reversed, "序号" back to newest first.
SortChoice sort_after_click(const SortChoice& now, int column);

// What the list is asked to show.
struct ListQuery {
    std::string find;  // as typed; empty finds everything
    SortChoice sort;
    bool due_only = false;
    bool closed = false;   // the closed list: column 6 is the deal date, nobody is due
    bool gave_up = false;  // of the open customers, those given up instead of the others
    double today = 0;
    int cadence = kDefaultCadence;
};

// The customers of one list load, with what finding and sorting them needs worked out once.
class ListOrder {
  public:
    // `sort_order` gives the system's Chinese order of the texts; without one, texts sort by
    // their characters' code points.
    ListOrder(std::vector<store::CustomerRow> customers, runtime::CodePageAdapter* sort_order);

    ~ListOrder();
    ListOrder(ListOrder&&) noexcept;
    ListOrder& operator=(ListOrder&&) = delete;

    const std::vector<store::CustomerRow>& customers() const { return customers_; }
    // Starts making the orders of the text columns on a thread of its own, so that a click on
    // their header finds them made instead of making every customer's collation key then.
    // The order must not be moved afterwards; destroying it stops the thread.
    void prepare_text_orders();
    // Positions into customers(), in the order to show. `status` tells a customer's known
    // status for sorting by that column.
    std::vector<std::size_t> shown(const ListQuery& query,
                                   const std::function<bool(std::size_t)>& online = {});

  private:
    // Every customer in the order of one sort, ascending with ties newest first, worked out
    // once, so that any later sort by it, either way and of any found rows, is one pass.
    struct Ranking {
        std::vector<std::uint32_t> order;  // positions into customers_, in that order
        std::vector<std::uint32_t> place;  // where each customer stands in `order`
        std::vector<std::uint32_t> group;  // the same for customers of equal value
    };
    const Ranking& ranking(int kind);
    // Nothing when `stop` was asked for before the end.
    std::optional<Ranking> text_ranking(int field, std::stop_token stop = {});
    Ranking make_ranking(int kind);
    // Field 0 to 3 (customer ID, our ID, note, tags) of customer i, folded, from the haystack.
    std::string_view field(std::size_t i, int which) const;
    std::vector<std::size_t> found(std::string_view needle) const;

    std::vector<store::CustomerRow> customers_;
    // The found-by texts of every customer, folded, one after the other, fields kept apart;
    // customer i's runs from starts_[i] to starts_[i + 1].
    std::string haystack_;
    std::vector<std::size_t> starts_;
    // Where customer i's fields 1 to 3 start, from starts_[i] on: 3i to 3i + 2.
    std::vector<std::uint32_t> gaps_;
    std::array<std::size_t, 256> byte_count_{};  // in the texts, to search for the rarest byte
    runtime::CodePageAdapter* sort_order_;
    std::vector<std::optional<Ranking>> rankings_;  // by sort kind, made when first sorted
    struct Preparation;
    std::unique_ptr<Preparation> preparing_;  // last, so that its thread ends first
};

}  // namespace app
