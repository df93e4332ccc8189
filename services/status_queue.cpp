#include "services/status_queue.h"

#include <algorithm>
#include <numeric>
#include <set>

namespace services {

std::optional<std::uint32_t> StatusQueue::find(const StatusKey& key) const {
    const auto at =
        std::lower_bound(by_key_.begin(), by_key_.end(), key,
                         [this](std::uint32_t p, const StatusKey& k) { return keys_[p] < k; });
    if (at == by_key_.end() || keys_[*at] != key) return std::nullopt;
    return *at;
}

void StatusQueue::replace(std::span<const StatusKey> visible, std::vector<StatusKey> in_list_order,
                          const std::function<bool(const StatusKey&)>& skip) {
    clear();
    keys_ = std::move(in_list_order);
    const auto order_keys = [this] {
        by_key_.resize(keys_.size());
        std::iota(by_key_.begin(), by_key_.end(), 0u);
        // Stable: of a key listed twice the first place counts.
        std::stable_sort(by_key_.begin(), by_key_.end(),
                         [this](std::uint32_t a, std::uint32_t b) { return keys_[a] < keys_[b]; });
    };
    order_keys();
    // A row in view that the list does not hold is asked all the same.
    const std::size_t listed = keys_.size();
    for (const StatusKey& key : visible)
        if (!find(key)) keys_.push_back(key);
    if (keys_.size() != listed) order_keys();

    waiting_.assign(keys_.size(), false);
    for (std::size_t i = 0; i < by_key_.size(); ++i) {
        const std::uint32_t p = by_key_[i];
        if (i > 0 && keys_[by_key_[i - 1]] == keys_[p]) continue;  // a repeat
        if (skip(keys_[p])) continue;
        waiting_[p] = true;
        ++waiting_count_;
    }
    for (const StatusKey& key : visible)
        if (const auto p = find(key); p && waiting_[*p]) preferred_.push_back(*p);
}

void StatusQueue::prefer(std::span<const StatusKey> keys) {
    std::deque<std::uint32_t> front;
    std::set<std::uint32_t> placed;
    for (const StatusKey& key : keys)
        if (const auto p = find(key); p && waiting_[*p] && placed.insert(*p).second)
            front.push_back(*p);
    if (front.empty()) return;
    // The keys preferred before keep their place behind the new ones.
    for (const std::uint32_t p : preferred_)
        if (waiting_[p] && placed.insert(p).second) front.push_back(p);
    preferred_ = std::move(front);
}

std::optional<StatusKey> StatusQueue::take() {
    std::optional<std::uint32_t> found;
    while (!found && !preferred_.empty()) {
        const std::uint32_t p = preferred_.front();
        preferred_.pop_front();
        if (waiting_[p]) found = p;
    }
    for (; !found && next_ < keys_.size(); ++next_)
        if (waiting_[next_]) found = static_cast<std::uint32_t>(next_);
    if (!found) return std::nullopt;
    waiting_[*found] = false;
    --waiting_count_;
    StatusKey key = keys_[*found];
    // The round's keys are a hundred thousand strings at most: given back once all are asked.
    if (waiting_count_ == 0) clear();
    return key;
}

void StatusQueue::clear() {
    keys_ = {};
    by_key_ = {};
    waiting_ = {};
    waiting_count_ = 0;
    preferred_ = {};
    next_ = 0;
}

}  // namespace services
