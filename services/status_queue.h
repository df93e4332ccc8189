#pragma once
// The statuses waiting to be asked, in the order the user needs them: the rows in view
// first, then the rest in list order; rows that come into view go to the front. A round of
// a hundred thousand keys is held as positions into the keys as handed over, so that
// replacing it allocates a handful of arrays, not a node or a copy per key.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "services/status_key.h"

namespace services {

class StatusQueue {
  public:
    // Replaces everything waiting by `visible` then `in_list_order`, each key once, leaving
    // out the keys `skip` names.
    void replace(std::span<const StatusKey> visible, std::vector<StatusKey> in_list_order,
                 const std::function<bool(const StatusKey&)>& skip);
    // Moves those of `keys` that wait to the front, in the order given; the rest keep theirs.
    // It costs the keys given, not the keys waiting: rows come into view at every scroll.
    void prefer(std::span<const StatusKey> keys);
    std::optional<StatusKey> take();
    void clear();
    bool empty() const { return waiting_count_ == 0; }
    std::size_t size() const { return waiting_count_; }

  private:
    // The position of `key` in keys_, if the round has it.
    std::optional<std::uint32_t> find(const StatusKey& key) const;

    std::vector<StatusKey> keys_;        // the round's keys: the list's, then any other in view
    std::vector<std::uint32_t> by_key_;  // positions into keys_, ordered by key
    std::vector<bool> waiting_;          // by position: still to be asked
    std::size_t waiting_count_ = 0;
    // The order of asking: the preferred positions first, then keys_ from `next_` on. A key
    // taken from the front stays behind `next_` until it comes up there, and is passed over.
    std::deque<std::uint32_t> preferred_;
    std::size_t next_ = 0;
};

}  // namespace services
