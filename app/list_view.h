#pragma once
// What the main list shows after each load: the customers of the current mode, found, sorted
// and due-filtered as the user asked, with the statuses known for them. The list view asks it
// for the texts and tones of the rows it draws, so a keystroke of find redraws a hundred
// thousand customers at the cost of choosing them.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
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

    const store::CustomerRow* customer(int row) const;
    // The row that shows customer `id`, -1 when none does.
    int row_of(std::int32_t id) const;
    // The rows changed: the index of rows by customer is made again when next asked.
    void rows_changed() { index_.clear(); }

    // The status shown for the customer at `position` in order->customers(); empty when none
    // is known.
    const std::string& status_at(std::size_t position) const;
    // Shows `text` for customer `id` while the customer still has the ID `wang` it was learnt
    // for; false when that changed nothing (or the customer is not in this load, or has
    // another ID now).
    bool set_status(std::int32_t id, const std::string& wang, const std::string& text);
    // Forgets every status shown, for a new load in `order`.
    void clear_statuses();

  private:
    mutable std::vector<std::pair<std::int32_t, int>> index_;  // by customer, sorted
    // One byte a customer, by position: an index into status_texts_ (0: nothing known). A
    // service answers with a handful of texts; a hash node and two strings for each of a
    // hundred thousand customers held more than the customers themselves.
    std::vector<std::uint8_t> statuses_;
    std::vector<std::string> status_texts_{std::string()};
    const ListOrder* statuses_for_ = nullptr;  // the order statuses_ and positions_ are of
    // Positions by customer, made when first needed if the customers are not newest first
    // (a load's are, and are searched without it).
    bool newest_first_ = false;
    std::vector<std::pair<std::int32_t, std::uint32_t>> positions_;
    std::optional<std::size_t> position_of(std::int32_t id);
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
