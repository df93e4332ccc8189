#include "services/status_queue.h"

#include <iterator>
#include <map>
#include <set>
#include <vector>

namespace services {

void StatusQueue::replace(std::span<const StatusKey> visible,
                          std::span<const StatusKey> in_list_order,
                          const std::function<bool(const StatusKey&)>& skip) {
    waiting_.clear();
    std::set<StatusKey> queued;
    for (const auto list : {visible, in_list_order})
        for (const StatusKey& key : list)
            if (!skip(key) && queued.insert(key).second) waiting_.push_back(key);
}

void StatusQueue::prefer(std::span<const StatusKey> keys) {
    if (keys.empty()) return;
    std::map<StatusKey, std::size_t> rank;
    for (const StatusKey& key : keys)
        rank.emplace(key, rank.size());
    std::vector<std::optional<StatusKey>> front(rank.size());
    std::deque<StatusKey> rest;
    for (StatusKey& key : waiting_) {
        const auto found = rank.find(key);
        if (found != rank.end() && !front[found->second]) {
            front[found->second] = std::move(key);
        } else {
            rest.push_back(std::move(key));
        }
    }
    waiting_.clear();
    for (auto& key : front)
        if (key) waiting_.push_back(std::move(*key));
    waiting_.insert(waiting_.end(), std::make_move_iterator(rest.begin()),
                    std::make_move_iterator(rest.end()));
}

std::optional<StatusKey> StatusQueue::take() {
    if (waiting_.empty()) return std::nullopt;
    StatusKey key = std::move(waiting_.front());
    waiting_.pop_front();
    return key;
}

}  // namespace services
