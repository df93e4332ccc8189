#include "services/status_queue.h"

#include <iterator>
#include <map>
#include <set>
#include <vector>

namespace services {

void StatusQueue::replace(std::span<const StatusKey> visible,
                          std::span<const StatusKey> in_list_order,
                          const std::function<bool(const StatusKey&)>& skip) {
    clear();
    for (const auto list : {visible, in_list_order})
        for (const StatusKey& key : list)
            if (!skip(key) && waiting_.insert(key).second) order_.push_back(key);
}

void StatusQueue::prefer(std::span<const StatusKey> keys) {
    std::deque<StatusKey> front;
    std::set<StatusKey> placed;
    for (const StatusKey& key : keys)
        if (waiting_.contains(key) && placed.insert(key).second) front.push_back(key);
    if (front.empty()) return;
    // The keys preferred before keep their place behind the new ones.
    for (StatusKey& key : preferred_)
        if (waiting_.contains(key) && placed.insert(key).second) front.push_back(std::move(key));
    preferred_ = std::move(front);
}

std::optional<StatusKey> StatusQueue::take() {
    for (auto* from : {&preferred_, &order_}) {
        while (!from->empty()) {
            StatusKey key = std::move(from->front());
            from->pop_front();
            if (waiting_.erase(key) != 0) return key;
        }
    }
    return std::nullopt;
}

void StatusQueue::clear() {
    waiting_.clear();
    preferred_.clear();
    order_.clear();
}

}  // namespace services
