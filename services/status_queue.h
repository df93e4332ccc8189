#pragma once
// The statuses waiting to be asked, in the order the user needs them: the rows in view
// first, then the rest in list order; rows that come into view go to the front.
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <span>

#include "services/status_key.h"

namespace services {

class StatusQueue {
  public:
    // Replaces everything waiting by `visible` then `in_list_order`, each key once, leaving
    // out the keys `skip` names.
    void replace(std::span<const StatusKey> visible, std::span<const StatusKey> in_list_order,
                 const std::function<bool(const StatusKey&)>& skip);
    // Moves those of `keys` that wait to the front, in the order given; the rest keep theirs.
    // It costs the keys given, not the keys waiting: rows come into view at every scroll.
    void prefer(std::span<const StatusKey> keys);
    std::optional<StatusKey> take();
    void clear();
    bool empty() const { return waiting_.empty(); }
    std::size_t size() const { return waiting_.size(); }

  private:
    std::set<StatusKey> waiting_;  // what is still to be asked
    // The order of asking: the preferred keys first, then the round's order. A key taken
    // from one stays in the other until it comes up there, and is passed over then.
    std::deque<StatusKey> preferred_;
    std::deque<StatusKey> order_;
};

}  // namespace services
