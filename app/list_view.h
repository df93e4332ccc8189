#pragma once
// What the main list shows after each load: the customers of the current mode, found, sorted
// and due-filtered as the user asked, with the statuses known for them. The list view asks it
// for the texts and tones of the rows it draws, so a keystroke of find redraws a hundred
// thousand customers at the cost of choosing them.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/list_order.h"
#include "runtime/window.h"

namespace app {

struct ListState {
    std::shared_ptr<ListOrder> order;  // the customers of the last load
    // The store's change stamp as that load read them (nullopt: not readable then).
    std::optional<std::uint64_t> loaded_stamp;
    std::vector<std::size_t> rows;  // positions into order->customers(), in list order
    ListQuery query;                // what chose and ordered them
    // The status shown for each customer: the ID it was learnt for, and its text.
    std::unordered_map<std::int32_t, std::pair<std::string, std::string>> statuses;

    const store::CustomerRow* customer(int row) const;
    // The row that shows customer `id`, -1 when none does.
    int row_of(std::int32_t id) const;
    std::string status_of(const store::CustomerRow& c) const;
    // The rows changed: the index of rows by customer is made again when next asked.
    void rows_changed() { index_.clear(); }

  private:
    mutable std::vector<std::pair<std::int32_t, int>> index_;  // by customer, sorted
};

// The list's rows as the list view asks for them: the eight columns as they always were
// (running numbers counting the rows shown), and the due tones of the open list.
class CustomerRows final : public runtime::RowSource {
  public:
    explicit CustomerRows(std::shared_ptr<const ListState> state) : state_(std::move(state)) {}
    int count() const override;
    std::string cell(int row, int column) const override;
    int tone(int row) const override;
    // The next date (and how it stands today), the tags, why the customer was given up, and
    // the note's lines, which the one-line cell cuts.
    std::string tip(int row) const override;

  private:
    std::shared_ptr<const ListState> state_;
};

}  // namespace app
