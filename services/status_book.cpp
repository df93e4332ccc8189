#include "services/status_book.h"

#include <algorithm>

#include "jet/bytes.h"

namespace services {

namespace {

// More different pictures than any service has for its statuses.
constexpr std::size_t kMostHeldPictures = 64;

}  // namespace

StatusBook::Key StatusBook::key_of(const StatusKey& key) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(key.wang.data());
    return {key.customer, jet::fnv1a64({bytes, key.wang.size()})};
}

void StatusBook::record(const StatusKey& key, std::string text, Clock::time_point when) {
    held_.erase(key);
    // Only the two texts the service's answers are judged to reach the book.
    known_.insert_or_assign(key_of(key), Entry{when, text == kOnlineText});
}

std::optional<std::string> StatusBook::known(const StatusKey& key, Clock::time_point now) const {
    const auto found = known_.find(key_of(key));
    if (found == known_.end() || !fresh(found->second.when, now)) return std::nullopt;
    return found->second.online ? std::string(kOnlineText) : std::string();
}

bool StatusBook::knows(const StatusKey& key, Clock::time_point now) const {
    const auto found = known_.find(key_of(key));
    return found != known_.end() && fresh(found->second.when, now);
}

bool StatusBook::hold(const StatusKey& key, std::span<const std::uint8_t> body,
                      Clock::time_point when) {
    auto same = std::find_if(pictures_.begin(), pictures_.end(), [&](const auto& picture) {
        return std::equal(picture->begin(), picture->end(), body.begin(), body.end());
    });
    if (same == pictures_.end()) {
        if (pictures_.size() >= kMostHeldPictures) return false;
        pictures_.push_back(std::make_shared<const Bytes>(body.begin(), body.end()));
        same = std::prev(pictures_.end());
    }
    held_.insert_or_assign(key, Held{*same, when});
    return true;
}

StatusBook::Answers StatusBook::judge_held(const OfflinePictures& offline, Clock::time_point now) {
    Answers decided;
    for (auto it = held_.begin(); it != held_.end();) {
        const Verdict verdict = judge_picture(*it->second.body, offline);
        if (verdict != Verdict::offline && verdict != Verdict::online) {
            ++it;
            continue;
        }
        const bool online = verdict == Verdict::online;
        if (fresh(it->second.when, now))
            decided.emplace_back(it->first, online ? std::string(kOnlineText) : std::string());
        known_.insert_or_assign(key_of(it->first), Entry{it->second.when, online});
        it = held_.erase(it);
    }
    return decided;
}

void StatusBook::forget_stale(Clock::time_point now) {
    std::erase_if(known_, [&](const auto& entry) { return !fresh(entry.second.when, now); });
    std::erase_if(held_, [&](const auto& entry) { return !fresh(entry.second.when, now); });
    std::erase_if(pictures_, [](const auto& picture) { return picture.use_count() == 1; });
}

}  // namespace services
